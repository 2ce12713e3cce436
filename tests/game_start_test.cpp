// Start-up, the random row, the score line and the first frame.

#include <gtest/gtest.h>

#include "support/fake_services.h"
#include "game/handlers.h"
#include "game/phases.h"

namespace {

using namespace zorbly;
using zorbly::testing::Lines;
using zorbly::testing::RecordingServices;

TEST(StartUp, SeedsThenGivesEachEnemyInTurnARowAndThePictureOfStage1) {
  RecordingServices s;
  s.rnds = {0.1f, 0.7f, 0.3f};
  GameState st;
  Form_Initialize(st, s);
  EXPECT_EQ(s.calls, (Lines{"randomize", "rnd", "picture tekki(0) teki(1)", "rnd",
                            "picture tekki(1) teki(1)", "rnd", "picture tekki(2) teki(1)"}));
  // The fire key is taken at once (150), and every enemy shot, at -5
  // hundredths, leaves its enemy in the first frame.
  const GameState started{.jikiY = 30, .laserX = 150, .tekiX = {120, 125, 130},
                          .tekiY = {15, 75, 35}, .telaX100 = {-5, -5, -5},
                          .telaY100 = {-5, -5, -5}, .stage = 1, .bossY = -30, .bossDir = 1};
  EXPECT_EQ(st, started);
}

// r * 5 rounded down, times 20, plus 15: five rows and never a sixth.
TEST(RandomRow, EachRowAndItsEdges) {
  const struct {
    float r;
    double row;
  } cases[] = {{0.0f, 15},        {0.19999999f, 15}, {0.2f, 35}, {0.39999998f, 35},
               {0.4f, 55},        {0.59999996f, 55}, {0.6f, 75}, {0.79999995f, 75},
               {0.8f, 95},        {0.99999994f, 95}};
  for (const auto& c : cases) {
    RecordingServices s;
    s.rnds = {c.r};
    EXPECT_EQ(randomRow(s), c.row) << "r " << c.r;
  }
}

TEST(ScoreLine, HasASignPlaceThatIsASpaceUnlessNegative) {
  EXPECT_EQ(scoreLine(0), "SCORE 0");
  EXPECT_EQ(scoreLine(57), "SCORE 57");
  EXPECT_EQ(scoreLine(100), "SCORE 100");
  EXPECT_EQ(scoreLine(-3), "SCORE-3");
}

// The score line, the ship, then each enemy in turn: the resting shot steps
// (150 + 1, held at 135), the enemy drifts and its shot leaves from it.
TEST(FirstFrame, ScoreShipThenEachEnemyLaunchesItsShotFromWhereItHasJustDrifted) {
  RecordingServices s;
  s.rnds = {0.0f, 0.5f, 0.9f};
  GameState st;
  Form_Initialize(st, s);
  s.calls.clear();
  Timer1_Timer(st, s);
  EXPECT_EQ(s.calls, (Lines{"textpos 30 0", "print SCORE 0", "move jiki 1 30",
                            "move laser 135 0", "move tekki(0) 119.5 15", "move tela(0) 119.5 25",
                            "move laser 135 0", "move tekki(1) 124.5 55", "move tela(1) 124.5 65",
                            "move laser 135 0", "move tekki(2) 129.5 95", "move tela(2) 129.5 105"}));
}

}  // namespace
