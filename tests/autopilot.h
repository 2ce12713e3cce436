#pragma once
// A player for tests: given the state between two frames, it says which keys
// to press and release before the next frame. It only ever plays through the
// keys (up, down, Z), like a person at the keyboard; it reads the state the
// way a person reads the screen.
//
// What it does each frame:
//  - picks where it wants the ship: level with the enemy it can shoot soonest
//    or, while the boss is out, where the boss will be when a shot fired now
//    reaches the boss's column;
//  - looks ahead a couple of dozen frames at the enemy shots and chooses, of
//    "move up/down for k frames, then stop" and "stay", the safe plan that gets
//    closest to that place, and takes its first step;
//  - fires when the shot is ready and a shot fired now would hit something.
// It is not perfect: enemy shots whose enemy is hit or comes back on a new
// row are foreseen only from the next frame on.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "game/handlers.h"
#include "game/state.h"

namespace zorbly_test {

struct KeyEvent {
  bool down;  // key down, else key up
  int key;
  friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

// Delivers the keys to the game, as the keyboard would between frames.
inline void deliverKeys(zorbly::GameState& st, const std::vector<KeyEvent>& keys) {
  for (const KeyEvent& k : keys) {
    if (k.down) {
      zorbly::Form_KeyDown(st, k.key, 0);
    } else {
      zorbly::Form_KeyUp(st, k.key, 0);
    }
  }
}

class Autopilot {
 public:
  // The keys to deliver before the next frame.
  std::vector<KeyEvent> keysFor(const zorbly::GameState& st) const {
    std::vector<KeyEvent> keys;
    const double dy = chooseSpeed(st);
    if (dy != st.jikiDY) {
      if (dy < 0) {
        keys.push_back({true, zorbly::keyUp});
      } else if (dy > 0) {
        keys.push_back({true, zorbly::keyDown});
      } else {
        keys.push_back({false, st.jikiDY > 0 ? zorbly::keyDown : zorbly::keyUp});
      }
    }
    if (shouldFire(st)) {
      keys.push_back({true, zorbly::keyZ});
      keys.push_back({false, zorbly::keyZ});
    }
    return keys;
  }

  // Decides and delivers in one go.
  void play(zorbly::GameState& st) const { deliverKeys(st, keysFor(st)); }

 private:
  static constexpr int horizon = 24;      // frames looked ahead for enemy shots
  static constexpr double shipMargin = 1;  // pixels kept clear of a shot's band
  static constexpr int bossFrames = 27;   // a fresh shot is at 98, the boss's column, then

  struct Band {
    double lo, hi;
    double distance(double y) const { return y < lo ? lo - y : y > hi ? y - hi : 0; }
  };

  static bool bossOut(const zorbly::GameState& st) { return st.kills > 18; }
  static bool shotReady(const zorbly::GameState& st) { return st.laserX > 120; }

  static double stepShip(double y, double dy) { return std::clamp(y + dy, -5.0, 75.0); }

  // Frames until the fire key will be taken again.
  static int framesUntilReady(const zorbly::GameState& st) {
    if (shotReady(st)) return 0;
    return static_cast<int>(std::ceil((121 - st.laserX) / 3));
  }

  // The boss's top after `frames` more steps.
  static double bossAfter(const zorbly::GameState& st, int frames) {
    double y = st.bossY, dir = st.bossDir;
    for (int f = 0; f < frames; ++f) {
      y += dir;
      if (y > 70) dir = -1;
      if (y < 0) dir = 1;
    }
    return y;
  }

  // Would a shot fired now from the ship's current top hit an enemy or the boss?
  static bool shouldFire(const zorbly::GameState& st) {
    if (!shotReady(st)) return false;
    const double laserY = st.jikiY + 28;
    if (bossOut(st)) {
      return std::fabs(laserY - (bossAfter(st, bossFrames) + 33)) < 6;
    }
    std::array<double, 3> x = st.tekiX;
    std::array<bool, 3> known{true, true, true};
    double lx = 20;
    for (int f = 0; f < 40; ++f) {
      for (int i = 0; i < 3; ++i) {
        lx = std::min(lx + 1, 135.0);
        if (known[i] && std::fabs(lx - x[i]) < 8 && std::fabs(laserY - 9 - st.tekiY[i]) < 10) {
          return true;
        }
        x[i] -= 0.5;
        if (x[i] < -20) known[i] = false;  // back on a row nobody knows yet
      }
    }
    return false;
  }

  // Where the ship should be: a band of tops.
  static Band wantedBand(const zorbly::GameState& st) {
    const int wait = framesUntilReady(st);
    if (bossOut(st)) {
      const double b = bossAfter(st, wait + bossFrames);
      return clampBand({b + 1, b + 9});  // the shot's top within 6 of the boss's top + 33
    }
    // The enemy that can be shot soonest; among equals the one nearest the
    // left edge, before it gets away.
    int best = -1;
    double bestCost = std::numeric_limits<double>::infinity();
    for (int i = 0; i < 3; ++i) {
      Band b = enemyBand(st.tekiY[i]);
      const double moveFrames = std::ceil(b.distance(st.jikiY) / 3);
      const double fireAt = std::max<double>(wait, moveFrames);
      // The shot starts at 20 and closes in at 3.5 pixels a frame; the enemy
      // must still be right of it when the shot is fired.
      if (st.tekiX[i] - 0.5 * fireAt < 18) continue;
      const double cost = fireAt + st.tekiX[i] / 1000;
      if (cost < bestCost) {
        bestCost = cost;
        best = i;
      }
    }
    if (best < 0) return clampBand({25, 35});  // nothing to shoot: wait mid-field
    return enemyBand(st.tekiY[best]);
  }

  // Ship tops from which a shot hits an enemy on `row` (strictly within
  // row - 29 .. row - 9), kept a pixel inside.
  static Band enemyBand(double row) { return clampBand({row - 27, row - 11}); }

  static Band clampBand(Band b) {
    return {std::clamp(b.lo, -5.0, 75.0), std::clamp(b.hi, -5.0, 75.0)};
  }

  // The first frame (1-based) of the look-ahead in which an enemy shot would
  // meet the ship moving by plan[t] in frame t; 0 if none does.
  static int firstShipHit(const zorbly::GameState& st, const std::array<double, horizon>& plan) {
    double jy = st.jikiY;
    std::array<double, 3> ex = st.tekiX, x100 = st.telaX100, y100 = st.telaY100, dir = st.telaDir;
    for (int t = 0; t < horizon; ++t) {
      jy = stepShip(jy, plan[t]);
      for (int i = 0; i < 3; ++i) {
        ex[i] = bossOut(st) ? 150 : ex[i] - 0.5;
        if (ex[i] < -20) ex[i] = 5 * i + 120;
        x100[i] -= std::floor(st.stage * 100 / 20 + 100);
        y100[i] += std::floor(dir[i] * (i * 100 / 5));
        double x = x100[i] / 100, y = y100[i] / 100;
        if (x < 10) {
          x = ex[i];
          x100[i] = x * 100;
          y = st.tekiY[i] + 10;
          y100[i] = y * 100;
          dir[i] = jy < 35 ? -1 : 1;
        }
        if (x < 20 && std::fabs(jy + 25 - y) < 8 + shipMargin) return t + 1;
      }
    }
    return 0;
  }

  // The ship's speed for the next frame.
  static double chooseSpeed(const zorbly::GameState& st) {
    const Band want = wantedBand(st);
    double bestDy = 0;
    // Safe plans first, then (when nothing is safe) the latest hit; then the
    // distance from the wanted band; then the fewest frames of moving.
    int bestHit = -1;
    double bestDistance = 0;
    int bestMoves = 0;
    for (double dy : {0.0, -3.0, 3.0}) {
      for (int k = dy == 0 ? 0 : 1; k <= (dy == 0 ? 0 : horizon); ++k) {
        std::array<double, horizon> plan{};
        double end = st.jikiY;
        for (int t = 0; t < k; ++t) {
          plan[t] = dy;
          end = stepShip(end, dy);
        }
        const int hit = firstShipHit(st, plan);
        const int safety = hit == 0 ? horizon + 1 : hit;
        const double distance = want.distance(end);
        const bool better = bestHit < 0 || safety > bestHit ||
                            (safety == bestHit && (distance < bestDistance ||
                                                   (distance == bestDistance && k < bestMoves)));
        if (better) {
          bestHit = safety;
          bestDistance = distance;
          bestMoves = k;
          bestDy = k == 0 ? 0 : dy;
        }
      }
    }
    return bestDy;
  }
};

}  // namespace zorbly_test
