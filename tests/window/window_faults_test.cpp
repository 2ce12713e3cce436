// How the window ends: the game-over box, the window closed under the box,
// the display server going away, and signals.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "game_window.h"

namespace {

using namespace zorbly::testing;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Left alone with seed 1, the ship is hit in frame 107: under two seconds in.
constexpr milliseconds gameOverTimeout = seconds(15);
constexpr const char* boxTitle = "GAME OVER";

bool fiery(Rgb p) { return p.r >= 150 && p.g <= 200 && p.b <= 80 && p.r > p.g + 40; }

using GameOver = GameWindow;

TEST_F(GameOver, TheBoxShowsOverTheFlashAndDismissingItEndsWithStatusZero) {
  const XConnection::Window box = x_.findWindow(boxTitle, gameOverTimeout);
  ASSERT_NE(box, 0UL) << "no \"" << boxTitle << "\" box; game " << gameState() << "\n"
                      << x_.describeTopLevelWindows();
  // With no window manager to place it, the game puts its box over the
  // middle of its window, inside the screen, and gives it its class.
  EXPECT_TRUE(pollUntil([&] { return x_.wmClass(box) == "zorbly/Zorbly"; }, drawTimeout))
      << x_.wmClass(box).value_or("no class");
  savePng(x_.captureRoot(), dir_ + "/with-box.png");
  const auto at = x_.geometry(box), game = x_.geometry(window_);
  ASSERT_TRUE(at && game);
  EXPECT_LE(std::abs((at->x + at->width / 2) - (game->x + game->width / 2)), 1) << at->x << "," << at->y;
  EXPECT_LE(std::abs((at->y + at->height / 2) - (game->y + game->height / 2)), 1) << at->x << "," << at->y;
  EXPECT_TRUE(at->x >= 0 && at->y >= 0 && at->x + at->width <= 640 && at->y + at->height <= 480);

  // The flash covers the ship (at 30, so rows 50..69) while the box is up:
  // seen with the box moved aside (the game paints what it uncovers).
  x_.move(box, 0, 480 - at->height);
  Image field;
  pollUntil([&] {
    field = x_.capture(window_);
    return field.valid() && countIn(field, 2, 21, 50, 69, fiery) >= 20;
  }, drawTimeout);
  EXPECT_GE(countIn(field, 2, 21, 50, 69, fiery), 20) << "no flash over the ship behind the box";
  EXPECT_TRUE(game_.running()) << "the program ended before the box was dismissed";

  x_.focus(box);
  ASSERT_TRUE(x_.tapKey(XK_Return, milliseconds(50)));
  const auto status = game_.waitExit(exitTimeout);
  ASSERT_TRUE(status.has_value()) << "still running after the box was dismissed";
  EXPECT_TRUE(status->ok()) << status->describe() << "; " << gameState();
  EXPECT_EQ(readFile(dir_ + "/stderr.txt"), "");
}

TEST_F(GameOver, ClosingTheWindowUnderTheBoxEndsTheProgram) {
  ASSERT_NE(x_.findWindow(boxTitle, gameOverTimeout), 0UL) << "no box; game " << gameState();
  ASSERT_TRUE(x_.requestClose(window_));
  const auto status = game_.waitExit(exitTimeout);
  ASSERT_TRUE(status.has_value()) << "still running after its window was closed under the box";
  EXPECT_TRUE(status->ok()) << status->describe() << "; " << gameState();
  // The box went with it.
  x_.sync();
  EXPECT_EQ(x_.findWindow(boxTitle, milliseconds(500)), 0UL) << x_.describeTopLevelWindows();
}

TEST_F(GameWindow, LosingTheDisplayEndsTheProgramWithOneLine) {
  waitForShip();
  x_.close();  // our own connection would die with the server too
  xvfb_.process().signal(SIGKILL);
  const auto status = game_.waitExit(seconds(2));
  ASSERT_TRUE(status.has_value()) << "still running 2 s after the display server died";
  EXPECT_TRUE(status->exited) << status->describe();
  EXPECT_NE(status->code, 0);
  EXPECT_EQ(readFile(dir_ + "/stderr.txt"), "zorbly: lost the connection to the display\n");
}

// The box lives in a child process of the game's: still only one line.
TEST_F(GameOver, LosingTheDisplayUnderTheBoxIsSaidOnce) {
  ASSERT_NE(x_.findWindow(boxTitle, gameOverTimeout), 0UL) << "no box; game " << gameState();
  x_.close();
  xvfb_.process().signal(SIGKILL);
  const auto status = game_.waitExit(seconds(2));
  ASSERT_TRUE(status.has_value()) << "still running 2 s after the display server died";
  EXPECT_TRUE(status->exited && status->code == 1) << status->describe();
  EXPECT_EQ(readFile(dir_ + "/stderr.txt"), "zorbly: lost the connection to the display\n");
}

// Another program destroying the window (`xdotool windowclose`) ends the
// game as closing it does: at once, silently, with status 0.
TEST_F(GameWindow, AWindowDestroyedByAnotherProgramEndsTheGame) {
  waitForShip();
  x_.destroy(window_);
  const auto status = game_.waitExit(exitTimeout);
  ASSERT_TRUE(status.has_value()) << "still running without its window";
  EXPECT_TRUE(status->ok()) << status->describe();
  EXPECT_EQ(readFile(dir_ + "/stderr.txt"), "");
}

TEST(GameWithoutItsDisplay, NamesTheDisplayItCouldNotReachInOneLine) {
  const std::string dir = outputDir();
  SpawnOptions options;
  options.argv = {ZORBLY_EXE, "--seed", "1"};
  options.env = environmentWithout({"DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"},
                                   {"DISPLAY=:9876"});
  options.stderrPath = dir + "/stderr.txt";
  ChildProcess game;
  std::string error;
  ASSERT_TRUE(game.spawn(options, error)) << error;
  const auto status = game.waitExit(exitTimeout);
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(status->exited && status->code == 1) << status->describe();
  EXPECT_EQ(readFile(dir + "/stderr.txt"), "zorbly: cannot open a window: cannot reach the display ':9876'\n");
}

TEST_F(GameWindow, InterruptAndTerminateEndTheProgramCleanly) {
  waitForShip();
  game_.signal(SIGTERM);
  auto status = game_.waitExit(exitTimeout);
  ASSERT_TRUE(status.has_value()) << "still running after SIGTERM";
  EXPECT_TRUE(status->ok()) << status->describe() << "; " << gameState();
}

class Interrupted : public GameWindow {};

TEST_F(Interrupted, ByControlC) {
  waitForShip();
  game_.signal(SIGINT);
  auto status = game_.waitExit(exitTimeout);
  ASSERT_TRUE(status.has_value()) << "still running after SIGINT";
  EXPECT_TRUE(status->ok()) << status->describe() << "; " << gameState();
}

}  // namespace
