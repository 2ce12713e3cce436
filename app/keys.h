#pragma once
// SDL key events into the Windows virtual-key codes the handlers expect.

#include <SDL_keyboard.h>

namespace zorbly {

// The virtual-key code of a key, or 0 for a key that has none here.
int virtualKey(SDL_Keycode key);

// The modifier state as the handlers' Shift argument: 1 shift, 2 ctrl, 4 alt.
int shiftState(Uint16 mod);

}  // namespace zorbly
