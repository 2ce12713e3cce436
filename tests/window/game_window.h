#pragma once
// A game started with --seed 1 (unless a test says otherwise) in a real
// window on a private Xvfb with no window manager, for the window tests.
// Each test leaves the game's output and a screenshot of its window (and of
// the whole screen when it fails) under tests/window/output/<test>/ in the
// build tree.

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "support/window_pictures.h"
#include "support/xsession.h"

#ifndef ZORBLY_EXE
#error "ZORBLY_EXE must name the zorbly executable"
#endif
#ifndef ZORBLY_WINDOW_TEST_OUTPUT
#error "ZORBLY_WINDOW_TEST_OUTPUT must name a folder for the tests' files"
#endif

namespace zorbly::testing {

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

inline bool yellowish(Rgb p) { return p.r >= 180 && p.g >= 140 && p.b <= 120; }
inline bool whitish(Rgb p) { return p.r >= 200 && p.g >= 200 && p.b >= 200; }

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
inline int topYellowRow(const Image& image) {
  for (int y = 0; y < image.height; ++y)
    if (countIn(image, shipLeft, shipRight, y, y, yellowish) >= 4) return y;
  return -1;
}

inline std::string testName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

inline std::string outputDir() {
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
    game.argv = {ZORBLY_EXE};
    if (seeded_) game.argv.insert(game.argv.end(), {"--seed", "1"});
    game.argv.insert(game.argv.end(), extraArguments_.begin(), extraArguments_.end());
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

  // Arguments a test adds to the game's command line (set before SetUp).
  std::vector<std::string> extraArguments_;
  // False: no --seed 1, the clock seeds the game (set before SetUp).
  bool seeded_ = true;
  std::string dir_;
  XvfbServer xvfb_;
  XConnection x_;
  ChildProcess game_;
  XConnection::Window window_ = 0;
};

}  // namespace zorbly::testing
