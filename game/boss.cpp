#include <cmath>

#include "game/phases.h"

namespace zorbly {

namespace {

// Shown when the fifth boss falls, each line at its own place.
void printEnding(const GameState& st, Services& s) {
  s.setTextPosition(30, 0);
  s.print(scoreLine(st.score));
  s.setTextPosition(5, 30);
  s.print("Zorbly くりあ-!");
  s.setTextPosition(50, 50);
  s.print("(C) Zorbly");
  s.setTextPosition(30, 70);
  s.print("ＴＨＥ　ＥＮＤ");
}

}  // namespace

FrameGoesOn bossPhase(GameState& st, Services& s) {
  s.assignPicture(boss(0), boss(st.stage));
  // Drawn where it was; the step below is what the hit test sees.
  s.move(boss(0), 88, st.bossY);

  st.bossY += st.bossDir;
  if (st.bossY > 70) st.bossDir = -1;
  if (st.bossY < 0) st.bossDir = 1;

  // The shot passes the boss's column only once, at 98.
  bool hit = st.laserX > 95 && st.laserX < 100 && std::fabs(st.laserY - (st.bossY + 33)) < 6;
  if (!hit) return FrameGoesOn::yes;

  s.move(fire, 88, st.bossY + 20);
  st.kills += 1;  // the shot flies on through the boss
  if (st.kills > 22) {
    s.move(boss(0), 88, 200);
    st.score += 1;
    st.bossY = -30;
    if (st.score > 99) {
      printEnding(st, s);
      s.setInterval(0);
      return FrameGoesOn::no;
    }
    st.stage += 1;
    for (int j = 0; j < 3; ++j) s.assignPicture(tekki(j), teki(st.stage));
    st.kills = 0;
  }
  return FrameGoesOn::yes;
}

}  // namespace zorbly
