#pragma once
// --replay FILE: a script (a recording, or one written by hand) played in
// real time. The whole file is read and checked before any window opens;
// then before each frame the commands due before it are carried out, and
// each frame uses up one frame of the current `tick N`, so `tick N` takes N
// frames of real time. After the last command the player takes over.
//
// Memory does not grow with the recording: a plain file is read again as it
// plays (a file that changed since it was checked is an error then); what
// can only be read once (a pipe) is held compactly, up to a limit.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "session/files.h"
#include "session/script.h"

namespace zorbly {

// A checked replay.
struct ReplayScript {
  std::optional<std::uint64_t> seed;  // from a leading `seed N`

  // A plain file, read again as it plays: its name, and what it was when checked.
  std::string path;
  std::uintmax_t size = 0;
  std::filesystem::file_time_type written{};

  // Anything else, held: some 16 bytes a command, runs of ticks in a row as one.
  struct Step {
    Command::Kind kind;
    std::uint32_t shot = 0;   // for shot: its index in `shots`
    std::uint64_t number = 0;  // the key code or frame count
  };
  std::vector<Step> steps;         // every command but seed, in order
  std::vector<std::string> shots;  // the file names of the shot commands

  bool streamed() const { return !path.empty(); }
};

// What a replay that is held may take: past it, the replay is refused.
inline constexpr std::size_t maxHeldReplayBytes = 16 << 20;

// Why a replay file cannot be played: the one line to print, and the exit
// status (1 a file that cannot be read, 2 a line that is not a command).
struct ReplayError {
  int status = 0;
  std::string message;  // "zorbly: line 3: unknown command 'jump'"
};

// Reads and checks a replay and holds it; `name` for messages.
std::variant<ReplayScript, ReplayError> readReplay(ByteSource& in, const std::string& name);
// Reads and checks the replay in the file `path`: a plain file to be read
// again as it plays, anything else held.
std::variant<ReplayScript, ReplayError> loadReplay(const std::string& path);

// Walks through a replay frame by frame.
class ReplayPlayer {
 public:
  // Opens a streamed replay's file again; throws FileError when it cannot be
  // read or has changed since it was checked.
  explicit ReplayPlayer(const ReplayScript& script);
  ReplayPlayer(const ReplayPlayer&) = delete;
  ReplayPlayer& operator=(const ReplayPlayer&) = delete;

  // The next command to carry out before the coming frame (a key, state,
  // shot or trace), or nothing when the coming frame is a tick's (or the
  // replay is over). Throws FileError when the file has changed.
  std::optional<Command> nextBeforeFrame();

  // Uses up one frame of the current tick, if there is one.
  void takeFrame();
  // Uses up the rest of the current tick at once, if there is one: frames
  // the game would not run anyway (its timer has stopped).
  void takeRestOfTick();

  // True once every command has been carried out: the player takes over.
  bool done() const { return !current_; }

 private:
  void advance();  // the next command into current_

  const ReplayScript& script_;
  std::optional<FileSource> file_;     // streamed: the file read again
  std::optional<ScriptReader> reader_;
  std::size_t at_ = 0;                 // held: the next step
  std::optional<Command> current_;     // the command due next
  std::uint64_t used_ = 0;             // frames of the current tick used so far
};

}  // namespace zorbly
