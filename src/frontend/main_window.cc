#include "main_window.h"

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <initializer_list>

#include "button_faces.h"
#include "window_icon.h"
#include "zoom_actions.h"

namespace {

// How long start-up waits at most for the window to be drawn.
constexpr guint draw_wait_ms = 300;

// A key, with the modifiers held down, that clicks a toolbar button.
struct Shortcut {
  guint key;
  GdkModifierType modifiers;
};

constexpr GdkModifierType ctrl = GDK_CONTROL_MASK;
constexpr GdkModifierType alone = GdkModifierType(0);

// Appends a button to the toolbar. Its shortcuts click the button itself, so
// a key can never do anything but what the button does.
void add_button(GtkWidget *toolbar, GtkAccelGroup *keys, const Face &face,
                GCallback callback, std::initializer_list<Shortcut> shortcuts) {
  GtkWidget *button =
      gtk_toolbar_insert_stock(GTK_TOOLBAR(toolbar), face.stock_id,
                               tooltip_of(face).c_str(), nullptr, callback, nullptr, -1);
  for (const Shortcut &shortcut : shortcuts)
    gtk_widget_add_accelerator(button, "clicked", keys, shortcut.key,
                               shortcut.modifiers, GtkAccelFlags(0));
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

// Moves the window to where start-up puts it: centred on its placement area,
// and wholly on the screen.
void centre_window(GdkScreen *screen, gpointer data) {
  GtkWidget *window = GTK_WIDGET(data);
  GdkWindow *drawable = gtk_widget_get_window(window);
  if (drawable == nullptr) return;

  const GdkRectangle whole = whole_screen(screen);
  const GdkRectangle area = placement_area(screen);

  // The window's own size centres it, as at start-up; a window manager puts
  // its frame's corner where the window's corner was asked to be, so it is
  // the frame that must fit on the screen.
  gint width = 0, height = 0;
  gdk_drawable_get_size(drawable, &width, &height);
  GdkRectangle frame;
  gdk_window_get_frame_extents(drawable, &frame);
  gint x = area.x + (area.width - width) / 2;
  gint y = area.y + (area.height - height) / 2;
  x = std::max(0, std::min(x, whole.width - frame.width));
  y = std::max(0, std::min(y, whole.height - frame.height));
  gdk_window_move(drawable, x, y);
}

// Once the window has taken the size of a new scale, it is put back in the
// middle. The size comes with the server's answer to the toolkit's resize,
// so the toolkit's next allocation of the window is the moment.
void centre_resized(GtkWidget *window, GtkAllocation *, gpointer) {
  g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(centre_resized),
                                       nullptr);
  centre_window(gtk_widget_get_screen(window), window);
}

// The desktop's text resolution changed while the window is open.
void follow_scale(GtkWidget *toolbar) {
  if (!fit_scale(toolbar, placement_area(gtk_widget_get_screen(toolbar)))) return;
  GtkWidget *window = gtk_widget_get_toplevel(toolbar);
  g_signal_handlers_disconnect_by_func(window, reinterpret_cast<gpointer>(centre_resized),
                                       nullptr);
  g_signal_connect_data(window, "size-allocate", G_CALLBACK(centre_resized), nullptr,
                        nullptr, GConnectFlags(0));
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

GtkWidget *build_main_window() {
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "TESSALUX");
  gtk_window_set_policy(GTK_WINDOW(window), FALSE, FALSE, TRUE);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ALWAYS);

  // Kept for the life of the process; a failure only costs the icon.
  // gdk-pixbuf 2.44 (Debian 14) deprecates reading XPM data; it still reads
  // it, in this process, and the window's icon is made from XPM data.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GdkPixbuf *icon =
      gdk_pixbuf_new_from_xpm_data(const_cast<const char **>(window_icon_xpm));
#pragma GCC diagnostic pop
  if (icon != nullptr) gtk_window_set_icon(GTK_WINDOW(window), icon);

  // fit_scale gives the box and the toolbar their borders and spacing.
  GtkWidget *vbox = gtk_vbox_new(FALSE, 0);

  GtkWidget *toolbar = GTK_WIDGET(g_object_new(gtk_toolbar_get_type(), nullptr));
  gtk_toolbar_set_style(GTK_TOOLBAR(toolbar), GTK_TOOLBAR_ICONS);

  // The keys work while the window has the focus. The keypad keys work
  // without Ctrl too: the window has no text field that could want them.
  GtkAccelGroup *keys = gtk_accel_group_new();
  gtk_window_add_accel_group(GTK_WINDOW(window), keys);

  add_button(toolbar, keys, faces[0], G_CALLBACK(zoom_out),
             {{GDK_KEY_minus, ctrl},
              {GDK_KEY_KP_Subtract, ctrl},
              {GDK_KEY_KP_Subtract, alone}});
  add_button(toolbar, keys, faces[1], G_CALLBACK(zoom_reset),
             {{GDK_KEY_0, ctrl}, {GDK_KEY_KP_0, ctrl}, {GDK_KEY_KP_0, alone}});
  add_button(toolbar, keys, faces[2], G_CALLBACK(zoom_in),
             {{GDK_KEY_plus, ctrl},
              {GDK_KEY_equal, ctrl},
              {GDK_KEY_KP_Add, ctrl},
              {GDK_KEY_KP_Add, alone}});
  add_button(toolbar, keys, faces[3], G_CALLBACK(gtk_main_quit),
             {{GDK_KEY_q, ctrl}});

  show_icons(toolbar);
  gtk_container_add(GTK_CONTAINER(vbox), toolbar);
  gtk_container_add(GTK_CONTAINER(window), vbox);
  // Shown, its contents count in the window's size, by which it is fitted.
  gtk_widget_show_all(vbox);
  fit_scale(toolbar, placement_area(gtk_widget_get_screen(window)));

  g_signal_connect_data(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr,
                        nullptr, GConnectFlags(0));
  g_signal_connect_data(window, "delete_event", G_CALLBACK(gtk_main_quit),
                        nullptr, nullptr, GConnectFlags(0));

  // The screen and the window live until the process ends.
  GdkScreen *screen = gtk_widget_get_screen(window);
  for (const char *change : {"size-changed", "monitors-changed"})
    g_signal_connect_data(screen, change, G_CALLBACK(centre_window), window,
                          nullptr, GConnectFlags(0));
  // So do the settings.
  g_signal_connect_data(gtk_widget_get_settings(window), "notify::gtk-xft-dpi",
                        G_CALLBACK(follow_scale), toolbar, nullptr, G_CONNECT_SWAPPED);
  return window;
}

bool show_until_drawn(GtkWidget *window) {
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

void disable_zoom_buttons(GtkWidget *window) {
  GList *boxed = gtk_container_get_children(GTK_CONTAINER(gtk_bin_get_child(GTK_BIN(window))));
  GList *buttons = gtk_container_get_children(GTK_CONTAINER(boxed->data));
  // An insensitive button takes no click, and its accelerators do nothing.
  GList *button = buttons;
  for (int zoom = 0; zoom < 3 && button != nullptr; ++zoom, button = button->next)
    gtk_widget_set_sensitive(GTK_WIDGET(button->data), FALSE);
  g_list_free(buttons);
  g_list_free(boxed);
}
