// Test helper for the utility's window, given as a decimal or hex X id.
//   window_tool buttons WINDOW   prints "X Y WIDTH HEIGHT EDGES PICTURE" for
//       each of the four toolbar buttons drawn in the window, left to right:
//       its middle, relative to the window; the size of its drawn icon; the
//       icon's hard edges, pairs of neighbouring pixels that differ by half
//       the full range or more in a colour, which an image enlarged twice by
//       interpolation never has; and its picture as sixteen digits, the mean
//       brightness (0-9) of each cell of a 4x4 grid over it, row by row.
//   window_tool withhold         acts as a window manager that maps no window
//       at all, until it is killed.
//   window_tool destroy WHEN     destroys the window titled TESSALUX the
//       moment it is named, or if WHEN is "mapped", mapped (before it is drawn).
//   window_tool watch            prints "moved X Y" whenever the frame around
//       the window titled TESSALUX moves after its first map, until killed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

int brightness(unsigned long p) { return int((p >> 16 & 255) + (p >> 8 & 255) + (p & 255)) / 3; }

bool hard_edge(unsigned long a, unsigned long b) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int(a >> shift & 255) - int(b >> shift & 255)) >= 128) return true;
  return false;
}

// Prints the icon drawn in columns [left, right) and rows [top, bottom].
void print_icon(XImage *image, int left, int right, int top, int bottom, int middle_y) {
  int edges = 0;
  long sums[16] = {}, counts[16] = {};
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x < right; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      edges += x + 1 < right && hard_edge(pixel, XGetPixel(image, x + 1, y));
      edges += y < bottom && hard_edge(pixel, XGetPixel(image, x, y + 1));
      const int cell = (y - top) * 4 / (bottom - top + 1) * 4 + (x - left) * 4 / (right - left);
      sums[cell] += brightness(pixel);
      ++counts[cell];
    }
  std::printf("%d %d %d %d %d ", (left + right - 1) / 2, middle_y, right - left, bottom - top + 1,
              edges);
  for (int cell = 0; cell < 16; ++cell) std::printf("%ld", sums[cell] * 10 / 256 / counts[cell]);
  std::printf("\n");
}

// The buttons are found in what is on the screen. Rows that differ from the
// window's background across more than half its width are frame lines; in
// the others, each run of columns holding a differing pixel, wider than a
// frame line, is one button's icon. The toolbar is one row of buttons, so
// their middles are at half the window's height.
int print_buttons(Display *display, Window window) {
  XWindowAttributes attributes;
  if (XGetWindowAttributes(display, window, &attributes) == 0 || attributes.map_state != IsViewable)
    return std::fprintf(stderr, "window_tool: the window is not on the screen\n"), 1;
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

  constexpr int narrowest_icon = 6;
  std::vector<std::vector<int>> icons;  // first and last column + 1, top and bottom row
  for (int x = 0, first = 0; x <= width; ++x) {
    const bool ink = bottom[x] >= 0, ink_before = x > 0 && bottom[x - 1] >= 0;
    if (ink && !ink_before) first = x;
    if (ink || !ink_before || x - first < narrowest_icon) continue;
    icons.push_back({first, x, *std::min_element(&top[first], &top[x]),
                     *std::max_element(&bottom[first], &bottom[x])});
  }
  if (icons.size() == 4)
    for (const std::vector<int> &icon : icons)
      print_icon(image, icon[0], icon[1], icon[2], icon[3], height / 2);
  else
    std::fprintf(stderr, "window_tool: %zu buttons drawn, expected 4\n", icons.size());
  XDestroyImage(image);
  return icons.size() == 4 ? 0 : 1;
}

bool named_tessalux(Display *display, Window window) {
  char *name = nullptr;
  const bool named = XFetchName(display, window, &name) && std::strcmp(name, "TESSALUX") == 0;
  XFree(name);
  return named;
}

int watch_frame(Display *display) {
  Window frame = None;
  bool mapped = false;
  int x = 0, y = 0;
  for (XEvent event;;) {
    XNextEvent(display, &event);
    if (event.type == ReparentNotify && named_tessalux(display, event.xreparent.window)) {
      frame = event.xreparent.parent;
      XWindowAttributes attributes;
      XGetWindowAttributes(display, frame, &attributes);
      x = attributes.x, y = attributes.y;
    }
    mapped = mapped || (event.type == MapNotify && event.xmap.window == frame);
    const XConfigureEvent &moved = event.xconfigure;
    if (event.type == ConfigureNotify && moved.window == frame && (moved.x != x || moved.y != y)) {
      x = moved.x, y = moved.y;
      if (mapped) std::printf("moved %d %d\n", x, y), std::fflush(stdout);
    }
  }
}

// The root's children are the top-level windows, or the frames that a window
// manager puts them in: in either, the window is named once it is a child.
int destroy_window(Display *display, bool when_mapped) {
  for (XEvent event;;) {
    XNextEvent(display, &event);
    Window named = event.type == CreateNotify     ? event.xcreatewindow.window
                   : event.type == PropertyNotify ? event.xproperty.window
                   : event.type == MapNotify      ? event.xmap.window
                                                  : None;
    if (event.type == CreateNotify) XSelectInput(display, named, PropertyChangeMask);
    if (when_mapped != (event.type == MapNotify)) continue;
    if (named != None && named_tessalux(display, named)) {
      XDestroyWindow(display, named);
      return 0;
    }
  }
}

}  // namespace

int main(int argc, char **argv) {
  const std::string mode = argc >= 2 ? argv[1] : "";
  if (argc != 2 + (mode == "buttons" || mode == "destroy"))
    return std::fprintf(stderr, "window_tool buttons WINDOW|withhold|destroy WHEN|watch\n"), 2;
  // Closed however the mode ends, which sends what it asked for.
  const std::unique_ptr<Display, int (*)(Display *)> x(XOpenDisplay(nullptr), XCloseDisplay);
  Display *display = x.get();
  if (display == nullptr) return std::fprintf(stderr, "window_tool: cannot open the display\n"), 1;
  if (mode == "buttons") return print_buttons(display, std::strtoul(argv[2], nullptr, 0));
  // Window managers select substructure redirection on the root window: each
  // map request then comes to us, and is never granted. Windows may go at once.
  XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
  XSelectInput(display, DefaultRootWindow(display),
               mode == "withhold" ? SubstructureRedirectMask : SubstructureNotifyMask);
  XSync(display, False);
  std::printf("watching\n");
  std::fflush(stdout);
  if (mode == "watch") return watch_frame(display);
  if (mode == "destroy") return destroy_window(display, !std::strcmp(argv[2], "mapped"));
  for (XEvent event;;) XNextEvent(display, &event);
}
