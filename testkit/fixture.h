#pragma once
// What the tests of the core share: the pictures and the font, decoded once.

#include "scene/framebuffer.h"
#include "scene/scene.h"

namespace zorbly::testing {

inline const Assets& assets() {
  static const Assets all;
  return all;
}

// Counts pixels of the framebuffer inside [x0,x1) x [y0,y1) that match.
template <typename Pred>
int countPixels(const Framebuffer& fb, int x0, int y0, int x1, int y1, Pred pred) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += pred(pixelAt(fb, x, y)) ? 1 : 0;
  return n;
}

}  // namespace zorbly::testing
