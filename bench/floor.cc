// The floor of the benchmark: the same window as tessalux (title, policy,
// position, icon, box, toolbar with the same four stock items and tooltips)
// and nothing else. It runs no xrandr -q at start and its zoom buttons do
// nothing, so it costs what any GTK+ 2 program with this window must cost.
//
// With --spawn the zoom buttons run the benchmark's fake xrandr directly
// (fork, execvp, waitpid), which separates what the toolkit spends on a
// press from what the utility's own code adds. With --spawn-times N it runs
// the fake N times without any click once the window is up, printing the
// CLOCK_MONOTONIC time in ns before each fork, and ends: the cost of
// starting a child from a process of the toolkit's size.
#include <gtk/gtk.h>
#include <sys/wait.h>
#include <unistd.h>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "window_icon.h"

namespace {

void do_nothing(GtkWidget *, gpointer) {}

void run_fake_xrandr(GtkWidget *, gpointer) {
  static const char *const argv[] = {"xrandr", "--output", "BENCH-1", "--scale",
                                     "0.9090909090909091x0.9090909090909091",
                                     nullptr};
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[0], const_cast<char *const *>(argv));
    _exit(255);
  }
  if (child > 0) waitpid(child, nullptr, 0);
}

void run_fake_xrandr_timed(int count) {
  for (int run = 0; run < count; ++run) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    run_fake_xrandr(nullptr, nullptr);
    g_usleep(20000);
  }
}

void add_button(GtkWidget *toolbar, const char *stock_id, const char *tooltip,
                GCallback callback) {
  gtk_toolbar_insert_stock(GTK_TOOLBAR(toolbar), stock_id, tooltip, nullptr,
                           callback, nullptr, -1);
}

}  // namespace

int main(int argc, char **argv) {
  const bool spawn = argc > 1 && std::strcmp(argv[1], "--spawn") == 0;
  const int spawn_times =
      argc > 2 && std::strcmp(argv[1], "--spawn-times") == 0 ? std::atoi(argv[2]) : 0;
  const GCallback zoom = spawn ? G_CALLBACK(run_fake_xrandr) : G_CALLBACK(do_nothing);

  gtk_init(nullptr, nullptr);

  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "TESSALUX");
  gtk_window_set_policy(GTK_WINDOW(window), FALSE, FALSE, TRUE);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER_ALWAYS);

  GdkPixbuf *icon =
      gdk_pixbuf_new_from_xpm_data(const_cast<const char **>(window_icon_xpm));
  if (icon != nullptr) gtk_window_set_icon(GTK_WINDOW(window), icon);

  GtkWidget *vbox = gtk_vbox_new(FALSE, 10);
  gtk_container_set_border_width(GTK_CONTAINER(vbox), 10);

  GtkWidget *toolbar = GTK_WIDGET(g_object_new(gtk_toolbar_get_type(), nullptr));
  gtk_toolbar_set_style(GTK_TOOLBAR(toolbar), GTK_TOOLBAR_ICONS);
  gtk_container_set_border_width(GTK_CONTAINER(toolbar), 10);

  add_button(toolbar, "gtk-zoom-out", "Zoom out", zoom);
  add_button(toolbar, "gtk-zoom-100", "Zoom 1:1", zoom);
  add_button(toolbar, "gtk-zoom-in", "Zoom in", zoom);
  add_button(toolbar, "gtk-quit", "Quit", G_CALLBACK(gtk_main_quit));

  gtk_container_add(GTK_CONTAINER(vbox), toolbar);
  gtk_container_add(GTK_CONTAINER(window), vbox);

  g_signal_connect_data(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr,
                        nullptr, GConnectFlags(0));
  g_signal_connect_data(window, "delete_event", G_CALLBACK(gtk_main_quit),
                        nullptr, nullptr, GConnectFlags(0));

  gtk_widget_show_all(window);
  if (spawn_times > 0) {
    while (gtk_events_pending()) gtk_main_iteration();
    run_fake_xrandr_timed(spawn_times);
    return 0;
  }
  gtk_main();
  return 0;
}
