#pragma once
// The game without a window: runs script commands (see script.h) from `in`
// and writes JSON lines to `out`, flushed after every command. Frames run
// only on `tick`, as fast as the commands come.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "game/state.h"
#include "scene/font.h"
#include "scene/framebuffer.h"
#include "scene/pictures.h"
#include "scene/random.h"
#include "scene/scene.h"
#include "scene/scene_services.h"
#include "scene/script.h"
#include "scene/trace.h"

namespace zorbly {

// Exit statuses of the headless mode.
inline constexpr int exitOk = 0;
inline constexpr int exitFileError = 1;  // a file that cannot be read or written
inline constexpr int exitBadLine = 2;    // a line that is not a valid command

// What `shot FILE` does with the picture of the play field: savePng for the
// program. It throws std::runtime_error with a one-line reason when the file
// cannot be written.
using ShotWriter = std::function<void(const Framebuffer&, const std::string&)>;

// One game driven by commands, as the headless mode runs it. runHeadless()
// reads the commands from a script; tests may call run() themselves and look
// at the state between commands.
class HeadlessGame {
 public:
  HeadlessGame(std::ostream& out, std::optional<std::uint64_t> seed, const Pictures& pictures,
               const Font& font, ShotWriter writeShot = savePng);

  // The seed command: seeds the random source; only before the start.
  void seed(std::uint64_t n) { random_.setFixedSeed(n); }

  // The game starts just before its first command other than seed.
  void start();

  // Carries out any command but seed, starting the game first if need be.
  // Output goes to a buffer that flush() hands to `out`; a long tick hands it
  // over in pieces. Throws what the shot writer throws, and FatalError.
  void run(const Command& c);
  void flush();

  const GameState& state() const { return state_; }
  bool ended() const { return services_.ended(); }
  // Frames are due while the timer runs and the game has not ended.
  bool running() const { return services_.running(); }

 private:
  Services& active() { return trace_ ? static_cast<Services&>(tracer_) : services_; }
  void tick(std::uint64_t frames);

  std::ostream& out_;
  ShotWriter writeShot_;
  Random random_;
  Scene scene_;
  SceneServices services_;
  std::string buffer_;
  TraceServices tracer_;
  GameState state_;
  Framebuffer frame_{};
  bool trace_ = true;
  bool started_ = false;
};

// Runs the whole script and returns the exit status. Bad lines and files are
// reported on `err` as "zorbly: line N: ..." and stop the run.
int runHeadless(std::istream& in, std::ostream& out, std::ostream& err,
                std::optional<std::uint64_t> seed, const Pictures& pictures, const Font& font,
                ShotWriter writeShot = savePng);

}  // namespace zorbly
