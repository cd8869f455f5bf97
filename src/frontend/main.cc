// Entry point: builds the window and its toolbar, finds the output to scale
// and runs the toolkit's main loop until the user quits.
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <initializer_list>

#include "output_detection.h"
#include "services/command_reader.h"
#include "window_icon.h"
#include "zoom_actions.h"

namespace {

// A key, with the modifiers held down, that clicks a toolbar button.
struct Shortcut {
  guint key;
  GdkModifierType modifiers;
};

constexpr GdkModifierType ctrl = GDK_CONTROL_MASK;
constexpr GdkModifierType alone = GdkModifierType(0);

// Appends a button to the toolbar. Its shortcuts click the button itself, so
// a key can never do anything but what the button does.
void add_button(GtkWidget *toolbar, GtkAccelGroup *keys, const char *stock_id,
                const char *tooltip, GCallback callback,
                std::initializer_list<Shortcut> shortcuts) {
  GtkWidget *button = gtk_toolbar_insert_stock(
      GTK_TOOLBAR(toolbar), stock_id, tooltip, nullptr, callback, nullptr, -1);
  for (const Shortcut &shortcut : shortcuts)
    gtk_widget_add_accelerator(button, "clicked", keys, shortcut.key,
                               shortcut.modifiers, GtkAccelFlags(0));
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

  // The keys work while the window has the focus. The keypad keys work
  // without Ctrl too: the window has no text field that could want them.
  GtkAccelGroup *keys = gtk_accel_group_new();
  gtk_window_add_accel_group(GTK_WINDOW(window), keys);

  add_button(toolbar, keys, "gtk-zoom-out", "Zoom out", G_CALLBACK(zoom_out),
             {{GDK_KEY_minus, ctrl},
              {GDK_KEY_KP_Subtract, ctrl},
              {GDK_KEY_KP_Subtract, alone}});
  add_button(toolbar, keys, "gtk-zoom-100", "Zoom 1:1", G_CALLBACK(zoom_reset),
             {{GDK_KEY_0, ctrl}, {GDK_KEY_KP_0, ctrl}, {GDK_KEY_KP_0, alone}});
  add_button(toolbar, keys, "gtk-zoom-in", "Zoom in", G_CALLBACK(zoom_in),
             {{GDK_KEY_plus, ctrl},
              {GDK_KEY_equal, ctrl},
              {GDK_KEY_KP_Add, ctrl},
              {GDK_KEY_KP_Add, alone}});
  add_button(toolbar, keys, "gtk-quit", "Quit", G_CALLBACK(gtk_main_quit),
             {{GDK_KEY_q, ctrl}});

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
