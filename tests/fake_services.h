#pragma once
// RecordingServices: the platform as the game logic sees it, with nothing
// behind it. Every call is written down in the order made, so a test can ask
// "where was tekki(0) last drawn" or compare a whole frame against a list of
// lines such as "move tekki(0) 119.5 35". Random numbers come from a queue
// the test fills (0 when it runs dry, or from a zorbly::Random when given
// one). Sprite names are looked up like the real platform does them, so
// asking for boss(6) throws zorbly::FatalError here too.

#include <cstddef>
#include <deque>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene/fatal.h"
#include "scene/random.h"
#include "scene/scene_services.h"
#include "scene/services.h"
#include "scene/sprite.h"
#include "scene/trace.h"

namespace zorbly_test {

using zorbly::Sprite;

// A place a sprite was moved to, or a text position.
struct Point {
  double x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Point& p) {
    std::string s = "(";
    zorbly::appendNumber(s, p.x);
    s += ", ";
    zorbly::appendNumber(s, p.y);
    return os << s << ")";
  }
};

// A line of text and the text position it was printed at.
struct PrintedText {
  Point at;
  std::string text;
  friend bool operator==(const PrintedText&, const PrintedText&) = default;
  friend std::ostream& operator<<(std::ostream& os, const PrintedText& t) {
    return os << '"' << t.text << "\" at " << t.at;
  }
};

struct MessageBox {
  std::string prompt;
  int buttons = 0;
  std::string title;
  friend bool operator==(const MessageBox&, const MessageBox&) = default;
  friend std::ostream& operator<<(std::ostream& os, const MessageBox& m) {
    return os << '"' << m.prompt << "\" " << m.buttons << " \"" << m.title << '"';
  }
};

// One service call.
struct Call {
  enum class Op { move, picture, textpos, print, interval, msgbox, end, randomize, rnd };
  explicit Call(Op o) : op(o) {}
  Op op;
  Sprite sprite = zorbly::jiki;  // move: the sprite moved; picture: the one receiving
  Sprite from = zorbly::jiki;    // picture: the sprite whose picture is given
  double x = 0, y = 0;           // move: left (as the single-precision value received), top;
                                 // textpos: x, y
  int number = 0;                // interval: ms; msgbox: buttons
  std::string text;              // print: the text; msgbox: the prompt
  std::string title;             // msgbox
  float value = 0;               // rnd: the number handed out

  // "move tekki(0) 119.5 35", "picture tekki(0) teki(1)", "textpos 30 0",
  // "print SCORE 0", "interval 0", "msgbox SCORE 7|0|GAME OVER", "end",
  // "randomize", "rnd 0.5".
  std::string str() const {
    std::string s;
    switch (op) {
      case Op::move:
        s = "move ";
        zorbly::appendSpriteName(s, sprite);
        s += ' ';
        zorbly::appendNumber(s, static_cast<float>(x));
        s += ' ';
        zorbly::appendNumber(s, y);
        break;
      case Op::picture:
        s = "picture ";
        zorbly::appendSpriteName(s, sprite);
        s += ' ';
        zorbly::appendSpriteName(s, from);
        break;
      case Op::textpos:
        s = "textpos ";
        zorbly::appendNumber(s, x);
        s += ' ';
        zorbly::appendNumber(s, y);
        break;
      case Op::print: s = "print " + text; break;
      case Op::interval: s = "interval " + std::to_string(number); break;
      case Op::msgbox: s = "msgbox " + text + "|" + std::to_string(number) + "|" + title; break;
      case Op::end: s = "end"; break;
      case Op::randomize: s = "randomize"; break;
      case Op::rnd:
        s = "rnd ";
        zorbly::appendNumber(s, value);
        break;
    }
    return s;
  }
};

class RecordingServices : public zorbly::Services {
 public:
  // ---- what the game calls -------------------------------------------------

  void move(Sprite s, float left, double top) override {
    zorbly::spriteId(s);  // a sprite that does not exist is fatal
    Call c{Call::Op::move};
    c.sprite = s;
    c.x = left;
    c.y = top;
    calls_.push_back(std::move(c));
  }

  void assignPicture(Sprite to, Sprite from) override {
    zorbly::spriteId(from);
    zorbly::spriteId(to);
    Call c{Call::Op::picture};
    c.sprite = to;
    c.from = from;
    calls_.push_back(std::move(c));
  }

  void setTextPosition(double x, double y) override {
    Call c{Call::Op::textpos};
    c.x = x;
    c.y = y;
    calls_.push_back(std::move(c));
  }

  void print(std::string_view text) override {
    Call c{Call::Op::print};
    c.text = text;
    calls_.push_back(std::move(c));
  }

  void setInterval(int ms) override {
    interval_ = ms;
    Call c{Call::Op::interval};
    c.number = ms;
    calls_.push_back(std::move(c));
  }

  void messageBox(std::string_view prompt, int buttons, std::string_view title) override {
    messageBoxes_.push_back({std::string(prompt), buttons, std::string(title)});
    Call c{Call::Op::msgbox};
    c.text = prompt;
    c.number = buttons;
    c.title = title;
    calls_.push_back(std::move(c));
  }

  void end() override {
    ++endCount_;
    calls_.push_back(Call{Call::Op::end});
  }

  void randomize() override {
    ++randomizeCount_;
    if (random_) random_->randomize();
    calls_.push_back(Call{Call::Op::randomize});
  }

  float rnd() override {
    float v = 0;
    if (!rndQueue_.empty()) {
      v = rndQueue_.front();
      rndQueue_.pop_front();
    } else if (random_) {
      v = random_->next();
    }
    ++rndCount_;
    Call c{Call::Op::rnd};
    c.value = v;
    calls_.push_back(std::move(c));
    return v;
  }

  // ---- what the test sets --------------------------------------------------

  // The numbers the next rnd() calls hand out, in order.
  void queueRnd(std::initializer_list<float> values) {
    rndQueue_.insert(rndQueue_.end(), values.begin(), values.end());
  }
  std::size_t rndLeft() const { return rndQueue_.size(); }

  // Once the queue is empty, draw from `random` (and let randomize() seed it).
  void useRandom(zorbly::Random& random) { random_ = &random; }

  // Forgets the calls made so far (the counters and the last interval stay).
  void clearCalls() { calls_.clear(); }

  // ---- what the test reads -------------------------------------------------

  const std::vector<Call>& calls() const { return calls_; }

  // Every call as a line, optionally only those of the given kinds.
  std::vector<std::string> lines(std::initializer_list<Call::Op> only = {}) const {
    std::vector<std::string> out;
    for (const Call& c : calls_) {
      if (only.size() == 0 || contains(only, c.op)) out.push_back(c.str());
    }
    return out;
  }

  // Every call but the random draws: what the player could see happen.
  std::vector<std::string> visibleLines() const {
    std::vector<std::string> out;
    for (const Call& c : calls_) {
      if (c.op != Call::Op::rnd && c.op != Call::Op::randomize) out.push_back(c.str());
    }
    return out;
  }

  // The places `s` was moved to, in order.
  std::vector<Point> movesOf(Sprite s) const {
    std::vector<Point> out;
    for (const Call& c : calls_) {
      if (c.op == Call::Op::move && c.sprite == s) out.push_back({c.x, c.y});
    }
    return out;
  }
  std::optional<Point> lastMove(Sprite s) const {
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it) {
      if (it->op == Call::Op::move && it->sprite == s) return Point{it->x, it->y};
    }
    return std::nullopt;
  }
  int moveCount() const { return count(Call::Op::move); }
  int moveCount(Sprite s) const { return static_cast<int>(movesOf(s).size()); }

  // Every picture assignment as "tekki(0) teki(1)" (receiver, then source).
  std::vector<std::string> pictureAssignments() const {
    std::vector<std::string> out;
    for (const Call& c : calls_) {
      if (c.op == Call::Op::picture) {
        std::string s;
        zorbly::appendSpriteName(s, c.sprite);
        s += ' ';
        zorbly::appendSpriteName(s, c.from);
        out.push_back(s);
      }
    }
    return out;
  }

  // Every printed line with the text position last set before it.
  std::vector<PrintedText> printed() const {
    std::vector<PrintedText> out;
    Point at;
    for (const Call& c : calls_) {
      if (c.op == Call::Op::textpos) at = {c.x, c.y};
      if (c.op == Call::Op::print) out.push_back({at, c.text});
    }
    return out;
  }

  // Position of the first call of kind `op` (on `s`, for moves and pictures),
  // or -1. Lets a test say "this happened before that".
  int indexOf(Call::Op op, std::optional<Sprite> s = std::nullopt) const {
    for (std::size_t k = 0; k < calls_.size(); ++k) {
      if (calls_[k].op == op && (!s || calls_[k].sprite == *s)) return static_cast<int>(k);
    }
    return -1;
  }

  int count(Call::Op op) const {
    int n = 0;
    for (const Call& c : calls_) n += c.op == op;
    return n;
  }

  int randomizeCount() const { return randomizeCount_; }
  int rndCount() const { return rndCount_; }
  std::optional<int> interval() const { return interval_; }  // the last one set
  const std::vector<MessageBox>& messageBoxes() const { return messageBoxes_; }
  int endCount() const { return endCount_; }
  bool ended() const { return endCount_ > 0; }

 private:
  static bool contains(std::initializer_list<Call::Op> ops, Call::Op op) {
    for (Call::Op o : ops) {
      if (o == op) return true;
    }
    return false;
  }

  std::vector<Call> calls_;
  std::deque<float> rndQueue_;
  zorbly::Random* random_ = nullptr;
  int randomizeCount_ = 0;
  int rndCount_ = 0;
  std::optional<int> interval_;
  std::vector<MessageBox> messageBoxes_;
  int endCount_ = 0;
};

}  // namespace zorbly_test
