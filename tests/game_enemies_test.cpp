// The enemy pass: the player's shot, the three enemies, their shots, hits on
// either side and the game-over path.

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "fake_services.h"
#include "game/handlers.h"
#include "game/phases.h"
#include "game/state.h"

namespace {

using namespace zorbly;
using zorbly_test::Call;
using zorbly_test::MessageBox;
using zorbly_test::Point;
using zorbly_test::RecordingServices;
using Lines = std::vector<std::string>;

// Stage 1 in full swing with nothing about to happen: the ship at 30, the
// player's shot at rest on row 0 (it can hit no enemy row there), the enemies
// in the middle of the field on row 15 and their shots in mid-flight on row 25.
GameState quietState() {
  GameState st;
  st.jikiY = 30;
  st.laserX = 135;
  st.laserY = 0;
  st.stage = 1;
  st.bossY = -30;
  st.bossDir = 1;
  st.tekiX = {60, 70, 80};
  st.tekiY = {15, 15, 15};
  st.telaX = {80, 80, 80};
  st.telaY = {25, 25, 25};
  st.telaX100 = {8000, 8000, 8000};
  st.telaY100 = {2500, 2500, 2500};
  st.telaDir = {-1, -1, -1};
  return st;
}

// Puts enemy shot i where, after this frame's step, it will be (x, y).
void placeShotAfterStep(GameState& st, int i, double x100, double y100) {
  st.telaX100[i] = x100 + (100 + 5 * st.stage);
  st.telaY100[i] = y100 - 20 * i * st.telaDir[i];
}

bool wasHit(const RecordingServices& s) { return s.moveCount(fire) > 0; }

// ---- the first frame ------------------------------------------------------------

TEST(FirstFrame, EveryEnemyLaunchesItsShotFromWhereItHasJustDrifted) {
  RecordingServices s;
  s.queueRnd({0.0f, 0.5f, 0.9f});  // rows 15, 55, 95
  GameState st;
  Form_Initialize(st, s);
  s.clearCalls();
  Timer1_Timer(st, s);

  EXPECT_EQ(s.lines(), (Lines{
                           "textpos 30 0",
                           "print SCORE 0",
                           "move jiki 1 30",
                           "move laser 135 0",  // 150 + 1, held at 135
                           "move tekki(0) 119.5 15",
                           "move tela(0) 119.5 25",
                           "move laser 135 0",
                           "move tekki(1) 124.5 55",
                           "move tela(1) 124.5 65",
                           "move laser 135 0",
                           "move tekki(2) 129.5 95",
                           "move tela(2) 129.5 105",
                       }));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(st.telaX[i], 119.5 + 5 * i);
    EXPECT_EQ(st.telaX100[i], 11950 + 500 * i);
    EXPECT_EQ(st.telaY[i], st.tekiY[i] + 10);
    EXPECT_EQ(st.telaY100[i], (st.tekiY[i] + 10) * 100);
    EXPECT_EQ(st.telaDir[i], -1);  // the ship at 30 is in the upper half
  }
}

// ---- the player's shot -----------------------------------------------------------

TEST(PlayerShot, StepsOnePixelPerEnemySoThreePerFrame) {
  RecordingServices s;
  GameState st = quietState();
  st.laserX = 20;
  st.laserY = 100;  // below every enemy row
  Timer1_Timer(st, s);
  EXPECT_EQ(s.movesOf(laser), (std::vector<Point>{{21, 100}, {22, 100}, {23, 100}}));
  EXPECT_EQ(st.laserX, 23);
}

TEST(PlayerShot, ComesToRestAt135) {
  RecordingServices s;
  GameState st = quietState();
  st.laserX = 133;
  st.laserY = 100;
  Timer1_Timer(st, s);
  EXPECT_EQ(s.movesOf(laser), (std::vector<Point>{{134, 100}, {135, 100}, {135, 100}}));
  EXPECT_EQ(st.laserX, 135);
}

// ---- the shot against an enemy ---------------------------------------------------

// Enemy 0 at (100, 55); the shot steps once before the test.
struct ShotCase {
  double laserXBefore, laserY;
  bool hits;
  friend std::ostream& operator<<(std::ostream& os, const ShotCase& c) {
    return os << "shot at (" << c.laserXBefore << " + 1, " << c.laserY << ")"
              << (c.hits ? " hits" : " misses");
  }
};

class ShotAgainstEnemy : public ::testing::TestWithParam<ShotCase> {};

TEST_P(ShotAgainstEnemy, NeedsLeftWithin8AndTopWithin10OfTheRowPlus9) {
  RecordingServices s;
  GameState st = quietState();
  st.tekiX[0] = 100;
  st.tekiY[0] = 55;
  st.laserX = GetParam().laserXBefore;
  st.laserY = GetParam().laserY;
  enemyPass(st, s, 0);
  EXPECT_EQ(wasHit(s), GetParam().hits);
  EXPECT_EQ(st.score, GetParam().hits ? 1 : 0);
  EXPECT_EQ(st.kills, GetParam().hits ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, ShotAgainstEnemy,
    ::testing::Values(
        // Across: the shot at 92 misses, at 93 hits; at 107 hits, at 108 misses.
        ShotCase{91, 64, false}, ShotCase{92, 64, true}, ShotCase{106, 64, true},
        ShotCase{107, 64, false},
        // Down: tops strictly between 54 and 74 hit a row-55 enemy.
        ShotCase{99, 54, false}, ShotCase{99, 54.5, true}, ShotCase{99, 55, true},
        ShotCase{99, 73, true}, ShotCase{99, 73.5, true}, ShotCase{99, 74, false}));

TEST(EnemyHit, FlashesWhereTheEnemyWasAndReplacesItAt120OnANewRow) {
  RecordingServices s;
  s.queueRnd({0.8f});  // row 95
  GameState st = quietState();
  st.tekiX[0] = 100;
  st.tekiY[0] = 55;
  st.laserX = 99;
  st.laserY = 64;
  st.score = 6;
  st.kills = 3;
  enemyPass(st, s, 0);

  Lines pass = s.lines();
  pass.pop_back();  // the enemy's shot
  EXPECT_EQ(pass, (Lines{"move laser 100 64", "move fire 100 55", "rnd 0.8",
                         "move tekki(0) 119.5 95"}));
  EXPECT_EQ(st.tekiX[0], 119.5);  // 120, then this pass's drift
  EXPECT_EQ(st.tekiY[0], 95);
  EXPECT_EQ(st.score, 7);
  EXPECT_EQ(st.kills, 4);
  EXPECT_EQ(st.laserX, 150);

  // The shot is put to rest: the next step brings it to 135.
  enemyPass(st, s, 1);
  EXPECT_EQ(s.lastMove(laser), (Point{135, 64}));
}

TEST(EnemyHit, AnyEnemyIsReplacedAt120NotAtItsStartColumn) {
  for (int i = 0; i < 3; ++i) {
    RecordingServices s;
    GameState st = quietState();
    st.tekiX[i] = 50;
    st.tekiY[i] = 35;
    st.laserX = 49;
    st.laserY = 44;
    enemyPass(st, s, i);
    EXPECT_EQ(s.lastMove(tekki(i)), (Point{119.5, 15})) << "enemy " << i;
  }
}

TEST(EnemyHit, TheShotAtRestStillHits) {
  RecordingServices s;
  GameState st = quietState();
  st.tekiX[2] = 130;  // just come back at its start column
  st.tekiY[2] = 55;
  st.laserX = 135;
  st.laserY = 64;
  enemyPass(st, s, 2);
  EXPECT_TRUE(wasHit(s));
  EXPECT_EQ(st.score, 1);
}

TEST(EnemyHit, TwoInOneFrameWhenTheNextEnemyMeetsTheShotAt135) {
  RecordingServices s;
  s.queueRnd({0.0f, 0.0f});
  GameState st = quietState();
  st.tekiX[0] = 100;
  st.tekiY[0] = 55;
  st.tekiX[1] = 135;
  st.tekiY[1] = 55;
  st.laserX = 92;
  st.laserY = 64;
  Timer1_Timer(st, s);

  EXPECT_EQ(s.movesOf(fire), (std::vector<Point>{{100, 55}, {135, 55}}));
  EXPECT_EQ(st.score, 2);
  EXPECT_EQ(st.kills, 2);
  EXPECT_EQ(st.tekiX[1], 119.5);
}

TEST(EnemyHit, AfterAHitTheNextEnemyIsTestedAgainstTheShotAt135) {
  // Enemy 1 is hit as well when its left lies strictly between 127 and 143.
  for (double x : {127.0, 127.5, 142.5, 143.0}) {
    RecordingServices s;
    GameState st = quietState();
    st.tekiX[0] = 100;
    st.tekiY[0] = 55;
    st.tekiX[1] = x;
    st.tekiY[1] = 55;
    st.laserX = 92;
    st.laserY = 64;
    Timer1_Timer(st, s);
    EXPECT_EQ(st.score, (x > 127 && x < 143) ? 2 : 1) << "enemy 1 at " << x;
  }
}

// ---- drifting and wrapping --------------------------------------------------------

TEST(EnemyDrift, HalfAPixelAFrameDrawnEveryFrame) {
  RecordingServices s;
  GameState st = quietState();
  for (int f = 0; f < 3; ++f) Timer1_Timer(st, s);
  EXPECT_EQ(s.movesOf(tekki(0)), (std::vector<Point>{{59.5, 15}, {59, 15}, {58.5, 15}}));
  EXPECT_EQ(s.movesOf(tekki(2)), (std::vector<Point>{{79.5, 15}, {79, 15}, {78.5, 15}}));
}

TEST(EnemyWrap, DrawnOnceAtMinus20Point5ThenAtItsStartColumnNextFrame) {
  for (int i = 0; i < 3; ++i) {
    RecordingServices s;
    s.queueRnd({0.6f});  // row 75
    GameState st = quietState();
    st.tekiX[i] = -20;
    st.tekiY[i] = 35;
    enemyPass(st, s, i);
    EXPECT_EQ(s.movesOf(tekki(i)), (std::vector<Point>{{-20.5, 35}})) << "enemy " << i;
    EXPECT_EQ(st.tekiX[i], 5 * i + 120);
    EXPECT_EQ(st.tekiY[i], 75);
    EXPECT_EQ(st.score, 0);  // wrapping scores nothing

    enemyPass(st, s, i);
    EXPECT_EQ(s.lastMove(tekki(i)), (Point{5 * i + 119.5, 75}));
  }
}

TEST(EnemyWrap, NotYetAtMinus20) {
  RecordingServices s;
  GameState st = quietState();
  st.tekiX[0] = -19.5;
  enemyPass(st, s, 0);
  EXPECT_EQ(st.tekiX[0], -20);
  EXPECT_EQ(s.rndCount(), 0);
}

TEST(EnemyWrap, AShotRelaunchedInTheSamePassLeavesFromTheNewPlace) {
  RecordingServices s;
  s.queueRnd({0.4f});  // row 55
  GameState st = quietState();
  st.tekiX[0] = -20;
  st.telaX100[0] = 1000;  // 8.95 after this step: relaunched
  enemyPass(st, s, 0);
  EXPECT_EQ(s.lastMove(tela(0)), (Point{120, 65}));
}

// ---- the boss phase begins: enemies are held at 150 --------------------------------

TEST(HoldingAt150, TheHitThatMakes19HoldsThatEnemyAndTheLaterOnesAtOnce) {
  RecordingServices s;
  GameState st = quietState();
  st.kills = 18;
  st.tekiX = {80, 100, 110};
  st.tekiY = {15, 55, 35};
  st.laserX = 92;  // 93 against enemy 0 (misses), 94 against enemy 1 (hits)
  st.laserY = 64;
  Timer1_Timer(st, s);

  EXPECT_EQ(st.kills, 19);
  EXPECT_EQ(s.lastMove(tekki(0)), (Point{79.5, 15}));  // earlier in the pass: drifts once more
  EXPECT_EQ(s.lastMove(tekki(1)), (Point{150, 15}));   // on its new row (rnd 0)
  EXPECT_EQ(s.lastMove(tekki(2)), (Point{150, 35}));
  EXPECT_EQ(st.tekiX, (std::array<double, 3>{79.5, 150, 150}));

  s.clearCalls();
  Timer1_Timer(st, s);
  EXPECT_EQ(s.lastMove(tekki(0)), (Point{150, 15}));
}

TEST(HoldingAt150, AFrameThatBeginsWith18KillsRunsNoBossPhase) {
  RecordingServices s;
  GameState st = quietState();
  st.kills = 18;
  st.tekiX[1] = 100;
  st.tekiY[1] = 55;
  st.laserX = 92;
  st.laserY = 64;
  Timer1_Timer(st, s);
  ASSERT_EQ(st.kills, 19);
  EXPECT_EQ(s.moveCount(boss(0)), 0);
  EXPECT_TRUE(s.pictureAssignments().empty());

  s.clearCalls();
  Timer1_Timer(st, s);
  EXPECT_EQ(s.moveCount(boss(0)), 1);
}

TEST(HoldingAt150, EnemyShotsKeepComingFromColumn150) {
  RecordingServices s;
  GameState st = quietState();
  st.kills = 20;
  st.tekiX = {150, 150, 150};
  st.tekiY = {95, 95, 95};
  st.telaX100[1] = 1000;  // relaunched this frame
  Timer1_Timer(st, s);
  EXPECT_EQ(s.lastMove(tekki(1)), (Point{150, 95}));
  EXPECT_EQ(s.lastMove(tela(1)), (Point{150, 105}));
}

// ---- enemy shots: hundredths of a pixel ---------------------------------------------

class ShotSpeed : public ::testing::TestWithParam<int> {};

TEST_P(ShotSpeed, LeftwardsBy100Plus5TimesTheStageHundredths) {
  const int stage = GetParam();
  RecordingServices s;
  GameState st = quietState();
  st.stage = stage;
  st.telaX100 = {5000, 5000, 5000};
  Timer1_Timer(st, s);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(st.telaX100[i], 5000 - (100 + 5 * stage)) << "shot " << i;
    EXPECT_EQ(st.telaX[i], st.telaX100[i] / 100);
  }
}

TEST_P(ShotSpeed, StaysExactOverManyFrames) {
  // Kept in hundredths, 80 frames of 1.05 .. 1.25 pixels add up exactly.
  const int stage = GetParam();
  RecordingServices s;
  GameState st = quietState();
  st.stage = stage;
  st.telaX100 = {12000, 12000, 12000};
  for (int f = 0; f < 80; ++f) Timer1_Timer(st, s);
  const double x100 = 12000 - 80 * (100 + 5 * stage);
  EXPECT_EQ(st.telaX100[0], x100);
  EXPECT_EQ(st.telaX[0], x100 / 100);
  EXPECT_EQ(s.lastMove(tela(0)), (Point{static_cast<float>(x100 / 100), 25}));
}

INSTANTIATE_TEST_SUITE_P(Stages, ShotSpeed, ::testing::Values(1, 2, 3, 4, 5));

TEST(ShotSlant, ShotISlants20TimesIHundredthsInItsDirection) {
  for (double dir : {-1.0, 1.0}) {
    RecordingServices s;
    GameState st = quietState();
    st.telaDir = {dir, dir, dir};
    st.telaY100 = {5000, 5000, 5000};
    Timer1_Timer(st, s);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(st.telaY100[i], 5000 + 20 * i * dir) << "shot " << i << " dir " << dir;
      EXPECT_EQ(st.telaY[i], st.telaY100[i] / 100);
      EXPECT_EQ(s.lastMove(tela(i)), (Point{static_cast<float>(78.95), st.telaY[i]}));
    }
  }
}

TEST(ShotRelaunch, DirectionFollowsTheShipsHalfOfTheField) {
  for (double jikiY : {-5.0, 32.0, 35.0, 75.0}) {
    RecordingServices s;
    GameState st = quietState();
    st.jikiY = jikiY;
    st.tekiY = {95, 95, 95};  // relaunched far to the right of the ship
    st.telaX100 = {1000, 1000, 1000};
    Timer1_Timer(st, s);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(st.telaDir[i], jikiY < 35 ? -1 : 1) << "jikiY " << jikiY;
      EXPECT_EQ(st.telaX[i], st.tekiX[i]);
      EXPECT_EQ(st.telaX100[i], st.tekiX[i] * 100);
      EXPECT_EQ(st.telaY[i], 105);
      EXPECT_EQ(st.telaY100[i], 10500);
    }
  }
}

TEST(ShotRelaunch, NotWhileAtOrRightOf10) {
  RecordingServices s;
  GameState st = quietState();
  placeShotAfterStep(st, 0, 1000, 2500);
  st.jikiY = 75;  // far from row 25
  enemyPass(st, s, 0);
  EXPECT_EQ(s.lastMove(tela(0)), (Point{10, 25}));
}

TEST(ShotRelaunch, AnEnemyLeftOf10RelaunchesItsShotEveryFrame) {
  RecordingServices s;
  GameState st = quietState();
  st.jikiY = 0;  // band 17..33, clear of the shot at 85
  st.tekiX[0] = 5;
  st.tekiY[0] = 75;
  st.telaX100[0] = 500;
  st.telaY100[0] = 8500;
  for (int f = 0; f < 3; ++f) Timer1_Timer(st, s);
  EXPECT_EQ(s.movesOf(tela(0)), (std::vector<Point>{{4.5, 85}, {4, 85}, {3.5, 85}}));
  EXPECT_FALSE(s.ended());
}

// ---- enemy shot against the ship ----------------------------------------------------

// The ship at 30: tops strictly between 47 and 63 hit, left of 20.
struct ShipCase {
  double x100, y100;  // the shot after its step, in hundredths
  bool hits;
  friend std::ostream& operator<<(std::ostream& os, const ShipCase& c) {
    return os << "enemy shot at (" << c.x100 << ", " << c.y100 << ") hundredths"
              << (c.hits ? " hits" : " misses");
  }
};

class ShotAgainstShip : public ::testing::TestWithParam<ShipCase> {};

TEST_P(ShotAgainstShip, Band) {
  RecordingServices s;
  GameState st = quietState();
  st.telaDir[0] = 0;
  placeShotAfterStep(st, 0, GetParam().x100, GetParam().y100);
  EXPECT_EQ(enemyPass(st, s, 0), GetParam().hits ? FrameGoesOn::no : FrameGoesOn::yes);
  EXPECT_EQ(s.ended(), GetParam().hits);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, ShotAgainstShip,
    ::testing::Values(ShipCase{1500, 4700, false}, ShipCase{1500, 4701, true},
                      ShipCase{1500, 5500, true}, ShipCase{1500, 6299, true},
                      ShipCase{1500, 6300, false}, ShipCase{2000, 5500, false},
                      ShipCase{1999, 5500, true}, ShipCase{1000, 5500, true},
                      // Below 10 it is relaunched from its enemy at 59.5 first.
                      ShipCase{999, 5500, false}));

TEST(ShotAgainstShip, EachShotCanHitAndTheSlantIsCounted) {
  for (int i = 0; i < 3; ++i) {
    RecordingServices s;
    GameState st = quietState();
    st.telaDir[i] = 1;
    placeShotAfterStep(st, i, 1500, 4701);
    enemyPass(st, s, i);
    EXPECT_TRUE(s.ended()) << "shot " << i;
  }
}

TEST(ShotAgainstShip, ARelaunchLeftOf20HitsAtOnce) {
  RecordingServices s;
  GameState st = quietState();
  st.tekiX[0] = 15.5;
  st.tekiY[0] = 45;  // the shot leaves at (15, 55), in the ship's band
  st.telaX100[0] = 1000;
  enemyPass(st, s, 0);
  EXPECT_EQ(s.lastMove(tela(0)), (Point{15, 55}));
  EXPECT_TRUE(s.ended());
}

TEST(GameOver, FlashOnTheShipThenTheBoxThenTheEnd) {
  RecordingServices s;
  GameState st = quietState();
  st.score = 7;
  st.telaDir[0] = 0;
  placeShotAfterStep(st, 0, 1500, 5500);
  Timer1_Timer(st, s);

  Lines all = s.lines();
  ASSERT_GE(all.size(), 4u);
  EXPECT_EQ(Lines(all.end() - 4, all.end()),
            (Lines{"move tela(0) 15 55", "move fire 2 50", "msgbox SCORE 7|0|GAME OVER", "end"}));
  EXPECT_EQ(s.messageBoxes(), (std::vector<MessageBox>{{"SCORE 7", 0, "GAME OVER"}}));
  EXPECT_EQ(s.endCount(), 1);
}

TEST(GameOver, NothingRunsAfterTheEnd) {
  for (int i = 0; i < 3; ++i) {
    RecordingServices s;
    GameState st = quietState();
    st.score = 42;
    st.laserX = 20;
    st.laserY = 100;
    placeShotAfterStep(st, i, 1500, 4800);
    Timer1_Timer(st, s);

    ASSERT_TRUE(s.ended()) << "shot " << i;
    EXPECT_EQ(s.calls().back().op, Call::Op::end) << "shot " << i;
    EXPECT_EQ(s.moveCount(laser), i + 1) << "the passes after enemy " << i << " did not run";
    for (int j = i + 1; j < 3; ++j) {
      EXPECT_EQ(s.moveCount(tekki(j)), 0);
      EXPECT_EQ(s.moveCount(tela(j)), 0);
    }
    EXPECT_EQ(st.laserX, 20 + i + 1);
    EXPECT_EQ(s.messageBoxes().at(0).prompt, "SCORE 42");
  }
}

TEST(GameOver, FlashFollowsTheShip) {
  RecordingServices s;
  GameState st = quietState();
  st.jikiY = 60;
  st.telaDir[0] = 0;
  placeShotAfterStep(st, 0, 1500, 8500);
  enemyPass(st, s, 0);
  EXPECT_EQ(s.lastMove(fire), (Point{2, 80}));
}

}  // namespace
