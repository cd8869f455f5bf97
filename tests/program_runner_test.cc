#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>

#include <string>
#include <vector>

#include "services/program_runner.h"
#include "support/test_support.h"

namespace {

using namespace std::string_literals;

TEST(RunProgram, ExitCodesComeBack) {
  const struct {
    std::string arguments;
    int result;
  } cases[] = {
      {"-c \"exit 0\"", 0},
      {"-c \"exit 3\"", 3},
      {"-c \"exit 254\"", 254},
      {"-c \"exit 255\"", -1},
      {"-c \"kill -TERM $$\"", -1},
      {"-c \"kill -KILL $$\"", -1},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(run_program("sh", c.arguments), c.result) << c.arguments;
  }
}

TEST(RunProgram, ProgramsThatCannotStart) {
  TempDir dir;
  write_file(dir.file("not-executable"), "#!/bin/sh\nexit 0\n");
  ScopedEnv path("PATH", dir.path());
  EXPECT_EQ(run_program("tessalux-no-such-program", ""), -1);
  EXPECT_EQ(run_program("not-executable", ""), -1);
  EXPECT_EQ(run_program(dir.file("missing"), ""), -1);
}

TEST(RunProgram, RefusesNamesItCannotPassWhole) {
  TempDir dir;
  ScopedEnv record("ARGV_RECORD", dir.file("argv"));
  EXPECT_EQ(run_program("", "a b"), -1);
  EXPECT_EQ(run_program(ARGV_RECORDER "\0x"s, ""), -1);
  EXPECT_EQ(run_program(std::string(1025, 'x'), ""), -1);
  // None of them started a child that got as far as the recorder.
  EXPECT_EQ(read_file(dir.file("argv")), "");
}

TEST(RunProgram, ChildGetsNameAndArgumentsInOrder) {
  TempDir dir;
  ScopedEnv record("ARGV_RECORD", dir.file("argv"));
  ScopedEnv code("ARGV_EXIT", "7");
  EXPECT_EQ(run_program(ARGV_RECORDER, "--output \"HDMI 1\" --scale\0 1.1x1.1 \"\" x\\\"y"s), 7);
  const std::vector<std::string> expected = {ARGV_RECORDER, "--output", "HDMI 1", "--scale",
                                             "1.1x1.1", "", "x\"y"};
  EXPECT_EQ(split_nul_records(read_file(dir.file("argv"))), expected);
}

TEST(RunProgram, NameIsLookedUpAlongPath) {
  TempDir dir;
  ScopedEnv record("ARGV_RECORD", dir.file("argv"));
  ScopedEnv path("PATH", std::string("/nonexistent:") + ARGV_RECORDER_DIR);
  EXPECT_EQ(run_program("argv_recorder", "a"), 0);
  const std::vector<std::string> expected = {"argv_recorder", "a"};
  EXPECT_EQ(split_nul_records(read_file(dir.file("argv"))), expected);
}

TEST(RunProgram, SeparatorsOnlyGiveJustTheName) {
  TempDir dir;
  ScopedEnv record("ARGV_RECORD", dir.file("argv"));
  for (const std::string &arguments : {""s, "   "s, "\0 \0"s}) {
    EXPECT_EQ(run_program(ARGV_RECORDER, arguments), 0);
    EXPECT_EQ(split_nul_records(read_file(dir.file("argv"))),
              std::vector<std::string>{ARGV_RECORDER});
  }
}

TEST(RunProgram, LeavesNoChildBehind) {
  for (int i = 0; i < 20; ++i) run_program("true", "");
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
