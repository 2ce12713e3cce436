#pragma once
// The font the game prints with: VL Gothic at 12 px, one bit a pixel, baked
// once into an atlas that ships with the program (assets/font.png and
// assets/font_map.h, made by assets/make_font.py). The same pixels on every
// machine, and no font lookup at start-up.

#include <cstdint>
#include <string_view>
#include <vector>

#include "scene/framebuffer.h"

namespace zorbly {

// The rows [first, last) a printed line painted; first == last when none.
struct Rows {
  int first = 0, last = 0;
};

class Font {
 public:
  // Decodes the atlas; throws FatalError if it is not built in or broken.
  Font();

  // Draws one line of UTF-8 text white on a black box as high as a line and
  // as wide as the text, its top-left corner at (x, y), into `layer`; what
  // falls outside the field is cut off. A character the atlas lacks (or a
  // byte that is not UTF-8) draws as a hollow box. Allocates nothing.
  Rows draw(std::string_view utf8, int x, int y, Framebuffer& layer) const;

  // The width in pixels of the line's box.
  int width(std::string_view utf8) const;

  // How far the text position moves down after a printed line.
  int lineHeight() const;

  // The atlas cell of a character; 0, the hollow box, when it has none.
  int cell(char32_t c) const;

 private:
  std::vector<std::uint8_t> lit_;  // the atlas, one byte a pixel: 1 where a glyph is
  int atlasWidth_ = 0;
};

}  // namespace zorbly
