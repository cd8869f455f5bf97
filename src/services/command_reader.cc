#include "command_reader.h"

#include <csignal>
#include <cstring>

namespace {

// fgets reads at most one byte less than this per chunk.
constexpr int chunk_size = 512;

void on_broken_pipe(int) {}

}  // namespace

CommandReader::~CommandReader() { close_command(); }

int CommandReader::open_command(const std::string &command) {
  if (stream_ != nullptr) return 1;
  if (command.find('\0') != std::string::npos) return 2;
  stream_ = popen(command.c_str(), "r");
  return stream_ == nullptr ? 2 : 0;
}

bool CommandReader::at_end() const {
  // A read error leaves the end-of-file indicator clear; counting it as the
  // end keeps a read-until-end loop from spinning for ever on empty lines.
  return stream_ == nullptr || feof(stream_) || ferror(stream_);
}

int CommandReader::read_line(std::string &line) {
  if (stream_ == nullptr) return 1;

  char chunk[chunk_size];
  bool first_chunk = true;
  for (;;) {
    std::memset(chunk, 0, sizeof chunk);
    if (fgets(chunk, chunk_size, stream_) == nullptr) {
      if (first_chunk) line.clear();
      return 0;
    }

    // The buffer was zeroed, so the chunk ends at its last non-zero byte;
    // NUL bytes the command wrote before that byte stay in the line.
    int last = chunk_size - 2;
    while (last >= 0 && chunk[last] == '\0') --last;

    std::size_t length = 0;
    bool line_ended = false;
    if (last >= 0) {
      const char byte = chunk[last];
      if (byte == '\n' || byte == '\r') {
        line_ended = true;
        length = last;
        if (byte == '\n' && last > 0 && chunk[last - 1] == '\r') --length;
      } else {
        length = last + 1;
      }
    }

    if (first_chunk) {
      line.assign(chunk, length);
    } else {
      line.append(chunk, length);
    }
    first_chunk = false;
    if (line_ended) return 0;
  }
}

int CommandReader::close_command() {
  if (stream_ == nullptr) return 1;
  pclose(stream_);
  stream_ = nullptr;
  return 0;
}

void print_line(const std::string &text) {
  if (!text.empty()) {
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
  }
  fputc('\n', stdout);
  fflush(stdout);
}

void survive_broken_pipes() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = on_broken_pipe;
  sigemptyset(&action.sa_mask);
  // Restart interrupted calls so waiting for a child is never cut short.
  action.sa_flags = SA_RESTART;
  sigaction(SIGPIPE, &action, nullptr);
}
