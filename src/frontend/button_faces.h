// What the toolbar's buttons show, as the desktop asks for it: their tooltips
// in the user's language, and their icons, with the window's borders and
// spacing, at the desktop's scale.
#pragma once

#include <gtk/gtk.h>

#include <string>

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
inline constexpr Face faces[] = {
    {"gtk-zoom-out", "Zoom out", "Zoom _Out", "zoom-out"},
    {"gtk-zoom-100", "Zoom 1:1", "_Normal Size", "zoom-original"},
    {"gtk-zoom-in", "Zoom in", "Zoom _In", "zoom-in"},
    {"gtk-quit", "Quit", "_Quit", "application-exit"},
};

// The button's tooltip: its stock label in the user's language, from GTK's
// translations, without the mnemonic; the English tooltip where GTK has no
// translation and gives back its own English label.
std::string tooltip_of(const Face &face);

// Shows each button's icon from the icon theme at the toolbar's icon size (see
// fit_scale). Done before anything measures the toolbar, it spares the toolkit
// loading the stock images it would replace.
void show_icons(GtkWidget *toolbar);

// Sizes the toolbar's icons, and the window's borders and spacing with them,
// for the desktop's scale: GDK_SCALE when it is a whole number from 1 up, as
// GTK 3 programs take it, otherwise the desktop's text resolution against
// 96 dpi. The scale is at least a half, and at most what lets the window,
// with a window manager's frame, fit in `room`. At a scale of 1 the toolbar
// keeps the toolkit's own icon size, so the window is what it always was.
// The icons come from the icon theme at every scale, so they are the same
// pictures at every size. Returns false, doing nothing, where the sizes are
// those the window has already.
bool fit_scale(GtkWidget *toolbar, const GdkRectangle &room);
