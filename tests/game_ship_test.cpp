// The keyboard and the ship: the arrows set the ship's speed, the frame moves
// it within -5..75, Z launches the shot once the last one has passed 120.

#include <gtest/gtest.h>

#include <vector>

#include "support/fake_services.h"
#include "testkit/pilot.h"
#include "game/handlers.h"

namespace {

using namespace zorbly;
using zorbly::testing::Key;
using zorbly::testing::Lines;
using zorbly::testing::RecordingServices;

// The clamp sets the value: from 3 the ship stops at -5, not -3 or -6, and
// from 67 (as after a stop at -5) at 75, not 73 or 76.
TEST(Ship, HoldingAnArrowMovesItThreeAFrameUpToExactlyTheEdge) {
  const struct {
    double from;
    int key;
    Lines drawn;
  } cases[] = {{3, keyUp, {"1 0", "1 -3", "1 -5", "1 -5"}},
               {67, keyDown, {"1 70", "1 73", "1 75", "1 75"}}};
  for (const auto& c : cases) {
    RecordingServices s;
    s.rnds = {0.0f, 0.0f, 0.9f};  // rows 15, 15, 95: nothing reaches the ship for a while
    GameState st;
    Form_Initialize(st, s);
    st.jikiY = c.from;
    Form_KeyDown(st, c.key, 0);
    for (int f = 0; f < 4; ++f) Timer1_Timer(st, s);
    EXPECT_EQ(s.moves(jiki), c.drawn) << "from " << c.from;
  }
}

// The last arrow pressed sets the direction; releasing either one stops the
// ship, even while the other is still held.
TEST(ArrowKeys, TheLastPressDecidesAndEitherReleaseStops) {
  const Key upDown{true, keyUp}, downDown{true, keyDown}, upUp{false, keyUp}, downUp{false, keyDown};
  const struct {
    std::vector<Key> keys;
    double speed;
  } cases[] = {{{upDown}, -3},
               {{downDown}, 3},
               {{upDown, downDown}, 3},
               {{upDown, downDown, downUp}, 0},
               {{downDown, upUp}, 0}};
  for (const auto& c : cases) {
    GameState st;
    for (const Key& k : c.keys) k.down ? Form_KeyDown(st, k.code, 0) : Form_KeyUp(st, k.code, 0);
    EXPECT_EQ(st.jikiDY, c.speed) << c.keys.size() << " keys ending in " << c.keys.back().code;
  }
}

// Z is taken only once the shot has passed 120, even while it still flies, and
// launches it from 20, 28 below the ship's top; a press before that is lost.
TEST(FireKey, TakenOnlyOnceTheShotHasPassed120) {
  const struct {
    double laserX;
    bool taken;
  } cases[] = {{20, false}, {120, false}, {121, true}, {135, true}, {150, true}};
  for (const auto& c : cases) {
    GameState st{.jikiY = 40, .laserX = c.laserX, .laserY = 7};
    Form_KeyDown(st, keyZ, 0);
    EXPECT_EQ(st.laserX, c.taken ? 20 : c.laserX) << "shot at " << c.laserX;
    EXPECT_EQ(st.laserY, c.taken ? 68 : 7) << "shot at " << c.laserX;
  }
}

TEST(OtherKeys, ChangeNothing) {
  GameState st{.jikiY = 42, .jikiDY = -3, .laserX = 150, .laserY = 11};  // moving, ready to fire
  const GameState before = st;
  for (int key : {0, 13, 32, 37, 39, 41, 88, 89, 91, 122}) {
    Form_KeyDown(st, key, 0);
    Form_KeyUp(st, key, 0);
    EXPECT_EQ(st, before) << "key " << key;
  }
  Form_KeyUp(st, keyZ, 0);
  EXPECT_EQ(st, before) << "releasing Z";
}

}  // namespace
