#include "main_window.h"

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string>

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

// What a toolbar button shows. The stock item gives its icon and, in the
// user's language, its tooltip. GTK's own untranslated label of the item tells
// where GTK has no translation, and `icon_name` is the theme icon GTK draws
// the item from.
struct Face {
  const char *stock_id;
  const char *tooltip;
  const char *stock_label;
  const char *icon_name;
};

// In the toolbar's order.
constexpr Face faces[] = {
    {"gtk-zoom-out", "Zoom out", "Zoom _Out", "zoom-out"},
    {"gtk-zoom-100", "Zoom 1:1", "_Normal Size", "zoom-original"},
    {"gtk-zoom-in", "Zoom in", "Zoom _In", "zoom-in"},
    {"gtk-quit", "Quit", "_Quit", "application-exit"},
};

// A label without its mnemonic marks, as GTK shows it in a toolbar: "_" goes,
// "__" stays as one "_", and a "(_Q)" that CJK and Indic translations put
// after the words goes whole, with the space before it.
std::string without_mnemonic(const std::string &label) {
  std::string text;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (label[i] != '_') {
      text += label[i];
    } else if (i + 1 < label.size() && label[i + 1] == '_') {
      text += '_';
      ++i;
    } else if (!text.empty() && text.back() == '(' && i + 2 < label.size() &&
               label[i + 2] == ')') {
      text.pop_back();
      i += 2;
    }
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// The button's label in the user's language, from GTK's translations; the
// English tooltip where GTK has none and gives back its own English label.
std::string tooltip_of(const Face &face) {
  GtkStockItem item;
  if (!gtk_stock_lookup(face.stock_id, &item) || item.label == nullptr ||
      std::strcmp(item.label, face.stock_label) == 0)
    return face.tooltip;
  return without_mnemonic(item.label);
}

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

// The window's sizes at a scale of 1: the toolbar's default icon size, and
// its borders and spacing.
constexpr int icon_pixels = 24;
constexpr int gap_pixels = 10;

// How much larger the desktop wants things drawn than at 96 dpi: GDK_SCALE
// when it is a whole number from 1 up, as GTK 3 programs take it; otherwise
// the desktop's text resolution (gtk-xft-dpi, in 1024ths of a dpi, from
// XSETTINGS, Xft.dpi or the screen's size in millimetres). A scale beyond
// the bounds can only be a mistyped setting, and would ask for a window
// larger than X allows.
double desktop_scale(GtkSettings *settings) {
  const char *fixed = g_getenv("GDK_SCALE");
  char *end = nullptr;
  const long whole = fixed != nullptr ? std::strtol(fixed, &end, 10) : 0;
  gint dpi = 0;
  g_object_get(settings, "gtk-xft-dpi", &dpi, nullptr);
  double scale = 1.0;
  if (whole >= 1 && *end == '\0')
    scale = double(whole);
  else if (dpi > 0)
    scale = dpi / (1024.0 * 96.0);
  return std::clamp(scale, 0.5, 8.0);
}

int scaled(int pixels, double scale) { return int(std::lround(pixels * scale)); }

// The toolkit knows icon sizes by name; each pixel size is registered once.
GtkIconSize icon_size_of(int pixels) {
  const std::string name = "tessalux-" + std::to_string(pixels);
  const GtkIconSize known = gtk_icon_size_from_name(name.c_str());
  if (known != GTK_ICON_SIZE_INVALID) return known;
  return gtk_icon_size_register(name.c_str(), pixels, pixels);
}

// The image gtk_toolbar_insert_stock put in a button, beside a label that a
// toolbar of icons hides.
GtkImage *image_of(GtkWidget *button) {
  GList *parts = gtk_container_get_children(GTK_CONTAINER(gtk_bin_get_child(GTK_BIN(button))));
  GtkImage *image = nullptr;
  for (GList *part = parts; part != nullptr; part = part->next)
    if (GTK_IS_IMAGE(part->data)) image = GTK_IMAGE(part->data);
  g_list_free(parts);
  return image;
}

// Shows the button's icon at `pixels`. For any size but the default, the icon
// is taken from the theme, which has it at that size or scales a larger
// (or a scalable) one to it. The stock item would take GTK's built-in
// 24-pixel image and blow it up: GTK searches those first in the default
// theme, which comes before the one that has the icons (Adwaita on Debian)
// unless the desktop names a theme; and with a theme named, it shows a
// theme's fixed-size icon at its own size, not at the toolbar's. Where no
// theme has the icon, GTK's scaled image is all there is. The file is loaded
// directly, as gtk_icon_info_load_icon leaks a string for each one.
void show_icon(GtkImage *image, const Face &face, int pixels, GtkIconSize size) {
  GdkPixbuf *themed = nullptr;
  if (pixels != icon_pixels) {
    GtkIconTheme *theme = gtk_icon_theme_get_for_screen(gtk_widget_get_screen(GTK_WIDGET(image)));
    GtkIconInfo *info =
        gtk_icon_theme_lookup_icon(theme, face.icon_name, pixels, GtkIconLookupFlags(0));
    if (info != nullptr) {
      if (const gchar *file = gtk_icon_info_get_filename(info))
        themed = gdk_pixbuf_new_from_file_at_size(file, pixels, pixels, nullptr);
      gtk_icon_info_free(info);
    }
  }
  if (themed == nullptr) {
    gtk_image_set_from_stock(image, face.stock_id, size);
    return;
  }
  gtk_image_set_from_pixbuf(image, themed);
  g_object_unref(themed);
}

// Sizes the toolbar's icons, and the window's borders and spacing with them,
// for the desktop's scale. At a scale of 1 the toolbar keeps the toolkit's
// own icon size, so the window is what it always was. Returns false, doing
// nothing, where the sizes are those the window has: the toolkit also tells
// of settings it has just read at start-up as changes.
bool fit_scale(GtkWidget *toolbar) {
  const double scale = desktop_scale(gtk_widget_get_settings(toolbar));
  const int gap = scaled(gap_pixels, scale);
  const int pixels = scaled(icon_pixels, scale);
  gboolean size_set = FALSE;
  g_object_get(toolbar, "icon-size-set", &size_set, nullptr);
  gint shown = icon_pixels, unused = 0;
  if (size_set)
    gtk_icon_size_lookup(gtk_toolbar_get_icon_size(GTK_TOOLBAR(toolbar)), &shown, &unused);
  if (guint(gap) == gtk_container_get_border_width(GTK_CONTAINER(toolbar)) && pixels == shown)
    return false;

  GtkWidget *vbox = gtk_widget_get_parent(toolbar);
  gtk_box_set_spacing(GTK_BOX(vbox), gap);
  gtk_container_set_border_width(GTK_CONTAINER(vbox), gap);
  gtk_container_set_border_width(GTK_CONTAINER(toolbar), gap);
  if (pixels == icon_pixels)
    gtk_toolbar_unset_icon_size(GTK_TOOLBAR(toolbar));
  else
    gtk_toolbar_set_icon_size(GTK_TOOLBAR(toolbar), icon_size_of(pixels));
  const GtkIconSize size = gtk_toolbar_get_icon_size(GTK_TOOLBAR(toolbar));

  GList *buttons = gtk_container_get_children(GTK_CONTAINER(toolbar));
  const Face *face = std::begin(faces);
  for (GList *button = buttons; button != nullptr && face != std::end(faces);
       button = button->next, ++face)
    show_icon(image_of(GTK_WIDGET(button->data)), *face, pixels, size);
  g_list_free(buttons);
  return true;
}

// Moves the window to where start-up puts it: centred on the monitor under
// the pointer, or on the whole screen when there is only one monitor, and
// wholly on the screen. The toolkit's own centring goes by its list of
// monitors, which can keep the old sizes after a rescale; the screen's size
// comes from the server's latest report and is always current.
void centre_window(GdkScreen *screen, gpointer data) {
  GtkWidget *window = GTK_WIDGET(data);
  GdkWindow *drawable = gtk_widget_get_window(window);
  if (drawable == nullptr) return;

  const GdkRectangle whole = {0, 0, gdk_screen_get_width(screen),
                              gdk_screen_get_height(screen)};
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
  if (!fit_scale(toolbar)) return;
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
  GdkPixbuf *icon =
      gdk_pixbuf_new_from_xpm_data(const_cast<const char **>(window_icon_xpm));
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

  gtk_container_add(GTK_CONTAINER(vbox), toolbar);
  gtk_container_add(GTK_CONTAINER(window), vbox);
  fit_scale(toolbar);

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
