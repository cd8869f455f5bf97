// The utility's one window: its toolbar of zoom buttons and their keyboard
// shortcuts, built once, and its first showing.
#pragma once

#include <gtk/gtk.h>

#include <memory>

// The toolbar's buttons, in its order.
enum Button { zoom_out_button, zoom_reset_button, zoom_in_button, quit_button, button_count };

// Every widget of the window, made once by build_main_window: whatever needs
// one of them is handed this record. It holds a reference to each, so that
// they can be asked about even after another client destroyed the window, and
// it disconnects every handler it was handed to as it goes.
struct MainWindow {
  GtkWidget *window = nullptr;
  // The box holds the toolbar; its border is the window's margin.
  GtkWidget *box = nullptr;
  GtkWidget *toolbar = nullptr;
  // The toolbar's buttons, and the image each one shows.
  GtkWidget *buttons[button_count] = {};
  GtkWidget *icons[button_count] = {};
  // What the window was last centred with (see window_placement.h).
  struct Placement {
    gint width, height;
    // How much wider and taller than the window its frame is.
    gint wider, taller;
  } centred = {};
  // The key held down whose repeats may be dropped, the server's time of the
  // last key let through and ours when it came, and the server's time when
  // the last zoom that a key started ended (see held_keys.h).
  guint held_key = 0;
  guint32 key_time = 0;
  gint64 key_seen = 0;
  guint32 zoom_ended = 0;

  MainWindow() = default;
  MainWindow(const MainWindow &) = delete;
  MainWindow &operator=(const MainWindow &) = delete;
  ~MainWindow();
};

// Builds the window, its toolbar and shortcuts, and connects its buttons to
// the zoom actions and its close signals to the end of the main loop. The
// window is drawn at the desktop's scale and follows changes of it (see
// window_scale.h), and its frame is kept centred (see window_placement.h).
// The tooltips, and the names a screen reader gives the buttons, are GTK's
// labels of the buttons' stock items in the user's language.
std::unique_ptr<MainWindow> build_main_window();

// Shows the window, its frame centred from its first map on, and turns the
// main loop until the window is drawn, so it is on the screen before
// anything blocks. The waits are bounded: a window manager that says nothing
// of its frame, or maps the window late, never, or iconified, costs a few
// hundred milliseconds at most. Returns false when the user ended the
// program while it waited (Quit, or the window closed or destroyed).
bool show_until_drawn(MainWindow &parts);

// Greys out the three zoom buttons, for when no output is known: they and
// their keys could do nothing, and a user who started the utility from a
// menu never sees its message. Quit stays as it is.
void disable_zoom_buttons(const MainWindow &parts);
