#include "session/script.h"

#include <charconv>
#include <cstring>
#include <optional>
#include <vector>

#include "session/messages.h"

namespace zorbly {

namespace {

constexpr std::string_view blanks = " \t\r\n\v\f";
constexpr std::string_view separators = " \t";

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

// Splits off the first word; `rest` keeps what follows, without leading separators.
std::string_view nextWord(std::string_view& rest) {
  const auto end = std::min(rest.find_first_of(separators), rest.size());
  std::string_view word = rest.substr(0, end);
  rest.remove_prefix(end);
  const auto next = rest.find_first_not_of(separators);
  rest.remove_prefix(next == std::string_view::npos ? rest.size() : next);
  return word;
}

}  // namespace

std::variant<std::uint64_t, BadLine> parseNumber(std::string_view word, std::string_view what,
                                                 std::uint64_t low, std::uint64_t high) {
  std::uint64_t value = 0;
  const bool digits = !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (!digits || ec == std::errc::result_out_of_range || value < low || value > high) {
    return BadLine{std::string(what) + " must be a whole number from " + std::to_string(low) + " to " +
                   std::to_string(high) + ", not " + quote(word)};
  }
  return value;
}

std::variant<std::uint64_t, BadLine> parseSeed(std::string_view word) {
  return parseNumber(word, "the seed", 0, UINT64_MAX);
}

ParsedLine parseLine(std::string_view line) {
  std::string_view rest = trim(line);
  if (rest.empty() || rest.front() == '#') return BlankLine{};

  const std::string_view word = nextWord(rest);
  auto withNumber = [&](Command::Kind kind, std::string_view what, std::uint64_t low,
                        std::uint64_t high, std::optional<std::uint64_t> fallback) -> ParsedLine {
    const std::string_view arg = nextWord(rest);
    if (!rest.empty()) return BadLine{"too many arguments to " + std::string(word)};
    if (arg.empty()) {
      if (fallback) return Command{kind, *fallback, {}};
      return BadLine{std::string(word) + " needs a " + std::string(what)};
    }
    auto n = parseNumber(arg, "the " + std::string(what), low, high);
    if (auto* bad = std::get_if<BadLine>(&n)) return *bad;
    return Command{kind, std::get<std::uint64_t>(n), {}};
  };

  if (word == "seed") return withNumber(Command::Kind::seed, "seed", 0, UINT64_MAX, std::nullopt);
  if (word == "down") return withNumber(Command::Kind::down, "key code", 0, maxKeyCode, std::nullopt);
  if (word == "up") return withNumber(Command::Kind::up, "key code", 0, maxKeyCode, std::nullopt);
  if (word == "tick") return withNumber(Command::Kind::tick, "frame count", 1, maxTicks, 1);
  if (word == "state") {
    if (!rest.empty()) return BadLine{"too many arguments to state"};
    return Command{Command::Kind::state, 0, {}};
  }
  if (word == "shot") {
    if (rest.empty()) return BadLine{"shot needs a file name"};
    return Command{Command::Kind::shot, 0, std::string(rest)};
  }
  if (word == "trace") {
    const std::string_view arg = nextWord(rest);
    if (arg.empty()) return BadLine{"trace needs on or off"};
    if (!rest.empty()) return BadLine{"too many arguments to trace"};
    if (arg == "on") return Command{Command::Kind::traceOn, 0, {}};
    if (arg == "off") return Command{Command::Kind::traceOff, 0, {}};
    return BadLine{"trace takes on or off, not " + quote(arg)};
  }
  return BadLine{"unknown command " + quote(word)};
}

ScriptReader::Read ScriptReader::readLine() {
  text_.clear();
  bool any = false;
  for (;;) {
    if (at_ == size_) {
      size_ = in_.read(buffer_, sizeof buffer_);
      at_ = 0;
      if (size_ == 0) return any ? Read::cutOff : Read::end;
    }
    any = true;
    const char* start = buffer_ + at_;
    const char* newline = static_cast<const char*>(std::memchr(start, '\n', size_ - at_));
    const std::size_t length = newline ? static_cast<std::size_t>(newline - start) : size_ - at_;
    at_ += length + (newline ? 1 : 0);
    if (text_.size() + length > maxLineBytes) return Read::tooLong;
    text_.append(start, length);
    if (newline) return Read::line;
  }
}

std::optional<Command> ScriptReader::next() {
  for (;;) {
    const Read read = readLine();
    if (read == Read::end) return std::nullopt;
    ++line_;
    if (read == Read::tooLong) {
      bad_ = BadLine{"line too long (the limit is " + std::to_string(maxLineBytes) + " bytes)"};
      return std::nullopt;
    }
    std::string_view text = text_;
    if (line_ == 1 && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark
    if (text.find('\0') != std::string_view::npos) {
      bad_ = BadLine{"the line holds a NUL byte"};
      return std::nullopt;
    }
    ParsedLine parsed = parseLine(text);
    if (std::holds_alternative<BlankLine>(parsed)) continue;
    if (read == Read::cutOff) {
      // What a full disk or a killed writer leaves: "seed 18446" may be the
      // start of "seed 18446744073709551615".
      bad_ = BadLine{"the line is cut off (the input ends before its line end)"};
      return std::nullopt;
    }
    if (auto* bad = std::get_if<BadLine>(&parsed)) {
      bad_ = std::move(*bad);
      return std::nullopt;
    }
    Command& command = std::get<Command>(parsed);
    if (command.kind == Command::Kind::seed && !first_) {
      bad_ = BadLine{"seed is allowed only as the first command"};
      return std::nullopt;
    }
    first_ = false;
    return std::move(command);
  }
}

std::string formatCommand(const Command& c) {
  switch (c.kind) {
    case Command::Kind::seed: return "seed " + std::to_string(c.number);
    case Command::Kind::down: return "down " + std::to_string(c.number);
    case Command::Kind::up: return "up " + std::to_string(c.number);
    case Command::Kind::tick: return "tick " + std::to_string(c.number);
    case Command::Kind::state: return "state";
    case Command::Kind::shot: return "shot " + c.file;
    case Command::Kind::traceOn: return "trace on";
    case Command::Kind::traceOff: return "trace off";
  }
  return {};
}

}  // namespace zorbly
