#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>

#include "services/program_runner.h"
#include "support/test_support.h"

using namespace std::string_literals;

TEST(RunProgram, RunsTheProgramWithItsNameAndSplitArgumentsAndGivesItsExitCode) {
  TempDir dir;
  write_file(dir.file("not-executable"), "#!/bin/sh\nexit 0\n");
  ScopedEnv path("PATH", dir.path() + ":/nonexistent:" ARGV_RECORDER_DIR);
  ScopedEnv record("ARGV_RECORD", dir.file("argv"));
  const struct {
    const char *name;
    std::string program, arguments;
    int exit_code, result;
    Argv argv;  // what the recorder got; none when it did not run
  } cases[] = {
      {"arguments in order", ARGV_RECORDER, "--output \"HDMI 1\" --scale\0 1.1x1.1 \"\" x\\\"y"s,
       7, 7, {ARGV_RECORDER, "--output", "HDMI 1", "--scale", "1.1x1.1", "", "x\"y"}},
      {"a name without a slash is looked up along PATH", "argv_recorder", "a", 0, 0,
       {"argv_recorder", "a"}},
      {"no arguments", ARGV_RECORDER, "", 0, 0, {ARGV_RECORDER}},
      {"blanks only", ARGV_RECORDER, "   ", 0, 0, {ARGV_RECORDER}},
      {"NULs and a blank only", ARGV_RECORDER, "\0 \0"s, 0, 0, {ARGV_RECORDER}},
      {"exit code 254", ARGV_RECORDER, "", 254, 254, {ARGV_RECORDER}},
      {"exit code 255", ARGV_RECORDER, "", 255, -1, {ARGV_RECORDER}},
      {"killed by TERM", "/bin/sh", "-c \"kill -TERM $$\"", 0, -1, {}},
      {"killed by KILL", "/bin/sh", "-c \"kill -KILL $$\"", 0, -1, {}},
      {"not on PATH", "tessalux-no-such-program", "", 0, -1, {}},
      {"not executable", "not-executable", "", 0, -1, {}},
      {"a missing file", dir.file("missing"), "", 0, -1, {}},
  };
  for (const auto &c : cases) {
    std::remove(dir.file("argv").c_str());
    ScopedEnv code("ARGV_EXIT", std::to_string(c.exit_code));
    EXPECT_EQ(run_program(c.program, c.arguments), c.result) << c.name;
    EXPECT_EQ(read_nul_records(dir.file("argv")), c.argv) << c.name;
  }
  // Every child was waited for.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(RunProgram, RefusesEmptyOverlongAndNulHoldingNamesWithoutAChild) {
  rusage before{}, after{};  // each child waited for adds page faults, even one that cannot exec
  getrusage(RUSAGE_CHILDREN, &before);
  for (const std::string &name : {""s, ARGV_RECORDER "\0x"s, std::string(1025, 'x')})
    EXPECT_EQ(run_program(name, "a b"), -1) << name.size();
  getrusage(RUSAGE_CHILDREN, &after);
  EXPECT_EQ(after.ru_minflt, before.ru_minflt);
}
