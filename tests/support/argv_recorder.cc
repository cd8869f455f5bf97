// Test helper: writes its whole argv, each entry followed by a NUL byte, to
// the file named by ARGV_RECORD, then exits with the code in ARGV_EXIT.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv) {
  const char *path = std::getenv("ARGV_RECORD");
  if (FILE *out = path != nullptr ? std::fopen(path, "wb") : nullptr) {
    for (int i = 0; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, out);
    std::fclose(out);
  }
  const char *code = std::getenv("ARGV_EXIT");
  return code != nullptr ? std::atoi(code) : 0;
}
