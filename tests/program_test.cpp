// The zorbly executable itself: its command line and its headless runs.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "run_zorbly.h"

namespace {

namespace fs = std::filesystem;

using zorbly::testing::lines;
using zorbly::testing::Result;
using zorbly::testing::slurp;
using zorbly::testing::zorbly;

TEST(Program, VersionAndHelp) {
  Result v = zorbly("--version");
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, "Zorbly 1.00\n");
  Result h = zorbly("--help");
  EXPECT_EQ(h.status, 0);
  EXPECT_NE(h.out.find("--headless"), std::string::npos);
  EXPECT_NE(h.out.find("--seed"), std::string::npos);
}

TEST(Program, BadCommandLinesGetOneLineAndStatusTwo) {
  for (const char* args : {"--bogus", "--seed", "--seed -1", "--seed 99999999999999999999",
                           "--seed 12abc", "--script x.txt", "extra", "--headless --seed=1.5",
                           "--bogus --version", "--headless --script ''", "--record ''"}) {
    Result r = zorbly(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(lines(r.err), 1) << args << ": " << r.err;
    EXPECT_EQ(r.err.rfind("zorbly: ", 0), 0u) << args << ": " << r.err;
    EXPECT_EQ(r.out, "") << args;
  }
}

TEST(Program, AnUnreadableScriptIsStatusOne) {
  Result r = zorbly("--headless --script /nonexistent/script.txt");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "zorbly: cannot read /nonexistent/script.txt\n");
  EXPECT_EQ(r.out, "");
}

TEST(Program, WithoutADisplayTheWindowRefusesClearly) {
  Result r = zorbly("--seed 1");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(lines(r.err), 1) << r.err;
  EXPECT_EQ(r.err.rfind("zorbly: cannot open a window", 0), 0u) << r.err;
}

TEST(Program, HeadlessFromStandardInputAndFromAFile) {
  const std::string script = "trace off\r\ntick 10\r\nstate\r\n";
  Result piped = zorbly("--headless --seed 5", script);
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.err, "");
  EXPECT_NE(piped.out.find("{\"op\":\"state\",\"jikiY\":30,"), std::string::npos);

  const fs::path file = fs::temp_directory_path() / "zorbly program test script.txt";
  std::ofstream(file) << script;
  Result fromFile = zorbly("--headless --seed 5 --script '" + file.string() + "'");
  fs::remove(file);
  EXPECT_EQ(fromFile.status, 0);
  EXPECT_EQ(fromFile.out, piped.out);
}

TEST(Program, HeadlessBadLineIsStatusTwo) {
  Result r = zorbly("--headless", "tick\ntick\nfly away\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zorbly: line 3: unknown command 'fly'\n");
}

TEST(Program, HeadlessGameOverExitsZeroAndReadsNoMore) {
  Result r = zorbly("--headless --seed 1", "trace off\ntick 200\nstate\nbad line\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("\"op\":\"state\""), std::string::npos);
  EXPECT_EQ(r.err, "");
}

TEST(Program, MoreBadCommandLinesGetOneLineAndStatusTwo) {
  for (const char* args : {"--headless --script", "--seed=", "--seed ''", "--seed ' 5'", "--seed +5",
                           "--seed 0x10", "--seed 1 --seed 2", "--headless=maybe", "-",
                           "--headless -- extra"}) {
    Result r = zorbly(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(lines(r.err), 1) << args << ": " << r.err;
    EXPECT_EQ(r.err.rfind("zorbly: ", 0), 0u) << args << ": " << r.err;
    EXPECT_EQ(r.out, "") << args;
  }
}

// Runs zorbly with standard input and output taken from and given to the
// named files as they are: a directory, /dev/full.
Result zorblyBetween(const std::string& args, const std::string& from, const std::string& to) {
  const fs::path err = fs::temp_directory_path() / ("zorbly-program-test-err-" + std::to_string(::getpid()));
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " +
                              std::string(ZORBLY_EXE) + " " + args + " <'" + from + "' >'" + to +
                              "' 2>'" + err.string() + "'";
  const int raw = std::system(command.c_str());
  Result r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", slurp(err)};
  fs::remove(err);
  return r;
}

TEST(Program, AScriptThatFailsToReadIsStatusOneNotTheEndOfTheInput) {
  const std::string folder = fs::temp_directory_path().string();
  Result named = zorbly("--headless --script '" + folder + "'");
  EXPECT_EQ(named.status, 1);
  EXPECT_EQ(named.err, "zorbly: cannot read line 1 of the script\n");
  EXPECT_EQ(named.out, "");  // the game never started
  Result piped = zorblyBetween("--headless", folder, "/dev/null");
  EXPECT_EQ(piped.status, 1);
  EXPECT_EQ(piped.err, "zorbly: cannot read line 1 of the script\n");
}

TEST(Program, OutputThatCannotBeWrittenIsStatusOne) {
  const fs::path script = fs::temp_directory_path() / ("zorbly-program-test-script-" + std::to_string(::getpid()));
  std::ofstream(script) << "tick 5\nstate\n";
  Result r = zorblyBetween("--headless --seed 1", script.string(), "/dev/full");
  fs::remove(script);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "zorbly: cannot write the output\n");
}

}  // namespace
