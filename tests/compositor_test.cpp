// The compositor: what the play field shows for a given scene.

#include <gtest/gtest.h>

#include <random>

#include "scene/scene.h"
#include "testkit/fixture.h"

namespace zorbly {
namespace {

const Pictures& pictures() { return testing::assets().pictures; }
const Font& font() { return testing::assets().font; }

SpriteId id(Sprite s) { return *findSprite(s); }

// A plain pixel-by-pixel drawing of the same rules, to hold the fast one against.
Framebuffer reference(const Scene& scene) {
  Framebuffer fb = scene.textLayer();
  for (SpriteId i = 0; i < spriteCount; ++i) {
    const SpriteState& s = scene.sprite(i);
    if (!s.picture) continue;
    for (int y = 0; y < s.picture->height; ++y)
      for (int x = 0; x < s.picture->width; ++x) {
        const int fx = s.x + x, fy = s.y + y;
        if (fx >= 0 && fx < form::width && fy >= 0 && fy < form::height)
          fb[fy * form::width + fx] = s.picture->pixels[y * s.picture->width + x];
      }
  }
  return fb;
}

Framebuffer composed(const Scene& scene) {
  Framebuffer fb;
  fb.fill(0xABCDEF);  // whatever was there before must not show through
  compose(scene, fb);
  return fb;
}

TEST(Compositor, AFreshSceneIsAllBlack) {
  Scene scene(pictures(), font());
  Framebuffer fb = composed(scene);
  for (Pixel p : fb) ASSERT_EQ(p, 0u);
}

TEST(Compositor, CutsSpritesAtEveryEdge) {
  Scene scene(pictures(), font());
  const SpriteId shot = id(laser);  // 8x3: columns 0-3 black, 4-7 white
  auto white = [](Pixel p) { return p == 0xFFFFFFu; };

  scene.move(shot, -6, 50);  // only columns 6 and 7 remain, at x 0 and 1
  Framebuffer fb = composed(scene);
  EXPECT_EQ(testing::countPixels(fb, 0, 0, 120, 120, white), 2 * 3);
  EXPECT_TRUE(white(pixelAt(fb, 0, 50)) && white(pixelAt(fb, 1, 52)));

  scene.move(shot, 114, 118);  // columns 4-5 at x 118-119, rows 0-1 at y 118-119
  fb = composed(scene);
  EXPECT_EQ(testing::countPixels(fb, 0, 0, 120, 120, white), 2 * 2);
  EXPECT_TRUE(white(pixelAt(fb, 119, 119)));
  EXPECT_FALSE(white(pixelAt(fb, 0, 119)));  // nothing wraps into the next row

  scene.move(shot, 50, -2);  // only row 2 remains, at y 0
  fb = composed(scene);
  EXPECT_EQ(testing::countPixels(fb, 0, 0, 120, 120, white), 4);
  EXPECT_TRUE(white(pixelAt(fb, 54, 0)));

  for (auto [x, y] : {std::pair{120.0, 0.0}, {-8.0, 0.0}, {0.0, 120.0}, {0.0, -3.0}, {1e9, -1e9}}) {
    scene.move(shot, static_cast<float>(x), y);
    fb = composed(scene);
    EXPECT_EQ(testing::countPixels(fb, 0, 0, 120, 120, white), 0) << x << "," << y;
  }
}

TEST(Compositor, LaterSpritesCoverEarlierOnesWithTheirBlackMargins) {
  Scene scene(pictures(), font());
  scene.move(id(jiki), 1, 30);    // the ship's figure is rows 50-69 on screen
  scene.move(id(tela(0)), 5, 50);  // a 6x9 block: black but for a 3x3 dot
  Framebuffer fb = composed(scene);
  const Picture& ship = pictures()[PictureId::jiki];
  const Picture& dot = pictures()[PictureId::tela];
  for (int y = 30; y < 90; ++y)
    for (int x = 1; x < 23; ++x) {
      const bool inShot = x >= 5 && x < 11 && y >= 50 && y < 59;
      const Pixel want = inShot ? dot.pixels[(y - 50) * 6 + (x - 5)] : ship.pixels[(y - 30) * 22 + (x - 1)];
      ASSERT_EQ(pixelAt(fb, x, y), want) << x << "," << y;
    }
}

TEST(Compositor, EnemyShotZeroLiesBeneathTheEnemiesAndTheOthersAbove) {
  Scene scene(pictures(), font());
  scene.assignPicture(id(tekki(1)), id(teki(1)));
  scene.move(id(tekki(1)), 40, 40);
  scene.move(id(tela(0)), 42, 42);
  Framebuffer fb = composed(scene);
  const Picture& enemy = pictures()[PictureId::teki1];
  EXPECT_EQ(pixelAt(fb, 42, 45), enemy.pixels[5 * 30 + 2]);  // tela(0) hidden
  scene.move(id(tela(2)), 42, 42);
  fb = composed(scene);
  EXPECT_EQ(pixelAt(fb, 42, 45), pictures()[PictureId::tela].pixels[3 * 6]);  // tela(2) on top
}

TEST(Compositor, ASpriteWithoutAPictureDrawsNothingAndTakesTheSizeOfOneAssigned) {
  Scene scene(pictures(), font());
  const SpriteId enemy = id(tekki(1));
  EXPECT_EQ(scene.sprite(enemy).width, 9);
  EXPECT_EQ(scene.sprite(enemy).height, 17);
  scene.move(enemy, 10, 10);
  EXPECT_EQ(composed(scene), Framebuffer{});
  scene.assignPicture(enemy, id(teki(1)));
  EXPECT_EQ(scene.sprite(enemy).width, 30);
  EXPECT_EQ(scene.sprite(enemy).height, 20);
  EXPECT_NE(composed(scene), Framebuffer{});
  // The source keeps its picture.
  EXPECT_EQ(scene.sprite(id(teki(1))).picture, &pictures()[PictureId::teki1]);
}

TEST(Compositor, SpritesCoverPrintedText) {
  Scene scene(pictures(), font());
  scene.setTextPosition(30, 0);
  scene.print("SCORE 0");
  scene.move(id(laser), 26, 2);  // its black columns over the start of the text
  Framebuffer fb = composed(scene);
  EXPECT_EQ(fb, reference(scene));
  for (int x = 26; x < 30; ++x) EXPECT_EQ(pixelAt(fb, x, 3), 0u);
}

TEST(Compositor, MatchesAPlainDrawingForScatteredScenes) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> place(-70, 150);
  for (int round = 0; round < 200; ++round) {
    Scene scene(pictures(), font());
    for (int j = 0; j < 3; ++j) scene.assignPicture(id(tekki(j)), id(teki(1 + round % 5)));
    scene.assignPicture(id(boss(0)), id(boss(1 + round % 5)));
    for (SpriteId i = 0; i < spriteCount; ++i) scene.move(i, place(gen), place(gen));
    ASSERT_EQ(composed(scene), reference(scene)) << "round " << round;
  }
}

TEST(Compositor, RoundsPlacesToTheNearestPixelHalvesUp) {
  EXPECT_EQ(toPixel(119.5), 120);
  EXPECT_EQ(toPixel(119.49), 119);
  EXPECT_EQ(toPixel(-20.5), -20);
  EXPECT_EQ(toPixel(-0.5), 0);
  EXPECT_EQ(toPixel(-0.51), -1);
  EXPECT_EQ(toPixel(1e300), 1000000);
  EXPECT_EQ(toPixel(-1e300), -1000000);
  EXPECT_EQ(toPixel(std::nan("")), -1000000);
}

}  // namespace
}  // namespace zorbly
