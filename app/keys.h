#pragma once
// SDL key events into the Windows virtual-key codes the handlers expect.

#include <SDL_keyboard.h>

namespace zorbly {

// The virtual-key code of a key, or 0 for a key that has none here.
int virtualKey(SDL_Keycode key);

}  // namespace zorbly
