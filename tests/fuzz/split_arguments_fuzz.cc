// libFuzzer target for split_arguments: checks what must hold for every
// argument string, not only that splitting survives it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "services/program_runner.h"

namespace {

[[noreturn]] void violated(const char *property) {
  std::fprintf(stderr, "split_arguments: %s\n", property);
  std::abort();
}

bool is_separator(char byte) { return byte == ' ' || byte == '\0'; }

// Without double quotes nothing groups or escapes: the arguments are the
// non-empty runs between separators, backslashes included as they are.
std::vector<std::string> plain_runs(const std::string &text) {
  std::vector<std::string> runs;
  std::string run;
  for (char byte : text) {
    if (!is_separator(byte)) {
      run += byte;
    } else if (!run.empty()) {
      runs.push_back(run);
      run.clear();
    }
  }
  if (!run.empty()) runs.push_back(run);
  return runs;
}

// Quotes one argument so that splitting gives it back unchanged: a run of
// backslashes is doubled where a double quote follows it, and each double
// quote inside is escaped.
std::string quoted(const std::string &argument) {
  std::string text = "\"";
  std::size_t backslashes = 0;
  for (char byte : argument) {
    if (byte == '\\') {
      ++backslashes;
      continue;
    }
    if (byte == '"') {
      text.append(backslashes * 2 + 1, '\\');
    } else {
      text.append(backslashes, '\\');
    }
    backslashes = 0;
    text += byte;
  }
  text.append(backslashes * 2, '\\');
  return text + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  const std::vector<std::string> arguments = split_arguments(text);

  std::size_t total = 0;
  for (const std::string &argument : arguments) {
    if (argument.find('\0') != std::string::npos) violated("an argument holds a NUL byte");
    total += argument.size();
  }
  // Every byte of an argument comes from one byte of the text.
  if (total > size) violated("the arguments are longer than the text");

  if (text.find('"') == std::string::npos && arguments != plain_runs(text)) {
    violated("without double quotes the arguments are not the runs between separators");
  }

  // Any list of arguments survives being quoted, joined and split again.
  std::string joined;
  for (const std::string &argument : arguments) {
    if (!joined.empty()) joined += ' ';
    joined += quoted(argument);
  }
  if (split_arguments(joined) != arguments) violated("quoted arguments do not split back");
  return 0;
}
