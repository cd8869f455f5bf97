#include "output_detection.h"

#include <string>
#include <string_view>

#include "services/command_reader.h"
#include "zoom_state.h"

int detect_output() {
  zoom_state.scale_factor = 1.0;

  CommandReader reader;
  if (reader.open_command("xrandr -q") != 0) {
    print_line("couldn't run xrandr");
    return 0;
  }

  // The space in front keeps "disconnected" lines from matching.
  constexpr std::string_view connected = " connected";
  std::string candidate;
  std::string line;
  while (!reader.at_end()) {
    reader.read_line(line);
    if (line.empty()) continue;
    const std::size_t found = line.find(connected);
    if (found == std::string::npos) continue;
    candidate = line.substr(0, found);
    if (!candidate.empty()) zoom_state.output_name = candidate;
  }
  reader.close_command();

  return candidate.empty() ? 0 : 1;
}
