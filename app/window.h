#pragma once
// The game in a real window: SDL2, the frame clock, the keyboard.

#include <chrono>
#include <cstdint>
#include <optional>

#include "scene/font.h"
#include "scene/pictures.h"

namespace zorbly {

struct WindowOptions {
  std::optional<std::uint64_t> seed;
  bool stats = false;  // print frame and CPU figures at exit
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

// Opens the window and plays until the game ends or the window is closed.
// Returns the exit status; a window that cannot be opened is reported on
// standard error.
int runWindow(const WindowOptions& options, const Pictures& pictures, const Font& font);

}  // namespace zorbly
