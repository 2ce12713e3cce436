#include "session/stick.h"

#include "game/state.h"

namespace zorbly {

int stickDirection(int was, double position) {
  if (position <= -stick::press) return -1;
  if (position >= stick::press) return 1;
  if (was < 0 && position <= -stick::release) return -1;
  if (was > 0 && position >= stick::release) return 1;
  return 0;
}

int stickKey(int direction) { return direction < 0 ? keyUp : keyDown; }

}  // namespace zorbly
