#pragma once
// A recording kept in memory instead of a file: the page's run, a Python
// game's script. With a limit, the room is taken once at the start, so that
// writing a line never allocates in the frame path, and a line that would
// pass the limit is refused (the recorder then says so once and stops).

#include <cerrno>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

#include "session/files.h"

namespace zorbly {

class RecordingText : public LineSink {
 public:
  static constexpr std::size_t unlimited = std::numeric_limits<std::size_t>::max();

  explicit RecordingText(std::size_t limit = unlimited) : limit_(limit) {
    if (limit != unlimited) text_.reserve(limit);
  }

  bool writeLine(std::string_view line) override {
    if (line.size() > limit_ - text_.size()) {
      full_ = true;
      return false;
    }
    text_ += line;
    return true;
  }
  int error() const override { return full_ ? EFBIG : 0; }

  // The lines so far, each with its line end.
  const std::string& text() const { return text_; }
  // True once a line was refused: the text is the run up to there.
  bool full() const { return full_; }

  // Empty again, for the next game (the room stays).
  void clear() {
    text_.clear();
    full_ = false;
  }

 private:
  std::string text_;
  std::size_t limit_;
  bool full_ = false;
};

}  // namespace zorbly
