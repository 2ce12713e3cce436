// The script runner, the headless program's work, driven in-process through
// the script language; and the Session under it, which every front end feeds.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "session/script_runner.h"
#include "testkit/fixture.h"
#include "testkit/stepped_game.h"
#include "support/run_program.h"

namespace zorbly {
namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome run(const std::string& script, std::optional<std::uint64_t> seed = 1) {
  StringSource in(script);
  std::ostringstream out, err;
  int status = runScript(in, out, err, testing::assets(), {.seed = seed});
  return {status, out.str(), err.str()};
}

int countLines(const std::string& s, std::string_view needle) {
  int n = 0;
  for (auto at = s.find(needle); at != std::string::npos; at = s.find(needle, at + 1)) ++n;
  return n;
}

std::string lastLine(const std::string& s) {
  auto end = s.size() - 1;
  return s.substr(s.rfind('\n', end - 1) + 1);
}

TEST(ScriptRunner, StartUpAndTheFirstFrameInOrder) {
  Outcome r = run("seed 1\ntick\n", std::nullopt);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "{\"op\":\"randomize\"}\n"
            "{\"op\":\"rnd\",\"value\":0.5665615}\n"
            "{\"op\":\"picture\",\"sprite\":\"tekki(0)\",\"from\":\"teki(1)\"}\n"
            "{\"op\":\"rnd\",\"value\":0.7457817}\n"
            "{\"op\":\"picture\",\"sprite\":\"tekki(1)\",\"from\":\"teki(1)\"}\n"
            "{\"op\":\"rnd\",\"value\":0.9710027}\n"
            "{\"op\":\"picture\",\"sprite\":\"tekki(2)\",\"from\":\"teki(1)\"}\n"
            "{\"op\":\"textpos\",\"x\":30,\"y\":0}\n"
            "{\"op\":\"print\",\"text\":\"SCORE 0\"}\n"
            "{\"op\":\"move\",\"sprite\":\"jiki\",\"left\":1,\"top\":30}\n"
            "{\"op\":\"move\",\"sprite\":\"laser\",\"left\":135,\"top\":0}\n"
            "{\"op\":\"move\",\"sprite\":\"tekki(0)\",\"left\":119.5,\"top\":55}\n"
            "{\"op\":\"move\",\"sprite\":\"tela(0)\",\"left\":119.5,\"top\":65}\n"
            "{\"op\":\"move\",\"sprite\":\"laser\",\"left\":135,\"top\":0}\n"
            "{\"op\":\"move\",\"sprite\":\"tekki(1)\",\"left\":124.5,\"top\":75}\n"
            "{\"op\":\"move\",\"sprite\":\"tela(1)\",\"left\":124.5,\"top\":85}\n"
            "{\"op\":\"move\",\"sprite\":\"laser\",\"left\":135,\"top\":0}\n"
            "{\"op\":\"move\",\"sprite\":\"tekki(2)\",\"left\":129.5,\"top\":95}\n"
            "{\"op\":\"move\",\"sprite\":\"tela(2)\",\"left\":129.5,\"top\":105}\n");
}

TEST(ScriptRunner, TheStateLine) {
  Outcome r = run("trace off\ndown 90\nstate\ntick 2\nstate\n");
  EXPECT_EQ(r.out.substr(r.out.find("{\"op\":\"state\"")),
            "{\"op\":\"state\",\"jikiY\":30,\"jikiDY\":0,\"score\":0,\"laserX\":20,\"laserY\":58,"
            "\"tekiX\":[120,125,130],\"tekiY\":[55,75,95],\"telaX\":[0,0,0],\"telaY\":[0,0,0],"
            "\"telaX100\":[-5,-5,-5],\"telaY100\":[-5,-5,-5],\"telaDir\":[0,0,0],\"kills\":0,"
            "\"stage\":1,\"bossY\":-30,\"bossDir\":1,\"interval\":1}\n"
            "{\"op\":\"state\",\"jikiY\":30,\"jikiDY\":0,\"score\":0,\"laserX\":26,\"laserY\":58,"
            "\"tekiX\":[119,124,129],\"tekiY\":[55,75,95],\"telaX\":[118.45,123.45,128.45],"
            "\"telaY\":[65,84.8,104.6],\"telaX100\":[11845,12345,12845],"
            "\"telaY100\":[6500,8480,10460],\"telaDir\":[-1,-1,-1],\"kills\":0,\"stage\":1,"
            "\"bossY\":-30,\"bossDir\":1,\"interval\":1}\n");
}

TEST(ScriptRunner, TheSeedDecidesTheGame) {
  const std::string script = "trace off\ntick 500\nstate\n";
  EXPECT_EQ(run("seed 42\n" + script, 7).out, run("seed 42\n" + script, 9).out);
  EXPECT_EQ(run(script, 42).out, run("seed 42\n" + script, std::nullopt).out);
  EXPECT_NE(run(script, 42).out, run(script, 43).out);
  // Without any seed the clock decides; start-up still draws three numbers.
  Outcome clock = run("", std::nullopt);
  EXPECT_EQ(countLines(clock.out, "\"op\":\"rnd\""), 3);
}

TEST(ScriptRunner, TheGameStartsOnlyOnceAndEvenWithNoCommands) {
  EXPECT_EQ(countLines(run("").out, "randomize"), 1);
  EXPECT_EQ(countLines(run("# nothing\n\n").out, "randomize"), 1);
  EXPECT_EQ(countLines(run("state\nstate\ntick\n").out, "randomize"), 1);
  // Commands before the first tick see the started game.
  EXPECT_EQ(countLines(run("trace off\nstate\n").out, "\"stage\":1"), 1);
}

TEST(ScriptRunner, TraceOffSilencesServiceLinesOnly) {
  Outcome r = run("trace off\ntick 3\nstate\ntrace on\ntick\n");
  EXPECT_EQ(countLines(r.out, "randomize"), 1);  // start-up ran with the trace still on
  EXPECT_EQ(countLines(r.out, "\"op\":\"state\""), 1);
  EXPECT_EQ(countLines(r.out, "\"op\":\"print\""), 1);
}

TEST(ScriptRunner, GameOverEndsTheRunWithStatusZero) {
  // Left alone with seed 1, the ship is hit in frame 107.
  Outcome r = run("trace off\ntick 106\ntrace on\ntick 5\nstate\ntick\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(lastLine(r.out), "{\"op\":\"end\"}\n");
  EXPECT_EQ(countLines(r.out, "{\"op\":\"msgbox\",\"prompt\":\"SCORE 0\",\"buttons\":0,\"title\":\"GAME OVER\"}"), 1);
  EXPECT_EQ(countLines(r.out, "\"op\":\"state\""), 0);  // nothing read after the end
  EXPECT_EQ(countLines(r.out, "\"op\":\"print\""), 1);  // only the one frame ran
}

// (What each bad line says is the script reader's; here: how a run ends on one.)
TEST(ScriptRunner, ABadLineStopsTheRunWithStatusTwoAndItsNumber) {
  Outcome r = run("trace off\nstate\n# c\n\nnope\nstate\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zorbly: line 5: unknown command 'nope'\n");
  // Everything before the bad line was carried out and written; nothing after.
  EXPECT_EQ(countLines(r.out, "\"op\":\"state\""), 1);
}

TEST(ScriptRunner, ShotWritesThePlayFieldAsPng) {
  testing::Scratch dir;
  const auto file = dir / "after ten frames.png";
  Outcome r = run("trace off\ntick 10\nshot " + file.string() + "  \n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string bytes = testing::slurp(file);
  const Image png = decodePng(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), "shot");
  EXPECT_EQ(png.width, 120);
  EXPECT_EQ(png.height, 120);
  auto at = [&](int x, int y) { return png.pixels[y * 120 + x]; };
  const Picture& ship = testing::assets().pictures[PictureId::jiki];
  for (int y = 20; y < 40; ++y)  // the chick's figure, drawn at (1, 30)
    for (int x = 0; x < 22; ++x) ASSERT_EQ(at(x + 1, y + 30), ship.pixels[y * 22 + x]);
  int white = 0;
  for (int y = 0; y < 12; ++y)
    for (int x = 30; x < 80; ++x) white += at(x, y) == 0xFFFFFF;
  EXPECT_GT(white, 20);  // the score line
  // Written in place of what was there, whole; nothing else left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// A shot that cannot be written ends the run with one line naming the file
// and the reason, and leaves nothing behind: not the file, not a piece of it.
TEST(ScriptRunner, AShotThatCannotBeWrittenIsStatusOne) {
  testing::Scratch dir;
  const struct {
    std::string file, reason;
  } cases[] = {
      {(dir / "no such folder" / "x.png").string(), "No such file or directory"},
      {dir.path().string(), "Is a directory"},
#if !defined(_WIN32)  // no such device there
      {"/dev/full", "No space left on device"},
#endif
  };
  for (const auto& c : cases) {
    Outcome r = run("tick\nshot " + c.file + "\nstate\n");
    EXPECT_EQ(r.status, 1) << c.file;
    EXPECT_EQ(r.err, "zorbly: cannot write " + c.file + ": " + c.reason + "\n");
    EXPECT_EQ(countLines(r.out, "\"op\":\"state\""), 0);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
}

// `seed N` is a command like the others, taken before the start and refused
// after it; a game with no output plays the same and writes nothing.
TEST(Session, TakesTheSeedBeforeTheStartAndPlaysTheSameWithNoOutput) {
  const std::string want = run("seed 42\ntrace off\ntick 300\nstate\n", std::nullopt).out;
  std::ostringstream out;
  Session written(testing::assets(), {.seed = 7, .out = &out, .trace = false});
  Session silent(testing::assets(), {.seed = 7});
  for (Session* s : {&written, &silent}) {
    s->apply({Command::Kind::seed, 42, {}});
    s->apply({Command::Kind::traceOn, 0, {}});
    s->apply({Command::Kind::tick, 300, {}});
    s->apply({Command::Kind::state, 0, {}});
    s->flush();
    EXPECT_THROW(s->apply({Command::Kind::seed, 1, {}}), std::invalid_argument);
  }
  EXPECT_EQ(out.str(), want.substr(want.find("{\"op\":\"state\"")));
  EXPECT_EQ(silent.state(), written.state());
  EXPECT_EQ(silent.picture(), written.picture());
}

// A copy of a game in progress, random source included, plays on exactly as
// the original does and writes to an output of its own; playing the copy
// leaves the original as it was.
TEST(Session, ACopyPlaysOnAsTheOriginalWithOutputOfItsOwn) {
  auto play = [](Session& game, testing::RandomKeys& keys, int frames) {
    for (int i = 0; i < frames && game.running(); ++i) {
      if (auto key = keys.next()) game.apply(*key);
      game.apply({Command::Kind::tick, 1, {}});
    }
    game.flush();
  };
  std::ostringstream out, copyOut;
  Session original(testing::assets(), {.seed = 3, .out = &out});
  testing::RandomKeys keys(9);
  play(original, keys, 100);
  ASSERT_TRUE(original.running());
  out.str("");

  Session copy(original, &copyOut, nullptr);
  testing::RandomKeys copyKeys = keys;
  play(copy, copyKeys, 5000);
  play(original, keys, 5000);
  EXPECT_EQ(copyOut.str(), out.str());
  EXPECT_NE(out.str().find("\"op\":\"rnd\""), std::string::npos);
  EXPECT_EQ(copy.state(), original.state());
  EXPECT_EQ(copy.running(), original.running());
  EXPECT_EQ(copy.picture(), original.picture());
}

}  // namespace
}  // namespace zorbly
