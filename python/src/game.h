#pragma once
// zorbly.Game: one Session driven as the headless program drives it, one
// command at a time, with its trace and its recording kept in memory instead
// of written out. Plain C++: the Python binding (game_binding.cpp) only
// converts arguments and results.

#include <cstdint>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "session/recorder.h"
#include "session/recording_text.h"
#include "session/session.h"

namespace zorbly::python {

class Game {
 public:
  // Starts a game at once, as the headless program does before its first
  // command. Without a seed the clock seeds it. With `trace`, every service
  // call is written as the headless program writes it (trace on at the
  // start); with `record`, the game is written as a script (recorder.h).
  Game(const Assets& assets, std::optional<std::uint64_t> seed, bool trace = false,
       bool record = false);

  // The whole game as it stands, the random source, trace and recording
  // included (what a search that looks ahead plays on). Not const: the
  // recording's pending frames are written out first.
  std::unique_ptr<Game> clone();

  // `down K`, `up K`, `tick N`: after the game over the game takes nothing
  // more, as the headless program reads nothing more; after the ending keys
  // still reach it and ticks run no frame, as there.
  void keyDown(int code) { key(Command::Kind::down, code); }
  void keyUp(int code) { key(Command::Kind::up, code); }
  void tick(std::uint64_t frames);

  const GameState& state() const { return session_.state(); }
  int interval() const { return session_.interval(); }
  // Game over: an enemy shot hit the ship and the program ended.
  bool over() const { return session_.ended(); }
  // No frame will run any more: the game over, or the ending.
  bool ended() const { return !session_.running(); }
  std::uint64_t seed() const { return session_.random().seed(); }

  // The field as it looks now, composed into the session's own framebuffer.
  const Framebuffer& picture() { return session_.picture(); }
  // `shot FILE`: throws FileError naming the file when it cannot be written.
  void shot(const std::string& path);

  bool traced() const { return traceOut_ != nullptr; }
  bool tracing() const { return tracing_; }
  // `trace on` / `trace off`; only for a game made with the trace.
  void setTracing(bool on);
  // The trace's lines written since the last call, each ending in '\n'.
  std::string takeTrace();

  bool recorded() const { return recording_ != nullptr; }
  // The game so far as a script: `seed N`, then the keys and runs of frames.
  std::string recording();

  const Session& session() const { return session_; }

 private:
  struct Recording {
    RecordingText script;  // without a limit: writing never fails
    std::ostringstream errors;
    Recorder recorder{script, errors, "the recording"};
  };

  Game(const Game& other, std::unique_ptr<std::ostringstream> traceOut,
       std::unique_ptr<Recording> recording);
  void key(Command::Kind kind, int code);
  void apply(const Command& c);

  // Declared before the session, which writes to them.
  std::unique_ptr<std::ostringstream> traceOut_;
  std::unique_ptr<Recording> recording_;
  Session session_;
  bool tracing_;
};

}  // namespace zorbly::python
