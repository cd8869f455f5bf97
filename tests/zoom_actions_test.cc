#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

#include "frontend/zoom_actions.h"
#include "frontend/zoom_state.h"
#include "support/test_support.h"

static Argv scale_call(const std::string &output, const std::string &factor) {
  return {"--output", output, "--scale", factor + "x" + factor};
}

struct ZoomActions : ::testing::Test {
  void SetUp() override { zoom_state = {"eDP-1", 1.0}; }
  FakeXrandr xrandr;
};

TEST_F(ZoomActions, PressesFromOneSendTheWorkedFactors) {
  const struct {
    const char *presses;  // o = zoom out, i = zoom in
    const char *factor;
  } cases[] = {
      {"o", "1.1"}, {"oo", "1.21"}, {"ooo", "1.331"}, {"oooo", "1.464100000000001"},
      {"i", "0.9090909090909091"}, {"ii", "0.8264462809917354"},
      {"oi", "1"}, {"iiiiiioooooo", "0.9999999999999998"},
  };
  for (const auto &c : cases) {
    zoom_state.scale_factor = 1.0;
    for (const char *press = c.presses; *press != '\0'; ++press)
      EXPECT_EQ(*press == 'o' ? zoom_out(nullptr, nullptr) : zoom_in(nullptr, nullptr), 0);
    EXPECT_EQ(xrandr.last_call(), scale_call("eDP-1", c.factor)) << c.presses;
  }
}

TEST_F(ZoomActions, ResetAlwaysSetsAndSendsOnePointZero) {
  for (double factor : {1.0, 1.1, 0.5, 1e-20, 1e20}) {
    zoom_state.scale_factor = factor;
    EXPECT_EQ(zoom_reset(nullptr, nullptr), 0);
    EXPECT_EQ(zoom_state.scale_factor, 1.0);
    EXPECT_EQ(xrandr.last_call(), scale_call("eDP-1", "1.0")) << factor;
  }
}

// A failed run's result comes back, its factor stays; without an output, nothing.
TEST_F(ZoomActions, ReturnsTheRunsResultOrWithoutAnOutputDoesNothing) {
  xrandr.set_exit_code(1);
  EXPECT_EQ(zoom_out(nullptr, nullptr), 1);
  EXPECT_EQ(zoom_state.scale_factor, 1.1);
  xrandr.set_exit_code(255);
  EXPECT_EQ(zoom_out(nullptr, nullptr), -1);
  EXPECT_EQ(xrandr.last_call(), scale_call("eDP-1", "1.21"));

  zoom_state.output_name.clear();
  const double factor = zoom_state.scale_factor;
  EXPECT_EQ(zoom_out(nullptr, nullptr), 0);
  EXPECT_EQ(zoom_in(nullptr, nullptr), 0);
  EXPECT_EQ(zoom_reset(nullptr, nullptr), 0);
  EXPECT_EQ(zoom_state.scale_factor, factor);
  EXPECT_EQ(xrandr.calls().size(), 2u);
}

TEST_F(ZoomActions, OutputNameWithABlankIsSplitIntoSeveralArguments) {
  // The name goes into one argument string, which is split as a whole.
  zoom_state.output_name = "Virtual 1";
  zoom_in(nullptr, nullptr);
  EXPECT_EQ(xrandr.last_call(),
            (Argv{"--output", "Virtual", "1", "--scale", "0.9090909090909091x0.9090909090909091"}));
}

TEST(FormatReal, MatchesPrintfInTheCLocaleAndWritesAPointUnderADecimalComma) {
  for (double value : {1.0, 1.1, 0.1, 1e-5, 1.23456789012345678e-5, 1e15, 1e16, 123456789.125,
                       1.0 / 3.0, 1.1 * 1.1 * 1.1 * 1.1, 5e-324, 1.7976931348623157e308}) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.16g", value);
    EXPECT_EQ(format_real(value), expected);
  }
  ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr)
      << "the de_DE.UTF-8 locale is missing; scripts/test generates it";
  char comma[32];
  std::snprintf(comma, sizeof comma, "%.16g", 1.1);
  EXPECT_STREQ(comma, "1,1");  // what the locale would have made of it
  EXPECT_EQ(format_real(1.1), "1.1");
  EXPECT_EQ(format_real(1.464100000000001), "1.464100000000001");
  std::setlocale(LC_ALL, "C");
}
