#include "player.h"

#include <algorithm>

#include "scene/scene.h"

namespace zorbly::python {

namespace {

constexpr int arrowKey[3] = {0, keyUp, keyDown};

// The sticky keys' seed: the game's seed, mixed (SplitMix64's finaliser) so
// that the two sources draw different numbers.
std::uint64_t stickySeed(std::uint64_t seed) {
  std::uint64_t z = seed + 0x5851F42D4C957F2Dull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

void Player::reset(std::uint64_t seed) {
  game_.emplace(assets_, seed, false, options_.record);
  sticky_.setFixedSeed(stickySeed(seed));
  sticky_.randomize();
  held_ = 0;
  frames_ = 0;
  done_ = false;
}

void Player::press(int action) {
  const int move = action % 3;
  if (move != held_) {
    if (held_) game_->keyUp(arrowKey[held_]);
    if (move) game_->keyDown(arrowKey[move]);
    held_ = move;
  }
  if (action >= 3) {
    game_->keyDown(keyZ);
    game_->keyUp(keyZ);
  }
}

Step Player::step(int action) {
  Game& game = *game_;
  const double before = game.state().score;
  std::uint64_t frames = static_cast<std::uint64_t>(options_.frameSkip);
  if (options_.maxFrames) frames = std::min(frames, options_.maxFrames - frames_);
  if (options_.sticky <= 0) {
    press(action);
    game.tick(frames);
  } else {
    bool taken = false;
    for (std::uint64_t f = 0; f < frames && !game.ended(); ++f) {
      if (!taken && !(sticky_.next() < options_.sticky)) {
        taken = true;
        press(action);
      }
      game.tick(1);
    }
  }
  frames_ += frames;
  Step result;
  result.reward = game.state().score - before;
  result.terminated = game.ended();
  result.truncated = !result.terminated && options_.maxFrames && frames_ >= options_.maxFrames;
  done_ = result.terminated || result.truncated;
  return result;
}

void Player::observe(Framebuffer& scratch, void* out) const {
  switch (options_.observation) {
    case Observation::state: writeState(game_->state(), static_cast<float*>(out)); return;
    case Observation::pixels:
      compose(game_->session().scene(), scratch);
      writeRgb(scratch, static_cast<std::uint8_t*>(out));
      return;
    case Observation::gray:
      compose(game_->session().scene(), scratch);
      writeGray(scratch, static_cast<std::uint8_t*>(out));
      return;
  }
}

}  // namespace zorbly::python
