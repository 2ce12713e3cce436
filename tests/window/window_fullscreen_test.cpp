// Fullscreen in a real window: F11 fills the screen with the field at the
// largest whole scale, centred on black, and Alt+Enter brings the window
// back. Fullscreen is the window manager's to grant, so this runs under one
// (openbox) on the private Xvfb, and is skipped where openbox is not installed.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "game_window.h"
#include "support/window_pictures.h"

namespace {

using namespace zorbly::testing;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr int screenWidth = 640, screenHeight = 480;

class UnderAWindowManager : public ::testing::Test {
 protected:
  void SetUp() override {
    if (XvfbServer::executable().empty()) GTEST_SKIP() << "Xvfb is not installed";
    const std::string openbox = findOnPath("openbox");
    if (openbox.empty()) GTEST_SKIP() << "openbox is not installed: no window manager to grant fullscreen";
    dir_ = outputDir();
    std::string error;
    ASSERT_TRUE(xvfb_.start("640x480x24", dir_ + "/xvfb.log", error)) << error;
    ASSERT_TRUE(x_.open(xvfb_.display(), error)) << error;
    const auto env = environmentWithout({"DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY"},
                                        {"DISPLAY=" + xvfb_.display()});
    SpawnOptions wm;
    wm.argv = {openbox, "--sm-disable"};
    wm.env = env;
    wm.stdoutPath = dir_ + "/openbox.txt";
    wm.stderrPath = dir_ + "/openbox.txt";
    ASSERT_TRUE(wm_.spawn(wm, error)) << error;
    ASSERT_TRUE(pollUntil([&] { return x_.openboxReady(); }, seconds(30)))
        << "openbox did not start; " << readFile(dir_ + "/openbox.txt");

    SpawnOptions game;
    game.argv = {ZORBLY_EXE, "--seed", "1"};
    game.env = env;
    game.stderrPath = dir_ + "/stderr.txt";
    ASSERT_TRUE(game_.spawn(game, error)) << error;
    window_ = x_.findClientWindow(caption, windowTimeout, game_.pid());
    ASSERT_NE(window_, 0UL) << "no game window; game "
                            << (game_.running() ? "still running" : game_.status() ? game_.status()->describe() : "?")
                            << "; " << readFile(dir_ + "/stderr.txt") << x_.describeTopLevelWindows();
  }

  void TearDown() override {
    game_.kill();
    wm_.kill();
    x_.close();
    xvfb_.stop();
  }

  // The ship at its starting place, drawn at `scale` with the field at left, top.
  static bool shipAt(const Image& image, int scale, int left, int top) {
    return countIn(image, left + shipLeft * scale, left + shipRight * scale, top + shipFigureTop * scale,
                   top + shipFigureBottom * scale, yellowish) >= 20 * scale * scale;
  }

  Image captureUntil(const std::function<bool(const Image&)>& check) {
    Image image;
    pollUntil(
        [&] {
          image = x_.capture(window_);
          return image.valid() && check(image);
        },
        drawTimeout, milliseconds(15));
    return image;
  }

  std::string dir_;
  XvfbServer xvfb_;
  XConnection x_;
  ChildProcess wm_, game_;
  XConnection::Window window_ = 0;
};

TEST_F(UnderAWindowManager, F11IsFullscreenAtTheLargestWholeScaleAndAltEnterComesBack) {
  ASSERT_TRUE(captureUntil([](const Image& i) { return shipAt(i, 1, 0, 0); }).valid());
  x_.focus(window_);
  ASSERT_TRUE(x_.tapKey(XK_F11, milliseconds(20)));

  // 640x480: the field 4x (480 pixels square) from x 80, black at either side.
  const int scale = 4, left = (screenWidth - 480) / 2;
  const Image full = captureUntil([&](const Image& i) {
    return i.width == screenWidth && i.height == screenHeight && shipAt(i, scale, left, 0);
  });
  savePng(full, dir_ + "/fullscreen.png");
  ASSERT_EQ(full.width, screenWidth) << "the window did not go fullscreen";
  ASSERT_EQ(full.height, screenHeight);
  EXPECT_TRUE(game_.running());
  // A game-over box may already be up over part of it: leave that part out.
  std::optional<XConnection::Geometry> box;
  if (auto b = x_.findClientWindow("GAME OVER", milliseconds(0))) box = x_.geometry(b);
  const auto underBox = [&](int x, int y) {
    return box && x >= box->x - 8 && x < box->x + box->width + 8 && y >= box->y - 40 && y < box->y + box->height + 8;
  };
  const auto black = [](Rgb p) { return p.r == 0 && p.g == 0 && p.b == 0; };
  int notBlack = 0, notBlocks = 0;
  for (int y = 0; y < screenHeight; ++y) {
    for (int x = 0; x < screenWidth; ++x) {
      if (underBox(x, y)) continue;
      if (x < left || x >= left + 480) {
        notBlack += black(full.at(x, y)) ? 0 : 1;
        continue;
      }
      const Rgb p = full.at(x, y), corner = full.at(left + (x - left) / scale * scale, y / scale * scale);
      notBlocks += p.r == corner.r && p.g == corner.g && p.b == corner.b ? 0 : 1;
    }
  }
  EXPECT_EQ(notBlack, 0) << "pixels beside the field are not black; see " << dir_;
  EXPECT_EQ(notBlocks, 0) << "pixels differ from their 4x4 block; see " << dir_;

  x_.focus(window_);
  ASSERT_TRUE(x_.key(XK_Alt_L, true));
  ASSERT_TRUE(x_.tapKey(XK_Return, milliseconds(20)));
  ASSERT_TRUE(x_.key(XK_Alt_L, false));
  const Image back = captureUntil([](const Image& i) { return i.width == fieldSize && i.height == fieldSize; });
  savePng(back, dir_ + "/windowed.png");
  EXPECT_EQ(back.width, fieldSize) << "Alt+Enter did not bring the window back";
  EXPECT_EQ(back.height, fieldSize);
}

}  // namespace
