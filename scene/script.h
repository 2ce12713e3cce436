#pragma once
// The script language that drives a game without a window: one command per
// line. Tests, recordings, replays and bots all speak it.
//
//   seed N        (first command only) N: 0 .. 2^64-1
//   down K, up K  key event, K: 0 .. 255
//   tick [N]      N frames, 1 .. 1000000000 (default 1)
//   state         write the state line
//   shot FILE     write the play field to FILE as PNG
//   trace on|off  service-call lines on or off
//
// Words are separated by spaces or tabs; white space at either end of a line
// is ignored; blank lines and lines starting with '#' are skipped.

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace zorbly {

struct Command {
  enum class Kind { seed, down, up, tick, state, shot, traceOn, traceOff };
  Kind kind;
  std::uint64_t number = 0;  // the seed, key code or frame count
  std::string file;          // for shot
};

inline constexpr std::uint64_t maxKeyCode = 255;
inline constexpr std::uint64_t maxTicks = 1'000'000'000;

struct BlankLine {};
struct BadLine {
  std::string reason;  // "unknown command 'jump'"
};

using ParsedLine = std::variant<BlankLine, Command, BadLine>;

ParsedLine parseLine(std::string_view line);

// A plain decimal number (digits only, no sign) within [low, high], or a
// one-line reason why not: "a seed must be a whole number, not '-1'".
std::variant<std::uint64_t, BadLine> parseNumber(std::string_view word, std::string_view what,
                                                 std::uint64_t low, std::uint64_t high);

// Reads a script a command at a time as the language has it: counts lines,
// skips blank and comment lines, and refuses a seed that is not the first
// command. The headless mode and --replay read scripts through it.
class ScriptReader {
 public:
  explicit ScriptReader(std::istream& in) : in_(in) {}

  // The next command; nothing at the end of the input, or at a line that is
  // not a valid command (badLine() then says why).
  std::optional<Command> next();

  // The number of the last line read: the bad one, after a bad line.
  long long line() const { return line_; }
  const std::optional<BadLine>& badLine() const { return bad_; }
  // True when the input could not be read to its end (a directory, say).
  bool readFailed() const { return in_.bad(); }

 private:
  std::istream& in_;
  std::string text_;
  long long line_ = 0;
  bool first_ = true;
  std::optional<BadLine> bad_;
};

// The line that parses back to the command: "tick 5", "down 38".
std::string formatCommand(const Command& c);

}  // namespace zorbly
