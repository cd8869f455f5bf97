#include "destroyed_window.h"

#include <gdk/gdkx.h>

namespace {

// The toolkit's own handler of X errors is kept with the display it handles.
constexpr char toolkit_handler_key[] = "tessalux-toolkit-x-error-handler";

int ignore_if_window_gone(Display *display, XErrorEvent *error) {
  if (error->error_code == BadWindow || error->error_code == BadDrawable) return 0;
  const auto toolkit_handler = reinterpret_cast<XErrorHandler>(
      g_object_get_data(G_OBJECT(gdk_x11_lookup_xdisplay(display)), toolkit_handler_key));
  return toolkit_handler(display, error);
}

}  // namespace

void ignore_errors_about_windows_gone() {
  // The toolkit's own error traps put their handler in place of this one
  // while they last, so the errors they wait for still reach them.
  const XErrorHandler toolkit_handler = XSetErrorHandler(ignore_if_window_gone);
  g_object_set_data(G_OBJECT(gdk_display_get_default()), toolkit_handler_key,
                    reinterpret_cast<gpointer>(toolkit_handler));
}
