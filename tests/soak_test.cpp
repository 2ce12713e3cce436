// Soak: millions of frames of random keys through sessions, game
// after game with a new seed each, checking after every frame what must
// always hold. A game that breaks a rule is written out as a script to replay
// with `zorbly --headless --script FILE`.
//
// ZORBLY_SOAK_FRAMES sets how many frames the random keys play (10 million
// unless set; the sanitizer build runs fewer); steered play, slower, a twentieth.

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "scene/fatal.h"
#include "session/session.h"
#include "testkit/fixture.h"
#include "testkit/pilot.h"

namespace zorbly {
namespace {

std::uint64_t framesToSoak() {
  std::uint64_t frames = 10'000'000;
  if (const char* text = std::getenv("ZORBLY_SOAK_FRAMES")) {
    const std::string_view s(text);
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), frames);
    if (ec != std::errc() || end != s.data() + s.size()) {
      ADD_FAILURE() << "ZORBLY_SOAK_FRAMES is not a whole number: " << s;
    }
  }
  return frames;
}

// The rules that hold after every frame; the first one broken, or "".
std::string brokenRule(const GameState& st, const GameState& before) {
  if (!(st.jikiY >= -5 && st.jikiY <= 75)) return "jikiY " + std::to_string(st.jikiY) + " outside -5..75";
  if (!(st.stage >= 1 && st.stage <= 5)) return "stage " + std::to_string(st.stage) + " outside 1..5";
  if (!(st.score >= before.score)) {
    return "score fell from " + std::to_string(before.score) + " to " + std::to_string(st.score);
  }
  for (double row : st.tekiY) {
    if (row != 15 && row != 35 && row != 55 && row != 75 && row != 95) {
      return "an enemy on row " + std::to_string(row);
    }
  }
  if (!(st.laserX <= 150)) return "laserX " + std::to_string(st.laserX) + " beyond 150";
  return {};
}

enum class Play { random, steered };

struct Totals {
  std::uint64_t frames = 0, games = 0, endings = 0;
  double bestStage = 0;
};

// Plays games until `frames` frames have run. Random play presses and
// releases the arrows, Z and any other key at random between frames; steered
// play lets the test pilot choose its keys and mixes random ones in, so
// that the bosses and the ending are reached too.
class Soak {
 public:
  Soak(Play play, std::uint64_t firstSeed) : play_(play), seed_(firstSeed) {}

  Totals run(std::uint64_t frames) {
    while (totals_.frames < frames && playGame(frames - totals_.frames)) {
    }
    return totals_;
  }

 private:
  // One game with the next seed; false once a rule is broken.
  bool playGame(std::uint64_t frameLimit) {
    const std::uint64_t seed = seed_++;
    std::mt19937_64 keys(seed);
    Session game(testing::assets(), {.seed = seed});
    pilot_ = testing::Pilot();
    script_.clear();
    ++totals_.games;
    std::uint64_t frame = 0;
    try {
      while (game.running() && frame < frameLimit) {
        pressKeys(game, keys);
        const GameState before = game.state();
        issue(game, {Command::Kind::tick, 1, {}});
        ++frame;
        ++totals_.frames;
        if (const std::string broken = brokenRule(game.state(), before); !broken.empty()) {
          return fail(seed, frame, broken);
        }
      }
    } catch (const FatalError& e) {
      return fail(seed, frame + 1, std::string("a fatal error: ") + e.what());
    }
    totals_.bestStage = std::max(totals_.bestStage, game.state().stage);
    if (!game.ended() && !game.running()) ++totals_.endings;
    return true;
  }

  void pressKeys(Session& game, std::mt19937_64& keys) {
    if (play_ == Play::steered) {
      for (const auto& k : pilot_.keysFor(game.state(), game.random())) press(game, k.down, k.code);
    }
    // Random play gets random keys in about one frame in three, one to three
    // of them; steered play in one frame in thirty, or it never gets far.
    const std::uint64_t roll = keys() % (play_ == Play::random ? 18 : 180);
    for (std::uint64_t n = 0; n < (roll < 6 ? roll % 3 + 1 : 0); ++n) {
      const std::uint64_t pick = keys() % 8;
      const int key = pick < 2 ? keyUp : pick < 4 ? keyDown : pick < 6 ? keyZ : static_cast<int>(keys() % 256);
      press(game, keys() % 2 == 0, key);
    }
  }

  void press(Session& game, bool down, int key) {
    issue(game, {down ? Command::Kind::down : Command::Kind::up, static_cast<std::uint64_t>(key), {}});
  }

  void issue(Session& game, const Command& c) {
    script_.push_back(c);
    game.apply(c);
  }

  // Reports the broken rule and leaves the game behind as a script.
  bool fail(std::uint64_t seed, std::uint64_t frame, const std::string& what) {
    const std::string file = "soak-failure-seed-" + std::to_string(seed) + ".script";
    std::ofstream out(file);
    out << "seed " << seed << "\ntrace off\n";
    for (const Command& c : script_) out << formatCommand(c) << '\n';
    out << "state\n";
    ADD_FAILURE() << "seed " << seed << ", frame " << frame << ": " << what << "; the game is in "
                  << file;
    return false;
  }

  Play play_;
  std::uint64_t seed_;
  testing::Pilot pilot_;
  std::vector<Command> script_;
  Totals totals_;
};

void report(const Totals& t) {
  ::testing::Test::RecordProperty("frames", std::to_string(t.frames));
  ::testing::Test::RecordProperty("games", std::to_string(t.games));
  std::cout << t.frames << " frames in " << t.games << " games; highest stage " << t.bestStage << ", "
            << t.endings << " endings\n";
}

TEST(Soak, RandomKeysKeepEveryRuleFrameAfterFrame) {
  const std::uint64_t frames = framesToSoak();
  const Totals t = Soak(Play::random, 1).run(frames);
  report(t);
  EXPECT_EQ(t.frames, frames);
  EXPECT_GT(t.games, 1000u);  // many seeds, not one long game
}

TEST(Soak, SteeredPlayWithRandomKeysKeepsEveryRuleToTheEnding) {
  const std::uint64_t frames = framesToSoak() / 20;
  const Totals t = Soak(Play::steered, 1'000'001).run(frames);
  report(t);
  EXPECT_EQ(t.frames, frames);
  EXPECT_EQ(t.bestStage, 5);  // every boss was reached
}

}  // namespace
}  // namespace zorbly
