#include "main_window.h"

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <initializer_list>

#include "button_faces.h"
#include "window_icon.h"
#include "window_scale.h"
#include "zoom_actions.h"

namespace {

// How long start-up waits at most for the window to be drawn, and for the
// window manager to say how large its frame will be.
constexpr guint draw_wait_ms = 300;
constexpr gint64 frame_wait_ms = 100;

// A key, with the modifiers held down, that clicks a toolbar button.
struct Shortcut {
  guint key;
  GdkModifierType modifiers;
};

constexpr GdkModifierType ctrl = GDK_CONTROL_MASK;
constexpr GdkModifierType alone = GdkModifierType(0);

// Appends button number `index` to the toolbar. Its shortcuts click the
// button itself, so a key can never do anything but what the button does. A
// screen reader names it by its tooltip, not by the stock item's label, which
// a toolbar of icons does not show.
void add_button(MainWindow &parts, GtkAccelGroup *keys, int index, GCallback callback,
                std::initializer_list<Shortcut> shortcuts) {
  const std::string tooltip = tooltip_of(faces[index]);
  GtkWidget *button =
      gtk_toolbar_insert_stock(GTK_TOOLBAR(parts.toolbar), faces[index].stock_id,
                               tooltip.c_str(), nullptr, callback, nullptr, -1);
  atk_object_set_name(gtk_widget_get_accessible(button), tooltip.c_str());
  parts.buttons[index] = button;
  // The toolbar keeps a record of what the call made: the button, and the
  // image in it that shows the icon, the same image at every icon size.
  parts.icons[index] =
      static_cast<GtkToolbarChild *>(g_list_last(GTK_TOOLBAR(parts.toolbar)->children)->data)
          ->icon;
  for (const Shortcut &shortcut : shortcuts)
    gtk_widget_add_accelerator(button, "clicked", keys, shortcut.key, shortcut.modifiers,
                               GtkAccelFlags(0));
}

GdkRectangle whole_screen(GdkScreen *screen) {
  return {0, 0, gdk_screen_get_width(screen), gdk_screen_get_height(screen)};
}

// Where start-up puts the window: the monitor under the pointer, or the
// whole screen when there is only one monitor. The toolkit's own centring
// goes by its list of monitors, which can keep the old sizes after a
// rescale; the screen's size comes from the server's latest report and is
// always current.
GdkRectangle placement_area(GdkScreen *screen) {
  const GdkRectangle whole = whole_screen(screen);
  GdkRectangle area = whole;
  if (gdk_screen_get_n_monitors(screen) > 1) {
    gint pointer_x = 0, pointer_y = 0;
    gdk_display_get_pointer(gdk_screen_get_display(screen), nullptr, &pointer_x,
                            &pointer_y, nullptr);
    GdkRectangle monitor;
    gdk_screen_get_monitor_geometry(
        screen, gdk_screen_get_monitor_at_point(screen, pointer_x, pointer_y), &monitor);
    if (!gdk_rectangle_intersect(&monitor, &whole, &area)) area = whole;
  }
  return area;
}

// How much wider and taller than the window the frame around it is, as the
// window manager says (nothing without one). Returns whether it said.
bool frame_growth(GdkWindow *drawable, gint &wider, gint &taller) {
  GdkAtom type = GDK_NONE;
  gint format = 0, length = 0;
  guchar *data = nullptr;
  const bool said =
      gdk_property_get(drawable, gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"),
                       gdk_atom_intern_static_string("CARDINAL"), 0, 4 * 4, FALSE, &type,
                       &format, &length, &data) &&
      format == 32 && length == 4 * int(sizeof(glong));
  // Left, right, top and bottom, asked for as four 32-bit numbers in bytes and
  // given as longs.
  const glong *sizes = reinterpret_cast<const glong *>(data);
  wider = said ? gint(sizes[0] + sizes[1]) : 0;
  taller = said ? gint(sizes[2] + sizes[3]) : 0;
  g_free(data);
  return said;
}

// Moves the window to where start-up puts it: its frame centred on its
// placement area, and wholly on the screen. A window manager puts the
// frame's corner where the window's corner is asked to be.
void centre_window(GdkScreen *screen, gpointer data) {
  GtkWidget *window = static_cast<MainWindow *>(data)->window;
  GdkWindow *drawable = gtk_widget_get_window(window);
  if (drawable == nullptr) return;

  // The toolkit's allocation is the window's size even before the server
  // has it, as before the window is first mapped.
  GtkAllocation frame;
  gtk_widget_get_allocation(window, &frame);
  gint wider = 0, taller = 0;
  frame_growth(drawable, wider, taller);
  frame.width += wider;
  frame.height += taller;

  const GdkRectangle whole = whole_screen(screen);
  const GdkRectangle area = placement_area(screen);
  gint x = area.x + (area.width - frame.width) / 2;
  gint y = area.y + (area.height - frame.height) / 2;
  x = std::max(0, std::min(x, whole.width - frame.width));
  y = std::max(0, std::min(y, whole.height - frame.height));
  gdk_window_move(drawable, x, y);
}

// Asks the window manager, where it takes such a request, for the sizes of
// the frame it will put around the window, and waits a moment for its
// answer, so that the window can be centred with its frame before it is
// first mapped.
void learn_frame(GtkWidget *window) {
  GdkScreen *screen = gtk_widget_get_screen(window);
  if (!gdk_x11_screen_supports_net_wm_hint(
          screen, gdk_atom_intern_static_string("_NET_REQUEST_FRAME_EXTENTS")))
    return;
  gtk_widget_realize(window);
  GdkWindow *drawable = gtk_widget_get_window(window);
  // The toolkit says only as it maps the window that it cannot be resized,
  // and the frame of a window that can be has handles to resize it.
  GtkRequisition size;
  gtk_widget_size_request(window, &size);
  GdkGeometry fixed{};
  fixed.min_width = fixed.max_width = size.width;
  fixed.min_height = fixed.max_height = size.height;
  gdk_window_set_geometry_hints(drawable, &fixed,
                                GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
  Display *display = GDK_WINDOW_XDISPLAY(drawable);
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = GDK_WINDOW_XID(drawable);
  request.xclient.message_type =
      gdk_x11_get_xatom_by_name_for_display(gdk_screen_get_display(screen),
                                            "_NET_REQUEST_FRAME_EXTENTS");
  request.xclient.format = 32;
  XSendEvent(display, GDK_WINDOW_XID(gdk_screen_get_root_window(screen)), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &request);
  const gint64 deadline = g_get_monotonic_time() + frame_wait_ms * 1000;
  gint wider = 0, taller = 0;
  do {
    g_usleep(200);
    XSync(display, False);
  } while (!frame_growth(drawable, wider, taller) && g_get_monotonic_time() < deadline);
}

// The window has a new size: that of a new scale, or one the window manager
// answered with on the way there.
void centre_resized(GtkWidget *window, GtkAllocation *, gpointer data) {
  centre_window(gtk_widget_get_screen(window), data);
}

// Just before the window is first mapped (see show_until_drawn).
void centre_on_map(GtkWidget *box, gpointer data) {
  centre_window(gtk_widget_get_screen(box), data);
}

// The window manager's frame changed size, as its title bar does when the
// desktop's text grows.
gboolean centre_in_new_frame(GtkWidget *window, GdkEventProperty *event, gpointer data) {
  if (event->atom == gdk_atom_intern_static_string("_NET_FRAME_EXTENTS"))
    centre_window(gtk_widget_get_screen(window), data);
  return FALSE;
}

// The desktop's text resolution changed while the window is open.
void follow_scale(GObject *, GParamSpec *, gpointer data) {
  const MainWindow &parts = *static_cast<MainWindow *>(data);
  fit_scale(parts, placement_area(gtk_widget_get_screen(parts.window)));
}

// Start-up's wait for the window to be drawn.
struct DrawWait {
  bool waiting = true;
  // The server has asked for the window's contents: it is on the screen.
  bool exposed = false;
};

gboolean end_wait(gpointer data) {
  static_cast<DrawWait *>(data)->waiting = false;
  gtk_main_quit();
  return FALSE;
}

// The toolkit also draws the window as it asks for it to be mapped. Under a
// window manager that drawing can land before the window is on the screen and
// be lost, so only an expose from the server tells that it is there.
GdkFilterReturn note_expose(GdkXEvent *event, GdkEvent *, gpointer data) {
  if (static_cast<XEvent *>(event)->type == Expose)
    static_cast<DrawWait *>(data)->exposed = true;
  return GDK_FILTER_CONTINUE;
}

// Runs after the window's own handler, which has drawn the whole toolbar.
gboolean window_drawn(GtkWidget *, GdkEventExpose *, gpointer data) {
  if (static_cast<DrawWait *>(data)->exposed) end_wait(data);
  return FALSE;
}

}  // namespace

std::unique_ptr<MainWindow> build_main_window() {
  auto parts = std::make_unique<MainWindow>();
  GtkWidget *window = parts->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "TESSALUX");
  gtk_window_set_policy(GTK_WINDOW(window), FALSE, FALSE, TRUE);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ALWAYS);

  // A failure only costs the icon. Reading XPM data is deprecated in newer
  // gdk-pixbuf, but it still reads it, in this process, and the window's icon
  // is made from XPM data.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GdkPixbuf *icon =
      gdk_pixbuf_new_from_xpm_data(const_cast<const char **>(window_icon_xpm));
#pragma GCC diagnostic pop
  if (icon != nullptr) {
    gtk_window_set_icon(GTK_WINDOW(window), icon);
    g_object_unref(icon);
  }

  // fit_scale gives the box its border, the window's margin.
  parts->box = gtk_vbox_new(FALSE, 0);
  parts->toolbar = GTK_WIDGET(g_object_new(gtk_toolbar_get_type(), nullptr));
  gtk_toolbar_set_style(GTK_TOOLBAR(parts->toolbar), GTK_TOOLBAR_ICONS);

  // The keys work while the window has the focus. The keypad keys work
  // without Ctrl too: the window has no text field that could want them.
  GtkAccelGroup *keys = gtk_accel_group_new();
  gtk_window_add_accel_group(GTK_WINDOW(window), keys);
  add_button(*parts, keys, 0, G_CALLBACK(zoom_out),
             {{GDK_KEY_minus, ctrl}, {GDK_KEY_KP_Subtract, ctrl}, {GDK_KEY_KP_Subtract, alone}});
  add_button(*parts, keys, 1, G_CALLBACK(zoom_reset),
             {{GDK_KEY_0, ctrl}, {GDK_KEY_KP_0, ctrl}, {GDK_KEY_KP_0, alone}});
  add_button(*parts, keys, 2, G_CALLBACK(zoom_in),
             {{GDK_KEY_plus, ctrl},
              {GDK_KEY_equal, ctrl},
              {GDK_KEY_KP_Add, ctrl},
              {GDK_KEY_KP_Add, alone}});
  add_button(*parts, keys, 3, G_CALLBACK(gtk_main_quit), {{GDK_KEY_q, ctrl}});
  g_object_unref(keys);

  show_icons(*parts);
  gtk_container_add(GTK_CONTAINER(parts->box), parts->toolbar);
  gtk_container_add(GTK_CONTAINER(window), parts->box);
  // Shown, its contents count in the window's size, by which it is fitted.
  gtk_widget_show_all(parts->box);
  fit_scale(*parts, placement_area(gtk_widget_get_screen(window)));

  g_signal_connect_data(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr, nullptr,
                        GConnectFlags(0));
  g_signal_connect_data(window, "delete_event", G_CALLBACK(gtk_main_quit), nullptr, nullptr,
                        GConnectFlags(0));

  // The frame stays centred whenever the screen, the window's size or the
  // frame changes. The screen and the settings live until the process ends,
  // and the record until the main loop has ended.
  GdkScreen *screen = gtk_widget_get_screen(window);
  for (const char *change : {"size-changed", "monitors-changed"})
    g_signal_connect_data(screen, change, G_CALLBACK(centre_window), parts.get(), nullptr,
                          GConnectFlags(0));
  g_signal_connect_data(window, "size-allocate", G_CALLBACK(centre_resized), parts.get(), nullptr,
                        GConnectFlags(0));
  gtk_widget_add_events(window, GDK_PROPERTY_CHANGE_MASK);
  g_signal_connect_data(window, "property-notify-event", G_CALLBACK(centre_in_new_frame),
                        parts.get(), nullptr, GConnectFlags(0));
  g_signal_connect_data(gtk_widget_get_settings(window), "notify::gtk-xft-dpi",
                        G_CALLBACK(follow_scale), parts.get(), nullptr, GConnectFlags(0));
  return parts;
}

bool show_until_drawn(MainWindow &parts) {
  GtkWidget *window = parts.window;
  // The toolkit centres the window's own rectangle. It maps what the window
  // holds just before it asks for the window to be mapped: centred then with
  // its frame, the window is in the middle, title bar and all, from its first
  // map on.
  learn_frame(window);
  g_signal_connect_data(parts.box, "map", G_CALLBACK(centre_on_map), &parts, nullptr,
                        GConnectFlags(0));
  gtk_widget_show_all(window);

  // The toolkit maps and draws the window only as its main loop turns, so it
  // turns here until the window is drawn on the screen or the time is up.
  // Quit and the close signals end this loop too, and leave `waiting` true.
  DrawWait wait;
  GdkWindow *drawable = gtk_widget_get_window(window);
  gdk_window_add_filter(drawable, note_expose, &wait);
  const gulong drawn = g_signal_connect_data(window, "expose-event",
                                             G_CALLBACK(window_drawn), &wait,
                                             nullptr, G_CONNECT_AFTER);
  const guint timer = g_timeout_add(draw_wait_ms, end_wait, &wait);
  gtk_main();

  // None of them may act once `wait` is gone, whichever way the wait ended.
  gdk_window_remove_filter(drawable, note_expose, &wait);
  g_signal_handler_disconnect(window, drawn);
  GSource *pending = g_main_context_find_source_by_id(nullptr, timer);
  if (pending != nullptr) g_source_destroy(pending);
  if (wait.waiting) return false;

  // What was drawn reaches the server before anything blocks.
  gdk_flush();
  return true;
}

void disable_zoom_buttons(const MainWindow &parts) {
  // An insensitive button takes no click, and its accelerators do nothing.
  for (GtkWidget *zoom : {parts.buttons[0], parts.buttons[1], parts.buttons[2]})
    gtk_widget_set_sensitive(zoom, FALSE);
}

namespace {

// The toolkit's own handler of X errors is kept with the display it handles.
constexpr char toolkit_handler_key[] = "tessalux-toolkit-x-error-handler";

int ignore_if_window_gone(Display *display, XErrorEvent *error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  const auto toolkit_handler = reinterpret_cast<XErrorHandler>(
      g_object_get_data(G_OBJECT(gdk_x11_lookup_xdisplay(display)), toolkit_handler_key));
  return toolkit_handler(display, error);
}

}  // namespace

void ignore_errors_about_windows_gone() {
  // The toolkit's own error traps put their handler in place of this one
  // while they last, so the errors they wait for still reach them.
  const XErrorHandler toolkit_handler = XSetErrorHandler(ignore_if_window_gone);
  g_object_set_data(G_OBJECT(gdk_display_get_default()), toolkit_handler_key,
                    reinterpret_cast<gpointer>(toolkit_handler));
}
