// The script language: what parses, and what each bad line says.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "session/script.h"

namespace zorbly {
namespace {

Command parsed(std::string_view line) {
  ParsedLine p = parseLine(line);
  if (auto* bad = std::get_if<BadLine>(&p)) ADD_FAILURE() << line << ": " << bad->reason;
  EXPECT_TRUE(std::holds_alternative<Command>(p)) << line;
  return std::holds_alternative<Command>(p) ? std::get<Command>(p) : Command{};
}

std::string reason(std::string_view line) {
  ParsedLine p = parseLine(line);
  auto* bad = std::get_if<BadLine>(&p);
  return bad ? bad->reason : "(accepted)";
}

TEST(Script, CommandsAndTheirArguments) {
  using K = Command::Kind;
  EXPECT_EQ(parsed("seed 18446744073709551615").number, 18446744073709551615ull);
  EXPECT_EQ(parsed("seed 0").kind, K::seed);
  EXPECT_EQ(parsed("down 38").kind, K::down);
  EXPECT_EQ(parsed("up 255").number, 255u);
  EXPECT_EQ(parsed("tick").number, 1u);
  EXPECT_EQ(parsed("tick 1000000000").number, 1000000000u);
  EXPECT_EQ(parsed("tick 007").number, 7u);
  EXPECT_EQ(parsed("state").kind, K::state);
  EXPECT_EQ(parsed("trace on").kind, K::traceOn);
  EXPECT_EQ(parsed("trace off").kind, K::traceOff);
}

TEST(Script, WhiteSpaceAndComments) {
  EXPECT_EQ(parsed(" \t tick \t  5 \r").number, 5u);
  EXPECT_EQ(parsed("shot  my shots/one  two.png \r").file, "my shots/one  two.png");
  for (std::string_view blank : {"", "   ", "\r", "\t \r", "# tick 5", "   #x", "#"})
    EXPECT_TRUE(std::holds_alternative<BlankLine>(parseLine(blank))) << blank;
}

TEST(Script, BadLinesSayWhatIsWrong) {
  const std::string frames = "the frame count must be a whole number from 1 to 1000000000, not ";
  EXPECT_EQ(reason("jump"), "unknown command 'jump'");
  EXPECT_EQ(reason("TICK"), "unknown command 'TICK'");
  EXPECT_EQ(reason("ticks 3"), "unknown command 'ticks'");
  EXPECT_EQ(reason("tick 0"), frames + "'0'");
  EXPECT_EQ(reason("tick 1000000001"), frames + "'1000000001'");
  EXPECT_EQ(reason("tick -1"), frames + "'-1'");
  EXPECT_EQ(reason("tick +1"), frames + "'+1'");
  EXPECT_EQ(reason("tick 1.5"), frames + "'1.5'");
  EXPECT_EQ(reason("tick 1 2"), "too many arguments to tick");
  EXPECT_EQ(reason("down"), "down needs a key code");
  EXPECT_EQ(reason("up 256"), "the key code must be a whole number from 0 to 255, not '256'");
  EXPECT_EQ(reason("down 0x26"), "the key code must be a whole number from 0 to 255, not '0x26'");
  EXPECT_EQ(reason("seed"), "seed needs a seed");
  EXPECT_EQ(reason("seed 18446744073709551616"),
            "the seed must be a whole number from 0 to 18446744073709551615, not '18446744073709551616'");
  EXPECT_EQ(reason("state now"), "too many arguments to state");
  EXPECT_EQ(reason("shot"), "shot needs a file name");
  EXPECT_EQ(reason("shot   "), "shot needs a file name");
  EXPECT_EQ(reason("trace"), "trace needs on or off");
  EXPECT_EQ(reason("trace yes"), "trace takes on or off, not 'yes'");
  EXPECT_EQ(reason("trace on off"), "too many arguments to trace");
}

// What a bad line echoes is safe to print: control bytes (an escape
// sequence) and bytes that are not UTF-8 are written out, and a huge token
// is cut short. Valid UTF-8 stays as it is.
TEST(Script, WhatABadLineEchoesIsSafeToPrint) {
  EXPECT_EQ(reason("\x1b[31mred"), "unknown command '\\x1b[31mred'");
  EXPECT_EQ(reason("tick \x7f"), "the frame count must be a whole number from 1 to 1000000000, not '\\x7f'");
  EXPECT_EQ(reason("t\xffx"), "unknown command 't\\xffx'");
  EXPECT_EQ(reason("とぶ"), "unknown command 'とぶ'");
  EXPECT_EQ(reason("back\\slash"), "unknown command 'back\\\\slash'");
  const std::string huge(100000, 'x');
  EXPECT_EQ(reason(huge), "unknown command '" + std::string(60, 'x') + "...'");
}

// Reads a whole script as the programs do; "3: reason" for a bad line.
std::string readAll(std::string_view bytes, std::vector<Command>* commands = nullptr) {
  StringSource in(bytes);
  ScriptReader reader(in);
  while (auto c = reader.next()) {
    if (commands) commands->push_back(*c);
  }
  if (const auto& bad = reader.badLine()) return std::to_string(reader.line()) + ": " + bad->reason;
  return "ok";
}

TEST(ScriptReader, LinesCountedAndCheckedInOrder) {
  std::vector<Command> commands;
  EXPECT_EQ(readAll("seed 3\r\n\n# a comment\ntick 2\r\ndown 38\n", &commands), "ok");
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[2].number, 38u);
  EXPECT_EQ(readAll("tick\n\n\nseed 1\n"), "4: seed is allowed only as the first command");
  EXPECT_EQ(readAll("# seed comes first\nseed 1\ntick\n"), "ok");
  // A byte-order mark at the very start is skipped; anywhere else it is not.
  EXPECT_EQ(readAll("\xEF\xBB\xBFtick\n"), "ok");
  EXPECT_EQ(readAll("tick\n\xEF\xBB\xBFtick\n"), "2: unknown command '\\xef\\xbb\\xbftick'");
  // A NUL anywhere makes the line bad, so `shot a<NUL>b` cannot write `a`.
  EXPECT_EQ(readAll(std::string_view("tick\nshot a\0b.png\n", sizeof "tick\nshot a\0b.png\n" - 1)), "2: the line holds a NUL byte");
}

// A last line without its line end is what a full disk leaves of a
// recording: "seed 18446" of "seed 18446744073709551615" is another game.
TEST(ScriptReader, ALastLineWithoutItsLineEndIsCutOff) {
  const std::string cut = "2: the line is cut off (the input ends before its line end)";
  EXPECT_EQ(readAll("tick\nseed 18446"), cut);
  EXPECT_EQ(readAll("tick\r\nstate\r"), cut);
  EXPECT_EQ(readAll("tick\nnope"), cut);
  // Nothing is lost with a blank line or a comment, and nothing at all is read.
  for (const char* whole : {"tick\n", "tick\n  ", "tick\n# the end", "", "\xEF\xBB\xBF"}) EXPECT_EQ(readAll(whole), "ok");
}

// A line over the limit is bad, and is found so without reading the rest of
// it: an endless line ends the reading at once.
TEST(ScriptReader, ALineTooLongIsFoundWithoutReadingItAll) {
  const std::string limit = "# " + std::string(maxLineBytes - 2, 'x');
  EXPECT_EQ(readAll(limit + "\ntick\n"), "ok");
  EXPECT_EQ(readAll("tick\n" + limit + "x\n"), "2: line too long (the limit is 4096 bytes)");

  struct Endless : ByteSource {
    std::size_t given = 0;
    std::size_t read(char* to, std::size_t size) override {
      std::fill(to, to + size, '#');
      given += size;
      return size;
    }
  } endless;
  ScriptReader reader(endless);
  EXPECT_FALSE(reader.next());
  EXPECT_EQ(reader.badLine()->reason, "line too long (the limit is 4096 bytes)");
  EXPECT_LT(endless.given, 3 * maxLineBytes);
}

TEST(Script, CommandsWriteBackAsTheyRead) {
  for (std::string_view line : {"seed 12345678901234", "down 90", "up 38", "tick 64", "state",
                                "shot a b.png", "trace on", "trace off"})
    EXPECT_EQ(formatCommand(parsed(line)), line);
}

}  // namespace
}  // namespace zorbly
