// Takes one measurement for the benchmark on CLOCK_MONOTONIC and prints it,
// times in ms. No other window titled TESSALUX may be mapped meanwhile; the
// probe waits for everything it started.
//   probe map [--hold MS] PROGRAM [ARGS...]: from just before the fork that
//       starts PROGRAM to the MapNotify that makes its window titled TESSALUX
//       viewable (under a window manager, the later of the window's and its
//       frame's); with --hold, MS ms later, also its peak resident set
//       (VmHWM) in MiB.
//   probe idle SECONDS PROGRAM [ARGS...]: what all of PROGRAM's threads spend
//       over SECONDS from a second after the map, CPU time, voluntary and
//       involuntary context switches; then its threads and children.
//   probe press COUNT KEY PROGRAM [ARGS...]: presses KEY (a keysym name)
//       COUNT times through XTest in PROGRAM's window; per press, the time to
//       the start that the fake xrandr prints on the output it inherits.
//   probe spawn COUNT PROGRAM [ARGS...]: runs the fake xrandr as PROGRAM
//       COUNT times by fork, execvp and waitpid; per run, the time to its start.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

int64_t now_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double ms(int64_t ns) { return double(ns) / 1e6; }

void sleep_ms(int64_t ms) {
  timespec pause{time_t(ms / 1000), long(ms % 1000) * 1'000'000};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

int fail(const char *message) {
  std::fprintf(stderr, "probe: %s\n", message);
  return 1;
}

// A program started by us with its window mapped, and our connection.
struct Launched {
  Display *display = nullptr;
  pid_t child = 0;
  Window window = None;
  int64_t elapsed_ns = 0;  // from just before the fork to the map
};

// Ends the program and everything it started, and waits for all of them.
int finish(const Launched &run, int result) {
  if (run.child > 0) kill(-run.child, SIGKILL);
  while (wait(nullptr) > 0 || errno == EINTR) {
  }
  if (run.display != nullptr) XCloseDisplay(run.display);
  return result;
}

// Windows of other clients, a window manager's too, may go before we ask.
int ignore_error(Display *, XErrorEvent *) { return 0; }

bool is_titled_tessalux(Display *display, Window window) {
  char *name = nullptr;
  XFetchName(display, window, &name);
  const bool same = name != nullptr && std::strcmp(name, "TESSALUX") == 0;
  XFree(name);
  return same;
}

// Starts the program with `output` as its standard output and waits up to
// 10 s for its window. Returns 0, or 1 after saying why, with the program
// stopped.
int launch(char **argv, int output, Launched &run) {
  run.display = XOpenDisplay(nullptr);
  if (run.display == nullptr) return fail("cannot open the X display");
  // The programs we start must not inherit our connection.
  fcntl(ConnectionNumber(run.display), F_SETFD, FD_CLOEXEC);
  XSetErrorHandler(ignore_error);
  XSelectInput(run.display, DefaultRootWindow(run.display), SubstructureNotifyMask);
  XSync(run.display, False);

  const int64_t forked = now_ns();
  run.child = fork();
  if (run.child == 0) {
    // A process group of its own, to end it together with what it started.
    setpgid(0, 0);
    dup2(output, 1);
    execvp(argv[0], argv);
    _exit(127);
  }
  if (run.child > 0) setpgid(run.child, run.child);
  pollfd connection{ConnectionNumber(run.display), POLLIN, 0};
  while (run.child > 0 && now_ns() - forked < 10'000'000'000) {
    if (XPending(run.display) == 0) {
      if (waitpid(run.child, nullptr, WNOHANG) == run.child) break;
      poll(&connection, 1, 50);
      continue;
    }
    const int64_t received = now_ns();
    XEvent event;
    XNextEvent(run.display, &event);
    // A window manager maps the window inside its frame, a child of the root
    // that it was reparented to; from then on its own maps are watched too.
    const bool reparented = event.type == ReparentNotify;
    if (!reparented && event.type != MapNotify) continue;
    const Window about = reparented ? event.xreparent.window : event.xmap.window;
    if (run.window == None && is_titled_tessalux(run.display, about)) {
      run.window = about;
      XSelectInput(run.display, about, StructureNotifyMask);
    }
    XWindowAttributes shown{};
    if (run.window != None && XGetWindowAttributes(run.display, run.window, &shown) &&
        shown.map_state == IsViewable) {
      run.elapsed_ns = received - forked;
      return 0;
    }
  }
  return finish(run, fail("no window titled TESSALUX was mapped"));
}

// A field such as "VmHWM:" of a /proc/.../status file.
long status_field(const std::filesystem::path &status_path, const std::string &field) {
  std::ifstream status(status_path);
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, field.size(), field) == 0) return std::atol(line.c_str() + field.size());
  }
  return -1;
}

int measure_map(int64_t hold_ms, char **argv) {
  Launched run;
  if (launch(argv, 2, run) != 0) return 1;
  std::printf("%.3f", ms(run.elapsed_ns));
  if (hold_ms > 0) {
    sleep_ms(hold_ms);
    const long kib = status_field("/proc/" + std::to_string(run.child) + "/status", "VmHWM:");
    std::printf(" %.3f", double(kib) / 1024);
  }
  std::printf("\n");
  return finish(run, 0);
}

// What the threads of a process have spent so far, summed.
struct ThreadTotals {
  int64_t cpu_ns = 0;
  long voluntary = 0;
  long involuntary = 0;
  int threads = 0;
  int children = 0;
};

ThreadTotals sum_threads(pid_t pid) {
  ThreadTotals totals;
  std::error_code ignored;
  for (const auto &task : std::filesystem::directory_iterator(
           "/proc/" + std::to_string(pid) + "/task", ignored)) {
    int64_t on_cpu_ns = 0;
    std::ifstream(task.path() / "schedstat") >> on_cpu_ns;
    totals.cpu_ns += on_cpu_ns;
    totals.voluntary += status_field(task.path() / "status", "voluntary_ctxt_switches:");
    totals.involuntary += status_field(task.path() / "status", "nonvoluntary_ctxt_switches:");
    ++totals.threads;
    std::ifstream children(task.path() / "children");
    for (pid_t child = 0; children >> child;) ++totals.children;
  }
  return totals;
}

int measure_idle(int64_t seconds, char **argv) {
  Launched run;
  if (launch(argv, 2, run) != 0) return 1;
  sleep_ms(1000);
  const ThreadTotals before = sum_threads(run.child);
  sleep_ms(seconds * 1000);
  const ThreadTotals after = sum_threads(run.child);
  std::printf("%.3f %ld %ld %d %d\n", ms(after.cpu_ns - before.cpu_ns),
              after.voluntary - before.voluntary, after.involuntary - before.involuntary,
              after.threads, after.children);
  return finish(run, 0);
}

// Prints the time from `since` to the start that the fake xrandr reports
// next on `starts`, waiting up to 3 s for it; false when none comes.
bool print_start(int starts, int64_t since) {
  pollfd ready{starts, POLLIN, 0};
  char line[32] = {};
  if (poll(&ready, 1, 3000) <= 0 || read(starts, line, sizeof line - 1) <= 0) return false;
  std::printf("%.3f\n", ms(std::strtoll(line, nullptr, 10) - since));
  return true;
}

int measure_presses(int count, const char *key_name, char **argv) {
  int starts[2];
  if (pipe2(starts, O_CLOEXEC) != 0) return fail("cannot make a pipe");
  Launched run;
  if (launch(argv, starts[1], run) != 0) return 1;
  const KeyCode key = XKeysymToKeycode(run.display, XStringToKeysym(key_name));
  if (key == 0) return finish(run, fail("no such key on the server's keyboard"));
  sleep_ms(500);
  // No window manager runs, so the focus is given by hand; the pointer stays
  // outside the window, and the keys go to the focus window.
  XSetInputFocus(run.display, run.window, RevertToPointerRoot, CurrentTime);
  XSync(run.display, False);
  sleep_ms(100);
  int result = 0;
  for (int press = 0; press < count && result == 0; ++press) {
    const int64_t pressed = now_ns();
    XTestFakeKeyEvent(run.display, key, True, CurrentTime);
    XTestFakeKeyEvent(run.display, key, False, CurrentTime);
    XFlush(run.display);
    if (!print_start(starts[0], pressed)) result = fail("a key press started no xrandr");
    sleep_ms(60);
  }
  result = finish(run, result);
  close(starts[0]);
  close(starts[1]);
  return result;
}

int measure_spawns(int count, char **argv) {
  int starts[2];
  if (pipe2(starts, O_CLOEXEC) != 0) return fail("cannot make a pipe");
  int result = 0;
  for (int run = 0; run < count && result == 0; ++run) {
    const int64_t forked = now_ns();
    const pid_t child = fork();
    if (child == 0) {
      dup2(starts[1], 1);
      execvp(argv[0], argv);
      _exit(127);
    }
    if (child < 0 || waitpid(child, nullptr, 0) != child || !print_start(starts[0], forked)) {
      result = fail("the fake xrandr did not start");
    }
    sleep_ms(20);
  }
  close(starts[0]);
  close(starts[1]);
  return result;
}

}  // namespace

int main(int argc, char **argv) {
  // Orphans of the measured program become ours, so we can wait for them.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "map" && std::strcmp(argv[2], "--hold") != 0) return measure_map(0, argv + 2);
  if (mode == "map" && argc > 4) return measure_map(std::atoll(argv[3]), argv + 4);
  if (mode == "idle" && argc > 3) return measure_idle(std::atoll(argv[2]), argv + 3);
  if (mode == "press" && argc > 4) return measure_presses(std::atoi(argv[2]), argv[3], argv + 4);
  if (mode == "spawn" && argc > 3) return measure_spawns(std::atoi(argv[2]), argv + 3);
  return fail("usage: probe map [--hold MS] | idle SECONDS | press COUNT KEY | spawn COUNT, "
              "then PROGRAM [ARGS...]");
}
