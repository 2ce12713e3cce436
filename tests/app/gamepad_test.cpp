// Game controllers as keys: SDL's controller events into the key events the
// handlers get, and a virtual controller plugged in and out through SDL.

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

#include "app/gamepad.h"
#include "game/state.h"

namespace zorbly {
namespace {

using Keys = std::vector<KeyEvent>;

}  // namespace

void PrintTo(const KeyEvent& k, std::ostream* os) { *os << (k.down ? "down " : "up ") << k.key; }

namespace {

SDL_Event button(bool down, Uint8 which, SDL_JoystickID pad = 0) {
  SDL_Event e{};
  e.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
  e.cbutton.which = pad;
  e.cbutton.button = which;
  e.cbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
  return e;
}

SDL_Event axis(Uint8 which, Sint16 value, SDL_JoystickID pad = 0) {
  SDL_Event e{};
  e.type = SDL_CONTROLLERAXISMOTION;
  e.caxis.which = pad;
  e.caxis.axis = which;
  e.caxis.value = value;
  return e;
}

SDL_Event removed(SDL_JoystickID pad) {
  SDL_Event e{};
  e.type = SDL_CONTROLLERDEVICEREMOVED;
  e.cdevice.which = pad;
  return e;
}

Keys keysOf(GamepadKeys& g, const SDL_Event& e) {
  KeyEvent out[GamepadKeys::maxEvents];
  const int n = g.translate(e, out);
  return Keys(out, out + n);
}

constexpr KeyEvent down(int k) { return KeyEvent{true, k}; }
constexpr KeyEvent up(int k) { return KeyEvent{false, k}; }

TEST(GamepadKeys, DpadAndSouthButtonAreUpDownAndZ) {
  GamepadKeys g;
  EXPECT_EQ(keysOf(g, button(true, SDL_CONTROLLER_BUTTON_DPAD_UP)), Keys{down(keyUp)});
  EXPECT_EQ(keysOf(g, button(false, SDL_CONTROLLER_BUTTON_DPAD_UP)), Keys{up(keyUp)});
  EXPECT_EQ(keysOf(g, button(true, SDL_CONTROLLER_BUTTON_DPAD_DOWN)), Keys{down(keyDown)});
  EXPECT_EQ(keysOf(g, button(false, SDL_CONTROLLER_BUTTON_DPAD_DOWN)), Keys{up(keyDown)});
  EXPECT_EQ(keysOf(g, button(true, SDL_CONTROLLER_BUTTON_A)), Keys{down(keyZ)});
  EXPECT_EQ(keysOf(g, button(false, SDL_CONTROLLER_BUTTON_A)), Keys{up(keyZ)});
}

TEST(GamepadKeys, OtherButtonsAndAxesAreNothing) {
  GamepadKeys g;
  for (Uint8 b : {SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_X, SDL_CONTROLLER_BUTTON_Y,
                  SDL_CONTROLLER_BUTTON_START, SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT}) {
    EXPECT_EQ(keysOf(g, button(true, b)), Keys{}) << int{b};
  }
  EXPECT_EQ(keysOf(g, axis(SDL_CONTROLLER_AXIS_LEFTX, -32768)), Keys{});
  EXPECT_EQ(keysOf(g, axis(SDL_CONTROLLER_AXIS_RIGHTY, 32767)), Keys{});
  EXPECT_EQ(keysOf(g, axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767)), Keys{});
}

// The stick's rule in SDL's axis values: half of 32767 (16383.5) presses,
// and a quarter (8191.75) lets go (the rule itself: tests/front_end_rules_test.cpp).
TEST(GamepadKeys, LeftStickUpAndDownWithSlack) {
  GamepadKeys g;
  const auto y = [&](Sint16 v) { return keysOf(g, axis(SDL_CONTROLLER_AXIS_LEFTY, v)); };
  EXPECT_EQ(y(-3000), Keys{}) << "resting near the middle";
  EXPECT_EQ(y(-16383), Keys{}) << "not quite half way";
  EXPECT_EQ(y(-16384), Keys{down(keyUp)});
  EXPECT_EQ(y(-32768), Keys{}) << "still up: reported once";
  EXPECT_EQ(y(-12000), Keys{}) << "between the thresholds: still held";
  EXPECT_EQ(y(-8192), Keys{}) << "still beyond a quarter";
  EXPECT_EQ(y(-8191), Keys{up(keyUp)});
  EXPECT_EQ(y(12000), Keys{}) << "not far enough to press";
  EXPECT_EQ(y(16383), Keys{});
  EXPECT_EQ(y(16384), Keys{down(keyDown)});
  EXPECT_EQ(y(8192), Keys{}) << "still beyond a quarter";
  EXPECT_EQ(y(32767), Keys{}) << "still down: reported once";
  EXPECT_EQ(y(-20000), (Keys{up(keyDown), down(keyUp)})) << "straight across";
  EXPECT_EQ(y(0), Keys{up(keyUp)});
  EXPECT_EQ(y(20000), Keys{down(keyDown)});
  EXPECT_EQ(y(8191), Keys{up(keyDown)});
}

TEST(GamepadKeys, ControllersAreKeptApart) {
  GamepadKeys g;
  EXPECT_EQ(keysOf(g, axis(SDL_CONTROLLER_AXIS_LEFTY, 30000, 1)), Keys{down(keyDown)});
  EXPECT_EQ(keysOf(g, axis(SDL_CONTROLLER_AXIS_LEFTY, 30000, 2)), Keys{down(keyDown)});
  EXPECT_EQ(keysOf(g, axis(SDL_CONTROLLER_AXIS_LEFTY, 0, 1)), Keys{up(keyDown)});
  EXPECT_EQ(keysOf(g, axis(SDL_CONTROLLER_AXIS_LEFTY, 31000, 2)), Keys{}) << "pad 2 still held";
}

TEST(GamepadKeys, UnpluggedWithKeysHeldLetsGoOfThem) {
  GamepadKeys g;
  keysOf(g, axis(SDL_CONTROLLER_AXIS_LEFTY, 30000, 4));
  keysOf(g, button(true, SDL_CONTROLLER_BUTTON_A, 4));
  keysOf(g, button(true, SDL_CONTROLLER_BUTTON_DPAD_UP, 5));
  EXPECT_EQ(keysOf(g, removed(4)), (Keys{up(keyDown), up(keyZ)}));
  EXPECT_EQ(keysOf(g, removed(4)), Keys{}) << "gone already";
  EXPECT_EQ(keysOf(g, removed(5)), Keys{up(keyUp)});
  EXPECT_EQ(keysOf(g, removed(6)), Keys{}) << "never seen";
  // Plugged in again under the same id: starts with nothing held.
  EXPECT_EQ(keysOf(g, axis(SDL_CONTROLLER_AXIS_LEFTY, 30000, 4)), Keys{down(keyDown)});
}

// A controller that SDL itself reports: a virtual one, plugged in while the
// game runs, pressed, and pulled out with a key held.
TEST(Gamepads, VirtualControllerPluggedInPressedAndPulledOut) {
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError();
  {
    Gamepads pads;
    Keys got;
    bool added = false, gone = false;
    const auto pump = [&] {
      SDL_Event e;
      while (SDL_PollEvent(&e)) {
        added |= e.type == SDL_CONTROLLERDEVICEADDED;
        gone |= e.type == SDL_CONTROLLERDEVICEREMOVED;
        KeyEvent out[GamepadKeys::maxEvents];
        const int n = pads.handle(e, out);
        got.insert(got.end(), out, out + n);
      }
    };
    pump();

    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Zorbly test pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) {
      SDL_QuitSubSystem(SDL_INIT_EVENTS);
      GTEST_SKIP() << "no virtual controllers in this SDL: " << SDL_GetError();
    }
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    pump();
    ASSERT_TRUE(added) << "no SDL_CONTROLLERDEVICEADDED for the virtual controller";
    SDL_Joystick* joystick = SDL_JoystickFromInstanceID(id);
    ASSERT_NE(joystick, nullptr) << "the controller was not opened";

    SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED);
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, 32767);
    pump();
    EXPECT_EQ(got.size(), 2u);
    EXPECT_NE(std::find(got.begin(), got.end(), down(keyZ)), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), down(keyDown)), got.end());
    got.clear();
    SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, SDL_RELEASED);
    pump();
    SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_PRESSED);
    pump();
    EXPECT_EQ(got, (Keys{up(keyZ), down(keyUp)}));

    got.clear();
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0) << SDL_GetError();
    pump();
    EXPECT_TRUE(gone);
    // Let go of both held keys, whether SDL said so itself first or not.
    EXPECT_NE(std::find(got.begin(), got.end(), up(keyUp)), got.end());
    EXPECT_NE(std::find(got.begin(), got.end(), up(keyDown)), got.end());
    EXPECT_EQ(std::count_if(got.begin(), got.end(), [](KeyEvent k) { return k.down; }), 0);
  }
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

}  // namespace
}  // namespace zorbly
