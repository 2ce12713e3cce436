#include "scene/scene_services.h"

#include "scene/fatal.h"

namespace zorbly {

SpriteId spriteId(Sprite s) {
  if (auto id = findSprite(s)) return *id;
  throw FatalError("there is no sprite " + spriteName(s));
}

}  // namespace zorbly
