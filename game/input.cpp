#include "game/handlers.h"

namespace zorbly {

void Form_KeyDown(GameState& st, int keyCode, [[maybe_unused]] int shift) {
  if (keyCode == keyUp) st.jikiDY = -3;
  if (keyCode == keyDown) st.jikiDY = 3;
  // Z is taken only once the last shot has passed 120; a press before that
  // is lost, not kept for later.
  if (keyCode == keyZ && st.laserX > 120) {
    st.laserX = 20;
    st.laserY = st.jikiY + 28;
  }
}

void Form_KeyUp(GameState& st, int keyCode, [[maybe_unused]] int shift) {
  // The ship has no memory of held keys: releasing either arrow stops it.
  if (keyCode == keyDown || keyCode == keyUp) st.jikiDY = 0;
}

}  // namespace zorbly
