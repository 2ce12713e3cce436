#pragma once
// The font the game prints with: a 12-pixel Japanese-capable sans found
// through fontconfig and drawn by SDL_ttf, crisp at 1:1.

#include <iosfwd>
#include <map>
#include <string>
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

  // The line drawn white on black. Each different line is drawn once and
  // kept: the game prints a hundred-odd different lines in all (the score
  // lines and the ending), and drawing one costs as much as a dozen frames
  // and allocates, so printing a line seen before only copies its pixels.
  // The image stays valid until the next call.
  const TextImage& render(std::string_view utf8) const;

  // How far the text position moves down after a printed line.
  int lineHeight() const { return lineHeight_; }

  // The file the font came from, or "" when there is none.
  const std::string& file() const { return file_; }

 private:
  _TTF_Font* font_ = nullptr;
  std::string file_;
  int lineHeight_ = 12;

  // Lines drawn so far, by their text; emptied if ever it holds keptLines.
  static constexpr std::size_t keptLines = 256;
  mutable std::map<std::string, TextImage, std::less<>> drawn_;
  TextImage draw(std::string_view utf8) const;
};

}  // namespace zorbly
