// Takes one measurement for the benchmark, timed on CLOCK_MONOTONIC with
// sub-millisecond resolution, and prints it on standard output.
//
//   probe map [--hold MS] PROGRAM [ARGS...]
//       Time from the exec of PROGRAM to the MapNotify of its top-level
//       window titled TESSALUX, in ms. With --hold, waits MS ms more and
//       adds the program's peak resident set size (VmHWM) in KiB.
//   probe exit PROGRAM [ARGS...]
//       Time from the exec of PROGRAM to its exit, in ms.
//   probe idle SECONDS PROGRAM [ARGS...]
//       Starts PROGRAM, waits for its window and one second more, then
//       prints what all its threads spent over SECONDS untouched: CPU time
//       in ms, voluntary and involuntary context switches, thread count,
//       and its VmHWM in KiB.
//   probe press COUNT KEY PROGRAM [ARGS...]
//       Gives the program's window the keyboard focus, then presses and
//       releases KEY (a keysym name such as KP_Add) COUNT times through XTest
//       and prints, one line per press, the time in ms from the synthetic
//       key press to the start of the fake xrandr, read from the file
//       BENCH_STAMPS.
//   probe spawn COUNT PROGRAM [ARGS...]
//       Runs PROGRAM COUNT times with fork, execvp and waitpid and prints,
//       one line per run, the time in ms from fork to the stamp it wrote.
//
// The probe adopts orphaned descendants and waits for every one of them, so
// nothing it started outlives it. Exits 1 with a message on failure.
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr int64_t window_timeout_ns = 10'000'000'000;
constexpr int64_t stamp_timeout_ms = 3000;

int64_t now_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void sleep_ms(int64_t ms) {
  timespec pause{time_t(ms / 1000), long(ms % 1000) * 1'000'000};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

void print_ms(int64_t ns) { std::printf("%.3f", double(ns) / 1e6); }

int fail(const char *message) {
  std::fprintf(stderr, "probe: %s\n", message);
  return 1;
}

// Where the child notes the moment just before its exec; shared with us.
int64_t *exec_stamp = nullptr;

// The program gets a process group of its own, so that it can be ended
// together with anything it started. Its standard output goes where our
// errors go, keeping ours for the measurements alone.
pid_t start_program(char **argv) {
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    dup2(2, 1);
    *exec_stamp = now_ns();
    execvp(argv[0], argv);
    _exit(127);
  }
  if (child > 0) setpgid(child, child);
  return child;
}

// Waits for every child and adopted orphan; false if some are left at the
// deadline.
bool reap_all(int64_t deadline) {
  for (;;) {
    const pid_t ended = waitpid(-1, nullptr, WNOHANG);
    if (ended < 0 && errno == ECHILD) return true;
    if (ended > 0) continue;
    if (now_ns() > deadline) return false;
    sleep_ms(5);
  }
}

// Ends the program and everything it started, and waits for all of them.
void stop_program(pid_t child) {
  kill(-child, SIGTERM);
  if (!reap_all(now_ns() + 2'000'000'000)) {
    kill(-child, SIGKILL);
    reap_all(now_ns() + 2'000'000'000);
  }
}

bool has_title(Display *display, Window window, const char *title) {
  XTextProperty name{};
  if (XGetWMName(display, window, &name) == 0 || name.value == nullptr) return false;
  const bool same = name.nitems == std::strlen(title) &&
                    std::memcmp(name.value, title, name.nitems) == 0;
  XFree(name.value);
  return same;
}

// True when the window's _NET_WM_PID, if it has one, is a process of the
// group we started, so that probes running side by side keep apart.
bool belongs_to(Display *display, Window window, pid_t group) {
  const Atom net_wm_pid = XInternAtom(display, "_NET_WM_PID", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long left = 0;
  unsigned char *data = nullptr;
  if (XGetWindowProperty(display, window, net_wm_pid, 0, 1, False, XA_CARDINAL, &type,
                         &format, &count, &left, &data) != Success ||
      data == nullptr) {
    return true;
  }
  const pid_t owner = pid_t(*reinterpret_cast<unsigned long *>(data));
  XFree(data);
  return count == 0 || getpgid(owner) == group;
}

// Waits for the MapNotify of the top-level window titled TESSALUX. Returns
// the window (None on time-out or when the program ends first) and the time
// the event reached us in `mapped_at`.
Window wait_for_window(Display *display, pid_t child, int64_t &mapped_at) {
  const int64_t deadline = now_ns() + window_timeout_ns;
  pollfd connection{ConnectionNumber(display), POLLIN, 0};
  while (now_ns() < deadline) {
    if (XPending(display) == 0) {
      poll(&connection, 1, 50);
      if (XPending(display) == 0) {
        if (waitpid(child, nullptr, WNOHANG) == child) return None;
        continue;
      }
    }
    const int64_t received = now_ns();
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify && has_title(display, event.xmap.window, "TESSALUX") &&
        belongs_to(display, event.xmap.window, child)) {
      mapped_at = received;
      return event.xmap.window;
    }
  }
  return None;
}

Display *open_watching_display() {
  Display *display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;
  // The programs we start must not inherit our connection.
  fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  return display;
}

void stop_watching(Display *display) {
  XSelectInput(display, DefaultRootWindow(display), NoEventMask);
  XSync(display, True);
}

// A field such as "VmHWM:" or "voluntary_ctxt_switches:" of /proc/.../status.
long status_field(const std::string &status_path, const std::string &field) {
  std::ifstream status(status_path);
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, field.size(), field) == 0) {
      return std::strtol(line.c_str() + field.size(), nullptr, 10);
    }
  }
  return -1;
}

long peak_rss_kib(pid_t pid) {
  return status_field("/proc/" + std::to_string(pid) + "/status", "VmHWM:");
}

struct ThreadTotals {
  int64_t cpu_ns = 0;
  long voluntary = 0;
  long involuntary = 0;
  int threads = 0;
};

ThreadTotals sum_threads(pid_t pid) {
  ThreadTotals totals;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR *directory = opendir(tasks.c_str());
  if (directory == nullptr) return totals;
  while (dirent *entry = readdir(directory)) {
    if (entry->d_name[0] == '.') continue;
    const std::string task = tasks + "/" + entry->d_name;
    std::ifstream schedstat(task + "/schedstat");
    long long on_cpu_ns = 0;
    schedstat >> on_cpu_ns;
    totals.cpu_ns += on_cpu_ns;
    totals.voluntary += status_field(task + "/status", "voluntary_ctxt_switches:");
    totals.involuntary += status_field(task + "/status", "nonvoluntary_ctxt_switches:");
    ++totals.threads;
  }
  closedir(directory);
  return totals;
}

// A program started by us with its window mapped, and our connection.
struct Launched {
  Display *display = nullptr;
  pid_t child = 0;
  Window window = None;
  int64_t elapsed_ns = 0;  // from its exec to the MapNotify of its window
};

// Starts the program and waits for its window. On failure it says why and
// returns false, with the program already stopped.
bool launch(char **argv, Launched &run) {
  run.display = open_watching_display();
  if (run.display == nullptr) {
    fail("cannot open the X display");
    return false;
  }
  run.child = start_program(argv);
  int64_t mapped_at = 0;
  if (run.child > 0) run.window = wait_for_window(run.display, run.child, mapped_at);
  if (run.window == None) {
    if (run.child > 0) stop_program(run.child);
    XCloseDisplay(run.display);
    fail("no window titled TESSALUX was mapped");
    return false;
  }
  run.elapsed_ns = mapped_at - *exec_stamp;
  stop_watching(run.display);
  return true;
}

// Stops the launched program and returns `result`.
int finish(Launched &run, int result) {
  stop_program(run.child);
  XCloseDisplay(run.display);
  return result;
}

int measure_map(int64_t hold_ms, char **argv) {
  Launched run;
  if (!launch(argv, run)) return 1;
  print_ms(run.elapsed_ns);
  if (hold_ms > 0) {
    sleep_ms(hold_ms);
    std::printf(" %ld", peak_rss_kib(run.child));
  }
  std::printf("\n");
  return finish(run, 0);
}

int measure_exit(char **argv) {
  const pid_t child = start_program(argv);
  if (child < 0) return fail("fork failed");
  int status = 0;
  waitpid(child, &status, 0);
  const int64_t ended = now_ns();
  stop_program(child);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return fail("the program failed");
  print_ms(ended - *exec_stamp);
  std::printf("\n");
  return 0;
}

int measure_idle(int64_t seconds, char **argv) {
  Launched run;
  if (!launch(argv, run)) return 1;
  sleep_ms(1000);
  const ThreadTotals before = sum_threads(run.child);
  sleep_ms(seconds * 1000);
  const ThreadTotals after = sum_threads(run.child);
  print_ms(after.cpu_ns - before.cpu_ns);
  std::printf(" %ld %ld %d %ld\n", after.voluntary - before.voluntary,
              after.involuntary - before.involuntary, after.threads,
              peak_rss_kib(run.child));
  return finish(run, 0);
}

// Reads the stamps appended to the file since `offset` and returns the first
// of them (0 if none), moving `offset` past all of them.
int64_t next_stamp(const char *path, off_t &offset) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char text[4096];
  const ssize_t got = pread(fd, text, sizeof text - 1, offset);
  close(fd);
  if (got <= 0) return 0;
  text[got] = '\0';
  offset += got;
  return std::strtoll(text, nullptr, 10);
}

// Waits until the fake xrandr has closed the stamp file once more.
bool wait_for_stamp(int watch_fd) {
  pollfd watch{watch_fd, POLLIN, 0};
  if (poll(&watch, 1, stamp_timeout_ms) <= 0) return false;
  char events[4096];
  return read(watch_fd, events, sizeof events) > 0;
}

const char *stamp_file() {
  const char *path = std::getenv("BENCH_STAMPS");
  if (path == nullptr) return nullptr;
  const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  close(fd);
  return path;
}

int measure_presses(int count, const char *key_name, char **argv) {
  const char *stamps = stamp_file();
  if (stamps == nullptr) return fail("BENCH_STAMPS must name a writable file");
  const int watch_fd = inotify_init1(IN_CLOEXEC);
  if (watch_fd < 0 || inotify_add_watch(watch_fd, stamps, IN_CLOSE_WRITE) < 0) {
    return fail("cannot watch the stamp file");
  }
  Launched run;
  if (!launch(argv, run)) return 1;
  const KeyCode key = XKeysymToKeycode(run.display, XStringToKeysym(key_name));
  if (key == 0) return finish(run, fail("no such key on the server's keyboard"));
  sleep_ms(500);
  // No window manager runs, so the focus is given by hand; the pointer stays
  // outside the window, and the keys go to the focus window.
  XSetInputFocus(run.display, run.window, RevertToPointerRoot, CurrentTime);
  XSync(run.display, False);
  sleep_ms(100);

  int result = 0;
  off_t offset = 0;
  for (int press = 0; press < count; ++press) {
    const int64_t pressed = now_ns();
    XTestFakeKeyEvent(run.display, key, True, CurrentTime);
    XTestFakeKeyEvent(run.display, key, False, CurrentTime);
    XFlush(run.display);
    if (!wait_for_stamp(watch_fd)) {
      result = fail("a key press started no xrandr");
      break;
    }
    print_ms(next_stamp(stamps, offset) - pressed);
    std::printf("\n");
    sleep_ms(60);
  }
  close(watch_fd);
  return finish(run, result);
}

int measure_spawns(int count, char **argv) {
  const char *stamps = stamp_file();
  if (stamps == nullptr) return fail("BENCH_STAMPS must name a writable file");
  off_t offset = 0;
  for (int run = 0; run < count; ++run) {
    const int64_t forked = now_ns();
    const pid_t child = fork();
    if (child < 0) return fail("fork failed");
    if (child == 0) {
      execvp(argv[0], argv);
      _exit(255);
    }
    waitpid(child, nullptr, 0);
    const int64_t stamp = next_stamp(stamps, offset);
    if (stamp == 0) return fail("the program wrote no stamp");
    print_ms(stamp - forked);
    std::printf("\n");
    sleep_ms(20);
  }
  return 0;
}

int usage() {
  return fail(
      "usage: probe map [--hold MS] | exit | idle SECONDS | press COUNT KEY | "
      "spawn COUNT, then PROGRAM [ARGS...]");
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3) return usage();
  // Orphans of the measured program become ours, so we can wait for them.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  void *shared = mmap(nullptr, sizeof(int64_t), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) return fail("mmap failed");
  exec_stamp = static_cast<int64_t *>(shared);

  const std::string mode = argv[1];
  if (mode == "map") {
    if (std::strcmp(argv[2], "--hold") == 0) {
      if (argc < 5) return usage();
      return measure_map(std::atoll(argv[3]), argv + 4);
    }
    return measure_map(0, argv + 2);
  }
  if (mode == "exit") return measure_exit(argv + 2);
  if (mode == "idle" && argc >= 4) return measure_idle(std::atoll(argv[2]), argv + 3);
  if (mode == "press" && argc >= 5) {
    return measure_presses(std::atoi(argv[2]), argv[3], argv + 4);
  }
  if (mode == "spawn" && argc >= 4) return measure_spawns(std::atoi(argv[2]), argv + 3);
  return usage();
}
