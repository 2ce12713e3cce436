#pragma once
// When frames are due: 64 a second (15.625 ms, what a desktop timer asked for
// 1 ms delivers), frame n due at start + n periods on the high-resolution
// counter. Deadlines advance by the period, never by "now + period", so the
// rate does not drift; after a stall (the process stopped, a long drag) the
// clock starts afresh from now instead of bursting through the missed frames.

#include <cstdint>

namespace zorbly {

class FrameClock {
 public:
  static constexpr std::uint64_t framesPerSecond = 64;
  // Frames this late or more are dropped and the clock restarts from now.
  static constexpr std::uint64_t stallFrames = 4;

  // `ticksPerSecond`: the counter's frequency; `now`: its reading at start.
  FrameClock(std::uint64_t ticksPerSecond, std::uint64_t now)
      : frequency_(ticksPerSecond), start_(now) {}

  // True when the next frame is due at `now`.
  bool due(std::uint64_t now) const { return now >= deadline(); }

  // Marks the due frame as delivered; restarts from `now` after a stall.
  void advance(std::uint64_t now) {
    ++frame_;
    if (now >= deadline() && now - deadline() >= stallFrames * frequency_ / framesPerSecond) {
      start_ = now;
      frame_ = 1;
    }
  }

  // Counter ticks left until the next frame is due; 0 when it is due.
  std::uint64_t ticksUntilDue(std::uint64_t now) const { return now >= deadline() ? 0 : deadline() - now; }

  std::uint64_t deadline() const { return start_ + frame_ * frequency_ / framesPerSecond; }
  std::uint64_t frame() const { return frame_; }

 private:
  std::uint64_t frequency_;
  std::uint64_t start_;
  std::uint64_t frame_ = 0;  // the next frame to deliver, counted from start_
};

}  // namespace zorbly
