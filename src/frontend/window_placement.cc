#include "window_placement.h"

#include <gdk/gdkx.h>

#include <algorithm>

#include "window_scale.h"

namespace {

// Where no window manager says how large its frame is, the share of the
// monitor the window may take, leaving room for a frame.
constexpr double most_of_monitor = 0.9;

GdkAtom frame_extents() { return gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"); }

GdkRectangle whole_screen(GdkScreen *screen) {
  return {0, 0, gdk_screen_get_width(screen), gdk_screen_get_height(screen)};
}

// Where the window goes: the monitor under the pointer, or the whole screen
// when there is only one monitor. The toolkit's own centring goes by its
// list of monitors, which can keep the old sizes after a rescale; the
// screen's size comes from the server's latest report and is always current.
GdkRectangle placement_area(GdkScreen *screen) {
  const GdkRectangle whole = whole_screen(screen);
  GdkRectangle area = whole;
  if (gdk_screen_get_n_monitors(screen) > 1) {
    gint pointer_x = 0, pointer_y = 0;
    gdk_display_get_pointer(gdk_screen_get_display(screen), nullptr, &pointer_x, &pointer_y,
                            nullptr);
    GdkRectangle monitor;
    gdk_screen_get_monitor_geometry(
        screen, gdk_screen_get_monitor_at_point(screen, pointer_x, pointer_y), &monitor);
    if (!gdk_rectangle_intersect(&monitor, &whole, &area)) area = whole;
  }
  return area;
}

// How much wider and taller than the window the frame around it is, as the
// window manager says (nothing without one). Returns whether it said.
bool frame_growth(GtkWidget *window, gint &wider, gint &taller) {
  GdkWindow *drawable = gtk_widget_get_window(window);
  GdkAtom type = GDK_NONE;
  gint format = 0, length = 0;
  guchar *data = nullptr;
  const bool said =
      drawable != nullptr &&
      gdk_property_get(drawable, frame_extents(), gdk_atom_intern_static_string("CARDINAL"), 0,
                       4 * 4, FALSE, &type, &format, &length, &data) &&
      format == 32 && length == 4 * int(sizeof(glong));
  // Left, right, top and bottom, asked for as four 32-bit numbers in bytes and
  // given as longs.
  const glong *sizes = reinterpret_cast<const glong *>(data);
  wider = said ? gint(sizes[0] + sizes[1]) : 0;
  taller = said ? gint(sizes[2] + sizes[3]) : 0;
  g_free(data);
  return said;
}

// The room the window may take: `area` less its frame, `wider` and `taller`
// than the window where the window manager `said` so, else less a tenth.
GdkRectangle room_in(GdkRectangle area, bool said, gint wider, gint taller) {
  area.width = said ? area.width - wider : gint(area.width * most_of_monitor);
  area.height = said ? area.height - taller : gint(area.height * most_of_monitor);
  return area;
}

// Moves the window so that its frame, `wider` and `taller` than the window,
// is centred on its placement area, and wholly on the screen, or where the
// screen is smaller, with its top left corner on it. A window manager puts
// the frame's corner where the window's corner is asked to be.
void centre_in_frame(MainWindow &parts, gint wider, gint taller) {
  GdkWindow *drawable = gtk_widget_get_window(parts.window);
  if (drawable == nullptr) return;
  // The toolkit's allocation is the window's size even before the server
  // has it, as before the window is first mapped.
  GtkAllocation size;
  gtk_widget_get_allocation(parts.window, &size);
  MainWindow::Placement &placed = parts.centred;
  placed = {size.width, size.height, wider, taller};
  const gint frame_width = size.width + wider, frame_height = size.height + taller;

  GdkScreen *screen = gtk_widget_get_screen(parts.window);
  const GdkRectangle whole = whole_screen(screen);
  const GdkRectangle area = placement_area(screen);
  gint x = area.x + (area.width - frame_width) / 2;
  gint y = area.y + (area.height - frame_height) / 2;
  x = std::max(0, std::min(x, whole.width - frame_width));
  y = std::max(0, std::min(y, whole.height - frame_height));
  gdk_window_move(drawable, x, y);
}

// Centres the window in the frame the window manager says it has now.
void centre_window(MainWindow &parts) {
  gint wider = 0, taller = 0;
  frame_growth(parts.window, wider, taller);
  centre_in_frame(parts, wider, taller);
}

// The screen changed size or its monitors changed.
void centre_on_screen(GdkScreen *, gpointer parts) {
  centre_window(*static_cast<MainWindow *>(parts));
}

// The window has a new size: that of a new scale, or one the window manager
// answered with on the way there. The toolkit allocates the window's size
// again at other times too, as when a button is pressed: the window then
// stays where it is.
void centre_resized(GtkWidget *, GtkAllocation *size, gpointer data) {
  MainWindow &parts = *static_cast<MainWindow *>(data);
  if (size->width != parts.centred.width || size->height != parts.centred.height)
    centre_window(parts);
}

// The toolkit puts the window in its own middle, that of the window without
// its frame, just before it asks for it to be mapped; it maps what the window
// holds just before that.
void centre_on_map(GtkWidget *, gpointer parts) {
  centre_window(*static_cast<MainWindow *>(parts));
}

// The window manager's frame changed size, as its title bar does when the
// desktop's text grows: the scale may have to shrink for the window to fit.
gboolean centre_in_new_frame(GtkWidget *, GdkEventProperty *event, gpointer data) {
  MainWindow &parts = *static_cast<MainWindow *>(data);
  gint wider = 0, taller = 0;
  if (is_frame_extents(event) && frame_growth(parts.window, wider, taller) &&
      (wider != parts.centred.wider || taller != parts.centred.taller)) {
    fit_scale(parts,
              room_in(placement_area(gtk_widget_get_screen(parts.window)), true, wider, taller));
    centre_in_frame(parts, wider, taller);
  }
  return FALSE;
}

}  // namespace

GdkRectangle room_for_window(const MainWindow &parts) {
  gint wider = 0, taller = 0;
  const bool said = frame_growth(parts.window, wider, taller);
  return room_in(placement_area(gtk_widget_get_screen(parts.window)), said, wider, taller);
}

bool ask_for_frame(const MainWindow &parts) {
  GdkScreen *screen = gtk_widget_get_screen(parts.window);
  if (!gdk_x11_screen_supports_net_wm_hint(
          screen, gdk_atom_intern_static_string("_NET_REQUEST_FRAME_EXTENTS")))
    return false;
  gtk_widget_realize(parts.window);
  GdkWindow *drawable = gtk_widget_get_window(parts.window);
  // The toolkit says only as it maps the window that it cannot be resized.
  GtkRequisition size;
  gtk_widget_size_request(parts.window, &size);
  GdkGeometry fixed{};
  fixed.min_width = fixed.max_width = size.width;
  fixed.min_height = fixed.max_height = size.height;
  gdk_window_set_geometry_hints(drawable, &fixed,
                                GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = GDK_WINDOW_XID(drawable);
  request.xclient.message_type = gdk_x11_get_xatom_by_name_for_display(
      gdk_screen_get_display(screen), "_NET_REQUEST_FRAME_EXTENTS");
  request.xclient.format = 32;
  XSendEvent(GDK_WINDOW_XDISPLAY(drawable), GDK_WINDOW_XID(gdk_screen_get_root_window(screen)),
             False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  return true;
}

bool is_frame_extents(const GdkEventProperty *event) { return event->atom == frame_extents(); }

void keep_centred(MainWindow &parts) {
  GdkScreen *screen = gtk_widget_get_screen(parts.window);
  for (const char *change : {"size-changed", "monitors-changed"})
    g_signal_connect(screen, change, G_CALLBACK(centre_on_screen), &parts);
  g_signal_connect(parts.window, "size-allocate", G_CALLBACK(centre_resized), &parts);
  gtk_widget_add_events(parts.window, GDK_PROPERTY_CHANGE_MASK);
  g_signal_connect(parts.window, "property-notify-event", G_CALLBACK(centre_in_new_frame), &parts);
  g_signal_connect(parts.box, "map", G_CALLBACK(centre_on_map), &parts);
}
