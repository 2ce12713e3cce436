#pragma once
// --record FILE: the game as it is played, written in the script language
// (script.h) so that `zorbly --headless --script FILE` plays it again exactly
// and `zorbly --replay FILE` shows it again in the window:
//
//   seed N        the seed the random source used, first
//   down K, up K  every key event the game was given, in order
//   tick N        N frames in a row
//
// Every line is written out as it happens, whole (files.h: RecordingFile),
// so the file holds the whole game however the program ends. Frames are counted and written as one
// `tick N` line when a key comes, when the game ends, or once a second of
// frames (tick 64) has gathered, whichever is first. A game that ends in an
// orderly way also gets a comment at the end with its final state line, for
// checking a replay.

#include <cstdint>
#include <ostream>
#include <string>

#include "game/state.h"
#include "session/files.h"
#include "session/session.h"

namespace zorbly {

class Recorder : public CommandSink {
 public:
  // Frames gathered before they are written anyway: one second's worth.
  static constexpr std::uint64_t ticksPerLine = 64;

  // Writes to `out`; says once on `err` when `out` cannot be written, naming
  // `name` and the reason, and records nothing more.
  Recorder(LineSink& out, std::ostream& err, std::string name);

  void started(std::uint64_t seed) override;
  void applied(const Command& c) override;

  // Writes the frames counted so far, if any.
  void writePending();
  // The end of the recording: pending frames, then the final state as a comment.
  void finish(const GameState& state, int interval);

  // That comment's line: "# final state: {...}\n".
  static std::string finalState(const GameState& state, int interval);

 private:
  void write(const char* text, std::size_t size);

  LineSink& out_;
  std::ostream& err_;
  std::string name_;
  std::uint64_t pending_ = 0;
  bool failed_ = false;
  bool finished_ = false;
};

}  // namespace zorbly
