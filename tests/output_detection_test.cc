#include <gtest/gtest.h>

#include <string>

#include "frontend/output_detection.h"
#include "frontend/zoom_state.h"
#include "support/test_support.h"

namespace {

const char laptop_report[] =
    "Screen 0: minimum 320 x 200, current 1920 x 1080, maximum 16384 x 16384\n"
    "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis) 344mm x 194mm\n"
    "   1920x1080     60.02*+  59.93  \n"
    "   1680x1050     59.95    59.88  \n"
    "HDMI-1 disconnected (normal left inverted right x axis y axis)\n"
    "DP-1 disconnected (normal left inverted right x axis y axis)\n";

const char two_connected_report[] =
    "Screen 0: minimum 320 x 200, current 3840 x 1080, maximum 16384 x 16384\n"
    "eDP-1 connected primary 1920x1080+0+0 (normal left inverted right x axis y axis) 344mm x 194mm\n"
    "   1920x1080     60.02*+\n"
    "HDMI-1 connected 1920x1080+1920+0 (normal left inverted right x axis y axis) 531mm x 299mm\n"
    "   1920x1080     60.00*+  50.00    59.94\n"
    "DP-1 disconnected (normal left inverted right x axis y axis)\n";

std::string dummy_report() {
  std::string report =
      "Screen 0: minimum 8 x 8, current 1024 x 768, maximum 32767 x 32767\n"
      "DUMMY0 connected primary 1024x768+0+0 (normal left inverted right x axis y axis) 0mm x 0mm\n"
      "   1024x768      60.00*+\n";
  for (int i = 1; i < 16; ++i) {
    report += "DUMMY" + std::to_string(i) + " disconnected (normal left inverted right x axis y axis)\n";
  }
  return report;
}

class DetectOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    zoom_state.output_name.clear();
    zoom_state.scale_factor = 0.0;
  }
  FakeXrandr xrandr;
};

TEST_F(DetectOutput, Reports) {
  const struct {
    const char *name;
    std::string report;
    int result;
    std::string output;
  } cases[] = {
      {"laptop", laptop_report, 1, "eDP-1"},
      {"two connected: the later wins", two_connected_report, 1, "HDMI-1"},
      {"dummy driver", dummy_report(), 1, "DUMMY0"},
      {"CR LF line ends", "eDP-1 connected 1920x1080+0+0\r\nHDMI-1 disconnected\r\n", 1, "eDP-1"},
      {"no final line feed", "VGA-0 connected", 1, "VGA-0"},
      {"nothing connected", "HDMI-1 disconnected\nDP-1 disconnected\n", 0, ""},
      {"empty report", "", 0, ""},
      {"only the first match in a line counts", "A connected B connected\n", 1, "A"},
      {"the name is taken unchanged", "  odd name\t connected\n", 1, "  odd name\t"},
      {"case matters", "eDP-1 Connected\n", 0, ""},
      {"a word glued to connected", "eDP-1connected\n", 0, ""},
      {"a line starting with the match", " connected\n", 0, ""},
  };
  for (const auto &c : cases) {
    SetUp();
    xrandr.set_report(c.report);
    EXPECT_EQ(detect_output(), c.result) << c.name;
    EXPECT_EQ(zoom_state.output_name, c.output) << c.name;
    EXPECT_EQ(zoom_state.scale_factor, 1.0) << c.name;
  }
}

TEST_F(DetectOutput, EmptyCandidateLastKeepsTheNameButFails) {
  xrandr.set_report("eDP-1 connected primary\n connected\nHDMI-1 disconnected\n");
  EXPECT_EQ(detect_output(), 0);
  EXPECT_EQ(zoom_state.output_name, "eDP-1");
}

TEST_F(DetectOutput, EmptyCandidateFirstIsOverruled) {
  xrandr.set_report(" connected\neDP-1 connected\n");
  EXPECT_EQ(detect_output(), 1);
  EXPECT_EQ(zoom_state.output_name, "eDP-1");
}

TEST_F(DetectOutput, ExitStatusIsNotLookedAt) {
  xrandr.set_report("eDP-1 connected\n");
  xrandr.set_exit_code(1);
  EXPECT_EQ(detect_output(), 1);
  EXPECT_EQ(zoom_state.output_name, "eDP-1");
}

TEST_F(DetectOutput, LongLinesAndBinaryNoise) {
  std::string report(100000, 'x');
  report += '\n';
  for (int byte = 0; byte < 256; ++byte) report += static_cast<char>(byte);
  report += "\nLVDS-1 connected\n";
  report += std::string(3000, '\0') + "\n";
  xrandr.set_report(report);
  EXPECT_EQ(detect_output(), 1);
  EXPECT_EQ(zoom_state.output_name, "LVDS-1");
}

TEST(DetectOutputWithoutXrandr, FindsNothing) {
  TempDir empty;
  ScopedEnv path("PATH", empty.path());
  zoom_state.output_name.clear();
  EXPECT_EQ(detect_output(), 0);
  EXPECT_EQ(zoom_state.output_name, "");
  EXPECT_EQ(zoom_state.scale_factor, 1.0);
}

TEST(DetectOutputOnXvfb, FindsTheScreenOutput) {
  XvfbServer server;
  ASSERT_TRUE(server.running()) << "Xvfb could not be started";
  ScopedEnv display("DISPLAY", server.display());
  zoom_state.output_name.clear();
  EXPECT_EQ(detect_output(), 1);
  EXPECT_EQ(zoom_state.output_name, "screen");
}

}  // namespace
