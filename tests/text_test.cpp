// Printing: the text layer, the score line and the ending, drawn from the
// font atlas that ships with the program.

#include <gtest/gtest.h>

#include "scene/scene.h"
#include "support/fixture.h"

namespace zorbly {
namespace {

const Font& font() { return testing::assets().font; }

Scene freshScene() { return Scene(testing::assets().pictures, font()); }

bool lit(Pixel p) { return p != 0; }

TEST(Text, PrintsAtThePositionThenMovesToTheNextLine) {
  Scene scene = freshScene();
  scene.setTextPosition(30, 0);
  scene.print("SCORE 0");
  EXPECT_EQ(scene.textX(), 0);
  EXPECT_EQ(scene.textY(), font().lineHeight());
  const Framebuffer& text = scene.textLayer();
  EXPECT_GT(testing::countPixels(text, 30, 0, 80, 12, lit), 20);
  EXPECT_EQ(testing::countPixels(text, 0, 0, 30, 120, lit), 0);
  EXPECT_EQ(testing::countPixels(text, 0, 14, 120, 120, lit), 0);
  EXPECT_EQ(testing::countPixels(text, 30 + font().width("SCORE 0"), 0, 120, 120, lit), 0);
}

// Each line paints its own black box, so a longer score printed over a
// shorter one leaves nothing of it behind, and text cut at the field's edge
// draws what fits.
TEST(Text, AGrowingScoreStaysLegibleAndTextIsCutAtTheEdges) {
  Scene grown = freshScene(), fresh = freshScene();
  grown.setTextPosition(30, 0);
  grown.print("SCORE 8");
  grown.setTextPosition(30, 0);
  grown.print("SCORE 18");
  fresh.setTextPosition(30, 0);
  fresh.print("SCORE 18");
  EXPECT_EQ(grown.textLayer(), fresh.textLayer());

  Scene cut = freshScene();
  cut.setTextPosition(-3, 110);
  cut.print("ＴＨＥ　ＥＮＤ ＴＨＥ　ＥＮＤ");
  EXPECT_GT(testing::countPixels(cut.textLayer(), 0, 110, 120, 120, lit), 20);
  EXPECT_EQ(cut.firstTextRow(), 110);
  EXPECT_EQ(cut.lastTextRow(), 120);
}

TEST(Text, TheSameLineAtTheSamePlaceIsDrawnOnce) {
  Scene scene = freshScene();
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

// Every character a game prints is in the atlas, and the ending fits the
// field; a character the atlas lacks, or a byte that is not UTF-8, draws a
// visible box instead of nothing.
TEST(Text, TheAtlasHasEveryCharacterOfTheGameAndABoxForTheRest) {
  for (char32_t c : {U'S', U'C', U'O', U'R', U'E', U'0', U'9', U'Z', U'b', U'y', U'-', U'!', U'(', U')',
                     U'く', U'り', U'あ', U'ー', U'Ｔ', U'Ｈ', U'Ｅ', U'Ｎ', U'Ｄ', U'　', U'ア', U'ヴ'}) {
    EXPECT_NE(font().cell(c), 0) << static_cast<unsigned>(c);
  }
  const std::pair<std::string, int> ending[] = {
      {"SCORE 100", 30}, {"Zorbly くりあ-!", 5}, {"(C) Zorbly", 50}, {"ＴＨＥ　ＥＮＤ", 30}};
  for (const auto& [line, x] : ending) EXPECT_LE(x + font().width(line), form::width) << line;

  EXPECT_EQ(font().cell(U'\u4E00'), 0);
  for (const char* missing : {"\xE4\xB8\x80" /* U+4E00, a kanji */, "\xFF", "\xC3"}) {
    Scene scene = freshScene();
    scene.setTextPosition(10, 10);
    scene.print(missing);
    EXPECT_GT(testing::countPixels(scene.textLayer(), 0, 0, 120, 120, lit), 10) << "nothing drawn";
  }
}

}  // namespace
}  // namespace zorbly
