// Test helper for the utility's window, given as a decimal or hex X id.
//   window_tool close WINDOW     asks it to close the way a window manager's
//                                close button does (WM_DELETE_WINDOW).
//   window_tool buttons WINDOW   prints "X Y", relative to the window, of the
//                                middle of each toolbar button drawn in it,
//                                left to right; fails unless there are four.
//   window_tool withhold         acts as a window manager that maps no window
//                                at all, until it is killed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

int close_window(Display *display, Window window) {
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  return 0;
}

// The buttons are found in what is on the screen. Rows that differ from the
// window's background across more than half its width are frame lines; in
// the other rows, each run of columns that hold a differing pixel and is
// wider than a frame line is one button's icon.
int print_buttons(Display *display, Window window) {
  XWindowAttributes window_attributes;
  if (XGetWindowAttributes(display, window, &window_attributes) == 0 ||
      window_attributes.map_state != IsViewable) {
    std::fprintf(stderr, "window_tool: the window is not on the screen\n");
    return 1;
  }
  const int width = window_attributes.width, height = window_attributes.height;
  XImage *image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
  if (image == nullptr) return 1;
  const unsigned long background = XGetPixel(image, 0, 0);
  std::vector<int> top(width, height), bottom(width, -1);
  for (int y = 0; y < height; ++y) {
    int differing = 0;
    for (int x = 0; x < width; ++x) differing += XGetPixel(image, x, y) != background;
    if (differing > width / 2) continue;
    for (int x = 0; x < width; ++x) {
      if (XGetPixel(image, x, y) == background) continue;
      top[x] = std::min(top[x], y);
      bottom[x] = std::max(bottom[x], y);
    }
  }
  XDestroyImage(image);

  constexpr int narrowest_icon = 6;
  std::vector<std::pair<int, int>> centres;
  for (int x = 0; x < width;) {
    if (bottom[x] < 0) { ++x; continue; }
    const int first = x;
    int run_top = height, run_bottom = -1;
    for (; x < width && bottom[x] >= 0; ++x) {
      run_top = std::min(run_top, top[x]);
      run_bottom = std::max(run_bottom, bottom[x]);
    }
    if (x - first >= narrowest_icon)
      centres.emplace_back((first + x - 1) / 2, (run_top + run_bottom) / 2);
  }
  if (centres.size() != 4) {
    std::fprintf(stderr, "window_tool: %zu buttons drawn, expected 4\n", centres.size());
    return 1;
  }
  for (const auto &[x, y] : centres) std::printf("%d %d\n", x, y);
  return 0;
}

// Window managers are the clients that select substructure redirection on the
// root window: every map request then comes to us, and is never granted.
int withhold_windows(Display *display) {
  XSelectInput(display, DefaultRootWindow(display), SubstructureRedirectMask);
  XSync(display, False);
  std::printf("withholding\n");
  std::fflush(stdout);
  for (XEvent event;;) XNextEvent(display, &event);
}

}  // namespace

int main(int argc, char **argv) {
  const bool withhold = argc == 2 && std::strcmp(argv[1], "withhold") == 0;
  if (!withhold && (argc != 3 || (std::strcmp(argv[1], "close") != 0 &&
                                  std::strcmp(argv[1], "buttons") != 0))) {
    std::fprintf(stderr, "usage: window_tool close|buttons WINDOW | withhold\n");
    return 2;
  }
  Display *display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "window_tool: cannot open the display\n");
    return 1;
  }
  if (withhold) return withhold_windows(display);
  const Window window = std::strtoul(argv[2], nullptr, 0);
  const int status = std::strcmp(argv[1], "close") == 0 ? close_window(display, window)
                                                        : print_buttons(display, window);
  XCloseDisplay(display);
  return status;
}
