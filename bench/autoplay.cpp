// autoplay [SEED [FRAMES]]: writes on standard output a script in which the
// tests' pilot plays FRAMES frames (default 4800, 75 seconds) of the game
// seeded SEED (default 1). The script is what scripts/measure.sh plays in the
// window with --replay to time a long game: without a player the ship is shot
// down within seconds. The pilot holds its fire from 90 points on, so that
// the ending, which stops the frames, never comes. If the ship is shot down
// all the same, the next seed is tried.

#include <cstdint>
#include <iostream>
#include <string>

#include "session/session.h"
#include "testkit/fixture.h"
#include "testkit/pilot.h"

namespace {

using namespace zorbly;

constexpr double holdFireAt = 90;

// The script of `frames` frames from `seed`, or "" if the game ends before.
std::string play(std::uint64_t seed, std::uint64_t frames) {
  Session game(testing::assets(), {.seed = seed});
  game.start();
  testing::Pilot pilot;
  std::string script = "seed " + std::to_string(seed) + "\n";
  std::uint64_t run = 0;  // frames since the last key event
  for (std::uint64_t f = 0; f < frames; ++f) {
    for (const testing::Key& k : pilot.keysFor(game.state(), game.random())) {
      if (k.code == keyZ && game.state().score >= holdFireAt) continue;
      if (run > 0) script += "tick " + std::to_string(run) + "\n";
      run = 0;
      script += (k.down ? "down " : "up ") + std::to_string(k.code) + "\n";
      game.apply({k.down ? Command::Kind::down : Command::Kind::up, static_cast<std::uint64_t>(k.code), {}});
    }
    game.apply({Command::Kind::tick, 1, {}});
    ++run;
    if (!game.running()) return "";
  }
  script += "tick " + std::to_string(run) + "\n";
  return script;
}

std::uint64_t argument(int argc, char** argv, int i, std::uint64_t otherwise) {
  if (argc <= i) return otherwise;
  auto n = parseNumber(argv[i], "the number", 0, UINT64_MAX);
  if (auto* bad = std::get_if<BadLine>(&n)) {
    std::cerr << "autoplay: " << bad->reason << "\nusage: autoplay [SEED [FRAMES]]\n";
    std::exit(2);
  }
  return std::get<std::uint64_t>(n);
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t first = argument(argc, argv, 1, 1);
  const std::uint64_t frames = argument(argc, argv, 2, 4800);
  for (std::uint64_t seed = first; seed < first + 1000; ++seed) {
    const std::string script = play(seed, frames);
    if (script.empty()) continue;
    std::cout << script;
    std::cerr << "autoplay: seed " << seed << ", " << frames << " frames\n";
    return 0;
  }
  std::cerr << "autoplay: no game of the pilot lasted " << frames << " frames\n";
  return 1;
}
