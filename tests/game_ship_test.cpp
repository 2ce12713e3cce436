// The keyboard and the player's ship: arrow keys set the ship's speed, the
// frame moves it within -5..75, Z launches the shot.

#include <gtest/gtest.h>

#include <vector>

#include "fake_services.h"
#include "game/handlers.h"
#include "game/state.h"

namespace {

using namespace zorbly;
using zorbly_test::Point;
using zorbly_test::RecordingServices;

// A game just started, with the enemies on rows 15, 15 and 95: nothing can
// reach the ship or the shot for the first forty frames.
GameState startedGame(RecordingServices& s) {
  s.queueRnd({0.0f, 0.0f, 0.9f});
  GameState st;
  Form_Initialize(st, s);
  s.clearCalls();
  return st;
}

// Runs `frames` frames and returns where the ship was drawn in each.
std::vector<double> shipTops(GameState& st, RecordingServices& s, int frames) {
  std::vector<double> tops;
  for (int f = 0; f < frames; ++f) {
    s.clearCalls();
    Timer1_Timer(st, s);
    auto moves = s.movesOf(jiki);
    EXPECT_EQ(moves.size(), 1u) << "the ship is drawn once per frame";
    if (moves.empty()) break;
    EXPECT_EQ(moves[0].x, 1) << "the ship stays at the left edge";
    tops.push_back(moves[0].y);
  }
  return tops;
}

// ---- moving and its limits ---------------------------------------------------

TEST(ShipMovement, HoldingUpStopsAtExactlyMinusFive) {
  RecordingServices s;
  GameState st = startedGame(s);
  Form_KeyDown(st, keyUp, 0);
  EXPECT_EQ(st.jikiDY, -3);
  // 30 - 3 * 12 = -6 is set to -5, not refused at -3.
  EXPECT_EQ(shipTops(st, s, 14),
            (std::vector<double>{27, 24, 21, 18, 15, 12, 9, 6, 3, 0, -3, -5, -5, -5}));
  EXPECT_EQ(st.jikiY, -5);
}

TEST(ShipMovement, HoldingDownStopsAtExactlySeventyFive) {
  RecordingServices s;
  GameState st = startedGame(s);
  Form_KeyDown(st, keyDown, 0);
  EXPECT_EQ(st.jikiDY, 3);
  EXPECT_EQ(shipTops(st, s, 17), (std::vector<double>{33, 36, 39, 42, 45, 48, 51, 54, 57, 60, 63,
                                                      66, 69, 72, 75, 75, 75}));
  EXPECT_EQ(st.jikiY, 75);
}

TEST(ShipMovement, TheLimitSetsTheValueFromAnyStart) {
  RecordingServices s;
  GameState st = startedGame(s);
  st.jikiY = 74;
  st.jikiDY = 3;
  EXPECT_EQ(shipTops(st, s, 1), std::vector<double>{75});
  st.jikiY = -4;
  st.jikiDY = -3;
  EXPECT_EQ(shipTops(st, s, 1), std::vector<double>{-5});
}

TEST(ShipMovement, WithoutKeysTheShipStaysPut) {
  RecordingServices s;
  GameState st = startedGame(s);
  EXPECT_EQ(shipTops(st, s, 3), (std::vector<double>{30, 30, 30}));
}

TEST(ShipMovement, AKeyChangesOnlyTheSpeedUntilTheNextFrame) {
  RecordingServices s;
  GameState st = startedGame(s);
  GameState before = st;
  Form_KeyDown(st, keyDown, 0);
  EXPECT_EQ(st.jikiY, before.jikiY);
  before.jikiDY = 3;
  EXPECT_EQ(st, before);
  EXPECT_EQ(shipTops(st, s, 1), std::vector<double>{33});
}

// ---- arrow keys: the last press decides, either release stops ----------------

TEST(ArrowKeys, UpThenDownThenReleasingDownStopsTheShipThoughUpIsHeld) {
  RecordingServices s;
  GameState st = startedGame(s);
  Form_KeyDown(st, keyUp, 0);
  EXPECT_EQ(shipTops(st, s, 1), std::vector<double>{27});
  Form_KeyDown(st, keyDown, 0);  // up still held
  EXPECT_EQ(shipTops(st, s, 1), std::vector<double>{30});
  Form_KeyUp(st, keyDown, 0);
  EXPECT_EQ(st.jikiDY, 0);
  EXPECT_EQ(shipTops(st, s, 2), (std::vector<double>{30, 30}));
}

TEST(ArrowKeys, ReleasingUpStopsTheShipThoughDownIsHeld) {
  GameState st;
  Form_KeyDown(st, keyDown, 0);
  Form_KeyUp(st, keyUp, 0);
  EXPECT_EQ(st.jikiDY, 0);
}

TEST(ArrowKeys, AutoRepeatKeepsTheSpeed) {
  GameState st;
  for (int k = 0; k < 5; ++k) Form_KeyDown(st, keyUp, 0);
  EXPECT_EQ(st.jikiDY, -3);
  for (int k = 0; k < 5; ++k) Form_KeyDown(st, keyDown, 0);
  EXPECT_EQ(st.jikiDY, 3);
}

TEST(ArrowKeys, TheModifierArgumentIsIgnored) {
  GameState st;
  Form_KeyDown(st, keyUp, 1);
  EXPECT_EQ(st.jikiDY, -3);
  Form_KeyDown(st, keyDown, 7);
  EXPECT_EQ(st.jikiDY, 3);
  Form_KeyUp(st, keyDown, 2);
  EXPECT_EQ(st.jikiDY, 0);
}

// ---- the fire key --------------------------------------------------------------

TEST(FireKey, AtStartUpLaunchesFromTheShip) {
  RecordingServices s;
  GameState st = startedGame(s);
  Form_KeyDown(st, keyZ, 0);
  EXPECT_EQ(st.laserX, 20);
  EXPECT_EQ(st.laserY, 58);  // jikiY 30 + 28
}

TEST(FireKey, TheShotLeavesFromWhereTheShipIsNow) {
  RecordingServices s;
  GameState st = startedGame(s);
  Form_KeyDown(st, keyUp, 0);
  shipTops(st, s, 2);
  Form_KeyDown(st, keyZ, 0);
  EXPECT_EQ(st.laserY, 24 + 28);
}

TEST(FireKey, RefusedAtOrLeftOf120AndForgotten) {
  for (double x : {20.0, 98.0, 119.0, 120.0}) {
    GameState st;
    st.jikiY = 40;
    st.laserX = x;
    st.laserY = 7;
    GameState before = st;
    Form_KeyDown(st, keyZ, 0);
    EXPECT_EQ(st, before) << "laserX " << x;
    // Nothing was remembered: passing 120 later does not fire by itself.
    st.laserX = 130;
    Form_KeyUp(st, keyZ, 0);
    EXPECT_EQ(st.laserX, 130);
    EXPECT_EQ(st.laserY, 7);
  }
}

TEST(FireKey, AcceptedAbove120EvenWhileTheShotStillFlies) {
  for (double x : {121.0, 128.0, 135.0, 150.0}) {
    GameState st;
    st.jikiY = 40;
    st.laserX = x;
    Form_KeyDown(st, keyZ, 0);
    EXPECT_EQ(st.laserX, 20) << "laserX " << x;
    EXPECT_EQ(st.laserY, 68);
  }
}

TEST(FireKey, HeldDownWithAutoRepeatFiresAgainOnceTheShotPasses120) {
  RecordingServices s;
  GameState st = startedGame(s);
  Form_KeyDown(st, keyZ, 0);
  ASSERT_EQ(st.laserX, 20);

  // The shot flies 3 pixels a frame, 23, 26, ... 119, 122; the key repeats
  // before every frame and takes only once the shot is at 122.
  std::vector<double> refiredFrom;
  for (int f = 0; f < 40; ++f) {
    Timer1_Timer(st, s);
    double x = st.laserX;
    Form_KeyDown(st, keyZ, 0);
    if (st.laserX != x) refiredFrom.push_back(x);
  }
  EXPECT_EQ(refiredFrom, std::vector<double>{122});
  EXPECT_FALSE(s.ended());
}

// ---- keys the game does not listen to -------------------------------------------

TEST(OtherKeys, ChangeNothing) {
  GameState st;
  st.jikiY = 42;
  st.jikiDY = -3;
  st.laserX = 150;  // a shot could be fired
  st.laserY = 11;
  st.score = 5;
  const GameState before = st;
  for (int key : {0, 13, 32, 37, 39, 41, 88, 89, 91, 122, 255}) {
    Form_KeyDown(st, key, 0);
    EXPECT_EQ(st, before) << "key down " << key;
    Form_KeyUp(st, key, 0);
    EXPECT_EQ(st, before) << "key up " << key;
  }
  Form_KeyUp(st, keyZ, 0);  // releasing Z does nothing either
  EXPECT_EQ(st, before);
}

}  // namespace
