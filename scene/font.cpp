#include "scene/font.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <ostream>
#include <string>

namespace zorbly {

namespace {

constexpr int pixelSize = 12;
constexpr Pixel white = 0xFFFFFF;
constexpr Pixel black = 0x000000;
constexpr char packageHint[] = "fonts-vlgothic";

// Characters the game prints that a Latin-only font lacks: kana of the ending
// line and the full-width letters and space of "ＴＨＥ　ＥＮＤ".
constexpr FcChar32 needed[] = {0x304F, 0x308A, 0x3042, 0xFF34, 0xFF28, 0xFF25, 0x3000, 0xFF2E, 0xFF24};

struct Match {
  std::string file;
  bool hasKana = false;
};

Match findFontFile() {
  Match match;
  if (!FcInit()) return match;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("VL Gothic:lang=ja"));
  FcCharSet* chars = FcCharSetCreate();
  for (FcChar32 c : needed) FcCharSetAddChar(chars, c);
  FcPatternAddCharSet(pattern, FC_CHARSET, chars);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  if (FcPattern* font = FcFontMatch(nullptr, pattern, &result)) {
    FcChar8* file = nullptr;
    FcCharSet* has = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch) {
      match.file = reinterpret_cast<const char*>(file);
    }
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &has) == FcResultMatch) {
      match.hasKana = FcCharSetIsSubset(chars, has);
    }
    FcPatternDestroy(font);
  }
  FcCharSetDestroy(chars);
  FcPatternDestroy(pattern);
  return match;
}

}  // namespace

Font::Font(std::ostream& warnings) {
  Match match = findFontFile();
  if (!TTF_WasInit() && TTF_Init() != 0) {
    warnings << "zorbly: warning: cannot start the font renderer (" << TTF_GetError()
             << "); text will not be shown\n";
    return;
  }
  if (!match.file.empty()) font_ = TTF_OpenFont(match.file.c_str(), pixelSize);
  if (!font_) {
    warnings << "zorbly: warning: no usable font found; text will not be shown (install "
             << packageHint << ")\n";
    return;
  }
  file_ = match.file;
  if (!match.hasKana) {
    warnings << "zorbly: warning: no font with kana found, the ending text will show boxes (install "
             << packageHint << ")\n";
  }
  lineHeight_ = TTF_FontLineSkip(font_);
}

Font::~Font() {
  if (font_) TTF_CloseFont(font_);
}

const TextImage& Font::render(std::string_view utf8) const {
  if (auto kept = drawn_.find(utf8); kept != drawn_.end()) return kept->second;
  if (drawn_.size() >= keptLines) drawn_.clear();
  return drawn_.emplace(utf8, draw(utf8)).first->second;
}

TextImage Font::draw(std::string_view utf8) const {
  TextImage image;
  if (!font_ || utf8.empty()) return image;
  std::string text(utf8);
  // Solid rendering: every pixel of a glyph is the text colour or not, which
  // keeps 12-pixel text sharp at 1:1 and the text truly white.
  SDL_Surface* s = TTF_RenderUTF8_Solid(font_, text.c_str(), SDL_Color{255, 255, 255, 255});
  if (!s) return image;
  image.width = s->w;
  image.height = s->h;
  image.pixels.resize(static_cast<std::size_t>(s->w) * s->h);
  for (int y = 0; y < s->h; ++y) {
    const auto* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
    for (int x = 0; x < s->w; ++x) image.pixels[y * s->w + x] = row[x] ? white : black;
  }
  SDL_FreeSurface(s);
  return image;
}

}  // namespace zorbly
