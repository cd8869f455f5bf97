#include "zoom_actions.h"

#include <charconv>

#include "services/program_runner.h"
#include "zoom_state.h"

namespace {

int request_scale(const std::string &factor) {
  const std::string arguments =
      "--output " + zoom_state.output_name + " --scale " + factor + "x" + factor;
  return run_program("xrandr", arguments);
}

}  // namespace

std::string format_real(double value) {
  // to_chars with a precision behaves like printf in the C locale.
  char text[64];
  const std::to_chars_result result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 16);
  return std::string(text, result.ptr);
}

int zoom_out(GtkWidget *, gpointer) {
  if (zoom_state.output_name.empty()) return 0;
  zoom_state.scale_factor *= zoom_step;
  return request_scale(format_real(zoom_state.scale_factor));
}

int zoom_in(GtkWidget *, gpointer) {
  if (zoom_state.output_name.empty()) return 0;
  zoom_state.scale_factor /= zoom_step;
  return request_scale(format_real(zoom_state.scale_factor));
}

int zoom_reset(GtkWidget *, gpointer) {
  if (zoom_state.output_name.empty()) return 0;
  zoom_state.scale_factor = 1.0;
  // A fixed text rather than format_real(1.0), which would give "1".
  return request_scale("1.0");
}
