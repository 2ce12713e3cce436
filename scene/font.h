#pragma once
// The font the game prints with: a 12-pixel Japanese-capable sans found
// through fontconfig and drawn by SDL_ttf, crisp at 1:1.

#include <iosfwd>
#include <string_view>
#include <vector>

#include "scene/framebuffer.h"

struct _TTF_Font;

namespace zorbly {

// A line of text drawn white on a black box the size of the text.
struct TextImage {
  int width = 0, height = 0;
  std::vector<Pixel> pixels;
};

class Font {
 public:
  // Finds the font. Prints one warning to `warnings` if no installed font has
  // kana (the game still runs), or if there is no usable font at all (then
  // text draws nothing).
  explicit Font(std::ostream& warnings);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  TextImage render(std::string_view utf8) const;

  // How far the text position moves down after a printed line.
  int lineHeight() const { return lineHeight_; }

  // The file the font came from, or "" when there is none.
  const std::string& file() const { return file_; }

 private:
  _TTF_Font* font_ = nullptr;
  std::string file_;
  int lineHeight_ = 12;
};

}  // namespace zorbly
