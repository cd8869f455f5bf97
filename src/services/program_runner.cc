#include "program_runner.h"

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Longest program name we hand to the system; the only caller passes "xrandr".
constexpr std::size_t max_program_name = 1024;

bool is_separator(char byte) { return byte == ' ' || byte == '\0'; }

}  // namespace

std::vector<std::string> split_arguments(const std::string &text) {
  std::vector<std::string> arguments;
  std::size_t pos = 0;
  const std::size_t end = text.size();

  while (pos < end && is_separator(text[pos])) ++pos;

  while (pos < end) {
    std::string argument;
    std::size_t backslashes = 0;
    bool quoting = false;
    bool complete = false;

    for (; pos < end && !complete; ++pos) {
      const char byte = text[pos];
      if (byte == '\\') {
        argument += byte;
        ++backslashes;
        continue;
      }
      if (byte == '"') {
        // Half the run (rounded up for an odd run, which also eats the
        // escaping backslash) was only there to say what the quote means.
        argument.resize(argument.size() - (backslashes + 1) / 2);
        if (backslashes % 2 == 1) {
          argument += '"';
        } else {
          quoting = !quoting;
        }
      } else if (is_separator(byte)) {
        if (quoting) {
          argument += ' ';
        } else {
          complete = true;
        }
      } else {
        argument += byte;
      }
      backslashes = 0;
    }

    arguments.push_back(std::move(argument));
    while (pos < end && is_separator(text[pos])) ++pos;
  }
  return arguments;
}

int run_program(const std::string &program, const std::string &arguments) {
  // A NUL would silently cut the name short and start some other program.
  if (program.empty() || program.size() > max_program_name ||
      program.find('\0') != std::string::npos) {
    return -1;
  }

  std::vector<std::string> list;
  list.push_back(program);
  if (!arguments.empty()) {
    std::vector<std::string> split = split_arguments(arguments);
    list.insert(list.end(), split.begin(), split.end());
  }

  // Everything the child needs is built before fork, so the child does
  // nothing but exec.
  std::vector<char *> argv;
  argv.reserve(list.size() + 1);
  for (std::string &argument : list) argv.push_back(argument.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    execvp(argv[0], argv.data());
    // Not started: leave without running the parent's exit handlers or
    // flushing its stdio buffers a second time.
    _exit(255);
  }

  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  if (!WIFEXITED(status)) return -1;
  const int code = WEXITSTATUS(status);
  return code == 255 ? -1 : code;
}
