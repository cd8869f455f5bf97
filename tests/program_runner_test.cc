#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>

#include "services/program_runner.h"
#include "support/test_support.h"

namespace {

using namespace std::string_literals;

TEST(RunProgram, ReturnsTheExitCodeOrMinusOneFor255AndSignals) {
  const std::pair<const char *, int> cases[] = {
      {"exit 0", 0}, {"exit 3", 3}, {"exit 254", 254},
      {"exit 255", -1}, {"kill -TERM $$", -1}, {"kill -KILL $$", -1},
  };
  for (const auto &[script, result] : cases) {
    EXPECT_EQ(run_program("sh", "-c \""s + script + "\""), result) << script;
  }
}

TEST(RunProgram, GivesMinusOneForProgramsThatCannotStart) {
  TempDir dir;
  write_file(dir.file("not-executable"), "#!/bin/sh\nexit 0\n");
  ScopedEnv path("PATH", dir.path());
  EXPECT_EQ(run_program("tessalux-no-such-program", ""), -1);
  EXPECT_EQ(run_program("not-executable", ""), -1);
  EXPECT_EQ(run_program(dir.file("missing"), ""), -1);
}

TEST(RunProgram, RefusesEmptyOverlongAndNulHoldingNamesWithoutAChild) {
  rusage before{}, after{};  // each child waited for adds page faults, even one that cannot exec
  getrusage(RUSAGE_CHILDREN, &before);
  for (const std::string &name : {""s, ARGV_RECORDER "\0x"s, std::string(1025, 'x')})
    EXPECT_EQ(run_program(name, "a b"), -1) << name.size();
  getrusage(RUSAGE_CHILDREN, &after);
  EXPECT_EQ(after.ru_minflt, before.ru_minflt);
}

TEST(RunProgram, ChildGetsItsNameAndTheSplitArgumentsAndItsExitCodeComesBack) {
  TempDir dir;
  ScopedEnv record("ARGV_RECORD", dir.file("argv"));
  ScopedEnv path("PATH", "/nonexistent:"s + ARGV_RECORDER_DIR);
  const struct {
    const char *name;
    std::string program, arguments;
    int exit_code;
    Argv argv;
  } cases[] = {
      {"arguments in order", ARGV_RECORDER, "--output \"HDMI 1\" --scale\0 1.1x1.1 \"\" x\\\"y"s, 7,
       {ARGV_RECORDER, "--output", "HDMI 1", "--scale", "1.1x1.1", "", "x\"y"}},
      {"a name without a slash is looked up along PATH", "argv_recorder", "a", 0,
       {"argv_recorder", "a"}},
      {"no arguments", ARGV_RECORDER, "", 0, {ARGV_RECORDER}},
      {"blanks only", ARGV_RECORDER, "   ", 0, {ARGV_RECORDER}},
      {"NULs and a blank only", ARGV_RECORDER, "\0 \0"s, 0, {ARGV_RECORDER}},
  };
  for (const auto &c : cases) {
    ScopedEnv code("ARGV_EXIT", std::to_string(c.exit_code));
    EXPECT_EQ(run_program(c.program, c.arguments), c.exit_code) << c.name;
    EXPECT_EQ(read_nul_records(dir.file("argv")), c.argv) << c.name;
  }
}

TEST(RunProgram, LeavesNoChildBehind) {
  for (int i = 0; i < 20; ++i) run_program("true", "");
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
