#pragma once
// One game as an agent plays it: six actions, several frames a step, sticky
// keys, points as the reward, and the end of the game or of the time allowed.
// zorbly.Env plays one; zorbly.VectorEnv many (vector_env.h).
//
// Actions: (nothing, Up, Down) x (no fire, fire), numbered
//   0 nothing  1 Up  2 Down  3 fire  4 Up and fire  5 Down and fire.
// An arrow is held for as long as the actions move that way; fire presses and
// releases Z at the start of the step.
//
// Sticky keys: at each frame of a step, until the step's action takes effect,
// the previous action goes on with probability `sticky` instead (its arrow
// stays held; it does not fire again). The draws come from a source of the
// player's own, seeded from the game's seed, never from the game's.

#include <cstdint>
#include <optional>

#include "game.h"
#include "observation.h"
#include "session/random.h"

namespace zorbly::python {

inline constexpr int actionCount = 6;

struct PlayerOptions {
  Observation observation = Observation::state;
  int frameSkip = 4;          // frames a step, 1 or more
  float sticky = 0;           // 0 .. 1
  std::uint64_t maxFrames = 0;  // frames a game may last; 0: no limit
  bool record = false;        // keep each game as a script (Game::recording)
};

struct Step {
  double reward = 0;  // points scored in the step
  bool terminated = false;  // game over, or the ending
  bool truncated = false;   // maxFrames played
};

class Player {
 public:
  Player(const Assets& assets, const PlayerOptions& options) : assets_(assets), options_(options) {}

  // A new game with this seed: the same game as Game(seed) and
  // `zorbly-headless --seed` give. No arrow is held.
  void reset(std::uint64_t seed);

  // One step of `action` (0 .. actionCount-1, checked by the caller); only
  // on a game that is not done.
  Step step(int action);

  // Writes the observation (observationSize values) to `out`; the pixels are
  // composed in `scratch`.
  void observe(Framebuffer& scratch, void* out) const;

  bool started() const { return game_.has_value(); }
  // Terminated or truncated: reset before the next step.
  bool done() const { return done_; }
  std::uint64_t frames() const { return frames_; }
  Game& game() { return *game_; }
  const Game& game() const { return *game_; }
  const PlayerOptions& options() const { return options_; }

 private:
  void press(int action);

  const Assets& assets_;
  PlayerOptions options_;
  std::optional<Game> game_;
  Random sticky_;
  int held_ = 0;  // the arrow held: 0 none, 1 Up, 2 Down
  std::uint64_t frames_ = 0;
  bool done_ = false;
};

}  // namespace zorbly::python
