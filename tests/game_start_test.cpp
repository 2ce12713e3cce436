// Start-up (Form_Initialize), the random row, and the first frame's score line
// and ship.

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
using zorbly_test::Point;
using zorbly_test::PrintedText;
using zorbly_test::RecordingServices;
using Lines = std::vector<std::string>;

// ---- the state after start-up ----------------------------------------------

TEST(StartUp, SetsEveryStartValue) {
  RecordingServices s;
  s.queueRnd({0.0f, 0.5f, 0.9f});
  GameState st;
  Form_Initialize(st, s);

  EXPECT_EQ(st.score, 0);
  EXPECT_EQ(st.jikiY, 30);
  EXPECT_EQ(st.jikiDY, 0);
  EXPECT_EQ(st.laserX, 150);
  EXPECT_EQ(st.kills, 0);
  EXPECT_EQ(st.stage, 1);
  EXPECT_EQ(st.bossY, -30);
  EXPECT_EQ(st.bossDir, 1);
  EXPECT_EQ(st.tekiX, (std::array<double, 3>{120, 125, 130}));
  EXPECT_EQ(st.tekiY, (std::array<double, 3>{15, 55, 95}));
  EXPECT_EQ(st.telaX100, (std::array<double, 3>{-5, -5, -5}));
  EXPECT_EQ(st.telaY100, (std::array<double, 3>{-5, -5, -5}));
}

TEST(StartUp, LeavesTheUnassignedFieldsAtZero) {
  RecordingServices s;
  s.queueRnd({0.3f, 0.3f, 0.3f});
  GameState st;
  Form_Initialize(st, s);

  EXPECT_EQ(st.laserY, 0);
  EXPECT_EQ(st.telaX, (std::array<double, 3>{0, 0, 0}));
  EXPECT_EQ(st.telaY, (std::array<double, 3>{0, 0, 0}));
  EXPECT_EQ(st.telaDir, (std::array<double, 3>{0, 0, 0}));
}

TEST(StartUp, OverwritesWhateverTheRecordHeldBefore) {
  RecordingServices s;
  s.queueRnd({0.0f, 0.0f, 0.0f});
  GameState st;
  st.score = st.jikiY = st.jikiDY = st.laserX = st.kills = st.stage = st.bossY = st.bossDir = 777;
  st.tekiX = st.tekiY = st.telaX100 = st.telaY100 = {777, 777, 777};
  Form_Initialize(st, s);

  GameState fresh;
  RecordingServices s2;
  Form_Initialize(fresh, s2);  // every draw 0 here too
  fresh.laserY = st.laserY;    // the fields start-up leaves alone keep their old values
  fresh.telaX = st.telaX;
  fresh.telaY = st.telaY;
  fresh.telaDir = st.telaDir;
  EXPECT_EQ(st, fresh);
}

TEST(StartUp, BeforeTheFirstFrameTheFireKeyIsAccepted) {
  RecordingServices s;
  GameState st;
  Form_Initialize(st, s);
  EXPECT_GT(st.laserX, 120);  // the shot has never flown, yet it counts as passed
  EXPECT_EQ(st.laserY, 0);
}

// ---- what start-up asks of the platform ------------------------------------

TEST(StartUp, SeedsOnceThenDrawsARowAndGivesThePictureForEachEnemyInTurn) {
  RecordingServices s;
  s.queueRnd({0.1f, 0.7f, 0.3f});
  GameState st;
  Form_Initialize(st, s);

  EXPECT_EQ(s.lines(), (Lines{
                           "randomize",
                           "rnd 0.1",
                           "picture tekki(0) teki(1)",
                           "rnd 0.7",
                           "picture tekki(1) teki(1)",
                           "rnd 0.3",
                           "picture tekki(2) teki(1)",
                       }));
  EXPECT_EQ(s.randomizeCount(), 1);
  EXPECT_EQ(s.rndCount(), 3);
  // The draws went to the enemies in index order.
  EXPECT_EQ(st.tekiY, (std::array<double, 3>{15, 75, 35}));
}

TEST(StartUp, MovesNoSpriteAndPrintsNothing) {
  RecordingServices s;
  s.queueRnd({0.99f, 0.01f, 0.5f});
  GameState st;
  Form_Initialize(st, s);

  EXPECT_EQ(s.moveCount(), 0);
  EXPECT_EQ(s.count(Call::Op::textpos), 0);
  EXPECT_EQ(s.count(Call::Op::print), 0);
  EXPECT_FALSE(s.interval().has_value());
  EXPECT_TRUE(s.messageBoxes().empty());
  EXPECT_FALSE(s.ended());
}

TEST(StartUp, EnemiesMayShareARow) {
  RecordingServices s;
  s.queueRnd({0.45f, 0.45f, 0.45f});
  GameState st;
  Form_Initialize(st, s);
  EXPECT_EQ(st.tekiY, (std::array<double, 3>{55, 55, 55}));
}

// ---- the random row: r * 5 rounded down, times 20, plus 15 -------------------

struct RowCase {
  float r;
  double row;
  friend std::ostream& operator<<(std::ostream& os, const RowCase& c) {
    std::string r;
    appendNumber(r, c.r);
    return os << "r " << r << " gives row " << c.row;
  }
};

class RandomRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(RandomRow, AtStartUp) {
  RecordingServices s;
  s.queueRnd({GetParam().r, GetParam().r, GetParam().r});
  GameState st;
  Form_Initialize(st, s);
  EXPECT_EQ(st.tekiY[0], GetParam().row);
  EXPECT_EQ(st.tekiY[2], GetParam().row);
}

TEST_P(RandomRow, ThroughTheHelper) {
  RecordingServices s;
  s.queueRnd({GetParam().r});
  EXPECT_EQ(randomRow(s), GetParam().row);
  EXPECT_EQ(s.rndCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    EachRowAndItsEdges, RandomRow,
    ::testing::Values(RowCase{0.0f, 15}, RowCase{0.19999999f, 15}, RowCase{0.2f, 35},
                      RowCase{0.39999998f, 35}, RowCase{0.4f, 55}, RowCase{0.5f, 55},
                      RowCase{0.59999996f, 55}, RowCase{0.6f, 75}, RowCase{0.79999995f, 75},
                      RowCase{0.8f, 95},
                      // The largest number below 1 the source can give: still the
                      // bottom row, never a sixth one at 115.
                      RowCase{0.99999994f, 95}));

// ---- the first frame: score line, then the ship ----------------------------

TEST(FirstFrame, PrintsTheScoreAndDrawsTheShipBeforeAnythingElse) {
  RecordingServices s;
  s.queueRnd({0.0f, 0.5f, 0.9f});
  GameState st;
  Form_Initialize(st, s);
  s.clearCalls();

  Timer1_Timer(st, s);
  Lines all = s.lines();
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(all[0], "textpos 30 0");
  EXPECT_EQ(all[1], "print SCORE 0");
  EXPECT_EQ(all[2], "move jiki 1 30");
  EXPECT_EQ(s.printed(), (std::vector<PrintedText>{{{30, 0}, "SCORE 0"}}));
  EXPECT_EQ(s.movesOf(jiki), (std::vector<Point>{{1, 30}}));
}

TEST(FirstFrame, NoBossPhaseAtTheStart) {
  RecordingServices s;
  GameState st;
  Form_Initialize(st, s);
  s.clearCalls();
  Timer1_Timer(st, s);
  EXPECT_EQ(s.moveCount(boss(0)), 0);
  EXPECT_EQ(s.count(Call::Op::picture), 0);
}

TEST(ScoreLine, EveryFrameStartsWithItAtTheSamePlace) {
  RecordingServices s;
  GameState st;
  Form_Initialize(st, s);
  for (double score : {0.0, 7.0, 57.0, 100.0}) {
    st.score = score;
    s.clearCalls();
    Timer1_Timer(st, s);
    ASSERT_FALSE(s.printed().empty());
    EXPECT_EQ(s.printed().front().at, (Point{30, 0}));
    EXPECT_EQ(s.printed().front().text, scoreLine(score));
    EXPECT_EQ(s.lines()[0], "textpos 30 0");
  }
}

// "SCORE", then a sign position (a space when not negative), then the number.
TEST(ScoreLine, Format) {
  EXPECT_EQ(scoreLine(0), "SCORE 0");
  EXPECT_EQ(scoreLine(7), "SCORE 7");
  EXPECT_EQ(scoreLine(57), "SCORE 57");
  EXPECT_EQ(scoreLine(99), "SCORE 99");
  EXPECT_EQ(scoreLine(100), "SCORE 100");
  EXPECT_EQ(scoreLine(-3), "SCORE-3");
}

// ---- the fake itself holds sprites to the window's list ----------------------

TEST(RecordingServicesFake, RefusesSpritesTheWindowDoesNotHave) {
  RecordingServices s;
  EXPECT_THROW(s.assignPicture(tekki(0), teki(0)), FatalError);
  EXPECT_THROW(s.assignPicture(boss(0), boss(6)), FatalError);
  EXPECT_THROW(s.move(tela(3), 0, 0), FatalError);
  EXPECT_NO_THROW(s.move(tela(2), 0, 0));
  EXPECT_NO_THROW(s.assignPicture(boss(0), boss(5)));
  EXPECT_EQ(s.lines(), (Lines{"move tela(2) 0 0", "picture boss(0) boss(5)"}));
}

}  // namespace
