#include "scene/scene.h"

#include <algorithm>
#include <cmath>

namespace zorbly {

int toPixel(double v) {
  constexpr double far = 1e6;
  if (!(v > -far)) v = -far;  // NaN goes here too
  if (v > far) v = far;
  return static_cast<int>(std::floor(v + 0.5));
}

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
  lastText_.reserve(64);
}

void Scene::move(SpriteId id, float left, double top) {
  sprites_[id].x = toPixel(left);
  sprites_[id].y = toPixel(top);
}

void Scene::assignPicture(SpriteId to, SpriteId from) {
  SpriteState& s = sprites_[to];
  s.picture = sprites_[from].picture;
  if (s.picture) {
    s.width = s.picture->width;
    s.height = s.picture->height;
  }
}

void Scene::setTextPosition(double x, double y) {
  textX_ = x;
  textY_ = y;
}

void Scene::print(std::string_view text) {
  const int x = toPixel(textX_), y = toPixel(textY_);
  if (!(printed_ && x == lastX_ && y == lastY_ && text == lastText_)) {
    TextImage image = font_.render(text);
    // Clip the box to the field and copy it over whatever was printed there.
    const int x0 = std::max(x, 0), x1 = std::min(x + image.width, form::width);
    const int y0 = std::max(y, 0), y1 = std::min(y + image.height, form::height);
    for (int row = y0; row < y1; ++row) {
      const Pixel* from = &image.pixels[(row - y) * image.width + (x0 - x)];
      std::copy(from, from + std::max(x1 - x0, 0), &text_[row * form::width + x0]);
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
