#include "scene/font.h"

#include <algorithm>

#include "assets/embedded.h"
#include "assets/font_map.h"
#include "scene/fatal.h"
#include "scene/png.h"

namespace zorbly {

namespace {

constexpr Pixel white = 0xFFFFFF;
constexpr Pixel black = 0x000000;

// The next character of `s` from `at`, which moves past it. A byte that does
// not start a well-formed UTF-8 sequence is taken alone, as U+FFFD.
char32_t nextCharacter(std::string_view s, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(at);
  int length = 0;
  char32_t c = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07;
  }
  if (length == 0 || at + length > s.size()) {
    ++at;
    return 0xFFFD;
  }
  for (int i = 1; i < length; ++i) {
    const unsigned char next = byte(at + i);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return 0xFFFD;
    }
    c = c << 6 | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < smallest[length] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
    ++at;
    return 0xFFFD;
  }
  at += length;
  return c;
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
  for (std::size_t at = 0; at < utf8.size();) width += font_map::advance[cell(nextCharacter(utf8, at))];
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
    const int c = cell(nextCharacter(utf8, at));
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
