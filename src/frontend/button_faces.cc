#include "button_faces.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

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
    } else if (!text.empty() && text.back() == '(' && i + 2 < label.size() && label[i + 2] == ')') {
      text.pop_back();
      i += 2;
    }
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// The PNG file at `pixels` square, or at most that for an icon that is not
// square; null where it cannot be read. libpng reads it here, in this process:
// gdk-pixbuf may read image files through a helper process of its own, which
// then lives, with threads of its own in this one, as long as the program.
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
  GdkPixbuf *sized =
      gdk_pixbuf_scale_simple(read, std::max(1, scaled(width, factor)),
                              std::max(1, scaled(height, factor)), GDK_INTERP_BILINEAR);
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

// Whether the icon theme has a drawing of the icon `name` at `pixels`.
bool drawn_at(GtkIconTheme *theme, const char *name, int pixels) {
  gint *sizes = gtk_icon_theme_get_icon_sizes(theme, name);
  bool found = false;
  for (const gint *size = sizes; *size != 0 && !found; ++size) found = *size == pixels;
  g_free(sizes);
  return found;
}

// Whether the icon theme has drawings of all four icons at `pixels`.
bool all_drawn_at(GtkIconTheme *theme, int pixels) {
  for (const Face &face : faces)
    if (!drawn_at(theme, face.icon_name, pixels)) return false;
  return true;
}

}  // namespace

int scaled(int pixels, double factor) { return int(std::lround(pixels * factor)); }

std::string tooltip_of(const Face &face) {
  GtkStockItem item;
  if (!gtk_stock_lookup(face.stock_id, &item) || item.label == nullptr ||
      std::strcmp(item.label, face.stock_label) == 0)
    return face.tooltip;
  return without_mnemonic(item.label);
}

void show_icons(const MainWindow &parts) {
  const GtkIconSize size = gtk_toolbar_get_icon_size(GTK_TOOLBAR(parts.toolbar));
  for (int button = 0; button < button_count; ++button)
    show_icon(GTK_IMAGE(parts.icons[button]), faces[button], size);
}

int drawn_size_near(const MainWindow &parts, int pixels) {
  GtkIconTheme *theme = gtk_icon_theme_get_for_screen(gtk_widget_get_screen(parts.window));
  // More than a tenth off, at first.
  int nearest = pixels, off = pixels / 10 + 1;
  gint *sizes = gtk_icon_theme_get_icon_sizes(theme, faces[0].icon_name);
  for (const gint *size = sizes; *size != 0; ++size) {
    const int size_off = std::abs(*size - pixels);
    if (*size > 0 && size_off * 10 <= pixels && size_off < off && all_drawn_at(theme, *size)) {
      nearest = *size;
      off = size_off;
    }
  }
  g_free(sizes);
  return nearest;
}
