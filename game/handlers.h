#pragma once
// The four event handlers: the whole game. The platform calls
// Form_Initialize once, then Timer1_Timer once per frame and the key handlers
// between frames. After Services::end() the platform must call none of them.

#include "game/state.h"
#include "game/services.h"

namespace zorbly {

// Start-up: fills the state and gives the enemies their first picture.
void Form_Initialize(GameState& st, Services& s);

// Key press (and each automatic repeat): arrows set the ship's speed, Z fires.
// `shift` (the modifier state) is not used.
void Form_KeyDown(GameState& st, int keyCode, int shift);

// Key release: either arrow stops the ship.
void Form_KeyUp(GameState& st, int keyCode, int shift);

// One frame: score line, ship, boss phase, enemy pass.
void Timer1_Timer(GameState& st, Services& s);

}  // namespace zorbly
