// Putting the field on the window: the nearest-neighbour scaling to where
// placeField() puts it (that rule itself: tests/front_end_rules_test.cpp),
// the fullscreen keys, and the presenter on a real (SDL "dummy" driver)
// window surface.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/presenter.h"

namespace zorbly {
namespace {

// A field whose every pixel differs from its neighbours.
std::vector<std::uint32_t> numberedField() {
  std::vector<std::uint32_t> f(form::width * form::height);
  for (int i = 0; i < form::width * form::height; ++i) f[i] = 0x01000000u + static_cast<std::uint32_t>(i);
  return f;
}

constexpr std::uint32_t untouched = 0xDEADBEEF;

TEST(ScaleField, EachPixelBecomesAScaleByScaleBlock) {
  const auto field = numberedField();
  for (int scale : {1, 2, 3, 5}) {
    const int side = form::width * scale;
    std::vector<std::uint32_t> target(side * side, untouched);
    scaleField(field.data(), form::width * 4, 4, Placement{scale, 0, 0}, target.data(), side * 4, side, side);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x)
        ASSERT_EQ(target[y * side + x], field[(y / scale) * form::width + x / scale])
            << "scale " << scale << " at " << x << "," << y;
  }
}

TEST(ScaleField, CentredLeavesTheRestAloneAndHonoursThePitch) {
  const auto field = numberedField();
  const int width = 500, height = 300, pitch = 512;  // rows padded, as surfaces may be
  const Placement p = placeField(width, height);
  std::vector<std::uint32_t> target(pitch * height, untouched);
  scaleField(field.data(), form::width * 4, 4, p, target.data(), pitch * 4, width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < pitch; ++x) {
      const bool inside = x >= p.left && x < p.left + p.width() && y >= p.top && y < p.top + p.height();
      const std::uint32_t want =
          inside ? field[((y - p.top) / p.scale) * form::width + (x - p.left) / p.scale] : untouched;
      ASSERT_EQ(target[y * pitch + x], want) << x << "," << y;
    }
  }
}

TEST(ScaleField, ClipsWhatFallsOutside) {
  const auto field = numberedField();
  const int side = 100;
  std::vector<std::uint32_t> target(side * side, untouched);
  scaleField(field.data(), form::width * 4, 4, placeField(side, side), target.data(), side * 4, side, side);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) ASSERT_EQ(target[y * side + x], field[(y + 10) * form::width + x + 10]);

  // Placed partly off the left and top edges at scale 3.
  std::vector<std::uint32_t> big(side * side, untouched);
  scaleField(field.data(), form::width * 4, 4, Placement{3, -7, -4}, big.data(), side * 4, side, side);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) ASSERT_EQ(big[y * side + x], field[((y + 4) / 3) * form::width + (x + 7) / 3]);
}

TEST(ScaleField, OtherPixelSizes) {
  for (int bytes : {1, 2, 3}) {
    std::vector<std::uint8_t> field(form::width * form::height * bytes);
    for (std::size_t i = 0; i < field.size(); ++i) field[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const int scale = 2, side = form::width * scale, pitch = side * bytes + 4;
    std::vector<std::uint8_t> target(pitch * side, 0xAA);
    scaleField(field.data(), form::width * bytes, bytes, Placement{scale, 0, 0}, target.data(), pitch, side, side);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x)
        ASSERT_EQ(std::memcmp(&target[y * pitch + x * bytes], &field[((y / 2) * form::width + x / 2) * bytes], bytes),
                  0)
            << bytes << " bytes, at " << x << "," << y;
  }
}

SDL_KeyboardEvent keyEvent(Uint32 type, SDL_Keycode sym, Uint16 mod = KMOD_NONE, Uint8 repeat = 0) {
  SDL_KeyboardEvent k{};
  k.type = type;
  k.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  k.repeat = repeat;
  k.keysym.sym = sym;
  k.keysym.mod = mod;
  return k;
}

TEST(FullscreenKeys, F11AndAltEnter) {
  EXPECT_TRUE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_F11)));
  EXPECT_TRUE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_F11, KMOD_LSHIFT)));
  EXPECT_TRUE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT)));
  EXPECT_TRUE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_RALT)));
  EXPECT_TRUE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_KP_ENTER, KMOD_LALT)));

  EXPECT_FALSE(togglesFullscreen(keyEvent(SDL_KEYUP, SDLK_F11)));
  EXPECT_FALSE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_F11, KMOD_NONE, 1))) << "a repeat";
  EXPECT_FALSE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_RETURN)));
  EXPECT_FALSE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_RETURN, KMOD_LCTRL)));
  EXPECT_FALSE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT)));
  EXPECT_FALSE(togglesFullscreen(keyEvent(SDL_KEYDOWN, SDLK_z)));
}

// The presenter on SDL's "dummy" video driver: a real window surface in memory.
class PresenterOnSurface : public ::testing::Test {
 protected:
  void SetUp() override {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    window_ = SDL_CreateWindow("test", 0, 0, 360, 360, SDL_WINDOW_RESIZABLE);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    for (int i = 0; i < form::width * form::height; ++i) frame_[i] = 0x00010203u * static_cast<Pixel>(i % 61 + 1);
  }
  void TearDown() override {
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  // The surface's pixel at x,y as 0xRRGGBB.
  Pixel at(int x, int y) {
    SDL_Surface* s = SDL_GetWindowSurface(window_);
    Uint32 raw = 0;
    std::memcpy(&raw, static_cast<std::uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    return (Pixel{r} << 16) | (Pixel{g} << 8) | b;
  }

  void expectField(const Placement& p, int width, int height) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool inside = x >= p.left && x < p.left + p.width() && y >= p.top && y < p.top + p.height();
        const Pixel want = inside ? pixelAt(frame_, (x - p.left) / p.scale, (y - p.top) / p.scale) : 0;
        ASSERT_EQ(at(x, y), want) << x << "," << y << (inside ? " (field)" : " (border)");
      }
    }
  }

  SDL_Window* window_ = nullptr;
  Framebuffer frame_{};
};

TEST_F(PresenterOnSurface, ScaleThree) {
  Presenter presenter(window_);
  presenter.present(frame_);
  SDL_Surface* s = SDL_GetWindowSurface(window_);
  ASSERT_EQ(s->w, 360);
  expectField(Placement{3, 0, 0}, 360, 360);
}

TEST_F(PresenterOnSurface, ResizedWindowIsCentredOnBlack) {
  Presenter presenter(window_);
  presenter.present(frame_);
  SDL_SetWindowSize(window_, 500, 300);
  SDL_Surface* s = SDL_GetWindowSurface(window_);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->w, 500);
  SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 255, 255, 255));  // whatever was there before
  presenter.invalidate();
  presenter.present(frame_);
  expectField(Placement{2, 130, 30}, 500, 300);

  // Frames after that touch only the field.
  frame_.fill(0x00FF0000);
  presenter.present(frame_);
  expectField(Placement{2, 130, 30}, 500, 300);
}

TEST_F(PresenterOnSurface, ScaleOneCopiesAsIs) {
  SDL_SetWindowSize(window_, 120, 120);
  Presenter presenter(window_);
  presenter.present(frame_);
  expectField(Placement{1, 0, 0}, 120, 120);
}

}  // namespace
}  // namespace zorbly
