// Printing: the text layer, the score line and the ending, drawn from the
// font atlas that ships with the program.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "scene/scene.h"
#include "scene/utf8.h"
#include "session/session.h"
#include "support/golden.h"
#include "testkit/fixture.h"

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

struct Printed {
  int x = 0;
  std::string text;
  bool operator<(const Printed& o) const { return std::tie(x, text) < std::tie(o.x, o.text); }
};

// Every line a whole game prints, and where it starts: the golden game that
// reaches the ending, played with the trace on, its print lines read back.
std::set<Printed> linesOfAWholeGame() {
  std::ostringstream out;
  Session game(testing::assets(), {.seed = std::nullopt, .out = &out});
  FileSource file(testing::goldenDir + "/ending.script");
  ScriptReader script(file);
  while (auto c = script.next()) {
    game.apply(*c);
    game.flush();
  }
  EXPECT_FALSE(game.running() || game.ended()) << "the game should have reached the ending";
  std::set<Printed> lines;
  std::istringstream trace(out.str());
  const std::string textpos = "{\"op\":\"textpos\",\"x\":", print = "{\"op\":\"print\",\"text\":\"";
  int x = 0;
  for (std::string line; std::getline(trace, line);) {
    if (line.starts_with(textpos)) x = std::stoi(line.substr(textpos.size()));
    if (line.starts_with(print)) lines.insert({x, line.substr(print.size(), line.size() - print.size() - 2)});
  }
  return lines;
}

// Every character a game prints is in the atlas and every line fits the
// field, the ending's included; a character the atlas lacks, or a byte that
// is not UTF-8, draws a visible box instead of nothing.
TEST(Text, TheAtlasHasEveryCharacterOfTheGameAndABoxForTheRest) {
  const std::set<Printed> lines = linesOfAWholeGame();
  EXPECT_GT(lines.size(), 100u) << "every score from 0 to 100, and the ending";
  for (const Printed& line : lines) {
    EXPECT_LE(line.x + font().width(line.text), form::width) << line.text;
    for (std::size_t at = 0; at < line.text.size();) {
      const auto c = nextCharacter(line.text, at);
      ASSERT_TRUE(c) << line.text;
      EXPECT_NE(font().cell(*c), 0) << line.text << ": U+" << std::hex << static_cast<unsigned>(*c);
    }
  }

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
