// The boss: coming out, bouncing, taking hits, the next stage and the ending;
// and a whole game played through the keys.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_services.h"
#include "game/handlers.h"
#include "game/phases.h"
#include "session/random.h"

namespace {

using namespace zorbly;
using zorbly::testing::Lines;
using zorbly::testing::RecordingServices;

// The boss has just come out in `stage`: 19 kills, the enemies held at 150
// with their shots far right, the player's shot at rest on row 0.
GameState bossState(double stage = 1) {
  return {.jikiY = 30, .score = 19, .laserX = 135, .tekiX = {150, 150, 150},
          .tekiY = {95, 95, 95}, .telaX100 = {15000, 15000, 15000},
          .telaY100 = {10500, 10500, 10500}, .kills = 19, .stage = stage, .bossY = -30,
          .bossDir = 1};
}

// Puts the player's shot where the boss test of the next frame sees a hit.
void aimAtBoss(GameState& st) {
  st.laserX = 98;
  st.laserY = st.bossY + st.bossDir + 33;
}

// Between the ship and the enemies the boss gets the stage's picture and is
// drawn where it was: at (88, -30) when it comes out.
TEST(BossPhase, ComesOutAtMinus30WithTheStagesPicture) {
  for (int stage : {1, 3, 5}) {
    RecordingServices s;
    GameState st = bossState(stage);
    Timer1_Timer(st, s);
    EXPECT_EQ(Lines(s.calls.begin() + 2, s.calls.begin() + 6),
              (Lines{"move jiki 1 30", "picture boss(0) boss(" + std::to_string(stage) + ")",
                     "move boss(0) 88 -30", "move laser 135 0"}));
  }
}

// The turn is tested after the step and the boss is drawn one step behind,
// so it turns once past 70 or below 0, at once when it comes out going up.
TEST(BossPhase, TurnsOnlyOncePast70OrBelow0) {
  const struct {
    double y, dir;
    Lines drawn;
  } cases[] = {{68, 1, {"88 68", "88 69", "88 70", "88 71", "88 70"}},
               {1, -1, {"88 1", "88 0", "88 -1", "88 0", "88 1"}},
               {-30, -1, {"88 -30", "88 -31", "88 -30", "88 -29", "88 -28"}}};
  for (const auto& c : cases) {
    RecordingServices s;
    GameState st = bossState();
    st.bossY = c.y;
    st.bossDir = c.dir;
    for (int f = 0; f < 5; ++f) Timer1_Timer(st, s);
    EXPECT_EQ(s.moves(boss(0)), c.drawn) << "from " << c.y;
  }
}

// The boss at 40 steps to 41 before the test: the shot hits with its left
// strictly between 95 and 100 and its top strictly between 68 and 80.
TEST(BossHit, NeedsTheShotBetween95And100AndWithin6OfTheBossTopPlus33) {
  const struct {
    double x, y;
    bool hits;
  } cases[] = {{95, 74, false}, {95.5, 74, true}, {99.5, 74, true}, {100, 74, false},
               {98, 68, false}, {98, 68.5, true}, {98, 79.5, true}, {98, 80, false}};
  for (const auto& c : cases) {
    RecordingServices s;
    GameState st = bossState();
    st.bossY = 40;
    st.laserX = c.x;
    st.laserY = c.y;
    bossPhase(st, s);
    EXPECT_EQ(st.kills, c.hits ? 20 : 19) << "shot at " << c.x << ", " << c.y;
  }
}

// The flash shows on the boss and the shot flies on through it, so the enemy
// pass moves it on to 101 in the same frame.
TEST(BossHit, FlashesOnTheBossAndTheShotFliesOn) {
  RecordingServices s;
  GameState st = bossState();
  st.bossY = 40;
  aimAtBoss(st);
  Timer1_Timer(st, s);
  EXPECT_EQ(s.moves(fire), Lines{"88 61"});
  EXPECT_EQ(s.moves(laser), (Lines{"99 74", "100 74", "101 74"}));
}

// Four hits after it came out at 19, three after a frame of two enemy hits
// took kills to 20: the boss falls once kills pass 22.
TEST(BossHit, TheBossFallsOnceKillsPass22) {
  const struct {
    double kills;
    int hits;
  } cases[] = {{19, 4}, {20, 3}};
  for (const auto& c : cases) {
    RecordingServices s;
    GameState st = bossState();
    st.kills = c.kills;
    int hits = 0;
    while (st.stage == 1 && hits < 9) {
      aimAtBoss(st);
      Timer1_Timer(st, s);
      ++hits;
    }
    EXPECT_EQ(hits, c.hits) << "from " << c.kills;
  }
}

// Below a score of 99 the falling boss leaves the field and scores one; the
// next stage's enemy picture comes, kills start again, the boss will come out
// at -30 going its old way, and the enemies drift in from 150 at once.
TEST(BossFalls, TheNextStageBegins) {
  const struct {
    double stage, dir;
    Lines calls;
  } cases[] = {{1, -1, {"picture boss(0) boss(1)", "move boss(0) 88 40", "move fire 88 59",
                        "move boss(0) 88 200", "picture tekki(0) teki(2)",
                        "picture tekki(1) teki(2)", "picture tekki(2) teki(2)",
                        "move laser 99 72", "move tekki(0) 149.5 95"}},
               {4, 1, {"picture boss(0) boss(4)", "move boss(0) 88 40", "move fire 88 61",
                       "move boss(0) 88 200", "picture tekki(0) teki(5)",
                       "picture tekki(1) teki(5)", "picture tekki(2) teki(5)",
                       "move laser 99 74", "move tekki(0) 149.5 95"}}};
  for (const auto& c : cases) {
    RecordingServices s;
    GameState st = bossState(c.stage);
    st.score = 98;
    st.kills = 22;
    st.bossY = 40;
    st.bossDir = c.dir;
    aimAtBoss(st);
    Timer1_Timer(st, s);
    EXPECT_EQ(Lines(s.calls.begin() + 3, s.calls.begin() + 12), c.calls) << "stage " << c.stage;
    EXPECT_EQ(st.score, 99);
    EXPECT_EQ(st.stage, c.stage + 1);
    EXPECT_EQ(st.kills, 0);
    EXPECT_EQ(st.bossY, -30);
    EXPECT_EQ(st.bossDir, c.dir);
  }
}

// The fall that brings the score to 100 prints the ending line by line and
// stops the frames; the enemy pass does not run and the window stays open.
TEST(Ending, TheBossThatMakes100PrintsTheEndingAndStopsTheFrames) {
  RecordingServices s;
  GameState st = bossState(5);
  st.score = 99;
  st.kills = 22;
  st.bossY = 40;
  aimAtBoss(st);
  Timer1_Timer(st, s);
  EXPECT_EQ(Lines(s.calls.begin() + 5, s.calls.end()),
            (Lines{"move fire 88 61", "move boss(0) 88 200", "textpos 30 0", "print SCORE 100",
                   "textpos 5 30", "print Zorbly くりあ-!", "textpos 50 50", "print (C) Zorbly",
                   "textpos 30 70", "print ＴＨＥ　ＥＮＤ", "interval 0"}));
}

}  // namespace
