#include "session/scene_services.h"

#include "scene/fatal.h"

namespace zorbly {

void noSuchSprite(Sprite s) { throw FatalError("there is no sprite " + spriteName(s)); }

}  // namespace zorbly
