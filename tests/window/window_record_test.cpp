// Recording and replay with a real window: a game played with keys under
// Xvfb and recorded, played again headless to the same final state and the
// same picture, and shown again in the window with --replay, which delivers
// the same events and pictures. And the replay file's and the recording's
// failures, said before any window opens.

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "game_window.h"
#include "support/window_pictures.h"

namespace {

using namespace zorbly::testing;
using std::chrono::milliseconds;
using std::chrono::seconds;

// ------------------------------------------------------------ helpers

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The state line a recording ends with, from its "# final state: " comment.
std::string finalState(const std::string& recording) {
  const std::string mark = "# final state: ";
  const auto at = recording.rfind(mark);
  if (at == std::string::npos) return "<no final state in the recording>";
  const auto end = recording.find('\n', at);
  return recording.substr(at + mark.size(), end == std::string::npos ? std::string::npos : end - at - mark.size());
}

// The events of a recording one by one: "seed N", "down K", "up K", and
// "tick" once per frame, however the frames were split into lines.
std::vector<std::string> events(const std::string& recording) {
  std::vector<std::string> out;
  for (const std::string& line : linesOf(recording)) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("tick ", 0) == 0) {
      out.insert(out.end(), std::stoul(line.substr(5)), "tick");
    } else {
      out.push_back(line);
    }
  }
  return out;
}

// The main thread's state letter (R, S, T...) from /proc, or 0.
char processState(int pid) {
  const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  const auto close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

// True when the main thread waits in a sleep: the frame clock's wait for the
// next frame, between two frames.
bool sleepingBetweenFrames(int pid) {
  long call = -1;
  std::istringstream(readFile("/proc/" + std::to_string(pid) + "/syscall")) >> call;
  return call == SYS_clock_nanosleep
#ifdef SYS_nanosleep
         || call == SYS_nanosleep
#endif
      ;
}

// Stops the game (SIGSTOP) at a moment between two frames, so that what its
// window shows is the last frame it delivered, and stays so. A signal that
// ends it later is taken at its next look at its events, before any frame.
bool stopBetweenFrames(ChildProcess& game) {
  const auto deadline = Clock::now() + seconds(5);
  while (Clock::now() < deadline) {
    game.signal(SIGSTOP);
    pollUntil([&] { return processState(game.pid()) == 'T'; }, seconds(1), milliseconds(1));
    if (sleepingBetweenFrames(game.pid())) return true;
    game.signal(SIGCONT);
    std::this_thread::sleep_for(milliseconds(3));
  }
  return false;
}

// Ends a stopped game with SIGTERM, as Ctrl+C or a logout would; true if it
// ended with status 0.
bool terminateStopped(ChildProcess& game, std::string& how) {
  game.signal(SIGTERM);
  game.signal(SIGCONT);
  const auto status = game.waitExit(exitTimeout);
  how = status ? status->describe() : "still running after SIGTERM";
  return status && status->ok();
}

struct Outcome {
  ExitStatus status;
  std::string out, err;
};

// Runs zorbly to its end with `args`, no display unless `display` names one.
Outcome runZorbly(const std::vector<std::string>& args, const std::string& dir, const std::string& name,
              const std::string& display = "") {
  SpawnOptions options;
  options.argv = {ZORBLY_EXE};
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  options.env = environmentWithout({"DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY"},
                                   display.empty() ? std::vector<std::string>{}
                                                   : std::vector<std::string>{"DISPLAY=" + display});
  options.stdoutPath = dir + "/" + name + "-stdout.txt";
  options.stderrPath = dir + "/" + name + "-stderr.txt";
  ChildProcess p;
  std::string error;
  Outcome run;
  if (!p.spawn(options, error)) {
    run.err = error;
    return run;
  }
  if (auto status = p.waitExit(seconds(60))) run.status = *status;
  run.out = readFile(options.stdoutPath);
  run.err += readFile(options.stderrPath);
  return run;
}

// Plays `recording` + `then` headless; returns its output.
Outcome headless(const std::string& recording, const std::string& then, const std::string& dir,
             const std::string& name) {
  const std::string script = dir + "/" + name + ".txt";
  writeFile(script, recording + then);
  return runZorbly({"--headless", "--script", script}, dir, name);
}

std::string lastLine(const std::string& text) {
  const auto lines = linesOf(text);
  return lines.empty() ? "" : lines.back();
}

// ------------------------------------------------------------ the test

class RecordedGame : public GameWindow {
 protected:
  RecordedGame() {
    seeded_ = false;  // the clock seeds it: the recording must say with what
    recording_ = outputDir() + "/recording.txt";
    extraArguments_ = {"--record", recording_};
  }
  std::string recording_;
};

TEST_F(RecordedGame, PlaysAgainHeadlessAndInTheWindowExactly) {
  ASSERT_TRUE(x_.hasXTest());
  ASSERT_TRUE(waitForShip().valid());
  x_.focus(window_);
  ASSERT_TRUE(x_.tapKey(XK_Down, milliseconds(150)));
  ASSERT_TRUE(x_.tapKey(XK_z, milliseconds(30)));
  ASSERT_TRUE(x_.tapKey(XK_Up, milliseconds(90)));
  ASSERT_TRUE(x_.tapKey(XK_z, milliseconds(30)));
  ASSERT_TRUE(x_.tapKey(XK_Down, milliseconds(60)));

  // The last picture the game showed, then the end: the picture must stay
  // the last one, so the game is stopped between frames first.
  ASSERT_TRUE(stopBetweenFrames(game_)) << "could not stop the game between frames; " << gameState();
  ASSERT_EQ(x_.findWindow("GAME OVER", milliseconds(0)), 0UL) << "the game ended before the keys were all sent";
  const Image shown = x_.capture(window_);
  ASSERT_TRUE(shown.valid());
  savePng(shown, dir_ + "/window-last.png");
  std::string how;
  ASSERT_TRUE(terminateStopped(game_, how)) << how << "; " << gameState();

  // What was recorded: the clock's seed first, the keys, the frames.
  const std::string recording = readFile(recording_);
  const auto lines = linesOf(recording);
  ASSERT_GE(lines.size(), 3u) << recording;
  EXPECT_EQ(lines[0].rfind("seed ", 0), 0u) << lines[0];
  EXPECT_NE(lines[0], "seed 1");
  for (const char* key : {"down 40", "up 40", "down 90", "up 90", "down 38", "up 38"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), key), lines.end()) << "no '" << key << "' in\n" << recording;
  }
  EXPECT_EQ(lines.back().rfind("# final state: {\"op\":\"state\"", 0), 0u) << lines.back();
  const std::string state = finalState(recording);

  // Headless: the same final state and the same picture.
  const Outcome replayed = headless(recording, "trace off\nstate\nshot " + dir_ + "/headless-last.png\n", dir_,
                                "headless");
  ASSERT_TRUE(replayed.status.ok()) << replayed.status.describe() << ": " << replayed.err;
  EXPECT_EQ(lastLine(replayed.out), state);
  const Image headlessLast = loadPng(dir_ + "/headless-last.png");
  ASSERT_TRUE(headlessLast.valid());
  EXPECT_EQ(difference(shown, headlessLast), "") << "the window's last picture against the headless shot";

  // Again in the window: --replay shows the same game; its own recording
  // holds the same events, and its state and shot lines agree. The file has
  // CR LF line ends, as one saved on Windows (or by the page there) has.
  const std::string replayScript = dir_ + "/replay.txt";
  const std::string again = dir_ + "/recording-of-the-replay.txt";
  std::string crlf;
  for (const char c : recording + "state\nshot " + dir_ + "/replayed-shot.png\n") {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  writeFile(replayScript, crlf);
  SpawnOptions options;
  options.argv = {ZORBLY_EXE, "--replay", replayScript, "--record", again};
  options.env = environmentWithout({"DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY"},
                                   {"DISPLAY=" + xvfb_.display()});
  options.stdoutPath = dir_ + "/replay-stdout.txt";
  options.stderrPath = dir_ + "/replay-stderr.txt";
  ChildProcess replay;
  std::string error;
  ASSERT_TRUE(replay.spawn(options, error)) << error;
  const XConnection::Window replayWindow = x_.findWindow(caption, windowTimeout, replay.pid());
  ASSERT_NE(replayWindow, 0UL) << readFile(options.stderrPath);
  ASSERT_TRUE(pollUntil([&] { return !readFile(options.stdoutPath).empty(); }, seconds(20)))
      << "the replay wrote no state line; " << readFile(options.stderrPath);
  ASSERT_TRUE(stopBetweenFrames(replay));
  const Image replayShown = x_.capture(replayWindow);
  savePng(replayShown, dir_ + "/replay-window-last.png");
  ASSERT_TRUE(terminateStopped(replay, how)) << how << "; " << readFile(options.stderrPath);

  EXPECT_EQ(lastLine(readFile(options.stdoutPath)), state) << "the state at the end of the replay";
  EXPECT_EQ(difference(loadPng(dir_ + "/replayed-shot.png"), headlessLast), "") << "the replay's shot";
  const std::string recordingAgain = readFile(again);
  const auto first = events(recording), second = events(recordingAgain);
  ASSERT_GE(second.size(), first.size()) << recordingAgain;
  EXPECT_TRUE(std::equal(first.begin(), first.end(), second.begin()))
      << "the replay did not deliver the recorded events:\n" << recording << "\nagainst\n" << recordingAgain;

  // ... and what the window showed at its end is the headless picture of that.
  const Outcome twice = headless(recordingAgain, "trace off\nstate\nshot " + dir_ + "/headless-replay-last.png\n", dir_,
                             "headless-of-the-replay");
  ASSERT_TRUE(twice.status.ok()) << twice.err;
  EXPECT_EQ(lastLine(twice.out), finalState(recordingAgain));
  EXPECT_EQ(difference(replayShown, loadPng(dir_ + "/headless-replay-last.png")), "");
}

// ------------------------------------------------------------ failures

class PlayerFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (XvfbServer::executable().empty()) GTEST_SKIP() << "Xvfb is not installed";
    dir_ = outputDir();
    std::string error;
    ASSERT_TRUE(xvfb_.start("640x480x24", dir_ + "/xvfb.log", error)) << error;
    ASSERT_TRUE(x_.open(xvfb_.display(), error)) << error;
  }
  void TearDown() override {
    x_.close();
    xvfb_.stop();
  }
  std::string dir_;
  XvfbServer xvfb_;
  XConnection x_;
};

TEST_F(PlayerFiles, AReplayWithABadLineIsSaidBeforeAnyWindowOpens) {
  const std::string script = dir_ + "/bad.txt";
  writeFile(script, "seed 2\ndown 40\ntick 5\n\ntick many\n");
  const Outcome r = runZorbly({"--replay", script}, dir_, "bad", xvfb_.display());
  EXPECT_TRUE(r.status.exited && r.status.code == 2) << r.status.describe();
  EXPECT_EQ(r.err.rfind("zorbly: line 5: ", 0), 0u) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(x_.findWindow(caption, milliseconds(0)), 0UL) << x_.describeTopLevelWindows();
}

TEST_F(PlayerFiles, ARecordingThatCannotBeWrittenIsSaidBeforeAnyWindowOpens) {
  const Outcome r = runZorbly({"--record", "/nonexistent/zorbly/game.txt"}, dir_, "unwritable", xvfb_.display());
  EXPECT_TRUE(r.status.exited && r.status.code == 1) << r.status.describe();
  EXPECT_EQ(r.err, "zorbly: cannot write /nonexistent/zorbly/game.txt: No such file or directory\n");
}

TEST_F(PlayerFiles, AReplayShotThatCannotBeWrittenEndsTheGameWithStatusOne) {
  const std::string script = dir_ + "/shot.txt";
  writeFile(script, "seed 2\ntick 3\nshot /nonexistent/zorbly/field.png\n");
  const Outcome r = runZorbly({"--replay", script}, dir_, "shot", xvfb_.display());
  EXPECT_TRUE(r.status.exited && r.status.code == 1) << r.status.describe();
  EXPECT_EQ(r.err, "zorbly: cannot write /nonexistent/zorbly/field.png: No such file or directory\n");
}

// Starts zorbly in the background with `args` on the display; its standard
// error goes to NAME-stderr.txt in `dir`, and `passFd` is its descriptor 3.
bool startZorbly(ChildProcess& game, const std::vector<std::string>& args, const std::string& dir,
                 const std::string& name, const std::string& display, int passFd = -1) {
  SpawnOptions options;
  options.argv = {ZORBLY_EXE};
  options.argv.insert(options.argv.end(), args.begin(), args.end());
  options.env = environmentWithout({"DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY"}, {"DISPLAY=" + display});
  options.stderrPath = dir + "/" + name + "-stderr.txt";
  options.passFd = passFd;
  std::string error;
  return game.spawn(options, error);
}

// One game at a time records to a file: a second one is refused before its
// window opens, and the first one's recording stays whole and replays.
TEST_F(PlayerFiles, ASecondGameRecordingToTheSameFileIsRefused) {
  const std::string file = dir_ + "/shared.txt";
  ChildProcess first;
  ASSERT_TRUE(startZorbly(first, {"--seed", "22", "--record", file}, dir_, "first", xvfb_.display()));
  ASSERT_TRUE(pollUntil([&] { return readFile(file) == "seed 22\n"; }, seconds(10))) << readFile(file);
  const Outcome second = runZorbly({"--seed", "23", "--record", file}, dir_, "second", xvfb_.display());
  EXPECT_TRUE(second.status.exited && second.status.code == 1) << second.status.describe();
  EXPECT_EQ(second.err, "zorbly: cannot write " + file + ": another game is recording to it\n");
  first.signal(SIGTERM);
  const auto ended = first.waitExit(exitTimeout);
  ASSERT_TRUE(ended && ended->ok()) << (ended ? ended->describe() : "still running");
  const std::string recording = readFile(file);
  EXPECT_EQ(recording.rfind("seed 22\n", 0), 0u) << recording;
  EXPECT_EQ(headless(recording, "", dir_, "shared-replayed").status.code, 0);
}

// A pipe whose reader goes away stops the recording with one line, and the
// game plays on: no death by SIGPIPE.
TEST_F(PlayerFiles, ARecordingIntoAPipeWhoseReaderLeavesStopsAndPlayGoesOn) {
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);  // the game holds no reading end of its own
  ChildProcess game;
  const bool started = startZorbly(game, {"--seed", "5", "--record", "/dev/fd/3"}, dir_, "pipe", xvfb_.display(), ends[1]);
  ::close(ends[1]);
  ASSERT_TRUE(started);
  char first[16] = {};
  pollfd wait{ends[0], POLLIN, 0};
  ASSERT_EQ(::poll(&wait, 1, 10000), 1);
  EXPECT_EQ(std::string(first, static_cast<std::size_t>(::read(ends[0], first, 7))), "seed 5\n");
  ::close(ends[0]);
  const std::string said = "zorbly: cannot write the recording to /dev/fd/3: Broken pipe; recording stopped\n";
  EXPECT_TRUE(pollUntil([&] { return readFile(dir_ + "/pipe-stderr.txt") == said; }, seconds(10)))
      << readFile(dir_ + "/pipe-stderr.txt");
  EXPECT_TRUE(game.running()) << "the game should play on";
  game.signal(SIGTERM);
  const auto ended = game.waitExit(exitTimeout);
  EXPECT_TRUE(ended && ended->ok()) << (ended ? ended->describe() : "still running");
  EXPECT_EQ(readFile(dir_ + "/pipe-stderr.txt"), said);
}

}  // namespace
