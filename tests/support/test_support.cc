#include "test_support.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

TempDir::TempDir() {
  char pattern[] = "/tmp/tessalux-test-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::system_error(errno, std::generic_category(), pattern);
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
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
  if (old_value_)
    setenv(name_.c_str(), old_value_->c_str(), 1);
  else
    unsetenv(name_.c_str());
}

FakeXrandr::FakeXrandr()
    : path_("PATH", TEST_SUPPORT_DIR "/fake-bin:" + std::string(std::getenv("PATH"))),
      folder_("FAKE_XRANDR_DIR", dir_.path()) {
  fs::create_directory(dir_.file("calls"));
}

std::vector<Argv> FakeXrandr::calls() const {
  std::set<std::string> names;  // call-0000, call-0001, ...: name order is call order
  for (const auto &entry : fs::directory_iterator(dir_.file("calls"))) names.insert(entry.path());
  std::vector<Argv> calls;
  for (const std::string &name : names) calls.push_back(read_nul_records(name));
  return calls;
}
