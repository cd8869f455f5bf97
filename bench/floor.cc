// The floor of the benchmark: the program without detection. It builds and
// shows the program's window with the program's own code, then runs the
// main loop. It never runs `xrandr -q`, so no output is known and its zoom
// buttons do nothing: it costs what any GTK+ 2 program with this window
// must cost.
#include <gtk/gtk.h>

#include "frontend/main_window.h"
#include "services/command_reader.h"

int main() {
  gtk_init(nullptr, nullptr);
  survive_broken_pipes();
  GtkWidget *window = build_main_window();
  if (!show_until_drawn(window)) return 0;
  gtk_main();
  return 0;
}
