#include "wine_desktop.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zorbly::testing {

using std::chrono::seconds;
using testing::ChildProcess;
using testing::SpawnOptions;

std::string executable() {
  const char* exe = std::getenv("ZORBLY_WINDOWS_EXE");
  return exe ? exe : "";
}

std::vector<std::string> wineCommand(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"/bin/sh", ZORBLY_WINE_RUN};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

std::string outputDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string dir = std::string(ZORBLY_WINDOWS_TEST_OUTPUT) + "/" + info->test_suite_name() + "." + info->name();
  testing::makeDirectories(dir);
  return dir;
}

std::optional<testing::ExitStatus> runToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                                          const std::string& log, milliseconds timeout) {
  ChildProcess process;
  SpawnOptions o;
  o.argv = argv;
  o.env = env;
  o.stdoutPath = log;
  o.stderrPath = log + ".err";
  std::string error;
  if (!process.spawn(o, error)) return std::nullopt;
  return process.waitExit(timeout);
}

namespace {

Desktop* instance = nullptr;

// Stops the shared desktop once every test has run.
class Teardown : public ::testing::Environment {
 public:
  void TearDown() override { Desktop::stopShared(); }
};

[[maybe_unused]] const auto* teardown = ::testing::AddGlobalTestEnvironment(new Teardown);

}  // namespace

Desktop& Desktop::shared() {
  if (!instance) {
    instance = new Desktop;
    instance->start();
  }
  return *instance;
}

void Desktop::stopShared() {
  if (instance) instance->stop();
}

std::vector<std::string> Desktop::environment() const {
  return testing::environmentWithout({"DISPLAY", "SDL_VIDEODRIVER", "WAYLAND_DISPLAY"}, {"DISPLAY=" + display()});
}

void Desktop::start() {
  dir_ = std::string(ZORBLY_WINDOWS_TEST_OUTPUT) + "/desktop";
  const std::string& dir = dir_;
  testing::makeDirectories(dir);
  const std::string openbox = testing::findOnPath("openbox");
  if (testing::XvfbServer::executable().empty() || openbox.empty()) {
    error_ = "Xvfb and openbox are needed (scripts/deps-windows.sh installs them)";
    return;
  }
  // A session still running from before (the headless tests, with no
  // display) would keep its desktop: wait for its end.
  const auto ended = runToEnd(wineCommand({"wineserver", "-w"}), testing::environmentWithout({}), dir + "/wait.txt",
                              seconds(30));
  if (!ended) {
    error_ = "a Wine session of this prefix is still running after 30 s (another program of the prefix?)";
    return;
  }
  std::string error;
  if (!xvfb_.start("640x480x24", dir + "/xvfb.log", error)) {
    error_ = error;
    return;
  }
  // A window manager: without one, Wine waits about two seconds on every
  // window that closes.
  SpawnOptions wm;
  wm.argv = {openbox, "--sm-disable"};
  wm.env = environment();
  wm.stdoutPath = dir + "/openbox.txt";
  wm.stderrPath = dir + "/openbox.err";
  if (!windowManager_.spawn(wm, error)) {
    error_ = error;
    return;
  }
  testing::XConnection x;
  if (!x.open(display(), error)) {
    error_ = error;
    return;
  }
  if (!testing::pollUntil([&] { return x.openboxReady(); }, seconds(30))) {
    error_ = "openbox did not start: " + testing::readFile(dir + "/openbox.err");
    return;
  }
  x.close();
  // Wine's session on this display, started before the first test so that
  // its slow start (a few seconds) is no test's.
  const auto warm = runToEnd(wineCommand({"cmd", "/c", "exit"}), environment(), dir + "/warm.txt", seconds(120));
  if (!warm || !warm->ok()) {
    error_ = "Wine did not start: " + (warm ? warm->describe() : "still running after 120 s") + "; " +
             testing::readFile(dir + "/warm.txt.err");
    return;
  }
  error_.clear();
}

void Desktop::stop() {
  if (xvfb_.process().running()) {
    // Wine's helpers hold the display until the session ends.
    runToEnd(wineCommand({"wineserver", "-w"}), testing::environmentWithout({}), dir_ + "/end.txt", seconds(15));
  }
  windowManager_.kill();
  xvfb_.stop();
  error_ = "stopped";
}

}  // namespace zorbly::testing
