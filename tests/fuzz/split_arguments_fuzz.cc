// libFuzzer target for split_arguments: checks what must hold for every
// argument string, not only that splitting survives it.
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "services/program_runner.h"

namespace {

// Without double quotes nothing groups or escapes: the arguments are the
// non-empty runs between blanks and NULs, backslashes included as they are.
std::vector<std::string> plain_runs(const std::string &text) {
  std::vector<std::string> runs;
  std::string run;
  for (char byte : text + ' ') {  // the added blank ends the last run
    if (byte != ' ' && byte != '\0') {
      run += byte;
    } else if (!run.empty()) {
      runs.push_back(run);
      run.clear();
    }
  }
  return runs;
}

// Quotes one argument so that splitting gives it back unchanged: backslashes
// are doubled before a double quote, and double quotes escaped.
std::string quoted(const std::string &argument) {
  std::string text = "\"";
  std::size_t backslashes = 0;
  for (char byte : argument) {
    if (byte == '\\') {
      ++backslashes;
      continue;
    }
    text.append(byte == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    text += byte;
    backslashes = 0;
  }
  text.append(backslashes * 2, '\\');
  return text + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  const std::vector<std::string> arguments = split_arguments(text);

  std::size_t total = 0;
  std::string joined;
  for (const std::string &argument : arguments) {
    check(argument.find('\0') == std::string::npos, "an argument holds a NUL byte");
    total += argument.size();
    joined += (joined.empty() ? "" : " ") + quoted(argument);
  }
  // Every byte of an argument comes from one byte of the text.
  check(total <= size, "the arguments are longer than the text");
  check(text.find('"') != std::string::npos || arguments == plain_runs(text),
        "without double quotes the arguments are not the runs between separators");
  // Any list of arguments survives being quoted, joined by blanks and split again.
  check(split_arguments(joined) == arguments, "quoted arguments do not split back");
  return 0;
}
