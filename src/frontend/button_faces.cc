#include "button_faces.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include <png.h>

namespace {

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

// The window's sizes at a scale of 1: the toolbar's default icon size, and
// its borders and spacing.
constexpr int icon_pixels = 24;
constexpr int gap_pixels = 10;
// The box around the toolbar has a border of two gaps: its own and the
// toolbar's. GTK+ 2 mirrors a toolbar's buttons for right-to-left languages
// without its border, which would put them twice that border off to the
// left, out of the toolbar's frame; the frame is drawn where it always was.
constexpr int box_border_gaps = 2;
// The share of the screen the window may take at most, leaving room for a
// window manager's frame.
constexpr double most_of_screen = 0.9;
// Below half the size the icons can no longer be made out.
constexpr double smallest_scale = 0.5;

// How much larger the desktop wants things drawn than at 96 dpi: GDK_SCALE
// when it is a whole number from 1 up, as GTK 3 programs take it; otherwise
// the desktop's text resolution (gtk-xft-dpi, in 1024ths of a dpi, from
// XSETTINGS, Xft.dpi or the screen's size in millimetres).
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
  return scale;
}

// The largest scale at which the window fits in `room`: only its icons and
// its borders grow with the scale, the rest of it, such as the buttons'
// padding, stays as it is now, with icons of `shown` pixels.
double largest_fitting_scale(GtkWidget *toolbar, int shown, const GdkRectangle &room) {
  GtkRequisition now;
  gtk_widget_size_request(gtk_widget_get_toplevel(toolbar), &now);
  const int borders =
      2 * int(gtk_container_get_border_width(GTK_CONTAINER(gtk_widget_get_parent(toolbar))));
  const int across = int(std::size(faces));
  const int borders_at_1 = 2 * box_border_gaps * gap_pixels;
  const double by_width = (room.width * most_of_screen - (now.width - borders - across * shown)) /
                          (across * icon_pixels + borders_at_1);
  const double by_height = (room.height * most_of_screen - (now.height - borders - shown)) /
                           (icon_pixels + borders_at_1);
  return std::min(by_width, by_height);
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

// The PNG file at `pixels` square, or at most that for an icon that is not
// square; null where it cannot be read. libpng reads it here, in this process:
// from Debian 14 on, gdk-pixbuf reads every image file through a helper
// process of its own, which then lives, with threads of its own in this one,
// as long as the program.
GdkPixbuf *load_png(const char *file, int pixels) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, file)) return nullptr;
  png.format = PNG_FORMAT_RGBA;
  GdkPixbuf *read = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, int(png.width), int(png.height));
  if (read == nullptr || !png_image_finish_read(&png, nullptr, gdk_pixbuf_get_pixels(read),
                                                gdk_pixbuf_get_rowstride(read), nullptr)) {
    png_image_free(&png);
    if (read != nullptr) g_object_unref(read);
    return nullptr;
  }
  const int width = gdk_pixbuf_get_width(read), height = gdk_pixbuf_get_height(read);
  if (width == pixels && height == pixels) return read;
  // Scaled to fit, in its own proportions, as gdk-pixbuf loads a file at a size.
  const double factor = std::min(double(pixels) / width, double(pixels) / height);
  GdkPixbuf *sized = gdk_pixbuf_scale_simple(read, std::max(1, scaled(width, factor)),
                                             std::max(1, scaled(height, factor)),
                                             GDK_INTERP_BILINEAR);
  g_object_unref(read);
  return sized;
}

// Shows the button's icon at the toolbar's icon size, from the icon theme at
// every scale, so that it is the same picture at every size: the desktop's
// theme, or where it names none, the one that has the icon (Adwaita on
// Debian), at that size or scaled from another. Where no theme is named, the
// stock item would show GTK's own 24-pixel images, other pictures, blown up
// at larger sizes; with a theme named, it would show a theme's fixed-size
// icon at its own size, not the toolbar's. Where the theme's icon is no PNG
// file, the stock item shows it as the toolkit finds it, and where no theme
// has the icon, GTK's own image is all there is.
void show_icon(GtkImage *image, const Face &face, GtkIconSize size) {
  gint pixels = icon_pixels, unused = 0;
  gtk_icon_size_lookup(size, &pixels, &unused);
  GtkIconTheme *theme = gtk_icon_theme_get_for_screen(gtk_widget_get_screen(GTK_WIDGET(image)));
  GtkIconInfo *info =
      gtk_icon_theme_lookup_icon(theme, face.icon_name, pixels, GtkIconLookupFlags(0));
  GdkPixbuf *themed = nullptr;
  if (info != nullptr) {
    if (const gchar *file = gtk_icon_info_get_filename(info)) themed = load_png(file, pixels);
    gtk_icon_info_free(info);
  }
  if (themed == nullptr) {
    gtk_image_set_from_stock(image, face.stock_id, size);
    return;
  }
  gtk_image_set_from_pixbuf(image, themed);
  g_object_unref(themed);
}

}  // namespace

std::string tooltip_of(const Face &face) {
  GtkStockItem item;
  if (!gtk_stock_lookup(face.stock_id, &item) || item.label == nullptr ||
      std::strcmp(item.label, face.stock_label) == 0)
    return face.tooltip;
  return without_mnemonic(item.label);
}

void show_icons(GtkWidget *toolbar) {
  const GtkIconSize size = gtk_toolbar_get_icon_size(GTK_TOOLBAR(toolbar));
  GList *buttons = gtk_container_get_children(GTK_CONTAINER(toolbar));
  const Face *face = std::begin(faces);
  for (GList *button = buttons; button != nullptr && face != std::end(faces);
       button = button->next, ++face)
    if (GtkImage *image = image_of(GTK_WIDGET(button->data))) show_icon(image, *face, size);
  g_list_free(buttons);
}

bool fit_scale(GtkWidget *toolbar, const GdkRectangle &room) {
  gboolean size_set = FALSE;
  g_object_get(toolbar, "icon-size-set", &size_set, nullptr);
  gint shown = icon_pixels, unused = 0;
  if (size_set)
    gtk_icon_size_lookup(gtk_toolbar_get_icon_size(GTK_TOOLBAR(toolbar)), &shown, &unused);
  const double scale =
      std::max(smallest_scale, std::min(desktop_scale(gtk_widget_get_settings(toolbar)),
                                        largest_fitting_scale(toolbar, shown, room)));
  const int gap = scaled(gap_pixels, scale);
  const int pixels = scaled(icon_pixels, scale);
  GtkWidget *vbox = gtk_widget_get_parent(toolbar);
  if (guint(box_border_gaps * gap) == gtk_container_get_border_width(GTK_CONTAINER(vbox)) &&
      pixels == shown)
    return false;

  gtk_box_set_spacing(GTK_BOX(vbox), gap);
  gtk_container_set_border_width(GTK_CONTAINER(vbox), box_border_gaps * gap);
  if (pixels == icon_pixels)
    gtk_toolbar_unset_icon_size(GTK_TOOLBAR(toolbar));
  else
    gtk_toolbar_set_icon_size(GTK_TOOLBAR(toolbar), icon_size_of(pixels));
  if (pixels != shown) show_icons(toolbar);
  return true;
}
