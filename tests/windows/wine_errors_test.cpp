// Where zorbly.exe's messages go. Started so that nobody can see standard
// error (from Explorer or a shortcut; here `start /unix`, which gives a
// windowed program no standard handles and no console), a mistake is shown
// in a box; with standard error leading somewhere it is printed there, as on
// Linux; and the headless mode, which programs run, never shows a box.

#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "wine_desktop.h"

namespace {

using namespace zorbly::testing;
using std::chrono::milliseconds;
using std::chrono::seconds;

const std::string badScale =
    "zorbly: --scale: the scale must be a whole number from 1 to 16, not '0' (see zorbly --help)";

class WineMessages : public zorbly::testing::OnTheDesktop {
 protected:
  void TearDown() override {
    if (x_.isOpen() && HasFailure()) savePng(x_.captureRoot(), dir_ + "/screen.png");
    program_.kill();
    x_.close();
  }

  // Runs zorbly.exe with `args`; `detached`: through `start /wait /unix`.
  void run(const std::vector<std::string>& args, bool detached) {
    std::vector<std::string> command;
    if (detached) command = {"start", "/wait", "/unix"};
    command.push_back(zorbly::testing::executable());
    command.insert(command.end(), args.begin(), args.end());
    spawn(command, program_);
  }

  // Waits for the end, making sure meanwhile that no window named Zorbly shows.
  void endsWithoutAWindow(int status) {
    bool shown = false;
    pollUntil(
        [&] {
          shown = shown || x_.findClientWindow("Zorbly", milliseconds(0)) != 0;
          return !program_.running();
        },
        seconds(30), milliseconds(20));
    ASSERT_FALSE(program_.running()) << "still running after 30 s";
    EXPECT_FALSE(shown) << "a window named Zorbly was shown";
    EXPECT_EQ(program_.status()->code, status) << program_.status()->describe();
  }

  ChildProcess program_;
};

TEST_F(WineMessages, AMistakeIsShownInABoxWhenNobodySeesStandardError) {
  ASSERT_NO_FATAL_FAILURE(run({"--scale", "0"}, true));
  const XConnection::Window box = x_.findClientWindow("Zorbly", seconds(30));
  ASSERT_NE(box, 0UL) << "no box named Zorbly; windows:\n" << x_.describeTopLevelWindows();
  const auto g = x_.geometry(box);
  ASSERT_TRUE(g.has_value());
  EXPECT_GT(g->width, 200) << "a box wide enough for the line, not the 120x120 game";
  savePng(x_.captureRoot(), dir_ + "/box.png");
  x_.focus(box);
  ASSERT_TRUE(x_.tapKey(XK_Return, milliseconds(50)));
  const auto status = program_.waitExit(seconds(10));
  ASSERT_TRUE(status.has_value()) << "still running 10 s after Return on the box";
  EXPECT_TRUE(status->exited && status->code == 2) << status->describe();
}

TEST_F(WineMessages, AMistakeIsPrintedWhereStandardErrorLeads) {
  ASSERT_NO_FATAL_FAILURE(run({"--scale", "0"}, false));
  ASSERT_NO_FATAL_FAILURE(endsWithoutAWindow(2));
  EXPECT_EQ(readFile(dir_ + "/stderr.txt"), badScale + "\n");
}

TEST_F(WineMessages, TheHeadlessModeNeverShowsABox) {
  ASSERT_NO_FATAL_FAILURE(run({"--headless", "--bogus"}, true));
  ASSERT_NO_FATAL_FAILURE(endsWithoutAWindow(2));
}

// --help and --version from a shortcut have nowhere to write either: what
// they say is shown in a box, and the program ends with status 0.
TEST_F(WineMessages, HelpAndVersionFromAShortcutAreShownInABox) {
  for (const char* option : {"--version", "--help"}) {
    ASSERT_NO_FATAL_FAILURE(run({option}, true));
    const XConnection::Window box = x_.findClientWindow("Zorbly", seconds(30));
    ASSERT_NE(box, 0UL) << option << ": no box named Zorbly; windows:\n" << x_.describeTopLevelWindows();
    savePng(x_.captureRoot(), dir_ + "/" + std::string(option + 2) + ".png");
    x_.focus(box);
    ASSERT_TRUE(x_.tapKey(XK_Return, milliseconds(50)));
    const auto status = program_.waitExit(seconds(10));
    ASSERT_TRUE(status.has_value()) << option << ": still running 10 s after Return on the box";
    EXPECT_TRUE(status->ok()) << option << ": " << status->describe();
  }
}

// A recording is opened by its name in UTF-8, whatever the system's code
// page, and a folder is said to be one, as on Linux.
TEST_F(WineMessages, RecordingsTakeAnyNameAndAFolderIsSaidToBeOne) {
  ASSERT_NO_FATAL_FAILURE(run({"--record", dir_}, false));
  ASSERT_NO_FATAL_FAILURE(endsWithoutAWindow(1));
  EXPECT_EQ(readFile(dir_ + "/stderr.txt"), "zorbly: cannot write " + dir_ + ": Is a directory\n");

  const std::string name = dir_ + "/rec_\u00e9\u65e5\u672c\U0001F600.txt";
  ASSERT_NO_FATAL_FAILURE(run({"--seed", "1", "--record", name}, false));
  EXPECT_TRUE(pollUntil([&] { return readFile(name) == "seed 1\n"; }, seconds(30)))
      << "no recording named " << name << "; stderr: " << readFile(dir_ + "/stderr.txt");
  program_.kill();
}

}  // namespace
