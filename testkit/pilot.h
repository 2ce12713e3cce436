#pragma once
// A player for tests and benchmarks. It plays through the keys alone (up,
// down, Z) and knows none of the game's rules: before each frame it tries a
// few plans on copies of the game (the game's own handlers, run on a copy of
// its state and random source, drawing nothing) and follows the plan that
// survives and scores most. "Move up or down for k frames, then stop", with
// or without firing now, looked at over the next second or so.

#include <array>
#include <vector>

#include "game/handlers.h"
#include "game/services.h"
#include "game/state.h"
#include "session/random.h"

namespace zorbly::testing {

struct Key {
  bool down;  // key down, else key up
  int code;
  friend bool operator==(const Key&, const Key&) = default;
};

class Pilot {
 public:
  // The keys to give the game before its next frame, in order.
  std::vector<Key> keysFor(const GameState& st, const Random& random) {
    if (step_ % replanEvery == 0) {
      Outcome best;
      for (const Plan& plan : plans()) {
        const Outcome o = tryOut(plan, st, random);
        if (o.betterThan(best)) {
          best = o;
          plan_ = plan;
        }
      }
      step_ = 0;
    }
    std::vector<Key> keys;
    const double speed = step_ < plan_.frames ? plan_.speed : 0;
    if (speed != st.jikiDY) {
      if (speed < 0) keys.push_back({true, keyUp});
      if (speed > 0) keys.push_back({true, keyDown});
      if (speed == 0) keys.push_back({false, st.jikiDY < 0 ? keyUp : keyDown});
    }
    if (plan_.fireAt == step_) {
      keys.push_back({true, keyZ});
      keys.push_back({false, keyZ});
    }
    ++step_;
    return keys;
  }

 private:
  static constexpr int horizon = 40;     // frames looked ahead: a shot crosses the field in about 35
  static constexpr int replanEvery = 4;  // frames; the copies foresee the game exactly meanwhile
  static constexpr int never = -1;

  struct Plan {
    double speed = 0;  // -3 up, 3 down
    int frames = 0;    // how long to move before stopping
    int fireAt = never;
  };

  struct Outcome {
    int survived = -1;  // frames lived through, of the horizon
    double score = 0;   // points, and hits on a boss that has not fallen yet
    int effort = 0;  // moving and firing cost a little: the calmer plan wins a tie
    bool betterThan(const Outcome& o) const {
      if (survived != o.survived) return survived > o.survived;
      if (score != o.score) return score > o.score;
      return effort < o.effort;
    }
  };

  // The platform as a copy of the game needs it: random numbers go on as
  // the real game's would, and nothing is drawn.
  class Nothing : public Services {
   public:
    explicit Nothing(const Random& random) : random_(random) {}
    void move(Sprite, float, double) override {}
    void assignPicture(Sprite, Sprite) override {}
    void setTextPosition(double, double) override {}
    void print(std::string_view) override {}
    void setInterval(int ms) override { stopped = ms == 0; }
    void messageBox(std::string_view, int, std::string_view) override {}
    void end() override { ended = true; }
    void randomize() override {}
    float rnd() override { return random_.next(); }
    bool ended = false, stopped = false;

   private:
    Random random_;
  };

  static const std::vector<Plan>& plans() {
    static const std::vector<Plan> all = [] {
      std::vector<Plan> p{{0, 0, never}, {0, 0, 0}};
      for (double speed : {-3.0, 3.0})
        for (int frames : {4, 8, 14, 22})
          for (int fireAt : {never, 0, frames}) p.push_back({speed, frames, fireAt});
      return p;
    }();
    return all;
  }

  static Outcome tryOut(const Plan& plan, GameState st, const Random& random) {
    Nothing services(random);
    // A hit on the boss counts before it falls; its fall (kills back to 0)
    // still gains, a point being worth more than the hits it took.
    auto progress = [](const GameState& g) { return 100 * g.score + g.kills; };
    const double before = progress(st);
    Outcome o{0, 0, plan.frames + (plan.fireAt == never ? 0 : 1)};
    for (int frame = 0; frame < horizon; ++frame) {
      if (frame == 0) plan.frames > 0 ? Form_KeyDown(st, plan.speed < 0 ? keyUp : keyDown, 0) : Form_KeyUp(st, keyUp, 0);
      if (frame == plan.frames && frame > 0) Form_KeyUp(st, keyUp, 0);
      if (frame == plan.fireAt) Form_KeyDown(st, keyZ, 0);
      Timer1_Timer(st, services);
      if (services.ended) break;
      ++o.survived;
      if (services.stopped) {  // the ending: nothing better can happen
        o.survived = horizon;
        break;
      }
    }
    o.score = progress(st) - before;
    return o;
  }

  Plan plan_;
  int step_ = 0;
};

}  // namespace zorbly::testing
