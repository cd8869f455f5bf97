// libFuzzer target for CommandReader: the input is what a command writes,
// read back through a real pipe from `cat`, and checked line by line.
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "services/command_reader.h"

namespace {

[[noreturn]] void violated(const char *property) {
  std::fprintf(stderr, "CommandReader: %s\n", property);
  std::abort();
}

std::string without(const std::string &text, const std::string &bytes) {
  std::string kept;
  for (char byte : text) {
    if (bytes.find(byte) == std::string::npos) kept += byte;
  }
  return kept;
}

// Writes the input to a fresh temporary file; empty on failure.
std::string write_temporary(const uint8_t *data, size_t size) {
  char path[] = "/tmp/tessalux-fuzz-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return "";
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, data + written, size - written);
    if (n <= 0) break;
    written += n;
  }
  close(fd);
  if (written != size) {
    unlink(path);
    return "";
  }
  return path;
}

// libFuzzer checks for slow inputs with a SIGALRM handler that does not ask
// for interrupted calls to be restarted, so a read from the pipe could fail
// with EINTR, which the reader takes as the end of the stream. The utility
// installs no such handler; make libFuzzer's behave like its own.
void restart_calls_after_alarm() {
  struct sigaction action;
  if (sigaction(SIGALRM, nullptr, &action) != 0) return;
  action.sa_flags |= SA_RESTART;
  sigaction(SIGALRM, &action, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The handler is in place by the first input, not yet at initialisation.
  static const bool alarm_restarts = (restart_calls_after_alarm(), true);
  (void)alarm_restarts;

  const std::string input(reinterpret_cast<const char *>(data), size);
  const std::string path = write_temporary(data, size);
  if (path.empty()) violated("cannot write the temporary file");

  CommandReader reader;
  if (reader.open_command("cat " + path) != 0) violated("open_command failed");
  std::vector<std::string> lines;
  // Each read either takes at least one byte or reaches the end, so more
  // reads than this mean the reader is going round in circles.
  const size_t most_reads = size + 1;
  while (!reader.at_end()) {
    if (lines.size() == most_reads) violated("the reader does not reach the end");
    std::string line = "left over";
    if (reader.read_line(line) != 0) violated("read_line failed while open");
    lines.push_back(line);
  }
  std::string after_end = "left over";
  if (reader.read_line(after_end) != 0 || !after_end.empty() || !reader.at_end()) {
    violated("read_line after the end did not give an empty line");
  }
  if (reader.close_command() != 0) violated("close_command failed");
  if (reader.close_command() != 1) violated("a closed reader closed again");
  unlink(path.c_str());

  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find('\n') != std::string::npos) violated("a line holds a line feed");
    if (i > 0) joined += '\n';
    joined += lines[i];
  }
  // Only line ends and NUL bytes at the end of a chunk are ever dropped.
  const std::string line_end_bytes("\n\r\0", 3);
  if (without(joined, line_end_bytes) != without(input, line_end_bytes)) {
    violated("bytes other than line ends and NULs were lost or changed");
  }
  // With nothing to drop but line feeds, the lines are the stream exactly; a
  // stream ending in a line feed yields one empty line after it.
  if (input.find('\r') == std::string::npos && input.find('\0') == std::string::npos &&
      joined != input) {
    violated("the lines joined by line feeds are not the stream");
  }
  return 0;
}
