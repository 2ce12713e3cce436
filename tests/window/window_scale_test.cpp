// The field scaled in a real window: --scale 3 shows every field pixel as a
// 3x3 block, and a resized window shows the field at the largest whole scale
// that fits, centred on black. The pictures compared are the ones under the
// game-over box, which stay still: with seed 1 and no keys the game ends the
// same way in every run, whatever the window's size.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "game_window.h"
#include "support/window_pictures.h"

namespace {

using namespace zorbly::testing;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr milliseconds gameOverTimeout = seconds(15);
constexpr int screenWidth = 640, screenHeight = 480;  // the fixture's Xvfb screen

bool fiery(Rgb p) { return p.r >= 150 && p.g <= 200 && p.b <= 80 && p.r > p.g + 40; }

// Waits for the game-over box, then puts the game's window in the top-left
// corner and the box in the bottom-right one, so that the window can be read
// whole (the game paints what the box uncovers). Returns the box, or 0.
XConnection::Window boxApart(XConnection& x, XConnection::Window game) {
  const XConnection::Window box = x.findWindow("GAME OVER", gameOverTimeout);
  if (!box) return 0;
  // The game places its box itself first, and marks it with its class.
  pollUntil([&] { return x.wmClass(box).has_value(); }, drawTimeout, milliseconds(10));
  x.move(game, 0, 0);
  if (auto g = x.geometry(box)) x.move(box, screenWidth - g->width, screenHeight - g->height);
  return box;
}

// The window's picture once two looks a little apart agree and the flash is on it.
Image stillPicture(XConnection& x, XConnection::Window w, int scale) {
  Image last, image;
  pollUntil(
      [&] {
        image = x.capture(w);
        const bool same = image.valid() && last.valid() && difference(image, last).empty();
        last = image;
        return same && countIn(image, 2 * scale, 21 * scale, 50 * scale, 69 * scale, fiery) >= 20 * scale * scale;
      },
      drawTimeout, milliseconds(150));
  return image;
}

// Dismisses the box and waits for the game to end with status 0.
void dismiss(XConnection& x, XConnection::Window box, ChildProcess& game) {
  x.focus(box);
  x.tapKey(XK_Return, milliseconds(50));
  const auto status = game.waitExit(exitTimeout);
  ASSERT_TRUE(status.has_value()) << "still running after the box was dismissed";
  EXPECT_TRUE(status->ok()) << status->describe();
}

class ScaledWindow : public GameWindow {
 protected:
  ScaledWindow() { extraArguments_ = {"--scale", "3"}; }

  // The picture under the box of another game, with seed 1 at scale 1.
  Image pictureAtScaleOne() {
    SpawnOptions options;
    options.argv = {ZORBLY_EXE, "--seed", "1"};
    options.env = environmentWithout({"DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY"},
                                     {"DISPLAY=" + xvfb_.display()});
    options.stderrPath = dir_ + "/scale1-stderr.txt";
    ChildProcess game;
    std::string error;
    if (!game.spawn(options, error)) {
      ADD_FAILURE() << error;
      return {};
    }
    const XConnection::Window w = x_.findWindow(caption, windowTimeout, game.pid());
    if (!w) {
      ADD_FAILURE() << "no window for the game at scale 1";
      return {};
    }
    const XConnection::Window box = boxApart(x_, w);
    if (!box) {
      ADD_FAILURE() << "no game-over box for the game at scale 1";
      return {};
    }
    const Image image = stillPicture(x_, w, 1);
    dismiss(x_, box, game);
    return image;
  }
};

TEST_F(ScaledWindow, ClientAreaIs360AndEachFieldPixelIsA3x3Block) {
  const auto g = x_.geometry(window_);
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->width, 360);
  EXPECT_EQ(g->height, 360);

  const XConnection::Window box = boxApart(x_, window_);
  ASSERT_NE(box, 0UL) << "no game-over box; game " << gameState();
  const Image big = stillPicture(x_, window_, 3);
  savePng(big, dir_ + "/scale3.png");
  ASSERT_EQ(big.width, 360);
  dismiss(x_, box, game_);

  const Image small = pictureAtScaleOne();
  ASSERT_TRUE(small.valid());
  savePng(small, dir_ + "/scale1.png");
  ASSERT_EQ(small.width, fieldSize);
  EXPECT_EQ(difference(big, placed(small, 3, 0, 0, 360, 360)), "") << "see " << dir_;
}

// Asked for more than the screen holds, the window opens at the largest
// whole scale that leaves room for a title bar, and says so.
class TooLargeWindow : public GameWindow {
 protected:
  TooLargeWindow() { extraArguments_ = {"--scale", "16"}; }
};

TEST_F(TooLargeWindow, OpensAtTheLargestScaleThatFitsTheScreen) {
  const auto g = x_.geometry(window_);
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->width, 360);
  EXPECT_EQ(g->height, 360);
  EXPECT_EQ(readFile(dir_ + "/stderr.txt"), "zorbly: --scale 16 does not fit the screen; using 3\n");
}

TEST_F(GameWindow, ResizedWindowShowsTheFieldAtTheLargestWholeScaleCentredOnBlack) {
  const XConnection::Window box = boxApart(x_, window_);
  ASSERT_NE(box, 0UL) << "no game-over box; game " << gameState();
  const Image field = stillPicture(x_, window_, 1);
  ASSERT_EQ(field.width, fieldSize);
  savePng(field, dir_ + "/120x120.png");

  struct Size {
    int width, height, scale, left, top;
  };
  for (const Size s : {Size{500, 300, 2, 130, 30}, Size{400, 400, 3, 20, 20}, Size{250, 470, 2, 5, 115},
                       Size{150, 130, 1, 15, 5}}) {
    const std::string name = std::to_string(s.width) + "x" + std::to_string(s.height);
    ASSERT_TRUE(x_.resize(window_, s.width, s.height));
    const Image want = placed(field, s.scale, s.left, s.top, s.width, s.height);
    const Image got = captureUntil([&](const Image& image) { return difference(image, want).empty(); });
    savePng(got, dir_ + "/" + name + ".png");
    EXPECT_EQ(difference(got, want), "") << name << ": the field at scale " << s.scale << " at " << s.left << ","
                                         << s.top << "; see " << dir_;
  }
  dismiss(x_, box, game_);
}

}  // namespace
