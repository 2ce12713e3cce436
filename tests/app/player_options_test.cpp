// The player's options on the command line of the real program: --scale,
// --record and --replay are checked before anything else happens. These
// runs have no display: whatever is wrong with the options is said first.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "run_zorbly.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch() {
  const fs::path dir = fs::temp_directory_path() / ("zorbly-options-test-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

using zorbly::testing::lines;
using zorbly::testing::Result;
using zorbly::testing::zorbly;

class PlayerOptions : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(scratch()); }
  std::string file(const std::string& name, const std::string& text) {
    const fs::path p = scratch() / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
};

TEST_F(PlayerOptions, HelpNamesThem) {
  const Result h = zorbly("--help");
  EXPECT_EQ(h.status, 0);
  for (const char* option : {"--scale", "--record", "--replay"}) {
    EXPECT_NE(h.out.find(option), std::string::npos) << option;
  }
}

TEST_F(PlayerOptions, BadOnesGetOneLineAndStatusTwo) {
  for (const char* args : {"--scale 0", "--scale 17", "--scale x", "--scale -2", "--scale", "--scale 2.5",
                           "--headless --scale 2", "--headless --record r.txt", "--headless --replay r.txt",
                           "--record", "--replay"}) {
    const Result r = zorbly(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(lines(r.err), 1) << args << ": " << r.err;
    EXPECT_EQ(r.err.rfind("zorbly: ", 0), 0u) << args << ": " << r.err;
    EXPECT_EQ(r.out, "") << args;
  }
  EXPECT_EQ(zorbly("--scale 17").err, "zorbly: --scale: the scale 17 is out of range (1 to 16) (see zorbly --help)\n");
}

TEST_F(PlayerOptions, AReplayWithABadLineStopsBeforeAnyWindow) {
  const std::string replay = file("bad.txt", "seed 3\ntick 10\n\njump 4\ndown 40\n");
  const Result r = zorbly("--replay " + replay);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zorbly: line 4: unknown command 'jump'\n") << "not a word about the display first";

  const Result late = zorbly("--replay " + file("late.txt", "tick 1\nseed 3\n"));
  EXPECT_EQ(late.status, 2);
  EXPECT_EQ(late.err, "zorbly: line 2: seed is allowed only as the first command\n");
}

TEST_F(PlayerOptions, AReplayThatCannotBeReadHasStatusOne) {
  const Result r = zorbly("--replay /nonexistent/zorbly/game.txt");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "zorbly: cannot read /nonexistent/zorbly/game.txt\n");
}

TEST_F(PlayerOptions, AGoodReplayGoesOnToTheWindow) {
  // Without a display that is as far as it gets: the usual one line.
  const Result r = zorbly("--scale 3 --replay " + file("good.txt", "seed 3\ndown 40\ntick 10\n") + " --record " +
                          (scratch() / "again.txt").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("zorbly: cannot open a window", 0), 0u) << r.err;
  EXPECT_FALSE(fs::exists(scratch() / "again.txt")) << "no recording is started without a window";
}

}  // namespace
