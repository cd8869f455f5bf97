#include "destroyed_window.h"

#include <gdk/gdkx.h>

namespace {

// What the handler needs, kept with the display it handles: the toolkit's
// own handler of X errors, and the code of the error about a picture that
// the drawing library made for a window (the Render extension's BadPicture,
// the second of its errors).
struct ErrorHandling {
  XErrorHandler toolkit_handler;
  int bad_picture;
};
constexpr char handling_key[] = "tessalux-x-error-handling";

// What the toolkit and its drawing library make for a window that is gone,
// a pixmap to draw in or a picture of it, is never made either, and the
// requests that use it fail too.
int ignore_if_window_gone(Display *display, XErrorEvent *error) {
  const auto &handling = *static_cast<ErrorHandling *>(
      g_object_get_data(G_OBJECT(gdk_x11_lookup_xdisplay(display)), handling_key));
  if (error->error_code == BadWindow || error->error_code == BadDrawable ||
      error->error_code == BadPixmap || error->error_code == handling.bad_picture)
    return 0;
  return handling.toolkit_handler(display, error);
}

}  // namespace

void ignore_errors_about_windows_gone() {
  GdkDisplay *display = gdk_display_get_default();
  int opcode = 0, first_event = 0, first_error = 0;
  // Without the extension no such error can come; an error code is a byte.
  const bool render =
      XQueryExtension(GDK_DISPLAY_XDISPLAY(display), "RENDER", &opcode, &first_event, &first_error);
  // The toolkit's own error traps put their handler in place of this one
  // while they last, so the errors they wait for still reach them.
  auto *handling =
      new ErrorHandling{XSetErrorHandler(ignore_if_window_gone), render ? first_error + 1 : 256};
  g_object_set_data_full(G_OBJECT(display), handling_key, handling,
                         [](gpointer data) { delete static_cast<ErrorHandling *>(data); });
}
