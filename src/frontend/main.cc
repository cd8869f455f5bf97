// Entry point: builds the window and its toolbar, finds the output to scale
// and runs the toolkit's main loop until the user quits.
#include <gtk/gtk.h>

#include "output_detection.h"
#include "services/command_reader.h"
#include "window_icon.h"
#include "zoom_actions.h"

namespace {

void add_button(GtkWidget *toolbar, const char *stock_id, const char *tooltip,
                GCallback callback) {
  gtk_toolbar_insert_stock(GTK_TOOLBAR(toolbar), stock_id, tooltip, nullptr,
                           callback, nullptr, -1);
}

}  // namespace

int main(int, char **) {
  // The command line is not ours to read, and neither are the toolkit's
  // options: nothing given there changes what the utility does.
  gtk_init(nullptr, nullptr);
  // gtk_init leaves SIGPIPE ignored, which every child would inherit.
  survive_broken_pipes();

  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "TESSALUX");
  gtk_window_set_policy(GTK_WINDOW(window), FALSE, FALSE, TRUE);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ALWAYS);

  // Kept for the life of the process; a failure only costs the icon.
  GdkPixbuf *icon =
      gdk_pixbuf_new_from_xpm_data(const_cast<const char **>(window_icon_xpm));
  if (icon != nullptr) gtk_window_set_icon(GTK_WINDOW(window), icon);

  GtkWidget *vbox = gtk_vbox_new(FALSE, 10);
  gtk_container_set_border_width(GTK_CONTAINER(vbox), 10);

  GtkWidget *toolbar = GTK_WIDGET(g_object_new(gtk_toolbar_get_type(), nullptr));
  gtk_toolbar_set_style(GTK_TOOLBAR(toolbar), GTK_TOOLBAR_ICONS);
  gtk_container_set_border_width(GTK_CONTAINER(toolbar), 10);

  add_button(toolbar, "gtk-zoom-out", "Zoom out", G_CALLBACK(zoom_out));
  add_button(toolbar, "gtk-zoom-100", "Zoom 1:1", G_CALLBACK(zoom_reset));
  add_button(toolbar, "gtk-zoom-in", "Zoom in", G_CALLBACK(zoom_in));
  add_button(toolbar, "gtk-quit", "Quit", G_CALLBACK(gtk_main_quit));

  gtk_container_add(GTK_CONTAINER(vbox), toolbar);
  gtk_container_add(GTK_CONTAINER(window), vbox);

  g_signal_connect_data(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr,
                        nullptr, GConnectFlags(0));
  g_signal_connect_data(window, "delete_event", G_CALLBACK(gtk_main_quit),
                        nullptr, nullptr, GConnectFlags(0));

  gtk_widget_show_all(window);

  if (detect_output() == 0) print_line("Call to xrandr failed");

  gtk_main();
  return 0;
}
