#include "test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

TempDir::TempDir() {
  char pattern[] = "/tmp/tessalux-test-XXXXXX";
  if (mkdtemp(pattern) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
}

void write_file(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

Argv read_nul_records(const std::string &path) {
  Argv records;
  std::ifstream in(path, std::ios::binary);
  for (std::string record; std::getline(in, record, '\0');) records.push_back(record);
  return records;
}

ScopedEnv::ScopedEnv(const std::string &name, const std::string &value) : name_(name) {
  if (const char *old = std::getenv(name.c_str())) old_value_ = old;
  setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (old_value_) {
    setenv(name_.c_str(), old_value_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

static std::string path_with_fake_first() {
  const char *path = std::getenv("PATH");
  return std::string(TEST_SUPPORT_DIR "/fake-bin:") + (path != nullptr ? path : "/usr/bin:/bin");
}

FakeXrandr::FakeXrandr()
    : path_("PATH", path_with_fake_first()),
      log_("FAKE_XRANDR_LOG", dir_.file("calls")),
      report_("FAKE_XRANDR_REPORT", dir_.file("report")),
      exit_("FAKE_XRANDR_EXIT", "0") {
  fs::create_directory(dir_.file("calls"));
  write_file(dir_.file("report"), "");
}

void FakeXrandr::set_report(const std::string &bytes) { write_file(dir_.file("report"), bytes); }

void FakeXrandr::set_exit_code(int code) {
  setenv("FAKE_XRANDR_EXIT", std::to_string(code).c_str(), 1);
}

// The fake names its logs call-0000, call-0001, ...: name order is call order.
std::vector<Argv> FakeXrandr::calls() const {
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(dir_.file("calls"))) names.push_back(entry.path());
  std::sort(names.begin(), names.end());
  std::vector<Argv> calls;
  for (const std::string &name : names) calls.push_back(read_nul_records(name));
  return calls;
}

XvfbServer::XvfbServer() {
  int input[2], output[2];
  if (pipe(input) != 0) return;
  if (pipe(output) != 0) {
    close(input[0]);
    close(input[1]);
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(input[0], STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    for (int fd : {input[0], input[1], output[0], output[1]}) close(fd);
    execlp("sh", "sh", TEST_SUPPORT_DIR "/xserver.sh", "serve", static_cast<char *>(nullptr));
    _exit(127);
  }
  close(input[0]);
  close(output[1]);
  keep_running_ = input[1];
  // The script prints the display once the server accepts connections.
  char byte;
  while (read(output[0], &byte, 1) == 1 && byte != '\n') display_ += byte;
  close(output[0]);
}

XvfbServer::~XvfbServer() {
  if (keep_running_ >= 0) close(keep_running_);
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
}
