# Prints the description, that is the tooltip, of each push button of the
# running tessalux, as a screen reader finds it in the accessibility tree
# (AT-SPI), whose bus the X display names; with " named NAME" after it where
# its name is another, and " (greyed out)" where the button is not sensitive.
import pyatspi

for app in pyatspi.Registry.getDesktop(0):
    if app.name == "tessalux":
        for button in pyatspi.findAllDescendants(app, lambda node: node.getRole() == pyatspi.ROLE_PUSH_BUTTON):
            print(button.description + ("" if button.name == button.description else " named " + button.name)
                  + ("" if button.getState().contains(pyatspi.STATE_SENSITIVE) else " (greyed out)"))
