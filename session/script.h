#pragma once
// The script language that drives a game: one command a line. Tests,
// recordings, replays, bots and the headless program all speak it.
//
//   seed N        (first command only) N: 0 .. 2^64-1
//   down K, up K  key event, K: 0 .. 255
//   tick [N]      N frames, 1 .. 1000000000 (default 1)
//   state         write the state line
//   shot FILE     write the play field to FILE as PNG (FILE: the rest of the line)
//   trace on|off  service-call lines on or off
//
// Words are separated by spaces or tabs; white space at either end of a line
// (a carriage return included) is ignored; blank lines and lines whose first
// non-blank character is '#' are skipped; a UTF-8 byte-order mark at the very
// start is skipped. A line over 4096 bytes, or holding a NUL byte, is bad,
// and so is a last line without its line end (cut off, as a recording on a
// full disk would be), unless it is blank or a comment.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "session/files.h"

namespace zorbly {

struct Command {
  enum class Kind : std::uint8_t { seed, down, up, tick, state, shot, traceOn, traceOff };
  Kind kind = Kind::state;
  std::uint64_t number = 0;  // the seed, key code or frame count
  std::string file;          // for shot
};

inline constexpr std::uint64_t maxKeyCode = 255;
inline constexpr std::uint64_t maxTicks = 1'000'000'000;
inline constexpr std::size_t maxLineBytes = 4096;

struct BlankLine {};
struct BadLine {
  std::string reason;  // "unknown command 'jump'"
};

using ParsedLine = std::variant<BlankLine, Command, BadLine>;

// One line, without its line end.
ParsedLine parseLine(std::string_view line);

// A plain decimal number (digits only, no sign) within [low, high], or the
// reason why not: "the seed must be a whole number from 0 to 9, not '-1'".
std::variant<std::uint64_t, BadLine> parseNumber(std::string_view word, std::string_view what,
                                                 std::uint64_t low, std::uint64_t high);

// A seed, as `seed N`, --seed N and the page's ?seed=N take it: 0 .. 2^64-1.
std::variant<std::uint64_t, BadLine> parseSeed(std::string_view word);

// Reads a script a command at a time as the language has it: counts lines,
// skips blank and comment lines, refuses a seed that is not the first
// command. Memory stays bounded whatever the input: a line is kept only up to
// the limit, and a longer one is found bad without reading the rest of it.
class ScriptReader {
 public:
  explicit ScriptReader(ByteSource& in) : in_(in) { text_.reserve(maxLineBytes); }

  // The next command; nothing at the end of the input, or at a line that is
  // not a valid command (badLine() then says why). Throws FileError when the
  // input cannot be read.
  std::optional<Command> next();

  // The number of the last line read: the bad one, after a bad line.
  std::uint64_t line() const { return line_; }
  const std::optional<BadLine>& badLine() const { return bad_; }

 private:
  enum class Read { line, cutOff, tooLong, end };
  Read readLine();

  ByteSource& in_;
  char buffer_[8192];
  std::size_t at_ = 0, size_ = 0;
  std::string text_;
  std::uint64_t line_ = 0;
  bool first_ = true;
  std::optional<BadLine> bad_;
};

// The line that parses back to the command: "tick 5", "down 38".
std::string formatCommand(const Command& c);

}  // namespace zorbly
