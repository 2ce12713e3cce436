#pragma once
// --replay FILE: a script (a recording, or written by hand) played in the
// window at the frame rate. The whole file is read and checked before any
// window opens; then at each frame the keys due before it are given to the
// handlers and one frame of the current `tick N` is used up, so `tick N`
// takes N frames of real time. After the last command the player's keys
// take over. `state` writes the state line on standard output, `shot FILE`
// writes the play field to FILE as in headless mode, `trace` does nothing.

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "scene/script.h"

namespace zorbly {

struct ReplayScript {
  struct Step {
    Command command;
    long long line = 0;  // where it stands in the file, for messages
  };
  std::optional<std::uint64_t> seed;  // from a leading `seed N`
  std::vector<Step> steps;            // every command but seed, in order
};

// Why a replay file cannot be played: the one line to print, and the exit
// status (1 a file that cannot be read, 2 a line that is not a command).
struct ReplayError {
  int status = 0;
  std::string message;  // "zorbly: line 3: unknown command 'jump'"
};

// Reads and checks a whole script; `name` names it in messages.
std::variant<ReplayScript, ReplayError> readReplay(std::istream& in, const std::string& name);
std::variant<ReplayScript, ReplayError> loadReplay(const std::string& path);

// Walks through a script frame by frame.
class ReplayPlayer {
 public:
  explicit ReplayPlayer(const ReplayScript& script) : steps_(script.steps) {}

  // The next command to carry out before the coming frame (a key, state,
  // shot or trace), or nullptr when the coming frame is a tick's (or the
  // script is over).
  const ReplayScript::Step* nextBeforeFrame() {
    if (at_ == steps_.size() || steps_[at_].command.kind == Command::Kind::tick) return nullptr;
    return &steps_[at_++];
  }

  // Uses up one frame of the current tick, if there is one.
  void takeFrame() {
    if (at_ == steps_.size() || steps_[at_].command.kind != Command::Kind::tick) return;
    if (++used_ == steps_[at_].command.number) {
      ++at_;
      used_ = 0;
    }
  }

  // True once every command has been carried out: the player takes over.
  bool done() const { return at_ == steps_.size(); }

 private:
  const std::vector<ReplayScript::Step>& steps_;
  std::size_t at_ = 0;
  std::uint64_t used_ = 0;  // frames of steps_[at_] used so far
};

}  // namespace zorbly
