// Reads the standard output of a shell command line by line, and writes
// message lines to standard output.
#pragma once

#include <cstdio>
#include <string>

// Owns at most one stream from popen. A reader lives inside the one function
// that uses it; one still open when it goes away is closed with pclose.
class CommandReader {
 public:
  CommandReader() = default;
  CommandReader(const CommandReader &) = delete;
  CommandReader &operator=(const CommandReader &) = delete;
  ~CommandReader();

  // Starts `command` through the shell with its output piped to us.
  // 0: started; 1: a stream is already open; 2: the command could not be
  // started (popen failed, or the command holds a NUL byte the shell would
  // never see).
  int open_command(const std::string &command);

  // True when no stream is held, or the stream has reached its end or failed.
  // Never reads.
  bool at_end() const;

  // Replaces `line` with the next line, without its line end.
  // 0 while a stream is held, 1 (line untouched) when none is.
  int read_line(std::string &line);

  // Waits for the command to end and closes the stream; its exit status is
  // not looked at. 0, or 1 when no stream was held.
  int close_command();

 private:
  FILE *stream_ = nullptr;
};

// Writes `text` and one line feed to standard output, flushing each at once.
// Write errors, a closed pipe included, are ignored.
void print_line(const std::string &text);

// Makes a write to a pipe whose reader has gone fail with EPIPE instead of
// killing the process. Unlike ignoring the signal, this leaves every child we
// start with the default disposition, as if started from a shell.
void survive_broken_pipes();
