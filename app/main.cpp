// zorbly: the game in a window; `zorbly --headless ...` is the headless
// program (headless/), the game driven by a script with no window.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

// On Windows SDL's main() calls this one (as SDL_main) with the arguments in UTF-8.
#include <SDL_main.h>

#include "app/window.h"
#include "app/windows_errors.h"
#include "cli/command_line.h"
#include "cli/program.h"
#include "headless/headless_main.h"
#include "session/files.h"
#include "session/replay.h"

namespace {

// Taken before main() runs, as near to the program's start as we can see.
const auto programStart = std::chrono::steady_clock::now();

int playInAWindow(const std::vector<std::string>& args) {
  using namespace zorbly;
  CommandLine line("zorbly",
                   "Zorbly: a tiny horizontal shooter. Arrow keys move, Z fires; F11 or Alt+Enter\n"
                   "switches fullscreen. `zorbly --headless --help` tells of the headless mode.");
  line.option("--seed", "N", "Seed the random source (0 to 18446744073709551615)");
  line.flag("--stats", "Print frame timing and CPU figures when the window closes");
  line.option("--scale", "N", "Open the window at 120N x 120N pixels (N 1 to 16, default 1)");
  line.option("--record", "FILE", "Write the game to FILE as a script");
  line.option("--replay", "FILE", "Play the script in FILE, then let the player go on");
  line.flag("--headless", "Play from a script with no window (see zorbly --headless --help)");
  line.flag("--version", "Print the version and exit");
  if (auto status = readCommandLine(line, args)) return *status;

  return runProgram(line, [&] {
    WindowOptions w;
    w.started = programStart;
    w.stats = line.given("--stats");
    w.seed = line.seed();
    w.scale = static_cast<int>(line.number("--scale", "the scale", 1, 16).value_or(1));
    w.record = line.value("--record").value_or("");
    const Assets assets;
    // A replay is read and checked whole before any window opens, display or
    // not: a bad recording is said the same way on every machine, and a
    // recording can be checked where there is no display.
    ReplayScript replay;
    if (auto file = line.value("--replay")) {
      auto loaded = loadReplay(*file);
      if (auto* error = std::get_if<ReplayError>(&loaded)) {
        std::cerr << error->message << '\n';
        return error->status;
      }
      replay = std::move(std::get<ReplayScript>(loaded));
      if (replay.seed) w.seed = replay.seed;
      w.replay = &replay;
    }
    return runWindow(w, assets);
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto headless = std::find(args.begin(), args.end(), "--headless");
  zorbly::findStandardStreams(headless != args.end());
  zorbly::guardStandardStreams();
  zorbly::binaryStandardStreams();
  if (headless != args.end()) {
    args.erase(headless);
    return zorbly::headlessMain(args, "zorbly --headless");
  }
  return zorbly::showKeptMessages(playInAWindow(args));
}
