// Test helper: writes its whole argv, each entry followed by a NUL byte, to
// the file named by ARGV_RECORD, then exits with the code in ARGV_EXIT.
#include <cstdlib>
#include <fstream>

int main(int argc, char **argv) {
  if (const char *path = std::getenv("ARGV_RECORD")) {
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < argc; ++i) out << argv[i] << '\0';
  }
  const char *code = std::getenv("ARGV_EXIT");
  return code != nullptr ? std::atoi(code) : 0;
}
