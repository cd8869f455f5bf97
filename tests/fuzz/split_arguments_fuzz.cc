// libFuzzer target for split_arguments: checks what must hold for every
// argument string, not only that splitting survives it.
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "services/program_runner.h"

// Without double quotes nothing groups or escapes: the arguments are the
// non-empty runs between blanks and NULs, backslashes included as they are.
static std::vector<std::string> plain_runs(const std::string &text) {
  std::vector<std::string> runs(1);  // the last one still growing
  for (char byte : text) {
    if (byte != ' ' && byte != '\0')
      runs.back() += byte;
    else if (!runs.back().empty())
      runs.emplace_back();
  }
  if (runs.back().empty()) runs.pop_back();
  return runs;
}

// Quotes one argument so that splitting gives it back unchanged: a double
// quote is escaped, and the run of backslashes before it or before the
// closing quote doubled.
static std::string quoted(const std::string &argument) {
  std::string text = "\"";
  std::size_t backslashes = 0;  // the run just copied
  for (char byte : argument) {
    if (byte == '"') text.append(backslashes + 1, '\\');
    text += byte;
    backslashes = byte == '\\' ? backslashes + 1 : 0;
  }
  return text + std::string(backslashes, '\\') + "\"";
}

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
