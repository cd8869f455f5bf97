#include "held_keys.h"

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
  if (repeat && gint32(key->time - parts.zoom_ended) < 0) return TRUE;
  parts.key_time = key->time;
  parts.key_seen = g_get_monotonic_time();
  return FALSE;
}

gboolean note_release(GtkWidget *, GdkEventKey *key, gpointer data) {
  MainWindow &parts = *static_cast<MainWindow *>(data);
  if (key->hardware_keycode == parts.held_key) parts.held_key = 0;
  return FALSE;
}

// Runs after a zoom that a key started, which has waited for xrandr. The
// server's clock has gone on as ours did since that key came: a repeat the
// keyboard sent before the zoom ended is older than the key's time and that
// time. Asking the server for its time would take a round trip, and would
// wait for ever for an answer about a window another client destroyed.
void note_zoom_end(GtkWidget *, gpointer data) {
  MainWindow &parts = *static_cast<MainWindow *>(data);
  if (gtk_get_current_event_time() == parts.key_time)
    parts.zoom_ended = parts.key_time + guint32((g_get_monotonic_time() - parts.key_seen) / 1000);
}

}  // namespace

void drop_repeats_behind_zooms(MainWindow &parts) {
  g_signal_connect(parts.window, "key-press-event", G_CALLBACK(drop_late_repeat), &parts);
  g_signal_connect(parts.window, "key-release-event", G_CALLBACK(note_release), &parts);
  for (Button zoom : {zoom_out_button, zoom_reset_button, zoom_in_button})
    g_signal_connect(parts.buttons[zoom], "clicked", G_CALLBACK(note_zoom_end), &parts);
}
