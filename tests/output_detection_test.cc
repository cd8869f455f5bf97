#include <gtest/gtest.h>

#include "frontend/output_detection.h"
#include "frontend/zoom_state.h"
#include "support/test_support.h"

const std::string laptop_report =
    "Screen 0: minimum 320 x 200, current 1920 x 1080, maximum 16384 x 16384\n"
    "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis)"
    " 344mm x 194mm\n"
    "   1920x1080     60.02*+  59.93  \n"
    "   1680x1050     59.95    59.88  \n"
    "HDMI-1 disconnected (normal left inverted right x axis y axis)\n"
    "DP-1 disconnected (normal left inverted right x axis y axis)\n";

// A 100000-byte line and every byte value before the match, NULs after it.
static std::string noisy_report() {
  std::string report = std::string(100000, 'x') + '\n';
  for (int byte = 0; byte < 256; ++byte) report += static_cast<char>(byte);
  return report + "\nLVDS-1 connected\n" + std::string(3000, '\0') + "\n";
}

TEST(DetectOutput, TakesTheLastConnectedNameFromEachReportAndSetsTheFactorToOne) {
  FakeXrandr xrandr;
  const struct {
    const char *name;
    std::string report;
    int result;
    std::string output;
    int exit_code = 0;
  } cases[] = {
      {"laptop", laptop_report, 1, "eDP-1"},
      {"two connected: the later wins",
       laptop_report + "HDMI-2 connected 1920x1080+1920+0 (normal left inverted right x axis y"
                       " axis) 531mm x 299mm\n   1920x1080     60.00*+  50.00    59.94\n",
       1, "HDMI-2"},
      {"CR LF line ends", "eDP-1 connected 1920x1080+0+0\r\nHDMI-1 disconnected\r\n", 1, "eDP-1"},
      {"no final line feed", "VGA-0 connected", 1, "VGA-0"},
      {"nothing connected", "HDMI-1 disconnected\nDP-1 disconnected\n", 0, ""},
      {"empty report", "", 0, ""},
      {"only the first match in a line counts", "A connected B connected\n", 1, "A"},
      {"the name is taken unchanged", "  odd name\t connected\n", 1, "  odd name\t"},
      {"case matters", "eDP-1 Connected\n", 0, ""},
      {"a word glued to connected", "eDP-1connected\n", 0, ""},
      {"a line starting with the match", " connected\n", 0, ""},
      {"an empty name last fails but keeps the name before it",
       "eDP-1 connected primary\n connected\nHDMI-1 disconnected\n", 0, "eDP-1"},
      {"an empty name first is overruled", " connected\neDP-1 connected\n", 1, "eDP-1"},
      {"the exit status is not looked at", "eDP-1 connected\n", 1, "eDP-1", 1},
      {"long lines and binary noise", noisy_report(), 1, "LVDS-1"},
  };
  for (const auto &c : cases) {
    zoom_state = ZoomState{};
    xrandr.set_report(c.report);
    xrandr.set_exit_code(c.exit_code);
    EXPECT_EQ(detect_output(), c.result) << c.name;
    EXPECT_EQ(zoom_state.output_name, c.output) << c.name;
    EXPECT_EQ(zoom_state.scale_factor, 1.0) << c.name;
  }
}
