#include "app/window.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iostream>
#include <thread>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/display_errors.h"
#include "app/gamepad.h"
#include "app/keys.h"
#include "app/message_box.h"
#include "app/presenter.h"
#include "session/recorder.h"
#include "session/replay.h"
#include "session/frame_loop.h"
#include "session/messages.h"
#include "session/session.h"

namespace zorbly {

namespace {

using WindowPtr = std::unique_ptr<SDL_Window, decltype(&SDL_DestroyWindow)>;
using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

struct SdlVideo {
  bool ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  ~SdlVideo() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
};

// The game-over box as a real modal box over the window. The game ends the
// program right after the box, so a window closed while it is up needs
// nothing more.
class WindowBox : public MessageBox {
 public:
  // `show` puts the scene on the screen before the box, so that what moved
  // just before it (the flash over the ship) is seen while it is up;
  // `repaint` draws it again when the window is exposed or resized under it.
  WindowBox(SDL_Window* window, std::function<void()> show, std::function<void()> repaint)
      : window_(window), show_(std::move(show)), repaint_(std::move(repaint)) {}

  void show(std::string_view prompt, std::string_view title) override {
    show_();
    showMessageBox(window_, prompt, title, repaint_);
  }

 private:
  SDL_Window* window_;
  std::function<void()> show_;
  std::function<void()> repaint_;
};

void sleepFor(std::uint64_t ticks, std::uint64_t frequency) {
  if (ticks == 0) return;
#if defined(_WIN32)
  // Windows sleeps in whole milliseconds, and not at all for less than one:
  // rounded down, the last millisecond before each frame would be a busy poll.
  std::this_thread::sleep_for(std::chrono::milliseconds((ticks * 1000 + frequency - 1) / frequency));
#else
  std::this_thread::sleep_for(std::chrono::nanoseconds(ticks * 1'000'000'000 / frequency));
#endif
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
  GameWindow(SDL_Window* window, const WindowOptions& options, const Assets& assets, Recorder* recorder)
      : options_(options), window_(window), presenter_(window), recorder_(recorder),
        box_(window, [this] { beforeBox(); }, [this] { repaint(); }),
        session_(assets, {.seed = options.seed, .out = &std::cout, .trace = false, .box = &box_, .sink = recorder}) {
    watchDisplayErrors(&GameWindow::lastWords, this);
  }

  ~GameWindow() {
    watchDisplayErrors();
    if (recorder_) recorder_->writePending();
    if (options_.stats && loop_) loop_->stats().print(std::cerr);
  }

  int run() {
    const int status = play();
    if (recorder_) recorder_->finish(session_.state(), session_.interval());
    return status;
  }

 private:
  int play() {
    const std::uint64_t frequency = SDL_GetPerformanceFrequency();
    loop_.emplace(session_, options_.replay, frequency, SDL_GetPerformanceCounter());
    present();
    SDL_ShowWindow(window_);
    present();
    loop_->stats().firstFrameShown(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - options_.started).count());

    SDL_Event event;
    for (;;) {
      // Sleep until the next frame is due, then take every event that came
      // meanwhile, in order, before the frame: the game sees keys between
      // frames exactly as it would have one by one. One wake per frame.
      //
      // SDL's own wait (SDL_WaitEventTimeout) is not used: under X11 it wakes
      // itself through a second display connection, and a wake-up still in
      // flight when the window closes makes Xlib end the program with status 1.
      sleepFor(loop_->ticksUntilDue(SDL_GetPerformanceCounter()), frequency);
      while (SDL_PollEvent(&event)) {
        if (!handle(event)) return exitOk;
      }
      // Ended, or the window destroyed by another program: as if it were closed.
      if (session_.ended() || windowGone()) return exitOk;
      int frames = 0;
      try {
        frames = loop_->runDue(SDL_GetPerformanceCounter());
      } catch (const FileError& e) {
        std::cerr << "zorbly: " << e.what() << '\n';
        return exitFailed;
      }
      if (session_.ended()) return exitOk;
      if (frames > 0) present();
      // Once the timer has stopped the clock only paces the event polling.
      if (!session_.running() && recorder_) recorder_->writePending();
    }
  }

  // False when the window was closed.
  bool handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT: return false;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        if (togglesFullscreen(e.key)) presenter_.toggleFullscreen();
        if (int key = virtualKey(e.key.keysym.sym)) loop_->key(e.type == SDL_KEYDOWN, key);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) repaint();
        break;
      default: {
        KeyEvent keys[GamepadKeys::maxEvents];
        const int n = gamepads_.handle(e, keys);
        for (int i = 0; i < n; ++i) loop_->key(keys[i].down, keys[i].key);
        break;
      }
    }
    return true;
  }

  // Before the game-over box: what has been recorded goes to the file, the
  // picture to the screen.
  void beforeBox() {
    if (recorder_) recorder_->writePending();
    present();
  }

  void repaint() {
    presenter_.invalidate();
    present();
  }

  void present() { presenter_.present(session_.picture()); }

  // The display is gone and the program is about to end: the frames counted
  // so far go to the recording.
  static void lastWords(void* self) {
    if (Recorder* r = static_cast<GameWindow*>(self)->recorder_) r->writePending();
  }

  const WindowOptions& options_;
  SDL_Window* window_;
  Presenter presenter_;
  Gamepads gamepads_;
  Recorder* recorder_;
  WindowBox box_;
  Session session_;
  std::optional<FrameLoop> loop_;
};

// Why no window can be opened here, or "" when one can be tried. On Linux
// SDL is told which kind of display to use, so that it does not try the
// other and print that one's complaints first.
std::string noDisplayReason() {
#if defined(__linux__)
  if (SDL_getenv("SDL_VIDEODRIVER")) return {};
  const bool x11 = SDL_getenv("DISPLAY"), wayland = SDL_getenv("WAYLAND_DISPLAY");
  if (!x11 && !wayland) return "no display (DISPLAY is not set); use --headless to play without a window";
  if (x11 != wayland) SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 ? "x11" : "wayland");
#endif
  return {};
}

// Why SDL could not start its video: the display that did not answer, if
// there is one to name.
std::string unreachableReason() {
#if defined(__linux__)
  if (!SDL_getenv("SDL_VIDEODRIVER")) {
    if (const char* display = SDL_getenv("DISPLAY")) return "cannot reach the display " + quote(display);
    if (const char* display = SDL_getenv("WAYLAND_DISPLAY")) return "cannot reach the display " + quote(display);
  }
#endif
  return SDL_GetError();
}

// The largest scale up to `wanted` at which the window, with room for its
// frame and title bar, fits the display's usable area (at least 1).
int fittingScale(int wanted) {
  constexpr int frameWidth = 8, frameHeight = 32;  // a usual border and title bar
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return wanted;
  const int fits = std::min((usable.w - frameWidth) / form::width, (usable.h - frameHeight) / form::height);
  return std::clamp(fits, 1, wanted);
}

}  // namespace

int runWindow(const WindowOptions& options, const Assets& assets) {
  if (std::string reason = noDisplayReason(); !reason.empty()) {
    std::cerr << "zorbly: cannot open a window: " << reason << '\n';
    return exitFailed;
  }
  // A plain window surface: no GL context for a 120x120 picture.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // On Windows: window sizes in the desktop's scaled units, the surface in
  // real pixels, so that the presenter scales sharply instead of the system.
  SDL_SetHint(SDL_HINT_WINDOWS_DPI_AWARENESS, "permonitorv2");
  SDL_SetHint(SDL_HINT_WINDOWS_DPI_SCALING, "1");
  SdlVideo video;
  if (!video.ok) {
    std::cerr << "zorbly: cannot open a window: " << unreachableReason() << '\n';
    return exitFailed;
  }
  // SDL falls back to drivers that show nothing; only take them when asked to.
  const std::string driver = SDL_GetCurrentVideoDriver();
  if ((driver == "offscreen" || driver == "dummy") && !SDL_getenv("SDL_VIDEODRIVER")) {
    std::cerr << "zorbly: cannot open a window: no display; use --headless to play without a window\n";
    return exitFailed;
  }
  // A file that cannot be recorded to throws FileError: said, with status 1.
  std::optional<RecordingFile> recordFile;
  std::optional<Recorder> recorder;
  if (!options.record.empty()) recorder.emplace(recordFile.emplace(options.record), std::cerr, options.record);
  const int scale = fittingScale(options.scale);
  if (scale < options.scale) {
    std::cerr << "zorbly: --scale " << options.scale << " does not fit the screen; using " << scale << '\n';
  }
  const std::string caption(form::caption);
  // Resizable and fullscreen at will; the field is scaled to fit (presenter.h).
  WindowPtr window(SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    form::width * scale, form::height * scale,
                                    SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI),
                   SDL_DestroyWindow);
  if (!window) {
    std::cerr << "zorbly: cannot open a window: " << SDL_GetError() << '\n';
    return exitFailed;
  }
  SDL_SetWindowMinimumSize(window.get(), form::width, form::height);
  watchDisplayErrors();
  watchWindow(window.get());
  if (SurfacePtr icon = iconSurface(assets.pictures.icon())) SDL_SetWindowIcon(window.get(), icon.get());
  int status = exitOk;
  {
    GameWindow game(window.get(), options, assets, recorder ? &*recorder : nullptr);
    status = game.run();
  }
  window.reset();
  settleDisplayErrors();
  return status;
}

}  // namespace zorbly
