#include <charconv>
#include <cmath>
#include <cstdio>

#include "game/handlers.h"
#include "game/phases.h"

namespace zorbly {

std::string scoreLine(double score) {
  // Points are whole numbers, written as such: "SCORE 57". (printf would do
  // for any number, but costs as much as the rest of the frame.)
  char digits[32];
  const double points = std::fabs(score);
  const char* end = points < 1e15 && points == std::trunc(points)
                        ? std::to_chars(digits, digits + sizeof digits, static_cast<long long>(points)).ptr
                        : digits + std::snprintf(digits, sizeof digits, "%.15g", points);
  std::string line = score < 0 ? "SCORE-" : "SCORE ";
  line.append(digits, static_cast<std::size_t>(end - digits));
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
