// The window's size at the desktop's scale: its icons, borders and margins.
#pragma once

#include <gtk/gtk.h>

#include "main_window.h"

// Sizes the toolbar's icons, and the window's borders with them, for the
// desktop's scale: GDK_SCALE when it is a whole number from 1 up, as GTK 3
// programs take it, otherwise the desktop's text resolution against 96 dpi.
// The scale is at least a half, and at most what lets the window fit in
// `room` (see room_for_window). The icons take the size the theme
// draws them at where that is within a tenth of the scaled size, so that they
// are the theme's own drawings, not shrunk or enlarged ones. At a size of 24
// pixels the toolbar keeps the toolkit's own icon size, so the window is what
// it always was.
void fit_scale(const MainWindow &parts, const GdkRectangle &room);
