#include <gtest/gtest.h>

#include "services/program_runner.h"

using namespace std::string_literals;

TEST(SplitArguments, SplitsEachTextIntoItsArgumentsNoneHoldingANul) {
  const struct {
    const char *name;
    std::string text;
    std::vector<std::string> arguments;
  } cases[] = {
      {"the zoom request", "--output eDP-1 --scale 1.1x1.1",
       {"--output", "eDP-1", "--scale", "1.1x1.1"}},
      {"empty", "", {}},
      {"spaces only", "    ", {}},
      {"NUL bytes only", "\0\0\0"s, {}},
      {"runs of separators", "   a  \0 b   "s, {"a", "b"}},
      {"quotes inside a word join", "a\"b x\"y", {"ab xy"}},
      {"a lone pair of quotes is an empty argument", "a \"\" b", {"a", "", "b"}},
      {"a pair inside a word adds nothing", "x\"\" y", {"x", "y"}},
      {"an unclosed quote ends with the text", "\"abc", {"abc"}},
      {"an unclosed quote keeps its blanks", "\"a b ", {"a b "}},
      {"a lone quote at the end gives an empty argument", "a \"", {"a", ""}},
      {"single quotes are ordinary", "'a b'", {"'a", "b'"}},
      {"a tab is ordinary", "a\tb", {"a\tb"}},
      {"a NUL separates", "a\0b"s, {"a", "b"}},
      {"a quoted NUL becomes a blank", "\"a\0b\""s, {"a b"}},
      {"one backslash stays", "a\\b", {"a\\b"}},
      {"two backslashes stay", "a\\\\b", {"a\\\\b"}},
      {"an escaped quote", "\\\"", {"\""}},
      {"two backslashes before a quote open quoting", "\\\\\"x y\"", {"\\x y"}},
      {"three backslashes before a quote", "\\\\\\\"", {"\\\""}},
      {"an escaped quote inside quotes", "\"a\\\"b\"", {"a\"b"}},
      {"two backslashes before a closing quote", "\"a\\\\\" b", {"a\\", "b"}},
      {"a trailing backslash", "abc\\", {"abc\\"}},
      {"a backslash run is cut by other bytes", "\\a\"b c\"", {"\\ab c"}},
      {"other bytes pass unchanged", "\xff\x01\n\r", {"\xff\x01\n\r"}},
  };
  for (const auto &c : cases) EXPECT_EQ(split_arguments(c.text), c.arguments) << c.name;

  // Every byte value, then NULs quoted and escaped: a NUL only ever separates.
  std::string text;
  for (int byte = 0; byte < 256; ++byte) text += static_cast<char>(byte);
  text += "\"\0\"\\\0\\\"\0"s;
  for (const std::string &argument : split_arguments(text + text))
    EXPECT_EQ(argument.find('\0'), std::string::npos) << argument;
}
