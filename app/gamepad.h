#pragma once
// Game controllers as keys: the D-pad and the left stick's up and down act
// as the Up and Down arrows, the south face button (A on most pads) as Z.
// Controllers may come and go while the game runs.

#include <SDL_events.h>
#include <SDL_gamecontroller.h>

#include <vector>

namespace zorbly {

// A key event for the handlers: down or up, with a virtual-key code.
struct KeyEvent {
  bool down = false;
  int key = 0;
  bool operator==(const KeyEvent&) const = default;
};

// Turns SDL's game-controller events into key events. Pure bookkeeping: it
// remembers per controller which of its keys are held, so that the stick
// reports each crossing once and a controller unplugged with a key held lets
// go of it. The stick presses and lets go as stickDirection() says, its axis
// (-32768 up to 32767 down) taken as a fraction of 32767.
class GamepadKeys {
 public:
  static constexpr int maxEvents = 3;

  // Writes the key events `e` stands for to `out` and returns how many.
  int translate(const SDL_Event& e, KeyEvent (&out)[maxEvents]);

 private:
  struct Pad {
    SDL_JoystickID id;
    bool dpadUp = false, dpadDown = false, south = false;
    int stick = 0;  // stickDirection(): -1 up, 0 middle, +1 down
  };
  Pad& pad(SDL_JoystickID id);
  std::vector<Pad> pads_;
};

// The controllers themselves: opens each one SDL reports (those present at
// start included) and closes it when it goes. Without SDL's game-controller
// support (it failed to start) it does nothing.
class Gamepads {
 public:
  Gamepads();
  ~Gamepads();
  Gamepads(const Gamepads&) = delete;
  Gamepads& operator=(const Gamepads&) = delete;

  // Takes any SDL event; returns the key events it stands for in `out`.
  int handle(const SDL_Event& e, KeyEvent (&out)[GamepadKeys::maxEvents]);

 private:
  bool ok_;
  GamepadKeys keys_;
  std::vector<SDL_GameController*> open_;
};

}  // namespace zorbly
