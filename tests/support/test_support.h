// Shared pieces of the unit tests: temporary folders, files, the fake
// xrandr on PATH, and a private Xvfb server.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A fresh folder under /tmp, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::string &path() const { return path_; }
  std::string file(const std::string &name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_file(const std::string &path);
void write_file(const std::string &path, const std::string &bytes);

// Splits NUL-terminated entries, as the fake xrandr and argv_recorder write them.
std::vector<std::string> split_nul_records(const std::string &bytes);

// Sets an environment variable for the life of the object, then puts back
// what was there before.
class ScopedEnv {
 public:
  ScopedEnv(const std::string &name, const std::string &value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

 private:
  std::string name_;
  bool had_value_;
  std::string old_value_;
};

// Puts the tests' fake xrandr first on PATH and points it at a fresh log
// folder; the argument lists of its calls come back from calls().
class FakeXrandr {
 public:
  FakeXrandr();
  // The report `xrandr -q` prints.
  void set_report(const std::string &bytes);
  void set_exit_code(int code);
  std::vector<std::vector<std::string>> calls() const;

 private:
  TempDir dir_;
  ScopedEnv path_;
  ScopedEnv log_;
  ScopedEnv report_;
  ScopedEnv exit_;
};

// An Xvfb server from tests/support/xserver.sh, which picks the display,
// stopped on destruction.
class XvfbServer {
 public:
  XvfbServer();
  ~XvfbServer();
  XvfbServer(const XvfbServer &) = delete;
  XvfbServer &operator=(const XvfbServer &) = delete;
  bool running() const { return !display_.empty(); }
  const std::string &display() const { return display_; }

 private:
  pid_t pid_ = -1;
  // The script's standard input: it stops the server once this closes.
  int keep_running_ = -1;
  std::string display_;
};
