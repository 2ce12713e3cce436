#include "headless/headless_main.h"

#include <iostream>
#include <optional>

#include "headless/command_line.h"
#include "headless/program.h"
#include "scene/fatal.h"
#include "session/files.h"
#include "session/headless.h"
#include "session/messages.h"
#include "session/script.h"

namespace zorbly {

int headlessMain(const std::vector<std::string>& args, const std::string& program) {
  CommandLine line(program,
                   "Zorbly without a window: plays the game from a script, one command a line, and\n"
                   "writes what happens as one JSON object a line. Commands: seed N, down K, up K,\n"
                   "tick [N], state, shot FILE, trace on|off.");
  line.option("--seed", "N", "Seed the random source (0 to 18446744073709551615)");
  line.option("--script", "FILE", "Read the commands from FILE, not standard input");
  line.flag("--version", "Print the version and exit");

  std::optional<std::uint64_t> seed;
  if (auto status = readCommandLine(line, args)) return *status;
  if (auto text = line.value("--seed")) {
    auto n = parseNumber(*text, "the seed", 0, UINT64_MAX);
    if (auto* bad = std::get_if<BadLine>(&n)) return badOption(line, "--seed: " + bad->reason);
    seed = std::get<std::uint64_t>(n);
  }

  return runProgram([&] {
    if (standardOutputWasClosed()) throw FileError("cannot write standard output");
    const Assets assets;
    std::ios::sync_with_stdio(false);
    if (auto script = line.value("--script")) {
      FileSource file(*script);
      return runHeadless(file, std::cout, std::cerr, assets, {.seed = seed});
    }
    FileSource input;
    return runHeadless(input, std::cout, std::cerr, assets, {.seed = seed});
  });
}

}  // namespace zorbly
