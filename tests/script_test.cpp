// The script language: what parses, and what each bad line says.

#include <gtest/gtest.h>

#include "scene/script.h"

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
  EXPECT_EQ(reason("jump"), "unknown command 'jump'");
  EXPECT_EQ(reason("TICK"), "unknown command 'TICK'");
  EXPECT_EQ(reason("ticks 3"), "unknown command 'ticks'");
  EXPECT_EQ(reason("tick 0"), "a frame count 0 is out of range (1 to 1000000000)");
  EXPECT_EQ(reason("tick 1000000001"), "a frame count 1000000001 is out of range (1 to 1000000000)");
  EXPECT_EQ(reason("tick -1"), "a frame count must be a whole number, not '-1'");
  EXPECT_EQ(reason("tick +1"), "a frame count must be a whole number, not '+1'");
  EXPECT_EQ(reason("tick 1.5"), "a frame count must be a whole number, not '1.5'");
  EXPECT_EQ(reason("tick 1 2"), "too many arguments to tick");
  EXPECT_EQ(reason("down"), "down needs a key code");
  EXPECT_EQ(reason("up 256"), "a key code 256 is out of range (0 to 255)");
  EXPECT_EQ(reason("down 0x26"), "a key code must be a whole number, not '0x26'");
  EXPECT_EQ(reason("seed"), "seed needs a seed");
  EXPECT_EQ(reason("seed 18446744073709551616"),
            "a seed 18446744073709551616 is out of range (0 to 18446744073709551615)");
  EXPECT_EQ(reason("state now"), "too many arguments to state");
  EXPECT_EQ(reason("shot"), "shot needs a file name");
  EXPECT_EQ(reason("shot   "), "shot needs a file name");
  EXPECT_EQ(reason("trace"), "trace needs on or off");
  EXPECT_EQ(reason("trace yes"), "trace takes on or off, not 'yes'");
  EXPECT_EQ(reason("trace on off"), "too many arguments to trace");
}

TEST(Script, CommandsWriteBackAsTheyRead) {
  for (std::string_view line : {"seed 12345678901234", "down 90", "up 38", "tick 64", "state",
                                "shot a b.png", "trace on", "trace off"})
    EXPECT_EQ(formatCommand(parsed(line)), line);
}

}  // namespace
}  // namespace zorbly
