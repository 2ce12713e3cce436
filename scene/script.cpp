#include "scene/script.h"

#include <charconv>
#include <optional>
#include <vector>

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
  if (!digits) return BadLine{std::string(what) + " must be a whole number, not '" + std::string(word) + "'"};
  if (ec == std::errc::result_out_of_range || value < low || value > high) {
    return BadLine{std::string(what) + " " + std::string(word) + " is out of range (" +
                   std::to_string(low) + " to " + std::to_string(high) + ")"};
  }
  return value;
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
      return BadLine{std::string(word) + " needs " + std::string(what)};
    }
    auto n = parseNumber(arg, what, low, high);
    if (auto* bad = std::get_if<BadLine>(&n)) return *bad;
    return Command{kind, std::get<std::uint64_t>(n), {}};
  };

  if (word == "seed") return withNumber(Command::Kind::seed, "a seed", 0, UINT64_MAX, std::nullopt);
  if (word == "down") return withNumber(Command::Kind::down, "a key code", 0, maxKeyCode, std::nullopt);
  if (word == "up") return withNumber(Command::Kind::up, "a key code", 0, maxKeyCode, std::nullopt);
  if (word == "tick") return withNumber(Command::Kind::tick, "a frame count", 1, maxTicks, 1);
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
    return BadLine{"trace takes on or off, not '" + std::string(arg) + "'"};
  }
  return BadLine{"unknown command '" + std::string(word) + "'"};
}

std::optional<Command> ScriptReader::next() {
  while (std::getline(in_, text_)) {
    ++line_;
    ParsedLine parsed = parseLine(text_);
    if (std::holds_alternative<BlankLine>(parsed)) continue;
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
  return std::nullopt;
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
