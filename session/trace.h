#pragma once
// The headless mode's output: one JSON object per line for every service
// call the game makes, and the state line. Numbers are written in the
// shortest form that reads back as the same value.

#include <string>
#include <string_view>

#include "game/state.h"
#include "game/services.h"
#include "session/numbers.h"

namespace zorbly {

void appendJsonString(std::string& out, std::string_view utf8);

// {"op":"state",...}: every field of the state, and the timer interval.
void appendStateLine(std::string& out, const GameState& st, int interval);

// Writes one line for each call into `out`, then passes the call on.
class TraceServices : public Services {
 public:
  TraceServices(Services& inner, std::string& out) : inner_(inner), out_(out) {}

  void move(Sprite s, float left, double top) override;
  void assignPicture(Sprite to, Sprite from) override;
  void setTextPosition(double x, double y) override;
  void print(std::string_view text) override;
  void setInterval(int ms) override;
  void messageBox(std::string_view prompt, int buttons, std::string_view title) override;
  void end() override;
  void randomize() override;
  float rnd() override;

 private:
  Services& inner_;
  std::string& out_;
};

}  // namespace zorbly
