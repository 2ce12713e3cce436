#pragma once
// A game stepped in-process the way the headless driver steps it, with random
// keys from a fixed seed: what the stepping benchmarks and the allocation test
// run. A game that ends (game over, or the ending) starts again at once, so
// every step is one frame of a game in progress.
//
// With a trace sink, every service call is written as a JSON line into a
// buffer that is handed to the sink once per script command, as the headless
// driver does: a run of frames between two key events is one `tick N`, each
// key event one `down K` or `up K`.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "game/handlers.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/scene_services.h"
#include "scene/trace.h"

namespace zorbly::bench {

// Random presses and releases of the game's three keys.
class RandomKeys {
 public:
  struct Event {
    bool down;
    int key;
  };

  explicit RandomKeys(std::uint64_t seed) : random_(seed) { random_.randomize(); }

  // The key event to deliver before the next frame, if any: one frame in
  // four, Z, up or down, pressed two times in three, else released.
  std::optional<Event> next() {
    if (random_.next() >= 0.25f) return std::nullopt;
    static constexpr int keys[] = {keyZ, keyUp, keyDown};
    const int key = keys[static_cast<int>(random_.next() * 3)];
    return Event{random_.next() < 2.0f / 3, key};
  }

 private:
  Random random_;
};

class SteppedGame {
 public:
  // Game n (from 0) is seeded with seed + n, the keys with ~seed.
  SteppedGame(const Pictures& pictures, const Font& font, std::uint64_t seed,
              std::ostream* traceSink = nullptr)
      : pictures_(pictures), font_(font), seed_(seed), keys_(~seed), sink_(traceSink) {
    // Room for the largest piece handed over, so that the buffer never grows.
    if (sink_) buffer_.reserve(2 * outputChunk);
    start();
  }
  // The services hold references into the game: it stays where it was made.
  SteppedGame(const SteppedGame&) = delete;
  SteppedGame& operator=(const SteppedGame&) = delete;

  // This frame's key event, if any, then one frame.
  void step() {
    if (!services_->running()) start();
    if (auto key = keys_.next()) {
      flush();  // the `tick N` before the key event ends here
      if (key->down) {
        Form_KeyDown(state_, key->key, 0);
      } else {
        Form_KeyUp(state_, key->key, 0);
      }
    }
    Timer1_Timer(state_, active());
    if (sink_ && buffer_.size() >= outputChunk) flush();
  }

  // Hands what the trace wrote so far to the sink.
  void flush() {
    if (!sink_) return;
    sink_->write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    sink_->flush();
    buffer_.clear();
  }

  std::uint64_t gamesStarted() const { return games_; }
  const GameState& state() const { return state_; }
  const Scene& scene() const { return *scene_; }

 private:
  // Long runs of frames hand their output over in pieces of about this size,
  // as the headless driver does.
  static constexpr std::size_t outputChunk = 1 << 16;

  Services& active() { return tracer_ ? static_cast<Services&>(*tracer_) : *services_; }

  // A new game: every sprite at its place at creation, then start-up.
  void start() {
    tracer_.reset();
    services_.reset();
    random_.setFixedSeed(seed_ + games_);
    scene_.emplace(pictures_, font_);
    services_.emplace(*scene_, random_);
    if (sink_) tracer_.emplace(*services_, buffer_);
    state_ = GameState{};
    Form_Initialize(state_, active());
    ++games_;
  }

  const Pictures& pictures_;
  const Font& font_;
  std::uint64_t seed_;
  RandomKeys keys_;
  Random random_;
  std::ostream* sink_;
  std::string buffer_;
  std::optional<Scene> scene_;
  std::optional<SceneServices> services_;
  std::optional<TraceServices> tracer_;
  GameState state_;
  std::uint64_t games_ = 0;
};

}  // namespace zorbly::bench
