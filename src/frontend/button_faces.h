// What the toolbar's buttons show, as the desktop asks for it: their tooltips
// in the user's language, and their icons from the icon theme.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "main_window.h"

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

// In the toolbar's order (see Button).
inline constexpr Face faces[button_count] = {
    {"gtk-zoom-out", "Zoom out", "Zoom _Out", "zoom-out"},
    {"gtk-zoom-100", "Zoom 1:1", "_Normal Size", "zoom-original"},
    {"gtk-zoom-in", "Zoom in", "Zoom _In", "zoom-in"},
    {"gtk-quit", "Quit", "_Quit", "application-exit"},
};

// The button's tooltip: its stock label in the user's language, from GTK's
// translations, without the mnemonic; the English tooltip where GTK has no
// translation and gives back its own English label.
std::string tooltip_of(const Face &face);

// The toolbar's icon size when the toolkit chooses it, at a scale of 1.
constexpr int icon_pixels = 24;

// `pixels` times `factor`, to the nearest pixel.
int scaled(int pixels, double factor);

// Shows each button's icon from the icon theme at the toolbar's icon size.
// Done before anything measures the toolbar, it spares the toolkit loading
// the stock images it would replace.
void show_icons(const MainWindow &parts);

// The size nearest to `pixels`, within a tenth of it, at which the icon theme
// draws all four icons; `pixels` itself where it draws them at none.
int drawn_size_near(const MainWindow &parts, int pixels);
