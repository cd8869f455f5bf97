// Runs an external program with the arguments held in one string and waits
// for it, without a shell in between.
#pragma once

#include <string>
#include <vector>

// Splits an argument string into arguments: spaces and NUL bytes separate
// them (a tab, like every other byte, is part of an argument), double quotes
// group them, and a run of backslashes is special only when a double quote
// follows it. No argument in the result holds a NUL byte.
std::vector<std::string> split_arguments(const std::string &text);

// Starts `program` (searched along PATH when it holds no slash) with the
// arguments split from `arguments`, waits for it and returns its exit code
// 0..254, or -1 when it could not be started, exited with 255, was killed by a
// signal or could not be waited for.
int run_program(const std::string &program, const std::string &arguments);
