#include "window_scale.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "button_faces.h"

namespace {

// The gap between the toolbar and the window's edge at a scale of 1.
constexpr int gap_pixels = 10;
// The box around the toolbar has a border of two gaps: its own and the
// toolbar's. GTK+ 2 mirrors a toolbar's buttons for right-to-left languages
// without the toolbar's own border, which would put them twice that border
// off to the left, out of the toolbar's frame; so the toolbar has none.
constexpr int box_border_gaps = 2;
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
double largest_fitting_scale(const MainWindow &parts, int shown, const GdkRectangle &room) {
  GtkRequisition now;
  gtk_widget_size_request(parts.window, &now);
  const int borders = 2 * int(gtk_container_get_border_width(GTK_CONTAINER(parts.box)));
  const int borders_at_1 = 2 * box_border_gaps * gap_pixels;
  const double by_width = (room.width - (now.width - borders - button_count * shown)) /
                          (button_count * icon_pixels + borders_at_1);
  const double by_height =
      (room.height - (now.height - borders - shown)) / (icon_pixels + borders_at_1);
  return std::min(by_width, by_height);
}

// The toolkit knows icon sizes by name; each pixel size is registered once.
GtkIconSize icon_size_of(int pixels) {
  const std::string name = "tessalux-" + std::to_string(pixels);
  const GtkIconSize known = gtk_icon_size_from_name(name.c_str());
  if (known != GTK_ICON_SIZE_INVALID) return known;
  return gtk_icon_size_register(name.c_str(), pixels, pixels);
}

}  // namespace

void fit_scale(const MainWindow &parts, const GdkRectangle &room) {
  GtkToolbar *toolbar = GTK_TOOLBAR(parts.toolbar);
  gboolean size_set = FALSE;
  g_object_get(toolbar, "icon-size-set", &size_set, nullptr);
  gint shown = icon_pixels, unused = 0;
  if (size_set) gtk_icon_size_lookup(gtk_toolbar_get_icon_size(toolbar), &shown, &unused);
  const double scale =
      std::max(smallest_scale, std::min(desktop_scale(gtk_widget_get_settings(parts.window)),
                                        largest_fitting_scale(parts, shown, room)));
  const int border = box_border_gaps * scaled(gap_pixels, scale);
  const int pixels = drawn_size_near(parts, scaled(icon_pixels, scale));
  // A new border alone does not make the toolkit measure the window again
  // before it is first shown: without this, the window would keep the size
  // it was first measured at, too small for its buttons. The same border
  // costs no measuring, as when the frame changed and the scale did not.
  if (border != int(gtk_container_get_border_width(GTK_CONTAINER(parts.box)))) {
    gtk_container_set_border_width(GTK_CONTAINER(parts.box), border);
    gtk_widget_queue_resize(parts.box);
  }
  if (pixels == icon_pixels)
    gtk_toolbar_unset_icon_size(toolbar);
  else
    gtk_toolbar_set_icon_size(toolbar, icon_size_of(pixels));
  if (pixels != shown) show_icons(parts);
}
