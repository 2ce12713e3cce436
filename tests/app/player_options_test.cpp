// The window program's own options: --seed, --scale, --record and --replay
// are checked, and a replay read whole, before anything else happens. These
// runs have no display: whatever is wrong with the options is said first.

#include <gtest/gtest.h>

#include "support/run_program.h"

namespace zorbly::testing {
namespace {

Result zorbly(const std::string& args) { return run(std::string(ZORBLY_EXE) + " " + args); }

TEST(PlayerOptions, HelpNamesThem) {
  const Result h = zorbly("--help");
  EXPECT_EQ(h.status, 0);
  for (const char* option : {"--seed N", "--scale N", "--record FILE", "--replay FILE", "--stats", "--headless"}) {
    EXPECT_NE(h.out.find(option), std::string::npos) << option;
  }
}

TEST(PlayerOptions, BadOnesGetOneLineAndStatusTwo) {
  const std::string scale = "the scale must be a whole number from 1 to 16, not ";
  const std::pair<std::string, std::string> cases[] = {
      {"--scale 0", "--scale: " + scale + "'0'"},      {"--scale 17", "--scale: " + scale + "'17'"},
      {"--scale x", "--scale: " + scale + "'x'"},      {"--scale 2.5", "--scale: " + scale + "'2.5'"},
      {"--scale", "--scale needs a value N"},          {"--record", "--record needs a value FILE"},
      {"--replay=", "--replay needs a value FILE"},    {"--stats=yes", "--stats takes no value"},
      {"--seed -1", "--seed: the seed must be a whole number from 0 to 18446744073709551615, not '-1'"},
      {"--headless --scale 2", "unknown option '--scale'"},
  };
  for (const auto& [args, reason] : cases) {
    const Result r = zorbly(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.err.substr(0, r.err.find(" (see")), "zorbly: " + reason) << args;
    EXPECT_EQ(lines(r.err), 1) << args << ": " << r.err;
    EXPECT_EQ(r.out, "") << args;
  }
}

TEST(PlayerOptions, AReplayIsCheckedWholeBeforeAnyWindow) {
  Scratch dir;
  spit(dir / "bad.txt", "seed 3\ntick 10\n\njump 4\ndown 40\n");
  const Result bad = zorbly("--replay '" + (dir / "bad.txt").string() + "'");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "zorbly: line 4: unknown command 'jump'\n") << "not a word about the display first";

  const Result missing = zorbly("--replay /nonexistent/zorbly/game.txt");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "zorbly: cannot read /nonexistent/zorbly/game.txt: No such file or directory\n");

  // An endless replay is refused at its first line, in little memory.
  const Result endless = run("sh -c " + inQuotes(withLittleMemory(300000) + ZORBLY_EXE + " --replay /dev/zero"));
  EXPECT_EQ(endless.status, 2);
  EXPECT_EQ(endless.err, "zorbly: line 1: line too long (the limit is 4096 bytes)\n");

  // One that can only be read once (a pipe) is held, up to a limit; a longer
  // one is refused instead of taking memory without end.
  const Result piped = run("sh -c " + inQuotes("yes \"up 1\" | head -n 4000000 | { " + withLittleMemory(300000) +
                                               ZORBLY_EXE + " --replay /dev/stdin; }"));
  EXPECT_EQ(piped.status, 1);
  EXPECT_EQ(piped.err, "zorbly: cannot replay /dev/stdin: longer than 16 MB can hold when it is not a plain file; "
                       "replay it from a file\n");

  // A good one goes on to the window; without a display that is as far as it gets.
  spit(dir / "good.txt", "seed 3\ndown 40\ntick 10\n");
  const Result good = zorbly("--scale 3 --replay '" + (dir / "good.txt").string() + "' --record '" +
                             (dir / "again.txt").string() + "'");
  EXPECT_EQ(good.status, 1);
  EXPECT_EQ(good.err.rfind("zorbly: cannot open a window", 0), 0u) << good.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "again.txt")) << "no recording is started without a window";
}

TEST(PlayerOptions, WithoutADisplayTheWindowRefusesClearly) {
  const Result r = zorbly("--seed 1");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(lines(r.err), 1) << r.err;
  EXPECT_EQ(r.err.rfind("zorbly: cannot open a window", 0), 0u) << r.err;
}

}  // namespace
}  // namespace zorbly::testing
