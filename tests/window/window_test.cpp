// The real program in a real X window, on a private Xvfb with no window
// manager: caption, client size, first frames, a key, and the close button.
// Each test leaves the game's output and a screenshot of its window (and of
// the whole screen when it fails) under tests/window/output/<test>/ in the
// build tree.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>

#include "xsession.h"

#ifndef ZORBLY_EXE
#error "ZORBLY_EXE must name the zorbly executable"
#endif
#ifndef ZORBLY_WINDOW_TEST_OUTPUT
#error "ZORBLY_WINDOW_TEST_OUTPUT must name a folder for the tests' files"
#endif

namespace {

using namespace zorbly::xtest;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int fieldSize = 120;
constexpr const char* caption = "Zorbly";

// Generous bounds for things that take a few frames on an idle machine.
constexpr milliseconds windowTimeout = seconds(15);
constexpr milliseconds drawTimeout = seconds(5);
constexpr milliseconds exitTimeout = seconds(5);

// The ship's columns on the field: the 22-pixel picture drawn at x 1.
constexpr int shipLeft = 1, shipRight = 22;
// Rows of its figure at the start: picture rows 20..39 drawn at y 30.
constexpr int shipFigureTop = 50, shipFigureBottom = 69;

bool yellowish(Rgb p) { return p.r >= 180 && p.g >= 140 && p.b <= 120; }
bool whitish(Rgb p) { return p.r >= 200 && p.g >= 200 && p.b >= 200; }

template <class Test>
int countIn(const Image& image, int x0, int x1, int y0, int y1, Test test) {
  int n = 0;
  for (int y = std::max(0, y0); y <= std::min(image.height - 1, y1); ++y)
    for (int x = std::max(0, x0); x <= std::min(image.width - 1, x1); ++x)
      if (test(image.at(x, y))) ++n;
  return n;
}

// The first row of the ship's figure: a row with a few yellow pixels in the
// ship's columns (a passing shot has fewer), or -1.
int topYellowRow(const Image& image) {
  for (int y = 0; y < image.height; ++y)
    if (countIn(image, shipLeft, shipRight, y, y, yellowish) >= 4) return y;
  return -1;
}

std::string testName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

std::string outputDir() {
  const std::string dir = std::string(ZORBLY_WINDOW_TEST_OUTPUT) + "/" + testName();
  makeDirectories(dir);
  return dir;
}

class GameWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (XvfbServer::executable().empty()) {
      GTEST_SKIP() << "Xvfb is not installed (not on PATH): no X server to open the game's window on";
    }
    dir_ = outputDir();
    std::string error;
    ASSERT_TRUE(xvfb_.start("640x480x24", dir_ + "/xvfb.log", error)) << error;
    ASSERT_TRUE(x_.open(xvfb_.display(), error)) << error;

    SpawnOptions game;
    game.argv = {ZORBLY_EXE, "--seed", "1"};
    game.env = environmentWithout({"DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY"},
                                  {"DISPLAY=" + xvfb_.display()});
    game.stdoutPath = dir_ + "/stdout.txt";
    game.stderrPath = dir_ + "/stderr.txt";
    ASSERT_TRUE(game_.spawn(game, error)) << error;

    window_ = x_.findWindow(caption, windowTimeout, game_.pid());
    ASSERT_NE(window_, 0UL) << "no mapped window of the game named \"" << caption << "\" within "
                            << windowTimeout.count() << " ms; game " << gameState()
                            << "; top-level windows:\n"
                            << x_.describeTopLevelWindows();
  }

  void TearDown() override {
    if (x_.isOpen()) {
      if (window_ && game_.running()) savePng(x_.capture(window_), dir_ + "/window.png");
      if (HasFailure()) {
        savePng(x_.captureRoot(), dir_ + "/screen.png");
        std::cerr << "[ files   ] " << dir_ << " (screenshots, the game's output)\n"
                  << "[ game    ] " << gameState() << "\n";
      }
    }
    game_.kill();
    x_.close();
    xvfb_.stop();
  }

  // "running" or how it ended, with whatever it wrote on standard error.
  std::string gameState() {
    std::string state = game_.running()  ? "still running"
                        : game_.status() ? game_.status()->describe()
                                         : "not started";
    const std::string err = readFile(dir_ + "/stderr.txt");
    if (!err.empty()) state += "; its standard error:\n" + err;
    return state;
  }

  // Captures the window until `check` accepts a picture or the time is up;
  // returns the last picture taken.
  template <class Check>
  Image captureUntil(Check check, milliseconds timeout = drawTimeout) {
    Image image;
    pollUntil(
        [&] {
          image = x_.capture(window_);
          return image.valid() && check(image);
        },
        timeout, milliseconds(15));
    return image;
  }

  // Waits for the ship to be drawn at its starting place.
  Image waitForShip() {
    return captureUntil([](const Image& image) {
      return countIn(image, shipLeft, shipRight, shipFigureTop, shipFigureBottom, yellowish) >= 20;
    });
  }

  std::string dir_;
  XvfbServer xvfb_;
  XConnection x_;
  ChildProcess game_;
  XConnection::Window window_ = 0;
};

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
