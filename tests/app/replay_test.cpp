// --replay: reading and checking a script before any window opens, and
// walking through it frame by frame as the window does.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/replay.h"
#include "game/handlers.h"
#include "scene/headless.h"
#include "scene/scene_services.h"
#include "scene/trace.h"
#include "scene_fixture.h"

namespace zorbly {
namespace {

std::variant<ReplayScript, ReplayError> read(const std::string& text) {
  std::istringstream in(text);
  return readReplay(in, "game.txt");
}

ReplayError errorOf(const std::string& text) {
  auto r = read(text);
  EXPECT_TRUE(std::holds_alternative<ReplayError>(r)) << text;
  return std::holds_alternative<ReplayError>(r) ? std::get<ReplayError>(r) : ReplayError{};
}

TEST(ReadReplay, TakesTheSeedAndEveryCommandWithItsLine) {
  auto r = read("# a game\n\nseed 99\r\ndown 40\n  tick 5  \nup 40\nstate\nshot the end.png\ntrace off\n");
  ASSERT_TRUE(std::holds_alternative<ReplayScript>(r)) << std::get<ReplayError>(r).message;
  const ReplayScript& s = std::get<ReplayScript>(r);
  ASSERT_TRUE(s.seed.has_value());
  EXPECT_EQ(*s.seed, 99u);
  ASSERT_EQ(s.steps.size(), 6u);
  EXPECT_EQ(formatCommand(s.steps[0].command), "down 40");
  EXPECT_EQ(s.steps[0].line, 4);
  EXPECT_EQ(formatCommand(s.steps[1].command), "tick 5");
  EXPECT_EQ(s.steps[1].line, 5);
  EXPECT_EQ(s.steps[4].command.file, "the end.png");
  EXPECT_EQ(s.steps[5].line, 9);
}

TEST(ReadReplay, NoSeedIsFine) {
  auto r = read("tick\n");
  ASSERT_TRUE(std::holds_alternative<ReplayScript>(r));
  EXPECT_FALSE(std::get<ReplayScript>(r).seed.has_value());
  auto empty = read("");
  ASSERT_TRUE(std::holds_alternative<ReplayScript>(empty));
  EXPECT_TRUE(std::get<ReplayScript>(empty).steps.empty());
}

TEST(ReadReplay, ABadLineIsNamedWithStatusTwo) {
  ReplayError e = errorOf("seed 1\ntick 3\njump 4\ntick 1\n");
  EXPECT_EQ(e.status, 2);
  EXPECT_EQ(e.message, "zorbly: line 3: unknown command 'jump'");
  EXPECT_EQ(errorOf("down 256\n").message, "zorbly: line 1: a key code 256 is out of range (0 to 255)");
  EXPECT_EQ(errorOf("tick 0\n").status, 2);
  EXPECT_EQ(errorOf("# c\ntick 1\nseed 4\n").message, "zorbly: line 3: seed is allowed only as the first command");
  EXPECT_EQ(errorOf("seed 1\nseed 2\n").status, 2);
}

TEST(LoadReplay, AFileThatCannotBeReadHasStatusOne) {
  auto missing = loadReplay("/nonexistent/zorbly/game.txt");
  ASSERT_TRUE(std::holds_alternative<ReplayError>(missing));
  EXPECT_EQ(std::get<ReplayError>(missing).status, 1);
  EXPECT_EQ(std::get<ReplayError>(missing).message, "zorbly: cannot read /nonexistent/zorbly/game.txt");

  auto directory = loadReplay(std::filesystem::temp_directory_path().string());
  ASSERT_TRUE(std::holds_alternative<ReplayError>(directory));
  EXPECT_EQ(std::get<ReplayError>(directory).status, 1);
}

TEST(ReplayPlayer, KeysComeBeforeTheFrameAndATickTakesItsFrames) {
  auto r = read("down 40\ndown 90\ntick 3\nup 40\nstate\ntick 1\ndown 38\n");
  const ReplayScript& s = std::get<ReplayScript>(r);
  ReplayPlayer p(s);
  auto slot = [&] {
    std::string carried;
    while (const auto* step = p.nextBeforeFrame()) carried += formatCommand(step->command) + ";";
    p.takeFrame();
    return carried;
  };
  EXPECT_FALSE(p.done());
  EXPECT_EQ(slot(), "down 40;down 90;");
  EXPECT_EQ(slot(), "");
  EXPECT_EQ(slot(), "");
  EXPECT_EQ(slot(), "up 40;state;");
  EXPECT_FALSE(p.done());
  EXPECT_EQ(slot(), "down 38;");
  EXPECT_TRUE(p.done());
  EXPECT_EQ(slot(), "");
}

// The window's replay, done with the handlers: every frame slot carries out
// the commands before it and delivers the frame if the timer runs. It must
// end where the headless mode ends.
TEST(ReplayPlayer, PlayedFrameByFrameItEndsWhereTheHeadlessModeEnds) {
  std::string script = "seed 5\n";
  for (int i = 0; i < 40; ++i) {
    script += (i % 3 == 0 ? "down 38\n" : i % 3 == 1 ? "down 40\n" : "down 90\n");
    script += "tick " + std::to_string(1 + i % 4) + "\n";
    if (i % 5 == 0) script += "up 38\n";
  }
  auto r = read(script);
  const ReplayScript& s = std::get<ReplayScript>(r);

  Random random(s.seed);
  Scene scene(testing::pictures(), testing::font());
  SceneServices services(scene, random);
  GameState st;
  Form_Initialize(st, services);
  ReplayPlayer player(s);
  while (!player.done() && !services.ended()) {
    while (const auto* step = player.nextBeforeFrame()) {
      const Command& c = step->command;
      if (c.kind == Command::Kind::down) Form_KeyDown(st, static_cast<int>(c.number), 0);
      if (c.kind == Command::Kind::up) Form_KeyUp(st, static_cast<int>(c.number), 0);
    }
    player.takeFrame();
    if (services.running()) Timer1_Timer(st, services);
  }
  ASSERT_FALSE(services.ended()) << "pick a script that does not end the game";

  std::istringstream in(script + "trace off\nstate\n");
  std::ostringstream out, err;
  ASSERT_EQ(runHeadless(in, out, err, std::nullopt, testing::pictures(), testing::font()), 0) << err.str();
  std::string want;
  appendStateLine(want, st, services.interval());
  const std::string output = out.str();
  EXPECT_EQ(output.substr(output.rfind("{\"op\":\"state\"")), want);
}

}  // namespace
}  // namespace zorbly
