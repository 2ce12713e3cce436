// The game in real time, as the window and the page run it: the frame loop
// on a counter, replays as a source of commands, recordings as a sink.

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "session/frame_loop.h"
#include "session/script_runner.h"
#include "session/recorder.h"
#include "session/recording_text.h"
#include "session/replay.h"
#include "session/messages.h"
#include "support/golden.h"
#include "support/run_program.h"
#include "testkit/fixture.h"

namespace zorbly {
namespace {

constexpr std::uint64_t second = 64'000;  // counter ticks a second: exactly 1000 a frame
constexpr std::uint64_t frame = second / 64;

std::variant<ReplayScript, ReplayError> read(const std::string& text) {
  StringSource in(text);
  return readReplay(in, "a pipe");
}

ReplayScript script(const std::string& text) {
  auto r = read(text);
  if (auto* e = std::get_if<ReplayError>(&r)) ADD_FAILURE() << e->message;
  return std::holds_alternative<ReplayScript>(r) ? std::get<ReplayScript>(r) : ReplayScript{};
}

std::string stateLine(const Session& s) {
  std::string line;
  appendStateLine(line, s.state(), s.interval());
  return line;
}

// What the headless program ends with for `text` plus "state".
std::string headlessState(const std::string& text) {
  StringSource in(text + "\ntrace off\nstate\n");
  std::ostringstream out, err;
  EXPECT_EQ(runScript(in, out, err, testing::assets()), 0) << err.str();
  const std::string output = out.str();
  return output.substr(output.rfind("{\"op\":\"state\""));
}

TEST(FrameLoop, RunsTheFramesDueByNowAndStartsAfreshAfterAStall) {
  Session s(testing::assets(), {.seed = 1});
  FrameLoop loop(s, nullptr, second, 5000);
  EXPECT_TRUE(s.started());
  EXPECT_EQ(loop.runDue(5000), 1);  // the first frame is due at once
  EXPECT_EQ(loop.runDue(5000), 0);
  EXPECT_EQ(loop.ticksUntilDue(5000), frame);
  EXPECT_EQ(loop.runDue(5000 + frame), 1);
  EXPECT_EQ(loop.runDue(5000 + 3 * frame + 10), 2);  // late frames are caught up
  EXPECT_EQ(loop.ticksUntilDue(5000 + 3 * frame + 10), frame - 10);
  // Stopped for a second: a few frames, not a burst of sixty-four.
  EXPECT_LE(loop.runDue(5000 + 3 * frame + second), 5);
  EXPECT_EQ(loop.runDue(5000 + 3 * frame + second), 0);
  EXPECT_EQ(s.state().tekiX[0], 120 - 0.5 * loop.stats().frames());
}

TEST(FrameLoop, AReplayGivesItsCommandsBeforeTheirFramesThenThePlayerTakesOver) {
  const ReplayScript replay = script("down 40\ntick 3\nup 40\ndown 90\ntick 2\n");
  Session s(testing::assets(), {.seed = 1});
  FrameLoop loop(s, &replay, second, 0);
  loop.key(true, keyUp);  // the player's keys wait for the replay to end
  EXPECT_TRUE(loop.replaying());
  std::uint64_t now = 0;
  auto oneFrame = [&] {
    ASSERT_EQ(loop.runDue(now), 1);
    now += frame;
  };
  for (int i = 0; i < 3; ++i) oneFrame();
  EXPECT_EQ(s.state().jikiY, 39);
  EXPECT_EQ(s.state().jikiDY, 3);
  for (int i = 0; i < 2; ++i) oneFrame();
  EXPECT_EQ(s.state().jikiDY, 0);
  EXPECT_EQ(s.state().laserX, 26);
  EXPECT_FALSE(loop.replaying());
  loop.key(true, keyUp);
  EXPECT_EQ(s.state().jikiDY, -3);
  EXPECT_EQ(stateLine(s), headlessState("seed 1\ndown 40\ntick 3\nup 40\ndown 90\ntick 2\ndown 38"));
}

// Skipping runs the replay on at once, a slice at a time, to the same game
// as watching it in real time; the frames after the ending pass without
// being counted one by one, and the clock starts afresh for the player.
TEST(FrameLoop, SkippingPlaysTheReplayToItsEndAtOnceThenThePlayerTakesOver) {
  const std::string text = "down 90\ntick 3\nup 90\ntick 100\n";
  const ReplayScript replay = script(text);
  Session s(testing::assets(), {.seed = 1});
  FrameLoop loop(s, &replay, second, 0);
  EXPECT_EQ(loop.skipReplay(7, 50), 50);
  EXPECT_TRUE(loop.replaying());
  EXPECT_EQ(loop.skipReplay(7, 1000), 53);
  EXPECT_FALSE(loop.replaying());
  EXPECT_EQ(stateLine(s), headlessState("seed 1\n" + text));
  EXPECT_EQ(loop.runDue(7), 1) << "the player's first frame is due at once";
  EXPECT_EQ(loop.runDue(7 + frame - 1), 0);

  std::ifstream file(testing::goldenDir + "/ending.script");
  const std::string ending((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const ReplayScript long_ = script(ending + "tick 1000000000\ntick 1000000000\ndown 40\n");
  Session won(testing::assets(), {.seed = long_.seed});
  FrameLoop watched(won, &long_, second, 0);
  while (watched.replaying()) watched.skipReplay(0, 500);
  EXPECT_EQ(stateLine(won), headlessState(ending + "down 40"));
}

// A replay's `tick N` takes N frames of time even after the ending has
// stopped the frames, and its state and shot lines are carried out then.
TEST(FrameLoop, AReplayedStateLineIsWrittenInItsPlace) {
  const ReplayScript replay = script("tick 2\nstate\ntick 1\n");
  std::ostringstream out;
  Session s(testing::assets(), {.seed = 1, .out = &out, .trace = false});
  FrameLoop loop(s, &replay, second, 0);
  loop.runDue(frame);
  EXPECT_EQ(out.str(), "");
  loop.runDue(2 * frame);
  EXPECT_EQ(out.str(), headlessState("seed 1\ntick 2"));
}

TEST(ReadReplay, KeepsTheSeedAndEveryCommandCompactly) {
  const ReplayScript s = script("# a game\n\nseed 99\r\ndown 40\n  tick 5  \ntick\ntick 2\nup 40\nstate\n"
                                "shot the end.png\ntrace off\n");
  ASSERT_TRUE(s.seed.has_value());
  EXPECT_EQ(*s.seed, 99u);
  ASSERT_EQ(s.steps.size(), 6u);
  EXPECT_EQ(s.steps[1].kind, Command::Kind::tick);
  EXPECT_EQ(s.steps[1].number, 8u);  // frames in a row are one step
  EXPECT_EQ(s.shots, std::vector<std::string>{"the end.png"});
  EXPECT_LE(sizeof(ReplayScript::Step), 16u);
  EXPECT_TRUE(script("").steps.empty());
}

// A plain file is only checked, then read again as it plays, so a long
// recording takes no more memory than a short one; a file that changed in
// between is refused. What can be read only once is held, up to a limit.
TEST(ReadReplay, AFileIsReadAgainAsItPlaysAndWhatIsHeldHasALimit) {
  testing::Scratch dir;
  const std::string game = "seed 1\ndown 40\ntick 30\nup 40\ntick 10\nstate\n";
  const std::string file = (dir / "game.txt").string();
  testing::spit(file, game);
  auto loaded = loadReplay(file);
  ASSERT_TRUE(std::holds_alternative<ReplayScript>(loaded)) << std::get<ReplayError>(loaded).message;
  const ReplayScript& replay = std::get<ReplayScript>(loaded);
  EXPECT_TRUE(replay.streamed());
  EXPECT_TRUE(replay.steps.empty());
  ASSERT_EQ(replay.seed, 1u);
  std::ostringstream out;
  Session s(testing::assets(), {.seed = replay.seed, .out = &out, .trace = false});
  FrameLoop loop(s, &replay, second, 0);
  for (std::uint64_t now = 0; loop.replaying(); now += frame) loop.runDue(now);
  EXPECT_EQ(out.str(), headlessState(game));

  testing::spit(file, game + "tick 5\n");
  try {
    FrameLoop changed(s, &replay, second, 0);
    ADD_FAILURE() << "a changed file was played";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot replay " + file + ": it changed after it was checked");
  }

  std::string endless;
  for (int i = 0; i < 1'100'000; ++i) endless += "up 1\n";
  auto tooLong = read(endless);
  ASSERT_TRUE(std::holds_alternative<ReplayError>(tooLong));
  EXPECT_EQ(std::get<ReplayError>(tooLong).message,
            "zorbly: cannot replay a pipe: longer than 16 MB can hold when it is not a plain file; replay it from a file");
}

TEST(ReadReplay, ABadLineIsStatusTwoAndAFileThatCannotBeReadStatusOne) {
  auto bad = read("seed 1\ntick 3\njump 4\ntick 1\n");
  ASSERT_TRUE(std::holds_alternative<ReplayError>(bad));
  EXPECT_EQ(std::get<ReplayError>(bad).status, 2);
  EXPECT_EQ(std::get<ReplayError>(bad).message, "zorbly: line 3: unknown command 'jump'");

  auto missing = loadReplay("/nonexistent/zorbly/game.txt");
  ASSERT_TRUE(std::holds_alternative<ReplayError>(missing));
  EXPECT_EQ(std::get<ReplayError>(missing).status, 1);
  EXPECT_EQ(std::get<ReplayError>(missing).message,
            "zorbly: cannot read /nonexistent/zorbly/game.txt: No such file or directory");
}

// A recording's lines as they reach the file; with `failWith`, none does.
struct Lines : LineSink {
  std::string written;
  int failWith = 0;
  bool writeLine(std::string_view line) override {
    if (failWith) return false;
    written += line;
    return true;
  }
  int error() const override { return failWith; }
};

TEST(Recorder, WritesEachLineAsItHappensAndFramesOnceASecond) {
  Lines buffer;
  std::ostringstream err;
  Recorder r(buffer, err, "game.txt");
  r.started(18446744073709551615ull);
  EXPECT_EQ(buffer.written, "seed 18446744073709551615\n");
  r.applied({Command::Kind::tick, 2, {}});
  EXPECT_EQ(buffer.written, "seed 18446744073709551615\n") << "frames wait for the next line";
  r.applied({Command::Kind::down, 38, {}});
  EXPECT_EQ(buffer.written, "seed 18446744073709551615\ntick 2\ndown 38\n");
  for (int i = 0; i < 100; ++i) r.applied({Command::Kind::tick, 1, {}});
  EXPECT_EQ(buffer.written, "seed 18446744073709551615\ntick 2\ndown 38\ntick 64\n");
  GameState st;
  st.score = 12;
  r.finish(st, 0);
  r.finish(st, 0);
  std::string state;
  appendStateLine(state, st, 0);
  EXPECT_EQ(buffer.written, "seed 18446744073709551615\ntick 2\ndown 38\ntick 64\ntick 36\n# final state: " + state);
  EXPECT_EQ(err.str(), "");
}

// Once, with the reason, and the file's name as safe to print as any.
TEST(Recorder, AFileThatCannotBeWrittenIsSaidOnceAndPlayGoesOn) {
  Lines full;
  full.failWith = ENOSPC;
  std::ostringstream err;
  Recorder r(full, err, "/full/r\x1b]0;pwned\a.txt");
  r.started(1);
  r.applied({Command::Kind::down, 38, {}});
  r.finish(GameState{}, 1);
  EXPECT_EQ(err.str(),
            "zorbly: cannot write the recording to /full/r\\x1b]0;pwned\\x07.txt: No space left on device; "
            "recording stopped\n");
}

// A recording kept in memory up to a limit (the page's) holds whole lines
// only: the line that would pass the limit is refused, said once, and the
// text stays the run up to there.
TEST(Recorder, ARecordingInMemoryStopsWholeAtItsLimit) {
  RecordingText text(24);
  std::ostringstream err;
  Recorder r(text, err, "the run");
  r.started(1);
  r.applied({Command::Kind::down, 38, {}});
  r.applied({Command::Kind::tick, 3, {}});
  r.applied({Command::Kind::up, 38, {}});
  r.applied({Command::Kind::down, 40, {}});
  EXPECT_EQ(text.text(), "seed 1\ndown 38\ntick 3\n");
  EXPECT_TRUE(text.full());
  EXPECT_EQ(err.str(), "zorbly: cannot write the recording to the run: File too large; recording stopped\n");
  text.clear();
  EXPECT_TRUE(text.writeLine("seed 2\n"));
  EXPECT_FALSE(text.full());
}

// Games played through the frame loop with the clock's seed and random keys
// between frames, recorded, then played again by the headless program: each
// ends the same way, replayed keys and all.
TEST(Recorder, ARecordedGamePlaysAgainHeadlessToTheSameEnd) {
  std::mt19937 dice(20240611);
  int gameOvers = 0;
  for (int game = 0; game < 12; ++game) {
    Lines file;
    std::ostringstream err;
    Recorder recorder(file, err, "game.txt");
    Session s(testing::assets(), {.seed = std::nullopt, .sink = &recorder});
    FrameLoop loop(s, nullptr, second, 0);
    std::uint64_t now = 0;
    for (int step = 0; step < 60 + game * 40 && !s.ended(); ++step) {
      const int keys[] = {38, 40, 90, 13, 122};
      if (dice() % 4 == 0) loop.key(dice() % 3 != 0, keys[dice() % 5]);
      loop.runDue(now += frame * (dice() % 3));
    }
    recorder.finish(s.state(), s.interval());
    ASSERT_EQ(err.str(), "");
    std::string recording = file.written;
    recording.insert(recording.find('\n') + 1, "trace off\n");
    StringSource in(recording + "state\n");
    std::ostringstream replayed, replayErr;
    ASSERT_EQ(runScript(in, replayed, replayErr, testing::assets()), 0) << replayErr.str();
    if (s.ended()) {
      ++gameOvers;
      EXPECT_EQ(replayed.str().find("\"op\":\"state\""), std::string::npos) << "game over came later";
    } else {
      const std::string output = replayed.str();
      EXPECT_EQ(output.substr(output.rfind("{\"op\":\"state\"")), stateLine(s)) << "game " << game << "\n" << recording;
    }
  }
  EXPECT_GT(gameOvers, 0);
}

}  // namespace
}  // namespace zorbly
