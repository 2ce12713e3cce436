#include "headless/headless_main.h"

#include <iostream>
#include <optional>

#include "cli/command_line.h"
#include "cli/program.h"
#include "session/files.h"
#include "session/messages.h"
#include "session/script_runner.h"

namespace zorbly {

int headlessMain(const std::vector<std::string>& args, const std::string& program) {
  CommandLine line(program,
                   "Zorbly without a window: plays the game from a script, one command a line, and\n"
                   "writes what happens as one JSON object a line. Commands: seed N, down K, up K,\n"
                   "tick [N], state, shot FILE, trace on|off.");
  line.option("--seed", "N", "Seed the random source (0 to 18446744073709551615)");
  line.option("--script", "FILE", "Read the commands from FILE, not standard input");
  line.flag("--version", "Print the version and exit");
  if (auto status = readCommandLine(line, args)) return *status;

  return runProgram(line, [&] {
    const SessionOptions options{.seed = line.seed()};
    if (standardOutputWasClosed()) throw FileError("cannot write standard output");
    const Assets assets;
    std::ios::sync_with_stdio(false);
    if (auto script = line.value("--script")) {
      FileSource file(*script);
      return runScript(file, std::cout, std::cerr, assets, options);
    }
    FileSource input;
    return runScript(input, std::cout, std::cerr, assets, options);
  });
}

}  // namespace zorbly
