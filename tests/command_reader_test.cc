#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "services/command_reader.h"
#include "support/test_support.h"

using namespace std::string_literals;
using Lines = std::vector<std::string>;

// Reads like detection does, read_line until at_end, keeping every line;
// then checks that reads past the end give empty lines.
static Lines read_all(const std::string &command) {
  CommandReader reader;
  EXPECT_EQ(reader.open_command(command), 0);
  EXPECT_FALSE(reader.at_end());
  Lines lines;
  std::string line;
  while (!reader.at_end() && lines.size() < 100) {
    EXPECT_EQ(reader.read_line(line), 0);
    lines.push_back(line);
  }
  for (int i = 0; i < 3; ++i) {
    line = "stale";
    EXPECT_EQ(reader.read_line(line), 0);
    EXPECT_EQ(line, "");
    EXPECT_TRUE(reader.at_end());
  }
  EXPECT_EQ(reader.close_command(), 0);
  return lines;
}

TEST(CommandReader, ReadsEachStreamAsItsLinesThenEmptyLines) {
  // Lines are read in chunks of 511 bytes; the long ones cross that edge.
  const std::string a510(510, 'a'), a511(511, 'a');
  const struct {
    const char *name;
    std::string command;
    Lines lines;
  } cases[] = {
      {"two lines and a final line feed", "printf 'a\\nb\\n'", {"a", "b", ""}},
      {"no final line feed", "printf 'a\\nb'", {"a", "b"}},
      {"one line without a line feed", "printf x", {"x"}},
      {"no output", "true", {""}},
      {"CR LF", "printf 'a\\r\\n'", {"a", ""}},
      {"CR at the end", "printf 'a\\r'", {"a"}},
      {"CR inside a line stays", "printf 'a\\rb\\n'", {"a\rb", ""}},
      {"CR inside a last line stays", "printf 'a\\rb'", {"a\rb"}},
      {"empty lines", "printf '\\n\\n'", {"", "", ""}},
      {"600 bytes", "printf %0600d 0 | tr 0 a; echo", {std::string(600, 'a'), ""}},
      {"511 bytes then LF", "printf %0511d 0 | tr 0 a; printf '\\nb\\n'", {a511, "b", ""}},
      {"510 bytes, CR LF", "printf %0510d 0 | tr 0 a; printf '\\r\\nb\\n'", {a510, "", "b", ""}},
      {"511 bytes then CR LF", "printf %0511d 0 | tr 0 a; printf '\\r\\n'", {a511, ""}},
      {"1022 bytes, a chunk edge twice", "printf %01022d 0 | tr 0 a", {std::string(1022, 'a')}},
      {"a NUL inside a line stays", "printf 'a\\000b\\n'", {"a\0b"s, ""}},
      {"NUL bytes before the line feed stay", "printf 'a\\000\\000\\n'", {"a\0\0"s, ""}},
      {"NUL bytes at the end of the stream go", "printf 'a\\000\\000'", {"a"}},
      {"a line of NUL bytes is empty", "printf '\\000\\000\\000'", {""}},
      {"bytes are not converted", "printf '\\377\\303\\251\\n'", {"\xff\xc3\xa9", ""}},
      {"a command the shell cannot find", "tessalux-no-such-command 2>/dev/null", {""}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(read_all(c.command), c.lines);
  }
}

TEST(CommandReader, HoldsOneStreamAtATimeAndWaitsForItsCommandWhenDestroyed) {
  TempDir dir;
  {
    CommandReader reader;
    std::string line = "kept";
    EXPECT_TRUE(reader.at_end());
    EXPECT_EQ(reader.read_line(line), 1);
    EXPECT_EQ(line, "kept");
    EXPECT_EQ(reader.close_command(), 1);
    EXPECT_EQ(reader.open_command("touch " + dir.file("ran") + "\0; true"s), 2);
    EXPECT_TRUE(reader.at_end());

    ASSERT_EQ(reader.open_command("printf 'first\\n'"), 0);
    EXPECT_EQ(reader.open_command("printf 'second\\n'"), 1);
    reader.read_line(line);
    EXPECT_EQ(line, "first");
    EXPECT_EQ(reader.close_command(), 0);
    EXPECT_EQ(reader.close_command(), 1);

    ASSERT_EQ(reader.open_command("echo again; sleep 0.2; touch " + dir.file("done")), 0);
    reader.read_line(line);
    EXPECT_EQ(line, "again");
  }
  EXPECT_NE(access(dir.file("ran").c_str(), F_OK), 0) << "a command with a NUL ran";
  // pclose waited for the command, so its last step has happened.
  EXPECT_EQ(access(dir.file("done").c_str(), F_OK), 0);
}

TEST(CommandReader, ReadErrorEndsTheStreamAfterOneEmptyLine) {
  // Pull the pipe's descriptor away under the stream: every read then fails
  // and end-of-file is never reached, yet a read-until-end loop must end.
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
  for (; !reader.at_end() && reads < 10; ++reads) reader.read_line(line);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(line, "");
}

// Runs survive_broken_pipes, then print_line for each text, in a child that
// leaves by _exit, which flushes nothing. Its standard output is a pipe read
// into `output`, or without a reader when that is null. Gives its wait status.
static int print_in_child(const Lines &texts, std::string *output) {
  int out[2];
  EXPECT_EQ(pipe(out), 0);
  if (output == nullptr) close(out[0]);
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    survive_broken_pipes();
    for (const std::string &text : texts) print_line(text);
    _exit(42);
  }
  close(out[1]);
  char buffer[256];
  for (ssize_t n; output != nullptr && (n = read(out[0], buffer, sizeof buffer)) > 0;)
    output->append(buffer, n);
  if (output != nullptr) close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

TEST(PrintLine, WritesAndFlushesTheTextAndALineFeed) {
  for (const std::string &text : {"couldn't run xrandr"s, ""s, "a\0b\r"s}) {
    std::string output;
    print_in_child({text}, &output);
    EXPECT_EQ(output, text + "\n");
  }
}

TEST(SurviveBrokenPipes, PrintLineOutlivesAGoneReaderAndChildrenGetTheDefaultSigpipe) {
  const int status = print_in_child({"nobody reads this", "nor this"}, nullptr);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 42);
  signal(SIGPIPE, SIG_IGN);  // what the toolkit leaves behind
  survive_broken_pipes();
  // A shell that SIGPIPE does not end goes on to say so.
  EXPECT_EQ(read_all("kill -PIPE $$; echo SIGPIPE ignored"), Lines{""});
}
