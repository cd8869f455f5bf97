// Shared pieces of the unit tests: temporary folders and files, environment
// settings, the fake xrandr.
#pragma once

#include <optional>
#include <string>
#include <vector>

using Argv = std::vector<std::string>;

// A fresh folder under /tmp (else it throws: never /), removed with all in it.
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

void write_file(const std::string &path, const std::string &bytes);

// The NUL-terminated entries of a file, as the fake xrandr and argv_recorder
// write them; none when the file is empty or missing.
Argv read_nul_records(const std::string &path);

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const std::string &name, const std::string &value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv &) = delete;
  ScopedEnv &operator=(const ScopedEnv &) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_value_;
};

// Puts the tests' fake xrandr first on PATH with a fresh folder of its own,
// which holds the report `xrandr -q` prints and every call's exit status;
// calls() gives each call's arguments, oldest first, last_call() the latest's.
class FakeXrandr {
 public:
  FakeXrandr();
  void set_report(const std::string &bytes) { write_file(dir_.file("report"), bytes); }
  void set_exit_code(int code) { write_file(dir_.file("exit-status"), std::to_string(code)); }
  std::vector<Argv> calls() const;
  Argv last_call() const { return calls().empty() ? Argv{} : calls().back(); }

 private:
  TempDir dir_;
  ScopedEnv path_;
  ScopedEnv folder_;
};
