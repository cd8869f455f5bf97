// The three zoom buttons: each changes the scale factor and asks xrandr to
// apply it to the detected output.
#pragma once

#include <gtk/gtk.h>

#include <string>

// Factor applied per press.
constexpr double zoom_step = 1.1;

// The text of `value` as "%.16g" gives it in the C locale: always a decimal
// point, whatever locale the toolkit has switched the process to, since
// xrandr refuses "1,1".
std::string format_real(double value);

// Toolbar callbacks; the toolkit's arguments are ignored. Each returns what
// run_program returned, or 0 when no output is known and nothing was done.
// Zoom out enlarges the desktop area (factor times 1.1), zoom in shrinks it.
int zoom_out(GtkWidget *button, gpointer data);
int zoom_reset(GtkWidget *button, gpointer data);
int zoom_in(GtkWidget *button, gpointer data);
