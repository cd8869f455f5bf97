// Entry point: shows the window, finds the output to scale and runs the
// toolkit's main loop until the user quits.
#include <gtk/gtk.h>

#include "destroyed_window.h"
#include "main_window.h"
#include "output_detection.h"
#include "services/command_reader.h"
#include "zoom_state.h"

int main(int, char **) {
  // The command line is not ours to read, and neither are the toolkit's
  // options: nothing given there changes what the utility does.
  gtk_init(nullptr, nullptr);
  // gtk_init leaves SIGPIPE ignored, which every child would inherit.
  survive_broken_pipes();
  ignore_errors_about_windows_gone();

  const std::unique_ptr<MainWindow> window = build_main_window();
  // Detection can take seconds where outputs are slow to probe; the window
  // is on the screen before it starts.
  if (!show_until_drawn(*window)) return 0;

  if (detect_output() == 0) print_line("Call to xrandr failed");
  // The zooms act on the output named last, even where detection then met a
  // connected line without a name and said it failed.
  if (zoom_state.output_name.empty()) disable_zoom_buttons(*window);

  gtk_main();
  return 0;
}
