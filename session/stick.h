#pragma once
// A controller's stick as the Up and Down keys, by one rule for every front
// end (the window's controllers, the browser page's gamepads): pushed half
// way or further it presses, and it lets go once back within a quarter of
// its travel, so that a stick resting near half way does not chatter.

namespace zorbly {

namespace stick {
// Fractions of the stick's full travel from the middle.
inline constexpr double press = 0.5;
inline constexpr double release = 0.25;
}  // namespace stick

// Where the stick points now: -1 up, 0 nowhere, 1 down, given where it
// pointed before (`was`, the same) and its position from -1 (all the way up)
// to 1 (all the way down); beyond those counts as all the way.
int stickDirection(int was, double position);

// The key a direction other than 0 holds: keyUp for -1, keyDown for 1.
int stickKey(int direction);

}  // namespace zorbly
