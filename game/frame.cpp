#include <charconv>
#include <cmath>

#include "game/handlers.h"
#include "game/phases.h"

namespace zorbly {

std::string scoreLine(double score) {
  char digits[32];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, std::fabs(score));
  std::string line = score < 0 ? "SCORE-" : "SCORE ";
  line.append(digits, end);
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
