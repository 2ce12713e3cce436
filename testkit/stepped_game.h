#pragma once
// Games stepped in-process through a Session, as a bot steps them, with
// random keys from a fixed seed: what the stepping benchmarks and the
// allocation test run. A game that ends (game over, or the ending) starts
// again at once, so every step is one frame of a game in progress.
//
// With a trace sink, every service call is written as a JSON line and handed
// to the sink once per script command, as the headless program does: a run
// of frames between two key events is one `tick N`, each key event one
// `down K` or `up K`.

#include <cstdint>
#include <optional>
#include <ostream>

#include "session/session.h"

namespace zorbly::testing {

// Random presses and releases of the game's three keys.
class RandomKeys {
 public:
  explicit RandomKeys(std::uint64_t seed) : random_(seed) { random_.randomize(); }

  // The key event to give before the next frame, if any: one frame in
  // four, Z, up or down, pressed two times in three, else released.
  std::optional<Command> next() {
    if (random_.next() >= 0.25f) return std::nullopt;
    static constexpr int keys[] = {keyZ, keyUp, keyDown};
    const int key = keys[static_cast<int>(random_.next() * 3)];
    const bool down = random_.next() < 2.0f / 3;
    return Command{down ? Command::Kind::down : Command::Kind::up, static_cast<std::uint64_t>(key), {}};
  }

 private:
  Random random_;
};

class SteppedGame {
 public:
  // Game n (from 0) is seeded with seed + n, the keys with ~seed.
  SteppedGame(const Assets& assets, std::uint64_t seed, std::ostream* traceSink = nullptr)
      : assets_(assets), seed_(seed), keys_(~seed), sink_(traceSink) {
    start();
  }

  // This frame's key event, if any, then one frame.
  void step() {
    if (!session_->running()) start();
    if (auto key = keys_.next()) {
      session_->flush();  // the `tick N` before the key event ends here
      session_->apply(*key);
    }
    session_->apply(frame_);
  }

  // Hands what the trace wrote so far to the sink.
  void flush() { session_->flush(); }

  std::uint64_t gamesStarted() const { return games_; }
  const Session& session() const { return *session_; }

 private:
  void start() {
    if (session_) session_->flush();
    session_.emplace(assets_, SessionOptions{.seed = seed_ + games_, .out = sink_});
    session_->start();
    ++games_;
  }

  const Assets& assets_;
  std::uint64_t seed_;
  RandomKeys keys_;
  std::ostream* sink_;
  const Command frame_{Command::Kind::tick, 1, {}};
  std::optional<Session> session_;
  std::uint64_t games_ = 0;
};

}  // namespace zorbly::testing
