#pragma once
// The game-over box: modal over the game window.

#include <SDL_video.h>

#include <functional>
#include <string_view>

namespace zorbly {

enum class BoxOutcome { dismissed, windowClosed };

// Shows a box with one OK button and returns when it is dismissed. Where the
// platform allows (X11), the game window is watched meanwhile: closing it, or
// asking the program to quit, takes the box down and returns windowClosed.
// Where no box can be shown, the title and prompt go to standard error and it
// returns at once as if dismissed. `repaint`, when given, is called whenever
// the game window is exposed or resized while the box is up.
BoxOutcome showMessageBox(SDL_Window* window, std::string_view prompt, std::string_view title,
                          const std::function<void()>& repaint = {});

}  // namespace zorbly
