#include "held_keys.h"

#include <gdk/gdkx.h>

#include <initializer_list>

namespace {

// Runs before the window's own handler, which carries out the shortcuts. The
// keyboard repeats a held key as presses without a release between them.
gboolean drop_late_repeat(GtkWidget *, GdkEventKey *key, gpointer data) {
  MainWindow &parts = *static_cast<MainWindow *>(data);
  const bool repeat = key->hardware_keycode == parts.held_key;
  parts.held_key = key->hardware_keycode;
  // The server's times are milliseconds that wrap around: compared as a
  // difference, they stay in order across the wrap.
  return repeat && gint32(key->time - parts.zoom_ended) < 0;
}

gboolean note_release(GtkWidget *, GdkEventKey *key, gpointer data) {
  MainWindow &parts = *static_cast<MainWindow *>(data);
  if (key->hardware_keycode == parts.held_key) parts.held_key = 0;
  return FALSE;
}

// Runs after the zoom, which has waited for xrandr. The server's time
// comes from a round trip to it, so every key it sent before is older.
void note_zoom_end(GtkWidget *, gpointer data) {
  MainWindow &parts = *static_cast<MainWindow *>(data);
  if (GdkWindow *drawable = gtk_widget_get_window(parts.window))
    parts.zoom_ended = gdk_x11_get_server_time(drawable);
}

}  // namespace

void drop_repeats_behind_zooms(MainWindow &parts) {
  g_signal_connect(parts.window, "key-press-event", G_CALLBACK(drop_late_repeat), &parts);
  g_signal_connect(parts.window, "key-release-event", G_CALLBACK(note_release), &parts);
  for (Button zoom : {zoom_out_button, zoom_reset_button, zoom_in_button})
    g_signal_connect(parts.buttons[zoom], "clicked", G_CALLBACK(note_zoom_end), &parts);
}
