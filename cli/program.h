#pragma once
// What both programs do around their work: the command line's mistakes,
// --help and --version, and the errors that end the program, each as one
// line on standard error with its exit status (session/messages.h).

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "zorbly_version.h"

namespace zorbly {

inline constexpr const char* versionLine = "Zorbly " ZORBLY_VERSION "\n";

// Parses the arguments and carries out --help and --version. Returns the
// exit status when the program is done (help shown, a bad option), or
// nothing when it goes on.
std::optional<int> readCommandLine(CommandLine& line, const std::vector<std::string>& args);

// Runs `work` and returns its status. What ends it early is said on one
// line: an OptionError with status 2 (and where to find help), a FileError
// with status 1, a FatalError with status 3.
int runProgram(const CommandLine& line, const std::function<int()>& work);

}  // namespace zorbly
