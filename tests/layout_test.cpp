// The window description and the pictures built into the program.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "scene/fatal.h"
#include "scene/layout.h"
#include "session/scene_services.h"
#include "testkit/fixture.h"

namespace zorbly {
namespace {

TEST(Layout, SpritesOutsideTheTableDoNotExist) {
  for (Sprite s : {teki(0), teki(6), boss(6), boss(-1), tela(3), tekki(3), tekki(-1)}) {
    EXPECT_FALSE(findSprite(s)) << spriteName(s);
    EXPECT_THROW(spriteId(s), FatalError) << spriteName(s);
  }
  std::string message = "nothing thrown";
  try {
    spriteId(teki(0));
  } catch (const FatalError& e) {
    message = e.what();
  }
  EXPECT_EQ(message, "there is no sprite teki(0)");
}

TEST(Layout, EverySpriteStartsBelowTheField) {
  for (const SpriteEntry& s : spriteTable) EXPECT_EQ(s.top, 200) << spriteName(s.name);
}

// The black margins around each figure decide where a hit is seen, so each
// picture's figure must fill exactly its box.
struct Box {
  int left, top, right, bottom;  // inclusive
  friend bool operator==(const Box&, const Box&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "columns " << b.left << "-" << b.right << ", rows " << b.top << "-" << b.bottom;
  }
};

Box figureBox(const Picture& p) {
  Box b{p.width, p.height, -1, -1};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.pixels[y * p.width + x] != 0) {
        b.left = std::min(b.left, x);
        b.top = std::min(b.top, y);
        b.right = std::max(b.right, x);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

// (Their sizes are checked as they are decoded.)
TEST(Pictures, EachFigureFillsExactlyItsBox) {
  const Pictures& pics = testing::assets().pictures;
  const std::pair<PictureId, Box> boxes[] = {
      {PictureId::jiki, {0, 20, 21, 39}},  {PictureId::laser, {4, 0, 7, 2}},
      {PictureId::fire, {0, 0, 19, 19}},   {PictureId::tela, {0, 3, 2, 5}},
      {PictureId::teki1, {0, 0, 19, 18}},  {PictureId::teki2, {0, 0, 18, 19}},
      {PictureId::teki3, {1, 0, 19, 19}},  {PictureId::teki4, {1, 0, 19, 19}},
      {PictureId::teki5, {0, 0, 21, 19}},  {PictureId::boss1, {0, 11, 29, 40}},
      {PictureId::boss2, {0, 10, 29, 40}}, {PictureId::boss3, {0, 11, 29, 40}},
      {PictureId::boss4, {0, 10, 29, 39}}, {PictureId::boss5, {0, 11, 28, 41}},
  };
  for (auto [id, box] : boxes) {
    const Picture& p = pics[id];
    EXPECT_EQ(figureBox(p), box) << pictureTable[static_cast<int>(id)].file;
  }
}

TEST(Pictures, TheShipIsYellowAndTheShotsWhite) {
  const Pictures& pics = testing::assets().pictures;
  auto isYellow = [](Pixel c) { return (c >> 16 & 255) > 180 && (c >> 8 & 255) > 160 && (c & 255) < 120; };
  int yellow = 0;
  for (Pixel c : pics[PictureId::jiki].pixels) yellow += isYellow(c);
  EXPECT_GT(yellow, 22 * 20 / 4);
  for (int y = 0; y < 3; ++y)
    for (int x = 4; x < 8; ++x) EXPECT_EQ(pics[PictureId::laser].pixels[y * 8 + x], 0xFFFFFFu);
}

TEST(Pictures, TheIconIs32By32InAtMost16Colours) {
  const Picture& icon = testing::assets().pictures.icon();
  EXPECT_EQ(icon.width, 32);
  EXPECT_EQ(icon.height, 32);
  std::set<Pixel> colours(icon.pixels.begin(), icon.pixels.end());
  EXPECT_LE(colours.size(), 16u);
}

}  // namespace
}  // namespace zorbly
