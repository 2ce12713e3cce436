#pragma once
// RecordingServices: the platform as the game logic sees it, with nothing
// behind it. Every call is written down as one line, in the order made:
// "move tekki(0) 119.5 35", "picture tekki(0) teki(1)", "textpos 30 0",
// "print SCORE 0", "interval 0", "msgbox SCORE 7|0|GAME OVER", "end",
// "randomize", "rnd". rnd() hands out the numbers queued in `rnds`, then 0,
// or draws from `random` once one is given. Sprites are looked up as the
// window looks them up, so a name like boss(6) throws FatalError here too.

#include <algorithm>
#include <deque>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "game/services.h"
#include "game/state.h"
#include "session/random.h"
#include "session/scene_services.h"
#include "session/trace.h"

namespace zorbly {

// A failed comparison of two states prints each as the headless trace does.
inline void PrintTo(const GameState& st, std::ostream* os) {
  std::string line;
  appendStateLine(line, st, 0);
  *os << line.substr(0, line.find(",\"interval\""));
}

}  // namespace zorbly

namespace zorbly::testing {

using Lines = std::vector<std::string>;

class RecordingServices : public zorbly::Services {
 public:
  Lines calls;
  std::deque<float> rnds;
  zorbly::Random* random = nullptr;

  void move(zorbly::Sprite s, float left, double top) override {
    calls.push_back("move " + name(s) + " " + pair(left, top));
  }
  void assignPicture(zorbly::Sprite to, zorbly::Sprite from) override {
    calls.push_back("picture " + name(to) + " " + name(from));
  }
  void setTextPosition(double x, double y) override { calls.push_back("textpos " + pair(x, y)); }
  void print(std::string_view text) override { calls.push_back("print " + std::string(text)); }
  void setInterval(int ms) override { calls.push_back("interval " + std::to_string(ms)); }
  void messageBox(std::string_view prompt, int buttons, std::string_view title) override {
    calls.push_back("msgbox " + std::string(prompt) + "|" + std::to_string(buttons) + "|" +
                    std::string(title));
  }
  void end() override { calls.push_back("end"); }
  void randomize() override {
    calls.push_back("randomize");
    if (random) random->randomize();
  }
  float rnd() override {
    calls.push_back("rnd");
    if (rnds.empty()) return random ? random->next() : 0;
    const float r = rnds.front();
    rnds.pop_front();
    return r;
  }

  // "left top" of every move of `s`, in order.
  Lines moves(zorbly::Sprite s) const {
    const std::string prefix = "move " + name(s) + " ";
    Lines out;
    for (const std::string& c : calls) {
      if (c.starts_with(prefix)) out.push_back(c.substr(prefix.size()));
    }
    return out;
  }
  bool saw(std::string_view call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }

 private:
  static std::string name(zorbly::Sprite s) {
    zorbly::spriteId(s);  // a sprite the window does not have is fatal
    return zorbly::spriteName(s);
  }
  static std::string pair(auto x, double y) {
    std::string out;
    zorbly::appendNumber(out, x);
    out += ' ';
    zorbly::appendNumber(out, y);
    return out;
  }
};

}  // namespace zorbly::testing
