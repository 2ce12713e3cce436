#include "app/window.h"

#include <SDL.h>

#include <chrono>
#include <functional>
#include <iostream>
#include <thread>
#include <memory>
#include <string>

#include "app/display_errors.h"
#include "app/frame_clock.h"
#include "app/frame_stats.h"
#include "app/keys.h"
#include "app/message_box.h"
#include "game/handlers.h"
#include "scene/scene_services.h"

namespace zorbly {

namespace {

using WindowPtr = std::unique_ptr<SDL_Window, decltype(&SDL_DestroyWindow)>;
using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

struct SdlVideo {
  bool ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  ~SdlVideo() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
};

// Services that show the message box as a real modal box over the window.
// The game ends the program right after the box, so a window closed while
// the box was up needs nothing more.
class WindowServices : public SceneServices {
 public:
  // `show` puts the scene on the screen: sprites moved just before the box
  // (the flash over the ship) are seen while it is up.
  WindowServices(Scene& scene, Random& random, SDL_Window* window, std::function<void()> show)
      : SceneServices(scene, random), window_(window), show_(std::move(show)) {}

 protected:
  void showMessageBox(std::string_view prompt, int, std::string_view title) override {
    show_();
    zorbly::showMessageBox(window_, prompt, title);
  }

 private:
  SDL_Window* window_;
  std::function<void()> show_;
};

void sleepFor(std::uint64_t ticks, std::uint64_t frequency) {
  if (ticks == 0) return;
  std::this_thread::sleep_for(std::chrono::nanoseconds(ticks * 1'000'000'000 / frequency));
}

SurfacePtr iconSurface(const Picture& icon) {
  SurfacePtr s(SDL_CreateRGBSurfaceWithFormat(0, icon.width, icon.height, 32, SDL_PIXELFORMAT_XRGB8888),
               SDL_FreeSurface);
  if (!s) return s;
  for (int y = 0; y < icon.height; ++y) {
    auto* row = reinterpret_cast<Pixel*>(static_cast<unsigned char*>(s->pixels) + y * s->pitch);
    for (int x = 0; x < icon.width; ++x) row[x] = icon.pixels[y * icon.width + x];
  }
  return s;
}

class GameWindow {
 public:
  GameWindow(SDL_Window* window, const WindowOptions& options, const Pictures& pictures, const Font& font)
      : options_(options), window_(window), random_(options.seed), scene_(pictures, font),
        services_(scene_, random_, window, [this] { present(); }) {}

  ~GameWindow() {
    if (options_.stats) stats_.print(std::cerr);
  }

  int run() {
    Form_Initialize(state_, services_);
    present();
    SDL_ShowWindow(window_);
    present();
    stats_.firstFrameShown(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - options_.started).count());

    const std::uint64_t frequency = SDL_GetPerformanceFrequency();
    FrameClock clock(frequency, SDL_GetPerformanceCounter());
    SDL_Event event;
    for (;;) {
      // Sleep until the next frame is due, then take every event that came
      // meanwhile, in order, before the frame: the handlers see keys between
      // frames exactly as they would have one by one. One wake per frame.
      //
      // SDL's own wait (SDL_WaitEventTimeout) is not used: under X11 it wakes
      // itself through a second display connection, and a wake-up still in
      // flight when the window closes makes Xlib end the program with status 1.
      sleepFor(clock.ticksUntilDue(SDL_GetPerformanceCounter()), frequency);
      while (SDL_PollEvent(&event)) {
        if (!handle(event)) return 0;
      }
      if (services_.ended()) return 0;

      // Once the timer has stopped the clock still paces the event polling.
      const std::uint64_t now = SDL_GetPerformanceCounter();
      if (!clock.due(now)) continue;
      const std::uint64_t deadline = clock.deadline();
      clock.advance(now);
      if (!services_.running()) continue;
      stats_.frame(static_cast<double>(now - deadline) * 1000.0 / static_cast<double>(frequency));
      Timer1_Timer(state_, services_);
      if (services_.ended()) return 0;
      present();
    }
  }

 private:
  // False when the window was closed.
  bool handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT: return false;
      case SDL_KEYDOWN:
        if (int key = virtualKey(e.key.keysym.sym)) Form_KeyDown(state_, key, shiftState(e.key.keysym.mod));
        break;
      case SDL_KEYUP:
        if (int key = virtualKey(e.key.keysym.sym)) Form_KeyUp(state_, key, shiftState(e.key.keysym.mod));
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) present();
        break;
      default: break;
    }
    return true;
  }

  void present() {
    compose(scene_, frame_);
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (!surface) return;
    SDL_Rect all{0, 0, form::width, form::height};
    SDL_FillRect(surface, nullptr, 0);
    SDL_ConvertPixels(form::width, form::height, SDL_PIXELFORMAT_XRGB8888, frame_.data(),
                      form::width * 4, surface->format->format, surface->pixels, surface->pitch);
    SDL_UpdateWindowSurfaceRects(window_, &all, 1);
  }

  const WindowOptions& options_;
  SDL_Window* window_;
  Random random_;
  Scene scene_;
  WindowServices services_;
  GameState state_;
  Framebuffer frame_{};
  FrameStats stats_;
};

// Why no window can be opened here, or "" when one can be tried.
std::string noDisplayReason() {
#if defined(__linux__)
  if (!SDL_getenv("SDL_VIDEODRIVER") && !SDL_getenv("DISPLAY") && !SDL_getenv("WAYLAND_DISPLAY")) {
    return "no display (DISPLAY is not set); use --headless to play without a window";
  }
#endif
  return {};
}

}  // namespace

int runWindow(const WindowOptions& options, const Pictures& pictures, const Font& font) {
  if (std::string reason = noDisplayReason(); !reason.empty()) {
    std::cerr << "zorbly: cannot open a window: " << reason << '\n';
    return 1;
  }
  // A plain window surface: no GL context for a 120x120 picture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SdlVideo video;
  if (!video.ok) {
    std::cerr << "zorbly: cannot open a window: " << SDL_GetError() << '\n';
    return 1;
  }
  // SDL falls back to drivers that show nothing; only take them when asked to.
  const std::string driver = SDL_GetCurrentVideoDriver();
  if ((driver == "offscreen" || driver == "dummy") && !SDL_getenv("SDL_VIDEODRIVER")) {
    std::cerr << "zorbly: cannot open a window: no display; use --headless to play without a window\n";
    return 1;
  }
  const std::string caption(form::caption);
  WindowPtr window(SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    form::width, form::height, SDL_WINDOW_HIDDEN),
                   SDL_DestroyWindow);
  if (!window) {
    std::cerr << "zorbly: cannot open a window: " << SDL_GetError() << '\n';
    return 1;
  }
  watchDisplayErrors();
  if (SurfacePtr icon = iconSurface(pictures.icon())) SDL_SetWindowIcon(window.get(), icon.get());
  GameWindow game(window.get(), options, pictures, font);
  return game.run();
}

}  // namespace zorbly
