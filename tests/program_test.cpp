// The headless program as a user, a script or a test farm runs it: its
// command line, its files, its output, and the promises it keeps about bad
// input. Runs zorbly-headless, or whatever ZORBLY_HEADLESS names (the
// browser build under node, the Windows build under Wine), and checks that
// `zorbly --headless` is the same program.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/golden.h"
#include "zorbly_version.h"
#include "support/run_program.h"

namespace zorbly::testing {
namespace {

namespace fs = std::filesystem;

Result headless(const std::string& args, const Streams& streams = {}) {
  return run(testing::headless() + " " + args, streams);
}
Result headless(const std::string& args, const std::string& input) { return headless(args, Streams{input, "", ""}); }

// The browser build's program, run by node (ZORBLY_HEADLESS="node .../zorbly-headless.js").
bool underNode() {
  const std::string command = testing::headless(), first = command.substr(0, command.find(' '));
  return first == "node" || first.ends_with("/node");
}

// The Windows build's program, run by Wine (ZORBLY_HEADLESS=".../wine-run.sh .../zorbly.exe --headless").
bool underWine() { return testing::headless().find(".exe") != std::string::npos; }

std::string shellWord(const fs::path& p) { return inQuotes(p.string()); }

TEST(Program, VersionAndHelp) {
  Result v = headless("--version");
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, "Zorbly " ZORBLY_VERSION "\n");
  Result h = headless("--help");
  EXPECT_EQ(h.status, 0);
  EXPECT_NE(h.out.find("--seed N"), std::string::npos) << h.out;
  EXPECT_NE(h.out.find("--script FILE"), std::string::npos) << h.out;
  EXPECT_EQ(h.err, "");
}

// Every mistake on the command line is one line in our own words, status
// 2, and nothing on standard output; --help and --version are no way round it.
TEST(Program, BadCommandLinesGetOneLineInOurWords) {
  const std::string seed = "the seed must be a whole number from 0 to 18446744073709551615, not ";
  const std::pair<std::string, std::string> cases[] = {
      {"--bogus", "unknown option '--bogus'"},
      {"extra", "unexpected argument 'extra'"},
      {"--seed", "--seed needs a value N"},
      {"--seed= --script x", "--seed needs a value N"},
      {"--seed -1", "--seed: " + seed + "'-1'"},
      {"--seed 99999999999999999999", "--seed: " + seed + "'99999999999999999999'"},
      {"--seed 12abc", "--seed: " + seed + "'12abc'"},
      {"--seed 1 --seed 2", "--seed takes one value N, and is given once"},
      {"--script", "--script needs a value FILE"},
      {"--help --bogus", "unknown option '--bogus'"},
      {"--version --bogus", "unknown option '--bogus'"},
      {"--version=2", "--version takes no value"},
      {"\"$(printf '\\055-\\033[31m')\"", "unknown option '--\\x1b[31m'"},
  };
  for (const auto& [args, reason] : cases) {
    Result r = headless(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(r.err.substr(0, r.err.find(" (see")), "zorbly: " + reason) << args;
    EXPECT_EQ(lines(r.err), 1) << args << ": " << r.err;
    EXPECT_EQ(r.out, "") << args;
  }
}

// Files that cannot be read: one line naming the file and the reason, status 1.
TEST(Program, AScriptThatCannotBeReadSaysWhy) {
  Scratch dir;
  const struct {
    std::string args, message;
  } cases[] = {
      {"--script /nonexistent/script.txt", "cannot read /nonexistent/script.txt: No such file or directory"},
      {"--script " + shellWord(dir.path()), "cannot read " + dir.path().string() + ": Is a directory"},
  };
  for (const auto& c : cases) {
    Result r = headless(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err, "zorbly: " + c.message + "\n");
    EXPECT_EQ(r.out, "");
  }
  // The same words on every system (node has its own for these), and a huge
  // name cut short as a bad line's words are.
  if (!underWine()) {
    fs::create_symlink("loop", dir / "loop");
    const std::string huge = "/tmp/" + std::string(100000, 'n');
    const std::pair<std::string, std::string> named[] = {
        {"--script " + shellWord(dir / "loop"), "cannot read " + (dir / "loop").string() + ": Too many levels of symbolic links"},
        {"--script " + huge, "cannot read " + huge.substr(0, 200) + "...: File name too long"},
    };
    for (const auto& [args, message] : named) {
      Result r = headless(args);
      EXPECT_EQ(r.status, 1) << message;
      EXPECT_EQ(r.err, "zorbly: " + message + "\n");
    }
  }
  // Standard input a folder, or closed: no file the program opens stands in for it.
  if (underWine()) GTEST_SKIP() << "Windows has neither; Wine stands a handle of its own in for them";
  Result folder = headless("", Streams{.input = "", .inputFrom = dir.path().string(), .outputTo = ""});
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err, "zorbly: cannot read standard input: Is a directory\n");
  if (underNode()) GTEST_SKIP() << "node opens a closed standard input on /dev/null before the program starts";
  Result closed = headless("", Streams{.input = "", .inputFrom = "&-", .outputTo = ""});
  EXPECT_EQ(closed.status, 1);
  EXPECT_EQ(closed.err, "zorbly: cannot read standard input\n");
  EXPECT_EQ(closed.out, "");
}

// An endless line is a bad line, found at once and in little memory.
TEST(Program, AnEndlessLineIsTooLong) {
  // node and Wine reserve more address space than that before the program starts: a time limit there.
  const std::string limit = underNode() || underWine() ? "timeout 60 " : withLittleMemory(200000);
  Result r = run("sh -c " + inQuotes(limit + testing::headless() + " --script /dev/zero"));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zorbly: line 1: line too long (the limit is 4096 bytes)\n");
}

TEST(Program, HeadlessFromStandardInputAndFromAFileAlike) {
  Scratch dir;
  const std::string script = "\xEF\xBB\xBFtrace off\r\ntick 10\r\nstate\r\n";
  Result piped = headless("--seed 5", script);
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(piped.out.rfind("{\"op\":\"randomize\"}\n", 0), 0u);
  EXPECT_NE(piped.out.find("{\"op\":\"state\",\"jikiY\":30,"), std::string::npos);
  spit(dir / "a script.txt", script);
  Result fromFile = headless("--seed 5 --script " + shellWord(dir / "a script.txt"));
  EXPECT_EQ(fromFile.out, piped.out);
}

// What a terminal would act on, or what hides what a line holds, is written
// out: C1 controls (U+009B starts an escape sequence), direction overrides,
// byte-order marks; in bad lines and in file names alike.
TEST(Program, MessagesEscapeWhatATerminalWouldActOn) {
  Result c1 = headless("", "jump\xc2\x9b" "31mRED\n");
  EXPECT_EQ(c1.err, "zorbly: line 1: unknown command 'jump\\xc2\\x9b31mRED'\n");
  Result hidden = headless("", "tick\ndo\xe2\x80\xaewn\xef\xbb\xbf 4\n");
  EXPECT_EQ(hidden.err, "zorbly: line 2: unknown command 'do\\xe2\\x80\\xaewn\\xef\\xbb\\xbf'\n");
  Result file = headless("--script \"$(printf '/nonexistent/x\\302\\233y')\"");
  EXPECT_EQ(file.err, "zorbly: cannot read /nonexistent/x\\xc2\\x9by: No such file or directory\n");
}

TEST(Program, ABadLineIsStatusTwoAndGameOverReadsNoMore) {
  Result bad = headless("", "tick\ntick\nfly away\n");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "zorbly: line 3: unknown command 'fly'\n");
  Result over = headless("--seed 1", "trace off\ntick 200\nstate\nbad line\n");
  EXPECT_EQ(over.status, 0) << over.err;
  EXPECT_EQ(over.out.find("\"op\":\"state\""), std::string::npos);
  EXPECT_EQ(over.err, "");
}

// A write that fails is never reported as success: standard output on a
// full disk, --version and --help included, and a shot on a full disk,
// which leaves no piece of the file behind.
TEST(Program, WritesThatFailAreStatusOne) {
  for (const char* args : {"--seed 1", "--version", "--help"}) {
    Result r = headless(args, Streams{.input = "tick 5\nstate\n", .inputFrom = "", .outputTo = "/dev/full"});
    EXPECT_EQ(r.status, 1) << args;
    EXPECT_EQ(lines(r.err), 1) << args << ": " << r.err;
    if (!underWine()) {
      EXPECT_EQ(r.err, "zorbly: cannot write standard output: No space left on device\n") << args;
    }
  }
  if (underWine()) GTEST_SKIP() << "Windows has no file size limit to stand in for a full disk";
  Scratch dir;
  spit(dir / "script", "trace off\ntick\nshot " + (dir / "x.png").string() + "\n");
  // A file size limit stands in for a full disk: writing past it fails.
  Result full = run("sh -c " + inQuotes("trap \"\" XFSZ; ulimit -f 1; exec " + testing::headless() + " --script " +
                                        (dir / "script").string()));
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err, "zorbly: cannot write " + (dir / "x.png").string() + ": File too large\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1) << "only the script is left";
}

// A reader that goes away (`| head -1`) ends the run with status 1 and one
// line, the same under node: not a silent death by SIGPIPE.
TEST(Program, AReaderThatGoesAwayIsStatusOneAndOneLine) {
  if (underWine()) GTEST_SKIP() << "Wine's pipes to a Linux reader are not the program's own";
  Scratch dir;
  std::string states = "seed 1\ntrace off\n";
  for (int i = 0; i < 20000; ++i) states += "state\n";
  spit(dir / "script", states);
  spit(dir / "run", "{ " + testing::headless() + " --script " + shellWord(dir / "script") + " 2>" +
                        shellWord(dir / "err") + "; echo $? >" + shellWord(dir / "status") + "; } | head -c 100 >/dev/null\n");
  ASSERT_EQ(run("sh " + shellWord(dir / "run")).status, 0);
  EXPECT_EQ(slurp(dir / "status"), "1\n");
  EXPECT_EQ(slurp(dir / "err"), "zorbly: cannot write standard output: Broken pipe\n");
}

// A shot is whole, and lands only where it was asked for: under a name of
// any length the file system takes; never through a link laid where its
// temporary file goes (node's process id is always 42, so that name was
// known in advance); with two programs shooting one file at once; and not
// over a read-only file.
TEST(Program, ShotsAreWholeAndLandOnlyWhereAsked) {
  Scratch dir;
  const auto shoot = [&](const fs::path& file) {
    return "seed 3\ntrace off\ntick 20\nshot " + file.string() + "\n";
  };
  spit(dir / "one", shoot(dir / "one.png"));
  ASSERT_EQ(headless("--script " + shellWord(dir / "one")).status, 0);
  const std::string picture = slurp(dir / "one.png");
  ASSERT_EQ(picture.substr(1, 3), "PNG");

  const fs::path longest = dir / (std::string(251, 'l') + ".png");
  spit(dir / "long", shoot(longest));
  Result named = headless("--script " + shellWord(dir / "long"));
  EXPECT_EQ(named.status, 0) << named.err;
  EXPECT_EQ(slurp(longest), picture);

  spit(dir / "victim", "someone's file");
  if (!underWine()) fs::create_symlink(dir / "victim", dir / ".x.png.zorbly-42");
  spit(dir / "x", shoot(dir / "x.png"));
  const std::string once = testing::headless() + " --script " + shellWord(dir / "x");
  spit(dir / "twice", "for i in 1 2 3 4 5; do " + once + " & " + once +
                          " || exit 1; wait $! || exit 1; done\n");
  Result both = run("sh " + shellWord(dir / "twice"));
  EXPECT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(both.err, "");
  EXPECT_EQ(slurp(dir / "x.png"), picture);
  EXPECT_EQ(slurp(dir / "victim"), "someone's file");

  fs::permissions(dir / "x.png", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  spit(dir / "over", shoot(dir / "x.png"));
  Result readOnly = headless("--script " + shellWord(dir / "over"));
  EXPECT_EQ(readOnly.status, 1);
  EXPECT_EQ(readOnly.err, "zorbly: cannot write " + (dir / "x.png").string() + ": Permission denied\n");
  fs::permissions(dir / "x.png", fs::perms::owner_all);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), underWine() ? 9 : 10) << "no temporary file left";
}

// The headless program is the core alone: it loads no SDL and no font
// library, so its text is the same whatever fonts the machine has.
TEST(Program, LoadsNoSdlAndNoFontLibrary) {
  if (std::getenv("ZORBLY_HEADLESS")) GTEST_SKIP() << "another build of the program";
  Result libraries = run("ldd " + testing::headless());
  ASSERT_EQ(libraries.status, 0) << libraries.err;
  for (const char* name : {"SDL", "fontconfig", "freetype"}) {
    EXPECT_EQ(libraries.out.find(name), std::string::npos) << libraries.out;
  }
}

#ifdef ZORBLY_EXE
// `zorbly --headless` is the same program, byte for byte.
TEST(Program, ZorblyHeadlessIsTheSameProgram) {
  const std::string script = "seed 9\ndown 40\ntick 30\ndown 90\nup 40\ntick 50\nstate\njump\n";
  const Result a = run(std::string(ZORBLY_EXE) + " --headless", script);
  const Result b = run(std::string(ZORBLY_HEADLESS_EXE), script);
  EXPECT_EQ(a.status, 2);
  EXPECT_EQ(a.status, b.status);
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(a.err, b.err);
  EXPECT_EQ(run(std::string(ZORBLY_EXE) + " --headless --version").out, "Zorbly " ZORBLY_VERSION "\n");
}
#endif

// The golden games give the same last picture and state through the program.
TEST(Program, GoldenGamesEndTheSame) {
  ASSERT_FALSE(goldenGames().empty()) << goldenDir;
  for (const std::string& name : goldenGames()) {
    Scratch dir;
    const std::string base = goldenDir + "/" + name;
    std::string script = slurp(base + ".script");
    script.insert(script.find('\n') + 1, "trace off\n");
    spit(dir / "script", script + "state\nshot " + (dir / "last.png").string() + "\n");
    Result played = headless("--script " + shellWord(dir / "script"));
    ASSERT_EQ(played.status, 0) << name << ": " << played.err;
    const auto state = played.out.find("{\"op\":\"state\"");
    if (state == std::string::npos) {
      // Game over: nothing is read after the box, so the trace tells how it ended.
      Result traced = headless("--script " + shellWord(base + ".script"));
      EXPECT_TRUE(traced.out.ends_with("\"title\":\"GAME OVER\"}\n{\"op\":\"end\"}\n")) << name;
      continue;
    }
    EXPECT_EQ(played.out.substr(state), slurp(base + ".state")) << name;
    EXPECT_EQ(slurp(dir / "last.png"), slurp(base + ".png")) << name << ": the last picture differs";
  }
}

}  // namespace
}  // namespace zorbly::testing
