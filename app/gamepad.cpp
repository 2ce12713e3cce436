#include "app/gamepad.h"

#include <SDL.h>

#include <algorithm>

#include "game/state.h"
#include "session/stick.h"

namespace zorbly {

namespace {

// SDL's axis value as a fraction of the stick's travel (-32768 is a hair
// past all the way up).
double stickPosition(Sint16 value) { return value / 32767.0; }

}  // namespace

GamepadKeys::Pad& GamepadKeys::pad(SDL_JoystickID id) {
  auto it = std::find_if(pads_.begin(), pads_.end(), [&](const Pad& p) { return p.id == id; });
  if (it != pads_.end()) return *it;
  pads_.push_back(Pad{id});
  return pads_.back();
}

int GamepadKeys::translate(const SDL_Event& e, KeyEvent (&out)[maxEvents]) {
  int n = 0;
  switch (e.type) {
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      const bool down = e.type == SDL_CONTROLLERBUTTONDOWN;
      Pad& p = pad(e.cbutton.which);
      bool* held = nullptr;
      int key = 0;
      switch (e.cbutton.button) {
        case SDL_CONTROLLER_BUTTON_DPAD_UP: held = &p.dpadUp; key = keyUp; break;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: held = &p.dpadDown; key = keyDown; break;
        case SDL_CONTROLLER_BUTTON_A: held = &p.south; key = keyZ; break;
        default: return 0;
      }
      *held = down;
      out[n++] = KeyEvent{down, key};
      break;
    }
    case SDL_CONTROLLERAXISMOTION: {
      if (e.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY) return 0;
      Pad& p = pad(e.caxis.which);
      const int now = stickDirection(p.stick, stickPosition(e.caxis.value));
      if (now == p.stick) return 0;
      if (p.stick != 0) out[n++] = KeyEvent{false, stickKey(p.stick)};
      if (now != 0) out[n++] = KeyEvent{true, stickKey(now)};
      p.stick = now;
      break;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
      const auto id = static_cast<SDL_JoystickID>(e.cdevice.which);
      auto it = std::find_if(pads_.begin(), pads_.end(), [&](const Pad& p) { return p.id == id; });
      if (it == pads_.end()) return 0;
      if (it->dpadUp || it->stick < 0) out[n++] = KeyEvent{false, keyUp};
      if (it->dpadDown || it->stick > 0) out[n++] = KeyEvent{false, keyDown};
      if (it->south) out[n++] = KeyEvent{false, keyZ};
      pads_.erase(it);
      break;
    }
    default: break;
  }
  return n;
}

Gamepads::Gamepads() : ok_(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) {}

Gamepads::~Gamepads() {
  for (SDL_GameController* c : open_) SDL_GameControllerClose(c);
  if (ok_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

int Gamepads::handle(const SDL_Event& e, KeyEvent (&out)[GamepadKeys::maxEvents]) {
  if (!ok_) return 0;
  if (e.type == SDL_CONTROLLERDEVICEADDED) {
    // `which` is the device index here; the events that follow name the
    // controller by its instance id.
    if (SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which)) {
      if (std::find(open_.begin(), open_.end(), c) == open_.end()) {
        open_.push_back(c);
      } else {
        SDL_GameControllerClose(c);  // reported twice: keep one reference
      }
    }
    return 0;
  }
  const int n = keys_.translate(e, out);
  if (e.type == SDL_CONTROLLERDEVICEREMOVED) {
    if (SDL_GameController* c = SDL_GameControllerFromInstanceID(e.cdevice.which)) {
      auto it = std::find(open_.begin(), open_.end(), c);
      if (it != open_.end()) {
        SDL_GameControllerClose(c);
        open_.erase(it);
      }
    }
  }
  return n;
}

}  // namespace zorbly
