#include "session/frame_loop.h"

namespace zorbly {

FrameLoop::FrameLoop(Session& session, const ReplayScript* replay, std::uint64_t ticksPerSecond,
                     std::uint64_t now)
    : session_(session), clock_(ticksPerSecond, now), frequency_(ticksPerSecond) {
  if (replay) replay_.emplace(*replay);
  session_.start();
}

void FrameLoop::key(bool down, int code) {
  if (replaying() || session_.ended()) return;
  session_.apply(Command{down ? Command::Kind::down : Command::Kind::up, static_cast<std::uint64_t>(code), {}});
}

int FrameLoop::runDue(std::uint64_t now) {
  int frames = 0;
  while (clock_.due(now) && !session_.ended()) {
    const std::uint64_t deadline = clock_.deadline();
    clock_.advance(now);
    if (replaying()) {
      while (auto command = replay_->nextBeforeFrame()) {
        session_.apply(*command);
        session_.flush();
      }
      replay_->takeFrame();  // a tick's frame takes its time even with the timer stopped
    }
    if (!session_.running()) continue;  // after the ending the clock only paces the replay
    stats_.frame(static_cast<double>(now - deadline) * 1000.0 / static_cast<double>(frequency_));
    session_.apply(Command{Command::Kind::tick, 1, {}});
    ++frames;
  }
  return frames;
}

int FrameLoop::skipReplay(std::uint64_t now, int maxFrames) {
  int frames = 0;
  while (replaying() && !session_.ended() && frames < maxFrames) {
    while (auto command = replay_->nextBeforeFrame()) {
      session_.apply(*command);
      session_.flush();
    }
    if (!session_.running()) {
      replay_->takeRestOfTick();
      continue;
    }
    replay_->takeFrame();
    session_.apply(Command{Command::Kind::tick, 1, {}});
    ++frames;
  }
  clock_ = FrameClock(frequency_, now);
  return frames;
}

}  // namespace zorbly
