#include "scene/scene.h"

#include <algorithm>

namespace zorbly {

Scene::Scene(const Pictures& pictures, const Font& font) : font_(font) {
  for (SpriteId id = 0; id < spriteCount; ++id) {
    const SpriteEntry& entry = spriteTable[id];
    SpriteState& s = sprites_[id];
    s.x = entry.left;
    s.y = entry.top;
    s.width = entry.width;
    s.height = entry.height;
    if (entry.picture) s.picture = &pictures[*entry.picture];
  }
}

void Scene::assignPicture(SpriteId to, SpriteId from) {
  SpriteState& s = sprites_[to];
  s.picture = sprites_[from].picture;
  if (s.picture) {
    s.width = s.picture->width;
    s.height = s.picture->height;
  }
}

void Scene::print(std::string_view text) {
  const int x = toPixel(textX_), y = toPixel(textY_);
  if (!(printed_ && x == lastX_ && y == lastY_ && text == lastText_)) {
    // The line's box covers whatever was printed there before.
    const Rows painted = font_.draw(text, x, y, text_);
    if (painted.first < painted.last) {
      if (firstTextRow_ == lastTextRow_) {
        firstTextRow_ = painted.first;
        lastTextRow_ = painted.last;
      } else {
        firstTextRow_ = std::min(firstTextRow_, painted.first);
        lastTextRow_ = std::max(lastTextRow_, painted.last);
      }
    }
    lastText_.assign(text);
    lastX_ = x;
    lastY_ = y;
    printed_ = true;
    ++textRenders_;
  }
  // The next line starts at the left edge, one line lower.
  textX_ = 0;
  textY_ += font_.lineHeight();
}

}  // namespace zorbly
