#pragma once
// The Windows build under Wine for the tests of tests/windows: which
// executable, how Wine runs it, and one desktop shared by the whole suite (a
// private Xvfb with openbox, and Wine's session of the prefix started on it).
//
// Wine keeps one session per prefix (wineserver and its helper programs) for
// a few seconds after its last program, and that session's desktop lives on
// the display it was started with. So the desktop first waits until no
// session runs (the headless tests run theirs with no display), then starts
// one on its Xvfb, and at the end waits for it to close before stopping the
// server. Every test's program then joins a session that draws on our Xvfb.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/window_pictures.h"
#include "support/xsession.h"

namespace zorbly::testing {

using std::chrono::milliseconds;

// The executable under test: $ZORBLY_WINDOWS_EXE, or "" when it is not set
// (the tests then skip, saying `notSet`: scripts/test-windows.sh sets it).
std::string executable();
inline constexpr const char* notSet = "ZORBLY_WINDOWS_EXE is not set (scripts/test-windows.sh sets it)";

// The command line that runs a Windows program under Wine, quietly
// (cmake/wine-run.sh), followed by `args`.
std::vector<std::string> wineCommand(const std::vector<std::string>& args);

// The folder for one test's files (screenshots, the program's output):
// tests/windows/output/<Suite.Test> in the build tree.
std::string outputDir();

class Desktop {
 public:
  // The suite's desktop, started on first use; check ready().
  static Desktop& shared();
  // Ends the session and stops the servers, if they were started.
  static void stopShared();

  bool ready() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const std::string& display() const { return xvfb_.display(); }
  // The environment of a program on this desktop: ours, with its DISPLAY.
  std::vector<std::string> environment() const;

 private:
  Desktop() = default;
  void start();
  void stop();

  testing::XvfbServer xvfb_;
  testing::ChildProcess windowManager_;
  std::string dir_;  // its servers' logs
  std::string error_ = "not started";
};

// A test of the suite: skipped when no executable is named, else with the
// shared desktop up, a connection to it and a folder for its files.
class OnTheDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (executable().empty()) GTEST_SKIP() << notSet;
    const auto& desktop = Desktop::shared();
    ASSERT_TRUE(desktop.ready()) << desktop.error();
    dir_ = outputDir();
    std::string error;
    ASSERT_TRUE(x_.open(desktop.display(), error)) << error;
  }

  // Starts `command` (a Windows program and its arguments) under Wine on the
  // desktop, its output in the test's folder (call with ASSERT_NO_FATAL_FAILURE).
  void spawn(const std::vector<std::string>& command, testing::ChildProcess& process) {
    testing::SpawnOptions o;
    o.argv = wineCommand(command);
    o.env = Desktop::shared().environment();
    o.stdoutPath = dir_ + "/stdout.txt";
    o.stderrPath = dir_ + "/stderr.txt";
    std::string error;
    ASSERT_TRUE(process.spawn(o, error)) << error;
  }

  std::string dir_;
  testing::XConnection x_;
};

// Runs `argv` to its end with the environment `env`, output to `log`, for
// at most `timeout`; how it ended, or nullopt when it was killed for time.
std::optional<testing::ExitStatus> runToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                                          const std::string& log, milliseconds timeout);

}  // namespace zorbly::testing
