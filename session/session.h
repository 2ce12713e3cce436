#pragma once
// One running game: the state, the scene, the random source and the services
// over them, started the one way every front end starts it, and driven one
// script command at a time (script.h). The headless program, the window and
// the browser page each feed a Session; a replay is a source of commands,
// a recording a sink that sees every command applied.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "game/state.h"
#include "session/files.h"
#include "scene/scene.h"
#include "session/random.h"
#include "session/scene_services.h"
#include "session/script.h"
#include "session/trace.h"

namespace zorbly {

// Sees the game as it is played: what a recording writes.
class CommandSink {
 public:
  virtual ~CommandSink() = default;
  // The game has started; `seed` is the seed its random source used.
  virtual void started(std::uint64_t seed) = 0;
  // A key or a run of frames, just given to the game.
  virtual void applied(const Command& c) = 0;
};

struct SessionOptions {
  // Seeds the game unless the script's `seed N` does; without either, the clock does.
  std::optional<std::uint64_t> seed;
  // Where the game's lines go, a command's lines at a time (flush()): the
  // state line, and while the trace is on a line for every service call.
  // Without one the game writes nothing, and `state` and `trace` do nothing.
  std::ostream* out = nullptr;
  // False (a window): the trace stays off whatever `trace on` says.
  bool trace = true;
  MessageBox* box = nullptr;   // without one the box is dismissed at once
  CommandSink* sink = nullptr;
  // What `shot FILE` does with the PNG bytes: writes the file (files.h).
  void (*writeShot)(const std::string& file, std::string_view png) = writeFile;
};

class Session {
 public:
  explicit Session(const Assets& assets, const SessionOptions& options = {});

  // A copy of the whole game as it stands, the random source included, so
  // that a player can look ahead: the same commands then give both the same
  // lines and the same pictures. The copy writes to `out` (none: nothing)
  // and tells `sink` (none: nobody); lines the original has not flushed yet
  // stay with it. Its trace is on where the original's is and `out` is given.
  Session(const Session& other, std::ostream* out, CommandSink* sink);
  // A plain copy would leave the copy's services and trace working on the
  // original's scene, random source and buffer.
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Runs the start-up handler; the game starts only once.
  void start();

  // Carries out one command of the script language. `seed N` seeds the game
  // and may only come before it starts (std::invalid_argument after); any
  // other command starts the game first if need be. Throws FileError when a
  // shot cannot be written, FatalError when the game asks for a sprite that
  // does not exist.
  void apply(const Command& c);

  // Hands the lines written so far to the output and flushes it.
  void flush();

  const GameState& state() const { return state_; }
  const Scene& scene() const { return scene_; }
  // The random source as it stands: what a player that looks ahead copies.
  const Random& random() const { return random_; }
  // The play field as it looks now.
  const Framebuffer& picture();
  int interval() const { return services_.interval(); }
  bool ended() const { return services_.ended(); }
  // Frames are due while the timer runs and the game has not ended.
  bool running() const { return services_.running(); }
  bool started() const { return started_; }

 private:
  Services& active() { return trace_ ? static_cast<Services&>(tracer_) : services_; }
  void tick(const Command& c);

  std::ostream* out_;
  Random random_;
  Scene scene_;
  SceneServices services_;
  std::string buffer_;
  TraceServices tracer_;
  GameState state_;
  Framebuffer frame_;  // written whole by picture()
  CommandSink* sink_;
  void (*writeShot_)(const std::string& file, std::string_view png);
  bool traceable_;
  bool trace_;
  bool started_ = false;
};

}  // namespace zorbly
