// The floor of the benchmark, what any GTK+ 2 program with this window costs:
// a plain GTK+ 2 window titled TESSALUX, kept centred as the program's is, a
// box, a toolbar of the same stock items.
#include <gtk/gtk.h>

#include <initializer_list>

int main() {
  gtk_init(nullptr, nullptr);
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "TESSALUX");
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ALWAYS);
  GtkWidget *vbox = gtk_vbox_new(FALSE, 10);
  gtk_container_set_border_width(GTK_CONTAINER(vbox), 10);
  GtkWidget *toolbar = gtk_toolbar_new();
  gtk_toolbar_set_style(GTK_TOOLBAR(toolbar), GTK_TOOLBAR_ICONS);
  gtk_container_set_border_width(GTK_CONTAINER(toolbar), 10);
  for (const char *stock_id : {"gtk-zoom-out", "gtk-zoom-100", "gtk-zoom-in", "gtk-quit"})
    gtk_toolbar_insert_stock(GTK_TOOLBAR(toolbar), stock_id, stock_id, nullptr, nullptr, nullptr, -1);
  gtk_container_add(GTK_CONTAINER(vbox), toolbar);
  gtk_container_add(GTK_CONTAINER(window), vbox);
  gtk_widget_show_all(window);
  gtk_main();
}
