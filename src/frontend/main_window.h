// The utility's one window: its toolbar of zoom buttons, its keyboard
// shortcuts, and its place in the middle of the screen.
#pragma once

#include <gtk/gtk.h>

// Builds the window, its toolbar and shortcuts, and connects its buttons to
// the zoom actions and its close signals to the end of the main loop. The
// window is drawn at the desktop's scale (GDK_SCALE, or its text resolution
// against 96 dpi) and follows changes of the resolution; it keeps itself
// centred whenever the screen or its own size changes. The tooltips are GTK's
// labels of the buttons' stock items in the user's language.
GtkWidget *build_main_window();

// Shows the window and turns the main loop until the window is drawn, so it
// is on the screen before anything blocks. The wait is bounded: a window
// manager that maps the window late, never, or iconified costs a few hundred
// milliseconds at most. Returns false when the user ended the program while
// it waited (Quit, or the window closed or destroyed).
bool show_until_drawn(GtkWidget *window);

// Greys out the three zoom buttons, for when no output was found: they and
// their keys could do nothing, and a user who started the utility from a
// menu never sees its message. Quit stays as it is.
void disable_zoom_buttons(GtkWidget *window);
