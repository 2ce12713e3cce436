#include <cmath>

#include "game/phases.h"

namespace zorbly {

FrameGoesOn enemyPass(GameState& st, Services& s, int i) {
  // The player's shot moves one pixel per enemy, so three per frame.
  st.laserX += 1;
  if (st.laserX > 135) st.laserX = 135;
  s.move(laser, st.laserX, st.laserY);

  // The shot against enemy i (a resting shot at 135 still hits).
  if (std::fabs(st.laserX - st.tekiX[i]) < 8 && std::fabs((st.laserY - 9) - st.tekiY[i]) < 10) {
    s.move(fire, st.tekiX[i], st.tekiY[i]);
    st.tekiX[i] = 120;
    st.tekiY[i] = randomRow(s);
    st.score += 1;
    st.kills += 1;
    st.laserX = 150;
  }

  // Enemy i drifts left, or waits at 150 while the boss is out.
  st.tekiX[i] -= 0.5;
  if (st.kills > 18) st.tekiX[i] = 150;
  s.move(tekki(i), st.tekiX[i], st.tekiY[i]);

  // Past the left edge it comes back at its start column, drawn there next frame.
  if (st.tekiX[i] < -20) {
    st.tekiX[i] = 5 * i + 120;
    st.tekiY[i] = randomRow(s);
  }

  // Enemy i's shot, kept in hundredths of a pixel: 1.05 px left per frame in
  // stage 1, 0.05 more each stage; shots 1 and 2 slant 0.2 and 0.4 px.
  st.telaX100[i] -= std::floor(st.stage * 100 / 20 + 100);
  st.telaX[i] = st.telaX100[i] / 100;
  st.telaY100[i] += std::floor(st.telaDir[i] * (i * 100 / 5));
  st.telaY[i] = st.telaY100[i] / 100;

  // Past x = 10 the shot leaves its enemy again, slanting towards the ship's half.
  if (st.telaX[i] < 10) {
    st.telaX[i] = st.tekiX[i];
    st.telaX100[i] = st.telaX[i] * 100;
    st.telaY[i] = st.tekiY[i] + 10;
    st.telaY100[i] = st.telaY[i] * 100;
    st.telaDir[i] = st.jikiY < 35 ? -1 : 1;
  }
  s.move(tela(i), st.telaX[i], st.telaY[i]);

  // The shot against the ship: game over.
  if (st.telaX[i] < 20 && std::fabs((st.jikiY + 25) - st.telaY[i]) < 8) {
    s.move(fire, 2, st.jikiY + 20);
    s.messageBox(scoreLine(st.score), 0, "GAME OVER");
    s.end();
    return FrameGoesOn::no;
  }
  return FrameGoesOn::yes;
}

}  // namespace zorbly
