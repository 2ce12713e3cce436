#include "cli/program.h"

#include <cerrno>
#include <iostream>

#include "scene/fatal.h"
#include "session/messages.h"

namespace zorbly {

namespace {

// Writes to standard output (std::cout: on Windows it may be kept for a box);
// false when it cannot be written (a full disk), with errno the reason.
bool writeOut(const std::string& text) {
  errno = 0;
  std::cout << text << std::flush;
  return static_cast<bool>(std::cout);
}

int badOption(const CommandLine& line, const std::string& reason) {
  std::cerr << "zorbly: " << reason << " (see " << line.program() << " --help)\n";
  return exitUsage;
}

}  // namespace

std::optional<int> readCommandLine(CommandLine& line, const std::vector<std::string>& args) {
  if (auto reason = line.parse(args)) return badOption(line, *reason);
  const bool help = line.given("--help"), version = line.given("--version");
  if (!help && !version) return std::nullopt;
  if (writeOut(help ? line.help() : versionLine)) return exitOk;
  std::cerr << "zorbly: cannot write standard output: " << reasonFor(errno ? errno : EIO) << '\n';
  return exitFailed;
}

int runProgram(const CommandLine& line, const std::function<int()>& work) {
  try {
    return work();
  } catch (const OptionError& e) {
    return badOption(line, e.what());
  } catch (const FileError& e) {
    std::cerr << "zorbly: " << e.what() << '\n';
    return exitFailed;
  } catch (const FatalError& e) {
    std::cerr << "zorbly: " << e.what() << '\n';
    return exitFatal;
  }
}

}  // namespace zorbly
