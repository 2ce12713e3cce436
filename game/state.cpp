#include <cmath>

#include "game/handlers.h"
#include "game/phases.h"

namespace zorbly {

double randomRow(Services& s) {
  return std::floor(static_cast<double>(s.rnd()) * 5) * 20 + 15;
}

void Form_Initialize(GameState& st, Services& s) {
  s.randomize();

  st.score = 0;
  st.jikiY = 30;
  st.jikiDY = 0;
  st.laserX = 150;
  st.kills = 0;
  st.stage = 1;
  st.bossY = -30;
  st.bossDir = 1;

  for (int i = 0; i < 3; ++i) {
    st.tekiX[i] = 5 * i + 120;
    st.tekiY[i] = randomRow(s);
    s.assignPicture(tekki(i), teki(1));
    st.telaX100[i] = -5;
    st.telaY100[i] = -5;
  }
  // Nothing moves yet: every sprite waits at its place below the field.
}

}  // namespace zorbly
