// Test helper for the utility's window, given as a decimal or hex X id.
//   window_tool buttons WINDOW   prints "X Y WIDTH HEIGHT" for each of the
//       four toolbar buttons drawn in the window, left to right: its middle,
//       relative to the window, and the size of its drawn icon.
//   window_tool withhold         acts as a window manager that maps no window
//       at all, until it is killed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// The buttons are found in what is on the screen. Rows that differ from the
// window's background across more than half its width are frame lines; in
// the others, each run of columns holding a differing pixel, wider than a
// frame line, is one button's icon. The toolbar is one row of buttons, so
// their middles are at half the window's height.
int print_buttons(Display *display, Window window) {
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, window, &attributes) == 0 ||
      attributes.map_state != IsViewable) {
    std::fprintf(stderr, "window_tool: the window is not on the screen\n");
    return 1;
  }
  const int width = attributes.width, height = attributes.height;
  XImage *image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
  if (image == nullptr) return 1;
  const unsigned long background = XGetPixel(image, 0, 0);
  // Each column's first and last differing row, frame lines left out.
  std::vector<int> top(width + 1, height), bottom(width + 1, -1);
  for (int y = 0; y < height; ++y) {
    std::vector<bool> row(width, false);
    int differing = 0;
    for (int x = 0; x < width; ++x) differing += row[x] = XGetPixel(image, x, y) != background;
    for (int x = 0; differing <= width / 2 && x < width; ++x)
      if (row[x]) top[x] = std::min(top[x], y), bottom[x] = y;
  }
  XDestroyImage(image);

  constexpr int narrowest_icon = 6;
  std::vector<std::vector<int>> icons;  // middle, width and height of each
  for (int x = 0, first = 0; x <= width; ++x) {
    const bool ink = bottom[x] >= 0, ink_before = x > 0 && bottom[x - 1] >= 0;
    if (ink && !ink_before) first = x;
    if (ink || !ink_before || x - first < narrowest_icon) continue;
    const int icon_top = *std::min_element(&top[first], &top[x]);
    const int icon_bottom = *std::max_element(&bottom[first], &bottom[x]);
    icons.push_back({(first + x - 1) / 2, x - first, icon_bottom - icon_top + 1});
  }
  if (icons.size() != 4) {
    std::fprintf(stderr, "window_tool: %zu buttons drawn, expected 4\n", icons.size());
    return 1;
  }
  for (const std::vector<int> &icon : icons)
    std::printf("%d %d %d %d\n", icon[0], height / 2, icon[1], icon[2]);
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
  if (!withhold && (argc != 3 || std::strcmp(argv[1], "buttons") != 0)) {
    std::fprintf(stderr, "usage: window_tool buttons WINDOW | withhold\n");
    return 2;
  }
  Display *display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "window_tool: cannot open the display\n");
    return 1;
  }
  if (withhold) return withhold_windows(display);
  const int status = print_buttons(display, std::strtoul(argv[2], nullptr, 0));
  XCloseDisplay(display);
  return status;
}
