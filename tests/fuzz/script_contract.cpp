#include "script_contract.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <vector>

#include "session/script_runner.h"
#include "session/messages.h"
#include "session/script.h"
#include "testkit/fixture.h"

namespace zorbly::testing {

namespace {

using zorbly::Command;


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

// The frames the script asks for before its end or its first bad line, and
// how many lines it has, as the script reader counts them.
struct Reading {
  std::uint64_t frames = 0;
  std::uint64_t lines = 0;
};

Reading read(std::string_view script) {
  Reading r;
  zorbly::StringSource in(script);
  zorbly::ScriptReader reader(in);
  while (auto c = reader.next()) {
    if (c->kind == Command::Kind::tick) r.frames += c->number;
  }
  r.lines = reader.line();
  return r;
}

// True when `message` is one line "zorbly: line N: <reason>" with N from 1 to `lines`.
bool namesALine(const std::string& message, std::uint64_t lines) {
  constexpr std::string_view prefix = "zorbly: line ";
  if (!message.starts_with(prefix) || !message.ends_with("\n")) return false;
  if (std::count(message.begin(), message.end(), '\n') != 1) return false;
  std::uint64_t n = 0;
  const char* first = message.data() + prefix.size();
  auto [end, ec] = std::from_chars(first, message.data() + message.size(), n);
  return ec == std::errc() && n >= 1 && n <= lines && std::string_view(end).starts_with(": ");
}

void keepNothing(const std::string&, std::string_view) {}

}  // namespace

Verdict checkScript(std::string_view script) {
  Verdict v;
  const Reading reading = read(script);
  if (reading.frames > frameBudget) return v;
  v.run = true;

  zorbly::StringSource in(script);
  OutputChecker checker;
  std::ostream out(&checker);
  std::ostringstream err;
  v.status = zorbly::runScript(in, out, err, assets(), {.seed = 1, .writeShot = keepNothing});

  auto fail = [&](const std::string& what) {
    if (v.problem.empty()) v.problem = what;
  };
  fail(checker.problem());
  if (!checker.endsWithNewline()) fail("the output does not end with a whole line");
  const std::string messages = err.str();
  switch (v.status) {
    case zorbly::exitOk:
      // A bad line after the end of the game is never read.
      if (!messages.empty()) fail("status 0 with a message: " + messages);
      if (checker.firstLine().rfind("{\"op\":\"randomize\"}\n", 0) != 0) {
        fail("status 0, but the output does not start with the start-up");
      }
      break;
    case zorbly::exitUsage:
      if (!namesALine(messages, reading.lines)) fail("status 2 without one line naming a line: " + messages);
      break;
    default: fail("status " + std::to_string(v.status) + ": " + messages);
  }
  return v;
}

}  // namespace zorbly::testing
