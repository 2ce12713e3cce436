#pragma once
// The game in a real window: SDL2, the frame clock, keyboard and controllers.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "scene/scene.h"
#include "session/replay.h"

namespace zorbly {

struct WindowOptions {
  std::optional<std::uint64_t> seed;
  bool stats = false;  // print frame and CPU figures at exit
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  int scale = 1;                         // the window opens at 120*scale x 120*scale
  std::string record;                    // --record: the file to write the game to, or ""
  const ReplayScript* replay = nullptr;  // --replay: played before the player takes over
};

// Opens the window and plays until the game ends or the window is closed.
// Returns the exit status; a window that cannot be opened, and a recording
// that cannot be written (status 1), are reported on standard error.
int runWindow(const WindowOptions& options, const Assets& assets);

}  // namespace zorbly
