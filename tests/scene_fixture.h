#pragma once
// The pictures and the font, loaded once for all scene tests.

#include <sstream>

#include "scene/font.h"
#include "scene/pictures.h"

namespace zorbly::testing {

inline const Pictures& pictures() {
  static const Pictures all;
  return all;
}

inline const Font& font() {
  static std::ostringstream warnings;
  static const Font f(warnings);
  return f;
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
