// --record: what the recorder writes for a sequence of events, that every
// line is out in the file as it happens, and that a recorded game played
// again headless ends in the same state.

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "app/recorder.h"
#include "game/handlers.h"
#include "scene/headless.h"
#include "scene/scene_services.h"
#include "scene/script.h"
#include "scene/trace.h"
#include "scene_fixture.h"

namespace zorbly {
namespace {

// A string buffer that counts how often it is flushed, and what it held then.
class FlushedBuffer : public std::stringbuf {
 public:
  std::string atLastFlush;
  int flushes = 0;

 protected:
  int sync() override {
    ++flushes;
    atLastFlush = str();
    return 0;
  }
};

std::string stateLine(const GameState& st, int interval) {
  std::string line;
  appendStateLine(line, st, interval);
  if (line.back() == '\n') line.pop_back();
  return line;
}

TEST(Recorder, SeedKeysAndRunsOfFrames) {
  std::ostringstream out, err;
  Recorder r(out, err, "game.txt");
  r.seed(18446744073709551615ull);
  r.frame();
  r.frame();
  r.frame();
  r.key(true, 40);
  r.key(true, 90);
  r.frame();
  r.key(false, 40);
  r.writePending();  // nothing pending: nothing written
  GameState st;
  r.finish(st, 1);
  EXPECT_EQ(out.str(), "seed 18446744073709551615\ntick 3\ndown 40\ndown 90\ntick 1\nup 40\n# final state: " +
                           stateLine(st, 1) + "\n");
  EXPECT_EQ(err.str(), "");
}

TEST(Recorder, EveryLineIsFlushedAsItHappens) {
  FlushedBuffer buffer;
  std::ostream out(&buffer);
  std::ostringstream err;
  Recorder r(out, err, "game.txt");
  r.seed(7);
  EXPECT_EQ(buffer.atLastFlush, "seed 7\n");
  r.frame();
  r.frame();
  EXPECT_EQ(buffer.atLastFlush, "seed 7\n") << "frames wait for the next line";
  r.key(true, 38);
  EXPECT_EQ(buffer.atLastFlush, "seed 7\ntick 2\ndown 38\n");
}

TEST(Recorder, LongRunsAreWrittenOnceASecond) {
  FlushedBuffer buffer;
  std::ostream out(&buffer);
  std::ostringstream err;
  Recorder r(out, err, "game.txt");
  r.seed(1);
  for (std::uint64_t i = 0; i < Recorder::ticksPerLine - 1; ++i) r.frame();
  EXPECT_EQ(buffer.atLastFlush, "seed 1\n");
  r.frame();
  EXPECT_EQ(buffer.atLastFlush, "seed 1\ntick 64\n") << "a second of frames is in the file at once";
  for (int i = 0; i < 100; ++i) r.frame();
  r.writePending();
  EXPECT_EQ(buffer.atLastFlush, "seed 1\ntick 64\ntick 64\ntick 36\n");
}

TEST(Recorder, FinishWritesTheStateOnce) {
  std::ostringstream out, err;
  Recorder r(out, err, "game.txt");
  r.seed(3);
  r.frame();
  GameState st;
  st.score = 12;
  r.finish(st, 0);
  r.finish(st, 0);
  EXPECT_EQ(out.str(), "seed 3\ntick 1\n# final state: " + stateLine(st, 0) + "\n");
}

TEST(Recorder, EveryLineParsesBack) {
  std::ostringstream out, err;
  Recorder r(out, err, "game.txt");
  r.seed(42);
  for (int k : {38, 40, 90, 0, 255}) {
    r.frame();
    r.key(true, k);
    r.key(false, k);
  }
  r.finish(GameState{}, 1);
  std::istringstream in(out.str());
  std::string line;
  int commands = 0;
  while (std::getline(in, line)) {
    const ParsedLine parsed = parseLine(line);
    ASSERT_FALSE(std::holds_alternative<BadLine>(parsed)) << line;
    if (std::holds_alternative<Command>(parsed)) {
      EXPECT_EQ(formatCommand(std::get<Command>(parsed)), line);
      ++commands;
    }
  }
  EXPECT_EQ(commands, 1 + 5 * 3);
}

TEST(Recorder, AFileThatCannotBeWrittenIsSaidOnceAndPlayGoesOn) {
  std::ostringstream out, err;
  out.setstate(std::ios::badbit);
  Recorder r(out, err, "/full/disk.txt");
  r.seed(1);
  r.key(true, 38);
  for (int i = 0; i < 200; ++i) r.frame();
  r.finish(GameState{}, 1);
  EXPECT_EQ(err.str(), "zorbly: cannot write the recording to /full/disk.txt; recording stopped\n");
}

// A game played through the handlers the way the window does it, with the
// random source seeded from the clock and keys coming between frames, then
// the recording run by the headless mode: it must end the same way.
TEST(Recorder, ARecordedGamePlaysAgainHeadlessToTheSameEnd) {
  std::mt19937 dice(20240611);
  int gameOvers = 0, stillPlaying = 0;
  for (int game = 0; game < 16; ++game) {
    Random random;  // no fixed seed: the clock decides, as in the window without --seed
    Scene scene(testing::pictures(), testing::font());
    SceneServices services(scene, random);
    GameState st;
    std::ostringstream file, err;
    Recorder recorder(file, err, "game.txt");

    Form_Initialize(st, services);
    recorder.seed(random.seed());
    const int keys[] = {38, 40, 90, 13, 122};
    for (int step = 0; step < 60 + game * 40 && !services.ended(); ++step) {
      const unsigned roll = dice() % 16;
      if (roll < 3) {
        const int key = keys[dice() % 5];
        const bool down = roll < 2;
        recorder.key(down, key);
        if (down) {
          Form_KeyDown(st, key, 0);
        } else {
          Form_KeyUp(st, key, 0);
        }
      } else if (services.running()) {
        recorder.frame();
        Timer1_Timer(st, services);
      }
    }
    recorder.finish(st, services.interval());
    ASSERT_EQ(err.str(), "");

    std::istringstream script(file.str() + "state\n");
    std::ostringstream out, headlessErr;
    ASSERT_EQ(runHeadless(script, out, headlessErr, std::nullopt, testing::pictures(), testing::font()), 0)
        << headlessErr.str();
    const std::string output = out.str();
    std::string last = output.substr(output.rfind('\n', output.size() - 2) + 1);
    last.pop_back();
    if (services.ended()) {
      ++gameOvers;
      EXPECT_EQ(last, R"({"op":"end"})") << "game " << game;
      EXPECT_NE(output.find(R"("prompt":"SCORE )" + std::to_string(static_cast<int>(st.score)) + "\""),
                std::string::npos)
          << "game " << game;
    } else {
      ++stillPlaying;
      EXPECT_EQ(last, stateLine(st, services.interval())) << "game " << game << "\n" << file.str();
      EXPECT_NE(file.str().find("# final state: " + last), std::string::npos);
    }
  }
  std::cout << "[ games   ] " << gameOvers << " ended in game over, " << stillPlaying << " were left running\n";
}

}  // namespace
}  // namespace zorbly
