#pragma once
// --replay FILE: a script (a recording, or one written by hand) played in
// real time. The whole file is read and checked before any window opens;
// then before each frame the commands due before it are carried out, and
// each frame uses up one frame of the current `tick N`, so `tick N` takes N
// frames of real time. After the last command the player takes over.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "session/files.h"
#include "session/script.h"

namespace zorbly {

// A checked script, held compactly: some 16 bytes a command, runs of ticks
// in a row as one, so memory stays within a few times the file's size.
struct ReplayScript {
  struct Step {
    Command::Kind kind;
    std::uint32_t shot = 0;   // for shot: its index in `shots`
    std::uint64_t number = 0;  // the key code or frame count
  };
  std::optional<std::uint64_t> seed;  // from a leading `seed N`
  std::vector<Step> steps;            // every command but seed, in order
  std::vector<std::string> shots;     // the file names of the shot commands
};

// Why a replay file cannot be played: the one line to print, and the exit
// status (1 a file that cannot be read, 2 a line that is not a command).
struct ReplayError {
  int status = 0;
  std::string message;  // "zorbly: line 3: unknown command 'jump'"
};

std::variant<ReplayScript, ReplayError> readReplay(ByteSource& in);
std::variant<ReplayScript, ReplayError> loadReplay(const std::string& path);

// Walks through a script frame by frame.
class ReplayPlayer {
 public:
  explicit ReplayPlayer(const ReplayScript& script) : script_(script) {}

  // The next command to carry out before the coming frame (a key, state,
  // shot or trace), or nothing when the coming frame is a tick's (or the
  // script is over).
  std::optional<Command> nextBeforeFrame();

  // Uses up one frame of the current tick, if there is one.
  void takeFrame();

  // True once every command has been carried out: the player takes over.
  bool done() const { return at_ == script_.steps.size(); }

 private:
  const ReplayScript& script_;
  std::size_t at_ = 0;
  std::uint64_t used_ = 0;  // frames of the current tick used so far
};

}  // namespace zorbly
