// zorbly.exe in a real window under Wine: the window, the chick and the
// arrow keys, the game-over box, and recordings that go between Linux and
// Windows either way. Each test leaves its screenshots and the game's output
// in tests/windows/output/<test>/ in the build tree.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "support/window_pictures.h"
#include "wine_desktop.h"

namespace {

using namespace zorbly::testing;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr const char* caption = "Zorbly";
constexpr int fieldSize = 120;
// The chick's columns on the field, and the rows of its figure at the start.
constexpr int shipLeft = 1, shipRight = 22, shipFigureTop = 50, shipFigureBottom = 69;

bool yellowish(Rgb p) { return p.r >= 180 && p.g >= 140 && p.b <= 120; }

int yellowIn(const Image& image, int x0, int x1, int y0, int y1) {
  int n = 0;
  for (int y = std::max(0, y0); y <= std::min(image.height - 1, y1); ++y)
    for (int x = std::max(0, x0); x <= std::min(image.width - 1, x1); ++x) n += yellowish(image.at(x, y));
  return n;
}

// The first row with a few yellow pixels in the chick's columns, or -1.
int chickTop(const Image& image) {
  for (int y = 0; y < image.height; ++y)
    if (yellowIn(image, shipLeft, shipRight, y, y) >= 4) return y;
  return -1;
}

class WineGame : public zorbly::testing::OnTheDesktop {
 protected:
  // Starts `zorbly.exe --seed 1 ARGS...` on the suite's desktop and finds
  // its window (call with ASSERT_NO_FATAL_FAILURE).
  void start(const std::vector<std::string>& args = {}) {
    std::vector<std::string> command = {zorbly::testing::executable(), "--seed", "1"};
    command.insert(command.end(), args.begin(), args.end());
    ASSERT_NO_FATAL_FAILURE(spawn(command, game_));
    pollUntil(
        [&] {
          window_ = x_.findClientWindow(caption, milliseconds(0), game_.pid());
          return window_ != 0 || !game_.running();
        },
        seconds(30), milliseconds(20));
    ASSERT_NE(window_, 0UL) << "no window \"" << caption << "\" of the game; " << state();
  }

  void TearDown() override {
    if (x_.isOpen()) {
      if (window_ && game_.running()) savePng(x_.capture(window_), dir_ + "/window.png");
      if (HasFailure()) savePng(x_.captureRoot(), dir_ + "/screen.png");
    }
    game_.kill();
    x_.close();
  }

  std::string state() {
    std::string s = game_.running() ? "still running" : game_.status() ? game_.status()->describe() : "not started";
    return s + "; standard error: " + readFile(dir_ + "/stderr.txt") + "; windows:\n" + x_.describeTopLevelWindows();
  }

  // Captures the window until `check` accepts the picture or 5 s pass.
  template <class Check>
  Image captureUntil(Check check) {
    Image image;
    pollUntil([&] { return (image = x_.capture(window_)).valid() && check(image); }, seconds(5), milliseconds(15));
    return image;
  }

  Image waitForChick() {
    return captureUntil(
        [](const Image& i) { return yellowIn(i, shipLeft, shipRight, shipFigureTop, shipFigureBottom) >= 20; });
  }

  // Waits for the game-over box, gives it Return, and for the game's end.
  void dismissGameOver() {
    const XConnection::Window box = x_.findClientWindow("GAME OVER", seconds(10));
    ASSERT_NE(box, 0UL) << "no GAME OVER box; " << state();
    savePng(x_.captureRoot(), dir_ + "/box.png");
    x_.focus(box);
    ASSERT_TRUE(x_.tapKey(XK_Return, milliseconds(50)));
    const auto status = game_.waitExit(seconds(10));
    ASSERT_TRUE(status.has_value()) << "still running 10 s after Return on the box; " << state();
    EXPECT_TRUE(status->ok()) << state();
  }

  ChildProcess game_;
  XConnection::Window window_ = 0;
};

// The window: "Zorbly", a 120x120 client area, the chick at its starting place.
TEST_F(WineGame, OpensTheFieldInAWindowTitledZorbly) {
  ASSERT_NO_FATAL_FAILURE(start());
  EXPECT_EQ(x_.netWmName(window_).value_or("<none>"), caption);
  const auto g = x_.geometry(window_);
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->width, fieldSize);
  EXPECT_EQ(g->height, fieldSize);
  const Image image = waitForChick();
  savePng(image, dir_ + "/field.png");
  EXPECT_GE(yellowIn(image, shipLeft, shipRight, shipFigureTop, shipFigureBottom), 20) << state();
  EXPECT_EQ(yellowIn(image, shipLeft, shipRight, 0, shipFigureTop - 1), 0) << "the chick is not at its starting place";
}

// Held arrows move the chick, down and then up, as on Linux.
TEST_F(WineGame, ArrowKeysMoveTheChick) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(x_.hasXTest());
  const int top = chickTop(waitForChick());
  ASSERT_GE(top, shipFigureTop) << state();
  x_.focus(window_);
  ASSERT_TRUE(x_.tapKey(XK_Down, milliseconds(250)));
  int lower = top;
  const Image down = captureUntil([&](const Image& i) { return (lower = chickTop(i)) > top; });
  savePng(down, dir_ + "/after-down.png");
  ASSERT_GT(lower, top) << "Down did not move the chick; " << state();
  ASSERT_TRUE(x_.tapKey(XK_Up, milliseconds(250)));
  int higher = lower;
  captureUntil([&](const Image& i) { return (higher = chickTop(i)) < lower; });
  EXPECT_LT(higher, lower) << "Up did not move the chick; " << state();
}

// --scale, a resized window and fullscreen show the field as on Linux: at
// the largest whole scale that fits, centred on black.
TEST_F(WineGame, TheFieldScalesAsOnLinux) {
  ASSERT_NO_FATAL_FAILURE(start({"--scale", "3"}));
  const auto chickAt = [](int scale, int left, int top) {
    return [=](const Image& i) {
      return yellowIn(i, left + shipLeft * scale, left + shipRight * scale + scale - 1, top + shipFigureTop * scale,
                      top + shipFigureBottom * scale + scale - 1) >= 20 * scale * scale;
    };
  };
  const auto sized = [](int width, int height, auto check) {
    return [=](const Image& i) { return i.width == width && i.height == height && check(i); };
  };
  EXPECT_TRUE(chickAt(3, 0, 0)(captureUntil(sized(360, 360, chickAt(3, 0, 0))))) << "--scale 3; " << state();
  x_.resize(window_, 250, 250);
  EXPECT_TRUE(chickAt(2, 5, 5)(captureUntil(sized(250, 250, chickAt(2, 5, 5))))) << "250x250; " << state();
  x_.focus(window_);
  ASSERT_TRUE(x_.tapKey(XK_F11, milliseconds(50)));
  const Image full = captureUntil(sized(640, 480, chickAt(4, 80, 0)));
  savePng(full, dir_ + "/fullscreen.png");
  EXPECT_TRUE(sized(640, 480, chickAt(4, 80, 0))(full)) << "fullscreen on a 640x480 screen; " << state();
  ASSERT_TRUE(x_.tapKey(XK_F11, milliseconds(50)));
  EXPECT_TRUE(sized(250, 250, chickAt(2, 5, 5))(captureUntil(sized(250, 250, chickAt(2, 5, 5)))))
      << "back from fullscreen; " << state();
}

// 64 frames a second, sleeping between them: --stats over three seconds of a
// long replay ("frames N, ..., cpu S s, ..." on standard error at the close).
TEST_F(WineGame, SixtyFourFramesASecondWithoutABusyLoop) {
  ASSERT_NO_FATAL_FAILURE(start({"--stats", "--replay", std::string(ZORBLY_GOLDEN_DIR) + "/ending.script"}));
  const auto shown = Clock::now();
  std::this_thread::sleep_for(seconds(3));
  ASSERT_TRUE(x_.requestClose(window_));
  const auto status = game_.waitExit(seconds(10));
  const double elapsed = std::chrono::duration<double>(Clock::now() - shown).count();
  ASSERT_TRUE(status.has_value() && status->ok()) << state();
  const std::string stats = readFile(dir_ + "/stderr.txt");
  double frames = 0, cpu = 0;
  ASSERT_EQ(std::sscanf(stats.c_str(), "zorbly: stats: frames %lf", &frames), 1) << stats;
  ASSERT_NE(stats.find(", cpu "), std::string::npos) << stats;
  cpu = std::atof(stats.c_str() + stats.find(", cpu ") + 6);
  EXPECT_NEAR(frames / elapsed, 64, 6) << stats << " in " << elapsed << " s";
  // Wine's own start takes some; a busy loop would take the whole time.
  EXPECT_LT(cpu, elapsed / 3) << stats << " in " << elapsed << " s";
}

// Left alone, the chick is hit (seed 1: frame 107, under 2 s): the box says
// GAME OVER, and Return on it ends the program with status 0.
TEST_F(WineGame, GameOverBoxAndReturnEndTheGame) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NE(x_.findClientWindow("GAME OVER", seconds(5)), 0UL) << "no GAME OVER box within 5 s; " << state();
  ASSERT_NO_FATAL_FAILURE(dismissGameOver());
}

// A game recorded by zorbly.exe plays again on Linux, by the headless
// program, to the same final state.
TEST_F(WineGame, ARecordingMadeOnWindowsPlaysTheSameOnLinux) {
  const std::string recording = dir_ + "/recorded.script";
  ASSERT_NO_FATAL_FAILURE(start({"--record", recording}));
  waitForChick();
  x_.focus(window_);
  ASSERT_TRUE(x_.tapKey(XK_Down, milliseconds(200)));
  ASSERT_TRUE(x_.tapKey(XK_z, milliseconds(50)));
  ASSERT_TRUE(x_.requestClose(window_));
  const auto status = game_.waitExit(seconds(10));
  ASSERT_TRUE(status.has_value() && status->ok()) << state();

  const std::string text = readFile(recording);
  EXPECT_EQ(text.find('\r'), std::string::npos) << "lines end in LF alone";
  const std::string mark = "# final state: ";
  const auto at = text.rfind(mark);
  ASSERT_NE(at, std::string::npos) << text;
  const std::string finalState = text.substr(at + mark.size());
  {
    std::ofstream script(dir_ + "/replay.script", std::ios::binary);
    script << text << "trace off\nstate\n";
  }
  const auto played = zorbly::testing::runToEnd({ZORBLY_HEADLESS_EXE, "--script", dir_ + "/replay.script"},
                                             environmentWithout({}), dir_ + "/linux.txt", seconds(30));
  ASSERT_TRUE(played && played->ok()) << readFile(dir_ + "/linux.txt.err");
  const std::string out = readFile(dir_ + "/linux.txt");
  EXPECT_EQ(out.substr(out.rfind("{\"op\":\"state\"")), finalState);
}

// A golden game recorded on Linux, its lines ending in CR LF, replayed in
// zorbly.exe's window: it ends the same, in the box over the same picture.
TEST_F(WineGame, ALinuxRecordingWithCrLfReplaysTheSame) {
  const std::string golden = std::string(ZORBLY_GOLDEN_DIR) + "/gameover";
  std::string script;
  for (char c : readFile(golden + ".script")) {
    if (c == '\n') script += '\r';
    script += c;
  }
  std::ofstream(dir_ + "/gameover-crlf.script", std::ios::binary) << script;
  ASSERT_NO_FATAL_FAILURE(start({"--replay", dir_ + "/gameover-crlf.script"}));
  const XConnection::Window box = x_.findClientWindow("GAME OVER", seconds(10));
  ASSERT_NE(box, 0UL) << "no GAME OVER box; " << state();
  // The box opens over the game; moved aside, it shows what is under it.
  x_.move(box, 0, 400);
  const Image want = loadPng(golden + ".png");
  const Image last = captureUntil([&](const Image& i) { return difference(i, want).empty(); });
  savePng(last, dir_ + "/last.png");
  EXPECT_EQ(difference(last, want), "") << "the window does not show " << golden << ".png";
  ASSERT_NO_FATAL_FAILURE(dismissGameOver());
}

}  // namespace
