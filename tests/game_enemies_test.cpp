// The enemy pass: the player's shot, the enemies and their shots, hits on
// either side and game over.

#include <gtest/gtest.h>

#include "support/fake_services.h"
#include "game/handlers.h"
#include "game/phases.h"

namespace {

using namespace zorbly;
using zorbly::testing::Lines;
using zorbly::testing::RecordingServices;

// Stage 1 with nothing about to happen: the ship at 30, the player's shot at
// rest on row 0 (out of every enemy's reach), the enemies mid-field on row 15
// and their shots in mid-flight at (80, 25), going up.
GameState quietState() {
  return {.jikiY = 30, .laserX = 135, .tekiX = {60, 70, 80}, .tekiY = {15, 15, 15},
          .telaX100 = {8000, 8000, 8000}, .telaY100 = {2500, 2500, 2500},
          .telaDir = {-1, -1, -1}, .stage = 1};
}

// Runs `n` frames and returns every call so far.
Lines runFrames(GameState& st, RecordingServices& s, int n = 1) {
  for (int f = 0; f < n; ++f) Timer1_Timer(st, s);
  return s.calls;
}

// ---- the player's shot ----------------------------------------------------------

TEST(PlayerShot, StepsOncePerEnemySoThreeAFrameAndRestsAt135) {
  const struct {
    double from;
    Lines drawn;
  } cases[] = {{20, {"21 100", "22 100", "23 100"}}, {133, {"134 100", "135 100", "135 100"}}};
  for (const auto& c : cases) {
    RecordingServices s;
    GameState st = quietState();
    st.laserX = c.from;
    st.laserY = 100;  // below every enemy
    runFrames(st, s);
    EXPECT_EQ(s.moves(laser), c.drawn) << "from " << c.from;
  }
}

// Enemy 1 at (100, 55): the shot, after its step, hits with its left within 8
// of the enemy's and its top within 10 of the enemy's top + 9, both strictly.
TEST(ShotAgainstEnemy, NeedsLeftWithin8AndTopWithin10OfTheRowPlus9) {
  const struct {
    double x, y;
    bool hits;
  } cases[] = {{92, 64, false},  {93, 64, true},    {107, 64, true},  {108, 64, false},
               {100, 54, false}, {100, 54.5, true}, {100, 73.5, true}, {100, 74, false}};
  for (const auto& c : cases) {
    RecordingServices s;
    GameState st = quietState();
    st.tekiX[1] = 100;
    st.tekiY[1] = 55;
    st.laserX = c.x - 1;
    st.laserY = c.y;
    enemyPass(st, s, 1);
    EXPECT_EQ(st.score, c.hits ? 1 : 0) << "shot at " << c.x << ", " << c.y;
  }
}

// The flash shows where the enemy was; the enemy comes back at 120 (not at its
// start column) on a new row and drifts at once; the shot is put to rest.
TEST(EnemyHit, FlashWhereItWasThenBackAt120OnANewRowAndTheShotAtRest) {
  RecordingServices s;
  s.rnds = {0.8f};  // row 95
  GameState st = quietState();
  st.score = 6;
  st.kills = 3;
  st.tekiX[1] = 100;
  st.tekiY[1] = 55;
  st.laserX = 99;
  st.laserY = 64;
  enemyPass(st, s, 1);
  enemyPass(st, s, 2);
  EXPECT_EQ(s.moves(fire), Lines{"100 55"});
  EXPECT_EQ(s.moves(tekki(1)), Lines{"119.5 95"});
  EXPECT_EQ(s.moves(laser), (Lines{"100 64", "135 64"}));
  EXPECT_EQ(st.score, 7);
  EXPECT_EQ(st.kills, 4);
}

// After a hit the next enemy meets the shot at rest at 135, which still hits.
TEST(EnemyHit, TheShotAtRestHitsTooSoTwoCanFallInOneFrame) {
  RecordingServices s;
  GameState st = quietState();
  st.tekiX = {100, 135, 80};
  st.tekiY = {55, 55, 15};
  st.laserX = 92;
  st.laserY = 64;
  runFrames(st, s);
  EXPECT_EQ(s.moves(fire), (Lines{"100 55", "135 55"}));
  EXPECT_EQ(st.score, 2);
}

// ---- the enemies ---------------------------------------------------------------

TEST(Enemy, DriftsHalfAPixelAFrame) {
  RecordingServices s;
  GameState st = quietState();
  runFrames(st, s, 2);
  EXPECT_EQ(s.moves(tekki(0)), (Lines{"59.5 15", "59 15"}));
}

// Past -20 an enemy comes back at its own start column on a new row: drawn at
// -20.5 once more, there from the next frame, and a shot relaunched in the
// same pass already leaves from the new place.
TEST(Enemy, PastMinus20ComesBackAtItsStartColumnOnANewRow) {
  RecordingServices s;
  s.rnds = {0.6f};  // row 75
  GameState st = quietState();
  st.tekiX[2] = -19.5;
  st.tekiY[2] = 35;
  st.telaX100[2] = 1150;  // at 10.45 after the first frame, relaunched in the second
  st.telaDir[2] = 0;
  runFrames(st, s, 3);
  EXPECT_EQ(s.moves(tekki(2)), (Lines{"-20 35", "-20.5 35", "129.5 75"}));
  EXPECT_EQ(s.moves(tela(2))[1], "130 85");
}

// The hit that makes 19 holds that enemy and the later ones at 150 at once,
// the earlier ones from the next frame, which is the boss's first; their
// shots keep leaving from there.
TEST(Enemy, TheNineteenthHitHoldsTheEnemiesAt150ForTheBoss) {
  RecordingServices s;
  GameState st = quietState();
  st.kills = 18;
  st.tekiX = {80, 100, 110};
  st.tekiY = {15, 55, 35};
  st.telaX100[2] = 1000;  // relaunched this frame
  st.laserX = 92;         // 93 against enemy 0 misses, 94 against enemy 1 hits
  st.laserY = 64;
  runFrames(st, s);
  EXPECT_EQ(s.moves(tekki(0)), Lines{"79.5 15"});
  EXPECT_EQ(s.moves(tekki(1)), Lines{"150 15"});
  EXPECT_EQ(s.moves(tekki(2)), Lines{"150 35"});
  EXPECT_EQ(s.moves(tela(2)), Lines{"150 45"});
  EXPECT_EQ(s.moves(boss(0)), Lines{});

  s.calls.clear();
  runFrames(st, s);
  EXPECT_EQ(s.moves(tekki(0)), Lines{"150 15"});
  EXPECT_EQ(s.moves(boss(0)).size(), 1u);
}

// ---- the enemies' shots ----------------------------------------------------------

// Leftwards 100 + 5 × stage hundredths a frame; shot i slants 20 × i
// hundredths up or down.
TEST(EnemyShot, FasterEachStageAndShotISlantsInItsDirection) {
  const struct {
    double stage, dir;
    Lines drawn;  // shots 0, 1 and 2, all from (50, 50)
  } cases[] = {{1, -1, {"48.95 50", "48.95 49.8", "48.95 49.6"}},
               {2, 1, {"48.9 50", "48.9 50.2", "48.9 50.4"}},
               {3, 1, {"48.85 50", "48.85 50.2", "48.85 50.4"}},
               {4, 1, {"48.8 50", "48.8 50.2", "48.8 50.4"}},
               {5, -1, {"48.75 50", "48.75 49.8", "48.75 49.6"}}};
  for (const auto& c : cases) {
    RecordingServices s;
    GameState st = quietState();
    st.stage = c.stage;
    st.telaX100 = st.telaY100 = {5000, 5000, 5000};
    st.telaDir = {c.dir, c.dir, c.dir};
    runFrames(st, s);
    EXPECT_EQ((Lines{s.moves(tela(0))[0], s.moves(tela(1))[0], s.moves(tela(2))[0]}), c.drawn)
        << "stage " << c.stage;
  }
}

// Past x = 10 the shot leaves its enemy again, 10 below the enemy's top, and
// slants up while the ship's top is above 35, down otherwise.
TEST(EnemyShot, RelaunchesFromItsEnemyTowardsTheShipsHalfOfTheField) {
  const struct {
    double jikiY;
    Lines drawn;
  } cases[] = {{34, {"79.5 25", "78.45 24.6"}}, {35, {"79.5 25", "78.45 25.4"}}};
  for (const auto& c : cases) {
    RecordingServices s;
    GameState st = quietState();
    st.jikiY = c.jikiY;
    st.telaX100[2] = 1000;  // 8.95 after its step
    runFrames(st, s, 2);
    EXPECT_EQ(s.moves(tela(2)), c.drawn) << "ship at " << c.jikiY;
  }
}

// The ship at 30 is hit by a shot left of 20 with its top strictly between 47
// and 63; a shot that has passed 10 leaves its enemy before the test.
TEST(ShotAgainstShip, LeftOf20AndWithin8OfTheShipsTopPlus25) {
  const struct {
    double x100, y100;  // the shot after its step
    bool hits;
  } cases[] = {{1500, 4700, false}, {1500, 4701, true},  {1500, 6299, true}, {1500, 6300, false},
               {1999, 5500, true},  {2000, 5500, false}, {1000, 5500, true}, {999, 5500, false}};
  for (const auto& c : cases) {
    RecordingServices s;
    GameState st = quietState();
    st.telaX100[0] = c.x100 + 105;
    st.telaY100[0] = c.y100;
    enemyPass(st, s, 0);
    EXPECT_EQ(s.saw("end"), c.hits) << "shot at " << c.x100 << ", " << c.y100;
  }
}

// The flash covers the ship, the box shows the score, then the program ends
// and nothing more of the frame runs.
TEST(GameOver, FlashOnTheShipThenTheBoxThenTheEndAndNothingAfter) {
  RecordingServices s;
  GameState st = quietState();
  st.score = 7;
  st.telaX100[0] = 1605;
  st.telaY100[0] = 5500;
  const Lines calls = runFrames(st, s);
  EXPECT_EQ(Lines(calls.end() - 4, calls.end()),
            (Lines{"move tela(0) 15 55", "move fire 2 50", "msgbox SCORE 7|0|GAME OVER", "end"}));
}

}  // namespace
