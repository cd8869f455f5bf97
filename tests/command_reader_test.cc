#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <string>
#include <vector>

#include "services/command_reader.h"
#include "support/test_support.h"

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

// Reads like detection does: read_line until at_end, keeping every line.
Lines read_all(const std::string &command) {
  CommandReader reader;
  EXPECT_EQ(reader.open_command(command), 0) << command;
  EXPECT_FALSE(reader.at_end());
  Lines lines;
  std::string line;
  while (!reader.at_end() && lines.size() < 100) {
    EXPECT_EQ(reader.read_line(line), 0);
    lines.push_back(line);
  }
  EXPECT_EQ(reader.close_command(), 0);
  return lines;
}

std::string repeat(char byte, std::size_t count) { return std::string(count, byte); }

TEST(CommandReader, Streams) {
  const std::string a511 = repeat('a', 511), a510 = repeat('a', 510);
  const struct {
    const char *name;
    std::string command;
    Lines lines;
  } cases[] = {
      {"two lines and a final line feed", "printf 'a\\nb\\n'", {"a", "b", ""}},
      {"no final line feed", "printf 'a\\nb'", {"a", "b"}},
      {"no output", "true", {""}},
      {"CR LF", "printf 'a\\r\\n'", {"a", ""}},
      {"CR at the end", "printf 'a\\r'", {"a"}},
      {"CR inside a line stays", "printf 'a\\rb\\n'", {"a\rb", ""}},
      {"CR inside a last line stays", "printf 'a\\rb'", {"a\rb"}},
      {"empty lines", "printf '\\n\\n'", {"", "", ""}},
      {"600 bytes", "head -c 600 /dev/zero | tr '\\0' a; echo", {repeat('a', 600), ""}},
      {"511 bytes then LF", "head -c 511 /dev/zero | tr '\\0' a; printf '\\nb\\n'",
       {a511, "b", ""}},
      {"510 bytes then CR LF", "head -c 510 /dev/zero | tr '\\0' a; printf '\\r\\nb\\n'",
       {a510, "", "b", ""}},
      {"511 bytes then CR LF", "head -c 511 /dev/zero | tr '\\0' a; printf '\\r\\n'",
       {a511, ""}},
      {"1022 bytes, a chunk boundary twice", "head -c 1022 /dev/zero | tr '\\0' a",
       {repeat('a', 1022)}},
      {"a NUL inside a line stays", "printf 'a\\000b\\n'", {"a\0b"s, ""}},
      {"NUL bytes before the line feed stay", "printf 'a\\000\\000\\n'", {"a\0\0"s, ""}},
      {"NUL bytes at the end of the stream go", "printf 'a\\000\\000'", {"a"}},
      {"a line of NUL bytes is empty", "printf '\\000\\000\\000'", {""}},
      {"bytes are not converted", "printf '\\377\\303\\251\\n'", {"\xff\xc3\xa9", ""}},
      {"a command the shell cannot find", "tessalux-no-such-command 2>/dev/null", {""}},
  };
  for (const auto &c : cases) EXPECT_EQ(read_all(c.command), c.lines) << c.name;
}

TEST(CommandReader, ReadingAfterTheEnd) {
  CommandReader reader;
  ASSERT_EQ(reader.open_command("printf x"), 0);
  std::string line;
  reader.read_line(line);
  ASSERT_TRUE(reader.at_end());
  for (int i = 0; i < 3; ++i) {
    line = "stale";
    EXPECT_EQ(reader.read_line(line), 0);
    EXPECT_EQ(line, "");
    EXPECT_TRUE(reader.at_end());
  }
}

TEST(CommandReader, StateRules) {
  CommandReader reader;
  std::string line = "kept";
  EXPECT_TRUE(reader.at_end());
  EXPECT_EQ(reader.read_line(line), 1);
  EXPECT_EQ(line, "kept");
  EXPECT_EQ(reader.close_command(), 1);

  ASSERT_EQ(reader.open_command("printf 'first\\n'"), 0);
  EXPECT_EQ(reader.open_command("printf 'second\\n'"), 1);
  reader.read_line(line);
  EXPECT_EQ(line, "first");
  EXPECT_EQ(reader.close_command(), 0);
  EXPECT_EQ(reader.close_command(), 1);

  // Closed readers can be opened again.
  ASSERT_EQ(reader.open_command("printf 'again\\n'"), 0);
  reader.read_line(line);
  EXPECT_EQ(line, "again");
}

TEST(CommandReader, CommandWithANulIsNotRun) {
  TempDir dir;
  CommandReader reader;
  EXPECT_EQ(reader.open_command("touch " + dir.file("ran") + "\0; true"s), 2);
  EXPECT_TRUE(reader.at_end());
  EXPECT_NE(access(dir.file("ran").c_str(), F_OK), 0);
}

TEST(CommandReader, ClosesOnDestructionAndWaits) {
  TempDir dir;
  {
    CommandReader reader;
    ASSERT_EQ(reader.open_command("sleep 0.2; touch " + dir.file("done")), 0);
  }
  // pclose waited for the command, so its last step has happened.
  EXPECT_EQ(access(dir.file("done").c_str(), F_OK), 0);
}

TEST(CommandReader, ReadErrorEndsTheLoop) {
  // Pull the pipe's descriptor away under the stream: every read then fails
  // with an error and end-of-file is never reached. The loop must still end.
  const int next_fd = dup(STDIN_FILENO);
  close(next_fd);
  CommandReader reader;
  ASSERT_EQ(reader.open_command("sleep 0.1"), 0);
  char target[64] = {};
  ASSERT_GT(readlink(("/proc/self/fd/" + std::to_string(next_fd)).c_str(), target, 63), 0);
  ASSERT_EQ(std::string(target).rfind("pipe:", 0), 0u) << target;
  close(next_fd);

  std::string line = "stale";
  int reads = 0;
  while (!reader.at_end() && reads < 10) {
    reader.read_line(line);
    ++reads;
  }
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(line, "");
}

// print_line writes to stdout; these run it in a child whose stdout is a pipe.
std::string print_in_child(const std::string &text) {
  int out[2];
  EXPECT_EQ(pipe(out), 0);
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    print_line(text);
    _exit(0);  // no flush here: print_line must have flushed already
  }
  close(out[1]);
  std::string bytes;
  char buffer[256];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) bytes.append(buffer, n);
  close(out[0]);
  waitpid(child, nullptr, 0);
  return bytes;
}

TEST(PrintLine, WritesTextAndLineFeedAtOnce) {
  EXPECT_EQ(print_in_child("couldn't run xrandr"), "couldn't run xrandr\n");
  EXPECT_EQ(print_in_child(""), "\n");
  EXPECT_EQ(print_in_child("a\0b\r"s), "a\0b\r\n"s);
}

TEST(PrintLine, SurvivesAReaderThatHasGone) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(out[0]);
    dup2(out[1], STDOUT_FILENO);
    survive_broken_pipes();
    print_line("nobody reads this");
    print_line("nor this");
    _exit(42);
  }
  close(out[0]);
  close(out[1]);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 42);
}

TEST(PrintLine, ChildrenStillGetTheDefaultSigpipe) {
  signal(SIGPIPE, SIG_IGN);  // what the toolkit leaves behind
  survive_broken_pipes();
  CommandReader reader;
  ASSERT_EQ(reader.open_command("grep SigIgn /proc/self/status"), 0);
  std::string line;
  reader.read_line(line);
  // SIGPIPE is signal 13, bit 12 of the mask: hex digit 3 from the right, value 1.
  ASSERT_GT(line.size(), 3u);
  EXPECT_EQ((std::stoul(line.substr(line.size() - 4), nullptr, 16) >> 12) & 1, 0u) << line;
}

}  // namespace
