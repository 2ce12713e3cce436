#include <algorithm>

#include "scene/scene.h"

namespace zorbly {

void compose(const Scene& scene, Framebuffer& out) {
  // The text layer is the background: black wherever nothing was printed.
  // Only the rows printing has painted are copied; the rest is filled black,
  // which costs half as much as copying it.
  const int textStart = scene.firstTextRow() * form::width;
  const int textEnd = scene.lastTextRow() * form::width;
  const Framebuffer& text = scene.textLayer();
  std::fill(out.begin(), out.begin() + textStart, Pixel{0});
  std::copy(text.begin() + textStart, text.begin() + textEnd, out.begin() + textStart);
  std::fill(out.begin() + textEnd, out.end(), Pixel{0});

  for (SpriteId id = 0; id < spriteCount; ++id) {
    const SpriteState& s = scene.sprite(id);
    if (!s.picture) continue;
    const Picture& p = *s.picture;
    const int x0 = std::max(s.x, 0), x1 = std::min(s.x + p.width, form::width);
    const int y0 = std::max(s.y, 0), y1 = std::min(s.y + p.height, form::height);
    if (x0 >= x1 || y0 >= y1) continue;
    for (int y = y0; y < y1; ++y) {
      const Pixel* from = &p.pixels[(y - s.y) * p.width + (x0 - s.x)];
      std::copy(from, from + (x1 - x0), &out[y * form::width + x0]);
    }
  }
}

}  // namespace zorbly
