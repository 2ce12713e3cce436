#include <cmath>
#include <cstdio>

#include "game/handlers.h"
#include "game/phases.h"

namespace zorbly {

std::string scoreLine(double score) {
  // Points are whole numbers, written as such: "SCORE 57".
  char digits[32];
  const int length = std::snprintf(digits, sizeof digits, "%.15g", std::fabs(score));
  std::string line = score < 0 ? "SCORE-" : "SCORE ";
  line.append(digits, static_cast<std::size_t>(length));
  return line;
}

void Timer1_Timer(GameState& st, Services& s) {
  s.setTextPosition(30, 0);
  s.print(scoreLine(st.score));

  st.jikiY += st.jikiDY;
  if (st.jikiY < -5) st.jikiY = -5;
  if (st.jikiY > 75) st.jikiY = 75;
  s.move(jiki, 1, st.jikiY);

  if (st.kills > 18) {
    if (bossPhase(st, s) == FrameGoesOn::no) return;
  }

  for (int i = 0; i < 3; ++i) {
    if (enemyPass(st, s, i) == FrameGoesOn::no) return;
  }
}

}  // namespace zorbly
