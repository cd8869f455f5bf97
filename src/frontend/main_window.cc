#include "main_window.h"

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>

#include <initializer_list>
#include <iterator>
#include <vector>

#include "button_faces.h"
#include "held_keys.h"
#include "window_icon.h"
#include "window_placement.h"
#include "window_scale.h"
#include "zoom_actions.h"

namespace {

// How long start-up waits at most for the window manager to say how large
// its frame will be, and for the window to be drawn.
constexpr guint frame_wait_ms = 100;
constexpr guint draw_wait_ms = 300;

// A key, with the modifiers held down, that clicks a toolbar button.
struct Shortcut {
  guint key;
  GdkModifierType modifiers;
};

constexpr GdkModifierType ctrl = GDK_CONTROL_MASK;
constexpr GdkModifierType alone = GdkModifierType(0);

// Appends `button` to the toolbar. Its shortcuts click the button itself, so
// a key can never do anything but what the button does. A screen reader
// names it by its tooltip, not by the stock item's label, which a toolbar of
// icons does not show.
void add_button(MainWindow &parts, GtkAccelGroup *keys, Button button, GCallback callback,
                std::initializer_list<Shortcut> shortcuts) {
  const std::string tooltip = tooltip_of(faces[button]);
  GtkWidget *widget = gtk_toolbar_insert_stock(GTK_TOOLBAR(parts.toolbar), faces[button].stock_id,
                                               tooltip.c_str(), nullptr, callback, nullptr, -1);
  atk_object_set_name(gtk_widget_get_accessible(widget), tooltip.c_str());
  parts.buttons[button] = widget;
  // The toolbar keeps a record of what the call made: the button, and the
  // image in it that shows the icon, the same image at every icon size.
  parts.icons[button] =
      static_cast<GtkToolbarChild *>(g_list_last(GTK_TOOLBAR(parts.toolbar)->children)->data)->icon;
  for (const Shortcut &shortcut : shortcuts)
    gtk_widget_add_accelerator(widget, "clicked", keys, shortcut.key, shortcut.modifiers,
                               GtkAccelFlags(0));
}

// Every widget the record names.
std::vector<GtkWidget *> widgets_of(const MainWindow &parts) {
  std::vector<GtkWidget *> widgets{parts.window, parts.box, parts.toolbar};
  widgets.insert(widgets.end(), std::begin(parts.buttons), std::end(parts.buttons));
  widgets.insert(widgets.end(), std::begin(parts.icons), std::end(parts.icons));
  return widgets;
}

// Disconnects every handler that was handed the record: from the widgets,
// and from the screen and the settings, which outlive the window.
void disconnect_handlers(MainWindow &parts) {
  for (gpointer shared : {gpointer(gtk_widget_get_screen(parts.window)),
                          gpointer(gtk_widget_get_settings(parts.window))})
    g_signal_handlers_disconnect_by_data(shared, &parts);
  for (GtkWidget *widget : widgets_of(parts)) g_signal_handlers_disconnect_by_data(widget, &parts);
}

// Another client destroyed the window: nothing may act on its widgets now.
void forget_window(GtkWidget *, gpointer parts) {
  disconnect_handlers(*static_cast<MainWindow *>(parts));
}

// Closing the window ends the program, and leaves the window to it until then.
gboolean quit_on_close(GtkWidget *, GdkEvent *, gpointer) {
  gtk_main_quit();
  return TRUE;
}

// The desktop's text resolution changed while the window is open.
void follow_scale(GObject *, GParamSpec *, gpointer data) {
  const MainWindow &parts = *static_cast<MainWindow *>(data);
  fit_scale(parts, room_for_window(parts));
}

// One of start-up's waits, for something the main loop brings.
struct Wait {
  bool waiting = true;
  // The server has asked for the window's contents: it is on the screen.
  bool exposed = false;
};

gboolean end_wait(gpointer data) {
  static_cast<Wait *>(data)->waiting = false;
  gtk_main_quit();
  return FALSE;
}

// Turns the main loop until a handler calls end_wait or `ms` milliseconds
// have passed. Quit and the close signals end it too, and then it returns
// false.
bool turn_main_loop(Wait &wait, guint ms) {
  const guint timer = g_timeout_add(ms, end_wait, &wait);
  gtk_main();
  GSource *pending = g_main_context_find_source_by_id(nullptr, timer);
  if (pending != nullptr) g_source_destroy(pending);
  return !wait.waiting;
}

// A handler connected for a wait goes with it, unless it went with the window.
void disconnect_from_window(const MainWindow &parts, gulong handler) {
  if (g_signal_handler_is_connected(parts.window, handler))
    g_signal_handler_disconnect(parts.window, handler);
}

gboolean frame_said(GtkWidget *, GdkEventProperty *event, gpointer wait) {
  if (is_frame_extents(event)) end_wait(wait);
  return FALSE;
}

// The toolkit also draws the window as it asks for it to be mapped. Under a
// window manager that drawing can land before the window is on the screen and
// be lost, so only an expose from the server tells that it is there.
GdkFilterReturn note_expose(GdkXEvent *event, GdkEvent *, gpointer data) {
  if (static_cast<XEvent *>(event)->type == Expose) static_cast<Wait *>(data)->exposed = true;
  return GDK_FILTER_CONTINUE;
}

// Runs after the window's own handler, which has drawn the whole toolbar.
gboolean window_drawn(GtkWidget *, GdkEventExpose *, gpointer data) {
  if (static_cast<Wait *>(data)->exposed) end_wait(data);
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
  GdkPixbuf *icon = gdk_pixbuf_new_from_xpm_data(const_cast<const char **>(window_icon_xpm));
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
  add_button(*parts, keys, zoom_out_button, G_CALLBACK(zoom_out),
             {{GDK_KEY_minus, ctrl}, {GDK_KEY_KP_Subtract, ctrl}, {GDK_KEY_KP_Subtract, alone}});
  add_button(*parts, keys, zoom_reset_button, G_CALLBACK(zoom_reset),
             {{GDK_KEY_0, ctrl}, {GDK_KEY_KP_0, ctrl}, {GDK_KEY_KP_0, alone}});
  add_button(*parts, keys, zoom_in_button, G_CALLBACK(zoom_in),
             {{GDK_KEY_plus, ctrl},
              {GDK_KEY_equal, ctrl},
              {GDK_KEY_KP_Add, ctrl},
              {GDK_KEY_KP_Add, alone}});
  add_button(*parts, keys, quit_button, G_CALLBACK(gtk_main_quit), {{GDK_KEY_q, ctrl}});
  g_object_unref(keys);

  show_icons(*parts);
  gtk_container_add(GTK_CONTAINER(parts->box), parts->toolbar);
  gtk_container_add(GTK_CONTAINER(window), parts->box);
  // Shown, its contents count in the window's size, by which it is fitted.
  gtk_widget_show_all(parts->box);
  fit_scale(*parts, room_for_window(*parts));

  g_signal_connect_data(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr, nullptr,
                        GConnectFlags(0));
  g_signal_connect(window, "destroy", G_CALLBACK(forget_window), parts.get());
  g_signal_connect(window, "delete_event", G_CALLBACK(quit_on_close), nullptr);
  g_signal_connect(gtk_widget_get_settings(window), "notify::gtk-xft-dpi", G_CALLBACK(follow_scale),
                   parts.get());
  keep_centred(*parts);
  drop_repeats_behind_zooms(*parts);
  for (GtkWidget *widget : widgets_of(*parts)) g_object_ref(widget);
  return parts;
}

MainWindow::~MainWindow() {
  disconnect_handlers(*this);
  for (GtkWidget *widget : widgets_of(*this)) g_object_unref(widget);
}

bool show_until_drawn(MainWindow &parts) {
  // The toolkit maps and draws the window only as its main loop turns, so it
  // turns here until the window manager has said how large its frame is, and
  // then until the window is drawn on the screen, or until the time is up.
  Wait frame;
  if (ask_for_frame(parts)) {
    const gulong said =
        g_signal_connect(parts.window, "property-notify-event", G_CALLBACK(frame_said), &frame);
    const bool answered_or_late = turn_main_loop(frame, frame_wait_ms);
    disconnect_from_window(parts, said);
    if (!answered_or_late) return false;
  }
  gtk_widget_show_all(parts.window);
  GdkWindow *drawable = gtk_widget_get_window(parts.window);
  if (drawable == nullptr) return false;

  // Held, as the window can be destroyed while it is drawn.
  g_object_ref(drawable);
  Wait drawing;
  gdk_window_add_filter(drawable, note_expose, &drawing);
  const gulong drawn =
      g_signal_connect_after(parts.window, "expose-event", G_CALLBACK(window_drawn), &drawing);
  const bool shown_or_late = turn_main_loop(drawing, draw_wait_ms);
  gdk_window_remove_filter(drawable, note_expose, &drawing);
  g_object_unref(drawable);
  disconnect_from_window(parts, drawn);
  if (!shown_or_late) return false;

  // What was drawn reaches the server before anything blocks.
  gdk_flush();
  return true;
}

void disable_zoom_buttons(const MainWindow &parts) {
  // An insensitive button takes no click, and its accelerators do nothing.
  for (Button zoom : {zoom_out_button, zoom_reset_button, zoom_in_button})
    gtk_widget_set_sensitive(parts.buttons[zoom], FALSE);
}
