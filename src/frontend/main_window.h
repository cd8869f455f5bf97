// The utility's one window: its toolbar of zoom buttons, its keyboard
// shortcuts, and its place in the middle of the screen.
#pragma once

#include <gtk/gtk.h>

#include <memory>

// Zoom out, zoom 1:1, zoom in and quit: the buttons in the toolbar's order.
constexpr int button_count = 4;

// Every widget of the window, made once by build_main_window: whatever needs
// one of them is handed this record.
struct MainWindow {
  GtkWidget *window = nullptr;
  // The box holds the toolbar; its border is the window's margin.
  GtkWidget *box = nullptr;
  GtkWidget *toolbar = nullptr;
  // The toolbar's buttons, in its order, and the image each one shows.
  GtkWidget *buttons[button_count] = {};
  GtkWidget *icons[button_count] = {};
};

// Builds the window, its toolbar and shortcuts, and connects its buttons to
// the zoom actions and its close signals to the end of the main loop. The
// window is drawn at the desktop's scale and follows changes of it (see
// window_scale.h); it keeps its frame centred whenever the screen or its own
// size changes. The tooltips, and the names a screen reader gives the
// buttons, are GTK's labels of the buttons' stock items in the user's
// language. The record must outlive the main loop: the window's signals
// hand it to their handlers.
std::unique_ptr<MainWindow> build_main_window();

// Shows the window and turns the main loop until the window is drawn, so it
// is on the screen before anything blocks. The wait is bounded: a window
// manager that maps the window late, never, or iconified costs a few hundred
// milliseconds at most. Returns false when the user ended the program while
// it waited (Quit, or the window closed or destroyed).
bool show_until_drawn(MainWindow &parts);

// Greys out the three zoom buttons, for when no output is known: they and
// their keys could do nothing, and a user who started the utility from a
// menu never sees its message. Quit stays as it is.
void disable_zoom_buttons(const MainWindow &parts);

// Another client can destroy the window at any moment, and the toolkit may
// still ask about it, or about the windows inside it, before it hears of
// that. The server's errors about windows that no longer exist are left
// unanswered; any other X error still ends the program, as the toolkit does.
void ignore_errors_about_windows_gone();
