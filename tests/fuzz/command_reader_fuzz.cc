// libFuzzer target for CommandReader: the input is what a command writes,
// read back through a real pipe from `cat`, and checked line by line.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <string>

#include "check.h"
#include "services/command_reader.h"

// The text without its line feeds, carriage returns and NUL bytes.
static std::string without_line_ends(std::string text) {
  const auto line_end = [](char byte) { return byte == '\n' || byte == '\r' || byte == '\0'; };
  text.erase(std::remove_if(text.begin(), text.end(), line_end), text.end());
  return text;
}

// libFuzzer's SIGALRM handler for slow inputs does not restart interrupted
// calls, so a read from the pipe could fail with EINTR, which the reader
// takes as the end of the stream. The utility has no such handler.
static bool restart_calls_after_alarm() {
  struct sigaction action;
  if (sigaction(SIGALRM, nullptr, &action) != 0) return false;
  action.sa_flags |= SA_RESTART;
  return sigaction(SIGALRM, &action, nullptr) == 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The handler is in place by the first input, not yet at initialisation.
  [[maybe_unused]] static const bool alarm_restarts = restart_calls_after_alarm();

  const std::string input(reinterpret_cast<const char *>(data), size);
  const int file = memfd_create("input", 0);  // a file in memory, which cat opens afresh
  check(file >= 0 && write(file, data, size) == static_cast<ssize_t>(size), "no input file");
  CommandReader reader;
  check(reader.open_command("cat /dev/fd/" + std::to_string(file)) == 0, "open_command failed");
  // Each read either takes at least one byte or reaches the end, so more
  // reads than size + 1 mean the reader is going round in circles.
  std::string joined;  // the lines, joined by line feeds
  for (size_t reads = 0; !reader.at_end(); ++reads) {
    check(reads <= size, "the reader does not reach the end");
    std::string line = "left over";
    check(reader.read_line(line) == 0, "read_line failed while open");
    check(line.find('\n') == std::string::npos, "a line holds a line feed");
    joined += (reads == 0 ? "" : "\n") + line;
  }
  std::string after_end = "left over";
  check(reader.read_line(after_end) == 0 && after_end.empty() && reader.at_end(),
        "read_line after the end did not give an empty line");
  check(reader.close_command() == 0, "close_command failed");
  check(reader.close_command() == 1, "a closed reader closed again");
  close(file);

  // Only line ends and NUL bytes at the end of a chunk are ever dropped.
  check(without_line_ends(joined) == without_line_ends(input),
        "bytes other than line ends and NULs were lost or changed");
  // With nothing to drop but line feeds, the lines are the stream exactly; a
  // stream ending in a line feed yields one empty line after it.
  const bool only_line_feeds = input.find('\r') == std::string::npos &&
                               input.find('\0') == std::string::npos;
  check(!only_line_feeds || joined == input, "the lines joined by line feeds are not the stream");
  return 0;
}
