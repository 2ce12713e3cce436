// Printing: the text layer, the score line and the ending's glyphs.

#include <gtest/gtest.h>

#include "scene/scene.h"
#include "scene_fixture.h"

namespace zorbly {
namespace {

using testing::font;
using testing::pictures;

bool lit(Pixel p) { return p != 0; }

TEST(Text, AFontWithKanaIsInstalled) {
  EXPECT_FALSE(font().file().empty()) << "install fonts-vlgothic";
}

TEST(Text, PrintsAtThePositionThenMovesToTheNextLine) {
  Scene scene(pictures(), font());
  scene.setTextPosition(30, 0);
  scene.print("SCORE 0");
  EXPECT_EQ(scene.textX(), 0);
  EXPECT_EQ(scene.textY(), font().lineHeight());
  const Framebuffer& text = scene.textLayer();
  EXPECT_GT(testing::countPixels(text, 30, 0, 80, 14, lit), 20);
  EXPECT_EQ(testing::countPixels(text, 0, 0, 30, 120, lit), 0);
  EXPECT_EQ(testing::countPixels(text, 0, 16, 120, 120, lit), 0);
}

TEST(Text, AGrowingScoreStaysLegible) {
  Scene grown(pictures(), font()), fresh(pictures(), font());
  grown.setTextPosition(30, 0);
  grown.print("SCORE 9");
  grown.setTextPosition(30, 0);
  grown.print("SCORE 18");
  fresh.setTextPosition(30, 0);
  fresh.print("SCORE 18");
  EXPECT_EQ(grown.textLayer(), fresh.textLayer());
}

TEST(Text, TheSameLineAtTheSamePlaceIsDrawnOnce) {
  Scene scene(pictures(), font());
  for (int i = 0; i < 5; ++i) {
    scene.setTextPosition(30, 0);
    scene.print("SCORE 0");
  }
  EXPECT_EQ(scene.textRenders(), 1);
  scene.setTextPosition(30, 0);
  scene.print("SCORE 1");
  scene.setTextPosition(5, 30);
  scene.print("SCORE 1");
  EXPECT_EQ(scene.textRenders(), 3);
}

TEST(Text, EveryGlyphOfTheEndingDrawsAndFitsTheField) {
  // A character the font lacks is drawn as the same empty box as this one.
  const TextImage missing = font().render("\xEF\xBF\xBF");  // U+FFFF
  const std::pair<std::string, int> lines[] = {
      {"SCORE 100", 30}, {"Zorbly くりあ-!", 5}, {"(C) Zorbly", 50}, {"ＴＨＥ　ＥＮＤ", 30}};
  for (const auto& [line, x] : lines) {
    EXPECT_LE(x + font().render(line).width, form::width) << line;
    for (std::size_t i = 0; i < line.size();) {
      std::size_t len = 1;
      const auto lead = static_cast<unsigned char>(line[i]);
      if (lead >= 0xE0) len = 3; else if (lead >= 0xC0) len = 2;
      const std::string glyph = line.substr(i, len);
      i += len;
      if (glyph == " " || glyph == "\xE3\x80\x80") continue;  // spaces draw nothing
      TextImage image = font().render(glyph);
      int on = 0;
      for (Pixel p : image.pixels) on += lit(p);
      EXPECT_GT(on, 3) << glyph;
      EXPECT_FALSE(image.width == missing.width && image.pixels == missing.pixels) << glyph;
    }
  }
}

}  // namespace
}  // namespace zorbly
