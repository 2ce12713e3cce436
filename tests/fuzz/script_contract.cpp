#include "script_contract.h"

#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <vector>

#include "scene/headless.h"
#include "scene/script.h"
#include "tests/scene_fixture.h"

namespace zorbly_fuzz {

namespace {

using zorbly::BadLine;
using zorbly::Command;
using zorbly::ParsedLine;

using zorbly::testing::font;
using zorbly::testing::pictures;

// The output of a run, checked as it is written and then dropped: a long run
// with the trace on writes a lot. Every line must read {"op":"...}.
class OutputChecker : public std::streambuf {
 public:
  const std::string& problem() const { return problem_; }
  bool endsWithNewline() const { return column_ == 0; }
  const std::string& firstLine() const { return firstLine_; }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) put(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    for (std::streamsize i = 0; i < n; ++i) put(s[i]);
    return n;
  }

 private:
  static constexpr std::string_view opening = "{\"op\":\"";

  void put(char c) {
    if (lines_ == 0 && firstLine_.size() < 64) firstLine_ += c;
    if (c == '\n') {
      if (column_ <= opening.size() || last_ != '}') fail("an output line is not a JSON object");
      column_ = 0;
      ++lines_;
    } else {
      if (column_ < opening.size() && c != opening[column_]) fail("an output line does not start with {\"op\":\"");
      ++column_;
    }
    last_ = c;
  }
  void fail(const std::string& what) {
    if (problem_.empty()) problem_ = what + " (output line " + std::to_string(lines_ + 1) + ")";
  }

  std::size_t column_ = 0;
  std::size_t lines_ = 0;
  char last_ = '\n';
  std::string firstLine_;
  std::string problem_;
};

// The lines as the driver reads them: split at '\n', and a last line
// without one still counts.
std::vector<std::string_view> splitLines(std::string_view s) {
  std::vector<std::string_view> lines;
  while (!s.empty()) {
    const auto end = s.find('\n');
    lines.push_back(s.substr(0, end));
    s.remove_prefix(end == std::string_view::npos ? s.size() : end + 1);
  }
  return lines;
}

// What the script language says about the script: the error line for the
// first line that is not a valid command, if any, and the frames asked for
// before it.
struct Reading {
  std::optional<std::string> error;
  std::uint64_t frames = 0;
};

Reading read(const std::vector<std::string_view>& lines) {
  Reading r;
  bool firstCommand = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string at = "zorbly: line " + std::to_string(i + 1) + ": ";
    const ParsedLine parsed = zorbly::parseLine(lines[i]);
    if (const auto* bad = std::get_if<BadLine>(&parsed)) {
      r.error = at + bad->reason + "\n";
      return r;
    }
    const auto* command = std::get_if<Command>(&parsed);
    if (!command) continue;
    if (command->kind == Command::Kind::seed && !firstCommand) {
      r.error = at + "seed is allowed only as the first command\n";
      return r;
    }
    if (command->kind == Command::Kind::tick) r.frames += command->number;
    firstCommand = false;
  }
  return r;
}

}  // namespace

Verdict checkScript(std::string_view script) {
  Verdict v;
  const std::vector<std::string_view> lines = splitLines(script);
  const Reading reading = read(lines);
  if (reading.frames > frameBudget) return v;
  v.run = true;

  std::istringstream in{std::string(script)};
  OutputChecker checker;
  std::ostream out(&checker);
  std::ostringstream err;
  bool shotNamed = true;
  auto keepNothing = [&](const zorbly::Framebuffer&, const std::string& file) {
    // The file name is the rest of the line, trimmed: never empty.
    if (file.empty() || file.front() == ' ' || file.back() == ' ') shotNamed = false;
  };
  v.status = zorbly::runHeadless(in, out, err, 1, pictures(), font(), keepNothing);

  auto fail = [&](const std::string& what) {
    if (v.problem.empty()) v.problem = what;
  };
  fail(checker.problem());
  if (!checker.endsWithNewline()) fail("the output does not end with a whole line");
  if (!shotNamed) fail("a shot was asked for a blank file name");
  const std::string messages = err.str();
  switch (v.status) {
    case zorbly::exitOk:
      // A bad line after the end of the game is never read.
      if (!messages.empty()) fail("status 0 with a message: " + messages);
      if (checker.firstLine().rfind("{\"op\":\"randomize\"}\n", 0) != 0) {
        fail("status 0, but the output does not start with the start-up");
      }
      break;
    case zorbly::exitBadLine:
      if (!reading.error) {
        fail("status 2 for a script whose every line is valid: " + messages);
      } else if (messages != *reading.error) {
        fail("status 2 with the message '" + messages + "', not '" + *reading.error + "'");
      }
      break;
    default: fail("status " + std::to_string(v.status) + ": " + messages);
  }
  return v;
}

}  // namespace zorbly_fuzz
