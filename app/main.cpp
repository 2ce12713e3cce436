// zorbly: the game in a window, or without one (--headless) driven by a script.

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "app/replay.h"
#include "app/window.h"
#include "scene/fatal.h"
#include "scene/headless.h"
#include "scene/script.h"

namespace {

// Taken before main() runs, as near to the program's start as we can see.
const auto programStart = std::chrono::steady_clock::now();

constexpr const char* version = "Zorbly 1.00";
constexpr int exitUsage = 2;

struct Options {
  bool headless = false;
  bool stats = false;
  std::optional<std::uint64_t> seed;
  std::string script;
  int scale = 1;
  std::string record;
  std::string replay;
};

int play(const Options& o) {
  using namespace zorbly;
  const Pictures pictures;
  const Font font(std::cerr);
  if (!o.headless) {
    WindowOptions w;
    w.seed = o.seed;
    w.stats = o.stats;
    w.started = programStart;
    w.scale = o.scale;
    w.record = o.record;
    // A replay is read and checked whole before any window opens.
    ReplayScript replay;
    if (!o.replay.empty()) {
      auto loaded = loadReplay(o.replay);
      if (auto* error = std::get_if<ReplayError>(&loaded)) {
        std::cerr << error->message << '\n';
        return error->status;
      }
      replay = std::move(std::get<ReplayScript>(loaded));
      if (replay.seed) w.seed = replay.seed;
      w.replay = &replay;
    }
    return runWindow(w, pictures, font);
  }

  std::ios::sync_with_stdio(false);
  if (o.script.empty()) return runHeadless(std::cin, std::cout, std::cerr, o.seed, pictures, font);
  std::ifstream file(o.script, std::ios::binary);
  if (!file) {
    std::cerr << "zorbly: cannot read " << o.script << '\n';
    return exitFileError;
  }
  return runHeadless(file, std::cout, std::cerr, o.seed, pictures, font);
}

// CLI11 checks: a whole number in [low, high], and a file name that is not empty.
CLI::Validator wholeNumber(std::string what, std::uint64_t low, std::uint64_t high) {
  return CLI::Validator(
      [=](const std::string& text) -> std::string {
        auto n = zorbly::parseNumber(text, what, low, high);
        auto* bad = std::get_if<zorbly::BadLine>(&n);
        return bad ? bad->reason : std::string();
      },
      "");
}

const CLI::Validator fileName(
    [](const std::string& text) { return text.empty() ? std::string("the file name is empty") : std::string(); },
    "");

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("Zorbly: a tiny horizontal shooter. Arrow keys move, Z fires.", "zorbly");
  Options o;
  std::string seed;
  app.add_flag("--headless", o.headless, "Run without a window, reading script commands");
  auto* seedOption = app.add_option("--seed", seed, "Seed the random source (0 to 18446744073709551615)")
                        ->check(wholeNumber("the seed", 0, UINT64_MAX));
  app.add_option("--script", o.script, "With --headless: read commands from FILE, not standard input")
      ->type_name("FILE")
      ->check(fileName)
      ->needs("--headless");
  app.add_flag("--stats", o.stats, "In the window: print frame timing and CPU figures at exit")
      ->excludes("--headless");
  std::string scale;
  auto* scaleOption =
      app.add_option("--scale", scale, "In the window: open it at 120N x 120N pixels (N 1 to 16, default 1)")
          ->type_name("N")
          ->check(wholeNumber("the scale", 1, 16))
          ->excludes("--headless");
  app.add_option("--record", o.record, "In the window: write the game to FILE as a script")
      ->type_name("FILE")
      ->check(fileName)
      ->excludes("--headless");
  app.add_option("--replay", o.replay, "In the window: play the script in FILE, then let the player go on")
      ->type_name("FILE")
      ->check(fileName)
      ->excludes("--headless");
  bool showVersion = false;
  app.add_flag("--version", showVersion, "Print the version and exit");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& e) {
    std::cerr << "zorbly: " << e.what() << " (see zorbly --help)\n";
    return exitUsage;
  }
  if (showVersion) {
    std::cout << version << '\n';
    return 0;
  }
  if (*seedOption) o.seed = std::get<std::uint64_t>(zorbly::parseNumber(seed, "", 0, UINT64_MAX));
  if (*scaleOption) o.scale = static_cast<int>(std::get<std::uint64_t>(zorbly::parseNumber(scale, "", 1, 16)));

  try {
    return play(o);
  } catch (const zorbly::FatalError& e) {
    std::cerr << "zorbly: " << e.what() << '\n';
    return zorbly::fatalExitStatus;
  }
}
