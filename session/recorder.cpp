#include "session/recorder.h"

#include <charconv>
#include <utility>

#include "session/messages.h"
#include "session/trace.h"

namespace zorbly {

namespace {

// "word N\n" into `line`; returns its length. No allocation: this runs in the frame path.
template <std::size_t size>
std::size_t formatLine(char (&line)[size], std::string_view word, std::uint64_t number) {
  std::size_t n = word.copy(line, size - 2);
  line[n++] = ' ';
  n = static_cast<std::size_t>(std::to_chars(line + n, line + size - 1, number).ptr - line);
  line[n++] = '\n';
  return n;
}

}  // namespace

Recorder::Recorder(LineSink& out, std::ostream& err, std::string name)
    : out_(out), err_(err), name_(std::move(name)) {}

void Recorder::write(const char* text, std::size_t size) {
  if (failed_ || out_.writeLine(std::string_view(text, size))) return;
  failed_ = true;
  err_ << "zorbly: cannot write the recording to " << printableFileName(name_) << ": " << reasonFor(out_.error())
       << "; recording stopped\n";
}

void Recorder::started(std::uint64_t seed) {
  char line[32];
  write(line, formatLine(line, "seed", seed));
}

void Recorder::applied(const Command& c) {
  if (c.kind == Command::Kind::tick) {
    pending_ += c.number;
    if (pending_ >= ticksPerLine) writePending();
    return;
  }
  writePending();
  char line[32];
  write(line, formatLine(line, c.kind == Command::Kind::down ? "down" : "up", c.number));
}

void Recorder::writePending() {
  if (pending_ == 0) return;
  char line[32];
  write(line, formatLine(line, "tick", pending_));
  pending_ = 0;
}

void Recorder::finish(const GameState& state, int interval) {
  writePending();
  if (finished_) return;
  finished_ = true;
  const std::string line = finalState(state, interval);
  write(line.data(), line.size());
}

std::string Recorder::finalState(const GameState& state, int interval) {
  std::string line = "# final state: ";
  appendStateLine(line, state, interval);
  if (line.back() != '\n') line += '\n';
  return line;
}

}  // namespace zorbly
