// The real program in a real X window: caption, client size, first frames,
// a key, and the close button.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "game_window.h"

namespace {

using namespace zorbly::testing;
using std::chrono::milliseconds;
using std::chrono::seconds;

TEST_F(GameWindow, CaptionIsZorbly) {
  EXPECT_EQ(x_.netWmName(window_).value_or("<none>"), caption);
  EXPECT_EQ(x_.wmName(window_).value_or("<none>"), caption);
  EXPECT_EQ(x_.takeErrors(), "");
}

TEST_F(GameWindow, ClientAreaIs120By120) {
  const auto g = x_.geometry(window_);
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->width, fieldSize);
  EXPECT_EQ(g->height, fieldSize);
  const Image image = x_.capture(window_);
  EXPECT_EQ(image.width, fieldSize);
  EXPECT_EQ(image.height, fieldSize);
  EXPECT_EQ(x_.takeErrors(), "");
}

TEST_F(GameWindow, ShipIsDrawnAtItsStartingPlace) {
  const Image image = waitForShip();
  ASSERT_TRUE(image.valid()) << "cannot read the window's pixels: " << x_.takeErrors();
  const int inPlace = countIn(image, shipLeft, shipRight, shipFigureTop, shipFigureBottom, yellowish);
  EXPECT_GE(inPlace, 20) << "too few yellow pixels in columns " << shipLeft << ".." << shipRight << ", rows "
                         << shipFigureTop << ".." << shipFigureBottom << " within " << drawTimeout.count()
                         << " ms; game " << gameState();
  EXPECT_EQ(countIn(image, shipLeft, shipRight, 0, shipFigureTop - 1, yellowish), 0)
      << "yellow above row " << shipFigureTop << " in the ship's columns (the figure's top row is "
      << topYellowRow(image) << ")";
  EXPECT_TRUE(game_.running()) << gameState();
}

TEST_F(GameWindow, ScoreLineIsDrawn) {
  const auto scoreArea = [](const Image& image) { return countIn(image, 30, 90, 0, 12, whitish); };
  const Image image = captureUntil([&](const Image& i) { return scoreArea(i) >= 10; });
  ASSERT_TRUE(image.valid()) << "cannot read the window's pixels: " << x_.takeErrors();
  EXPECT_GE(scoreArea(image), 10) << "no white text around x 30..90, y 0..12; game " << gameState();
  // Nothing white-ish left of the line: it starts at x 30.
  EXPECT_EQ(countIn(image, 0, 28, 0, 12, whitish), 0);
}

TEST_F(GameWindow, DownArrowMovesTheShipLower) {
  ASSERT_TRUE(x_.hasXTest()) << "the X server has no XTest extension";
  const Image before = waitForShip();
  ASSERT_TRUE(before.valid()) << "cannot read the window's pixels: " << x_.takeErrors();
  const int top = topYellowRow(before);
  ASSERT_GE(top, shipFigureTop) << "the ship is not at its starting place";
  ASSERT_LE(top, shipFigureBottom) << "the ship is not at its starting place";

  // No window manager here: give the window the keyboard ourselves.
  x_.focus(window_);
  ASSERT_TRUE(x_.tapKey(XK_Down, milliseconds(300))) << "no key code for Down";

  int after = top;
  captureUntil([&](const Image& image) {
    after = topYellowRow(image);
    return after > top;
  });
  EXPECT_GT(after, top) << "the ship's top yellow row did not move down after Down was held";
  EXPECT_TRUE(game_.running()) << gameState();
  EXPECT_EQ(x_.takeErrors(), "");
}

TEST_F(GameWindow, CloseButtonEndsTheGameWithStatusZero) {
  // Let it draw first, so the close comes to a game in its loop.
  waitForShip();
  ASSERT_TRUE(game_.running()) << gameState();
  ASSERT_TRUE(x_.requestClose(window_));
  const auto status = game_.waitExit(exitTimeout);
  ASSERT_TRUE(status.has_value()) << "still running " << exitTimeout.count()
                                  << " ms after WM_DELETE_WINDOW; " << gameState();
  EXPECT_TRUE(status->ok()) << status->describe() << "; " << gameState();
  EXPECT_EQ(x_.takeErrors(), "");
}

// Without any display the program says so in one line and gives up at once.
TEST(GameWithoutDisplay, SaysItCannotOpenAWindow) {
  const std::string dir = outputDir();
  SpawnOptions game;
  game.argv = {ZORBLY_EXE, "--seed", "1"};
  game.env = environmentWithout({"DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY"});
  game.stdoutPath = dir + "/stdout.txt";
  game.stderrPath = dir + "/stderr.txt";
  ChildProcess process;
  std::string error;
  ASSERT_TRUE(process.spawn(game, error)) << error;
  const auto status = process.waitExit(seconds(20));
  ASSERT_TRUE(status.has_value()) << "still running after 20 s with no display";
  EXPECT_TRUE(status->exited) << status->describe();
  EXPECT_NE(status->code, 0) << status->describe();

  const std::string err = readFile(dir + "/stderr.txt");
  const std::string prefix = "zorbly: cannot open a window";
  EXPECT_EQ(err.rfind(prefix, 0), 0U) << "standard error:\n" << err;
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.back(), '\n') << "standard error:\n" << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "more than one line on standard error:\n" << err;
}

}  // namespace
