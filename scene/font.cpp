#include "scene/font.h"

#include <algorithm>

#include "assets/embedded.h"
#include "assets/font_map.h"
#include "scene/fatal.h"
#include "scene/png.h"
#include "scene/utf8.h"

namespace zorbly {

namespace {

constexpr Pixel white = 0xFFFFFF;
constexpr Pixel black = 0x000000;

// The next character of `s` from `at`, which moves past it; a byte that does
// not start a well-formed sequence is taken alone, as U+FFFD (drawn as a box).
char32_t characterAt(std::string_view s, std::size_t& at) {
  if (auto c = nextCharacter(s, at)) return *c;
  ++at;
  return 0xFFFD;
}

}  // namespace

Font::Font() {
  auto files = assets::files();
  auto file = std::find_if(files.begin(), files.end(), [](const auto& f) { return f.name == "font"; });
  if (file == files.end()) throw FatalError("the font is not built in");
  const Image atlas = decodePng(file->data, file->size, "font");
  const int rows = (font_map::cellCount + font_map::columns - 1) / font_map::columns;
  if (atlas.width != font_map::columns * font_map::cellWidth || atlas.height < rows * font_map::cellHeight) {
    throw FatalError("the font atlas does not match its map");
  }
  atlasWidth_ = atlas.width;
  lit_.resize(atlas.pixels.size());
  std::transform(atlas.pixels.begin(), atlas.pixels.end(), lit_.begin(),
                 [](Pixel p) { return static_cast<std::uint8_t>((p & 0xFF) >= 0x80); });
}

int Font::cell(char32_t c) const {
  const auto* run = std::upper_bound(std::begin(font_map::runs), std::end(font_map::runs), c,
                                     [](char32_t value, const font_map::Run& r) { return value < r.first; });
  if (run == std::begin(font_map::runs)) return 0;
  --run;
  return c <= run->last ? run->cell + static_cast<int>(c - run->first) : 0;
}

int Font::lineHeight() const { return font_map::lineSkip; }

int Font::width(std::string_view utf8) const {
  int width = 0;
  for (std::size_t at = 0; at < utf8.size();) width += font_map::advance[cell(characterAt(utf8, at))];
  return width;
}

Rows Font::draw(std::string_view utf8, int x, int y, Framebuffer& layer) const {
  const int y0 = std::max(y, 0), y1 = std::min(y + font_map::cellHeight, form::height);
  if (y0 >= y1) return {};
  // The box first, then the glyphs' lit pixels over it.
  const int boxRight = std::min(x + width(utf8), form::width);
  for (int row = y0; row < y1 && std::max(x, 0) < boxRight; ++row) {
    std::fill(&layer[row * form::width + std::max(x, 0)], &layer[row * form::width + boxRight], black);
  }
  int pen = x;
  for (std::size_t at = 0; at < utf8.size() && pen < form::width;) {
    const int c = cell(characterAt(utf8, at));
    const int cellX = c % font_map::columns * font_map::cellWidth;
    const int cellY = c / font_map::columns * font_map::cellHeight;
    const int x0 = std::max(pen, 0), x1 = std::min(pen + font_map::cellWidth, form::width);
    for (int row = y0; row < y1; ++row) {
      const std::size_t glyphRow = static_cast<std::size_t>(cellY + row - y) * atlasWidth_ + cellX;
      for (int col = x0; col < x1; ++col) {
        if (lit_[glyphRow + (col - pen)]) layer[row * form::width + col] = white;
      }
    }
    pen += font_map::advance[c];
  }
  return {y0, y1};
}

}  // namespace zorbly
