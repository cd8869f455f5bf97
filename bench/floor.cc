// The floor of the benchmark: the program without detection. It builds and
// shows the program's window with the program's own code, then runs the
// main loop. It never runs `xrandr -q`, so no output is known and its zoom
// buttons do nothing: it costs what any GTK+ 2 program with this window
// must cost.
//
// With --spawn-times N it runs the benchmark's fake xrandr N times through
// the program's own run_program once the window is drawn, printing the
// CLOCK_MONOTONIC time in ns before each, and ends: the cost of starting a
// child from a process of the toolkit's size, with no key or click.
#include <gtk/gtk.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/main_window.h"
#include "services/command_reader.h"
#include "services/program_runner.h"

int main(int argc, char **argv) {
  gtk_init(nullptr, nullptr);
  survive_broken_pipes();
  GtkWidget *window = build_main_window();
  if (!show_until_drawn(window)) return 0;

  if (argc > 2 && std::strcmp(argv[1], "--spawn-times") == 0) {
    // What tessalux passes on its first zoom-in press.
    for (int run = std::atoi(argv[2]); run > 0; --run) {
      timespec now{};
      clock_gettime(CLOCK_MONOTONIC, &now);
      std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
      std::fflush(stdout);
      run_program("xrandr", "--output BENCH-1 --scale 0.9090909090909091x0.9090909090909091");
      g_usleep(20000);
    }
    return 0;
  }
  gtk_main();
  return 0;
}
