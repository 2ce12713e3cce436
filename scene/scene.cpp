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
    const TextImage& image = font_.render(text);
    // Clip the box to the field and copy it over whatever was printed there.
    const int x0 = std::max(x, 0), x1 = std::min(x + image.width, form::width);
    const int y0 = std::max(y, 0), y1 = std::min(y + image.height, form::height);
    if (x0 < x1 && y0 < y1) {
      for (int row = y0; row < y1; ++row) {
        const Pixel* from = &image.pixels[(row - y) * image.width + (x0 - x)];
        std::copy(from, from + (x1 - x0), &text_[row * form::width + x0]);
      }
      if (firstTextRow_ == lastTextRow_) {
        firstTextRow_ = y0;
        lastTextRow_ = y1;
      } else {
        firstTextRow_ = std::min(firstTextRow_, y0);
        lastTextRow_ = std::max(lastTextRow_, y1);
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
