#pragma once
// What both programs do around their work: the command line's mistakes,
// --help and --version, and the errors that end the program, each as one
// line on standard error with its exit status.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "headless/command_line.h"

namespace zorbly {

inline constexpr const char* versionLine = "Zorbly 1.00\n";

// Reports a mistake on the command line; returns the exit status, 2.
int badOption(const CommandLine& line, const std::string& reason);

// Parses the arguments and carries out --help and --version. Returns the
// exit status when the program is done (help shown, a bad option), or
// nothing when it goes on.
std::optional<int> readCommandLine(CommandLine& line, const std::vector<std::string>& args);

// Runs `work` and returns its status; a FileError ends it with status 1, a
// FatalError with status 3, each said on one line.
int runProgram(const std::function<int()>& work);

}  // namespace zorbly
