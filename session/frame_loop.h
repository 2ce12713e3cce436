#pragma once
// The game in real time, for every front end that has a clock: "run the
// frames due by now". A desktop loop sleeps until the next deadline and calls
// it; a browser calls it from each animation frame. 64 frames a second on the
// front end's counter, whatever the display's rate; a replay, if there is
// one, gives its commands before the frames they precede, then the player's
// keys take over.

#include <cstdint>
#include <optional>

#include "session/frame_clock.h"
#include "session/frame_stats.h"
#include "session/replay.h"
#include "session/session.h"

namespace zorbly {

class FrameLoop {
 public:
  // `ticksPerSecond`: the frequency of the counter that `now` reads; `now`:
  // its reading at the start. The game starts here.
  FrameLoop(Session& session, const ReplayScript* replay, std::uint64_t ticksPerSecond, std::uint64_t now);

  // A key from the player (keyboard, controller, touch): ignored while the
  // replay runs.
  void key(bool down, int code);

  // Runs every frame due by `now`, each after the replay's commands that
  // come before it, and returns how many ran. After a stall the clock
  // starts afresh instead of bursting through the missed frames. Throws
  // FileError when a replayed shot cannot be written.
  int runDue(std::uint64_t now);

  // Runs the replay on without waiting for its frames to be due, up to
  // `maxFrames` frames of the game (frames after the ending, which run
  // nothing, pass at once), and returns how many ran; the clock then starts
  // afresh from `now`. A watcher's "skip to the end", a slice at a time.
  int skipReplay(std::uint64_t now, int maxFrames);

  // Counter ticks until the next frame is due; 0 when one is due now.
  std::uint64_t ticksUntilDue(std::uint64_t now) const { return clock_.ticksUntilDue(now); }

  bool replaying() const { return replay_ && !replay_->done(); }
  FrameStats& stats() { return stats_; }

 private:
  Session& session_;
  std::optional<ReplayPlayer> replay_;
  FrameClock clock_;
  FrameStats stats_;
  std::uint64_t frequency_;
};

}  // namespace zorbly
