// The one process-wide record of the front end: which output we scale and
// the factor we last asked xrandr for.
#pragma once

#include <string>

struct ZoomState {
  // Name of the output exactly as `xrandr -q` reports it; empty until
  // detection finds one.
  std::string output_name;
  // The factor last requested, not read back from the display.
  double scale_factor = 0.0;
};

extern ZoomState zoom_state;
