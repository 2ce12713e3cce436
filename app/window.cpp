#include "app/window.h"

#include <SDL.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <thread>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/display_errors.h"
#include "app/frame_clock.h"
#include "app/frame_stats.h"
#include "app/gamepad.h"
#include "app/keys.h"
#include "app/message_box.h"
#include "app/presenter.h"
#include "app/recorder.h"
#include "app/replay.h"
#include "game/handlers.h"
#include "scene/scene_services.h"
#include "scene/trace.h"

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
  // (the flash over the ship) are seen while it is up; `repaint` draws it
  // again when the window is exposed or resized under the box.
  WindowServices(Scene& scene, Random& random, SDL_Window* window, std::function<void()> show,
                 std::function<void()> repaint)
      : SceneServices(scene, random), window_(window), show_(std::move(show)), repaint_(std::move(repaint)) {}

 protected:
  void showMessageBox(std::string_view prompt, int, std::string_view title) override {
    show_();
    zorbly::showMessageBox(window_, prompt, title, repaint_);
  }

 private:
  SDL_Window* window_;
  std::function<void()> show_;
  std::function<void()> repaint_;
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

// A replay line that cannot be carried out (a shot that cannot be written).
struct ReplayFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class GameWindow {
 public:
  GameWindow(SDL_Window* window, const WindowOptions& options, const Pictures& pictures, const Font& font,
             Recorder* recorder)
      : options_(options), window_(window), presenter_(window), recorder_(recorder), random_(options.seed),
        scene_(pictures, font),
        services_(scene_, random_, window, [this] { beforeBox(); }, [this] { repaint(); }) {
    if (options.replay) replay_.emplace(*options.replay);
    watchDisplayErrors(&GameWindow::lastWords, this);
  }

  ~GameWindow() {
    watchDisplayErrors();
    if (recorder_) recorder_->writePending();
    if (options_.stats) stats_.print(std::cerr);
  }

  int run() {
    const int status = play();
    if (recorder_) recorder_->finish(state_, services_.interval());
    return status;
  }

 private:
  int play() {
    Form_Initialize(state_, services_);
    if (recorder_) recorder_->seed(random_.seed());
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
      if (replaying()) {
        try {
          replayUntilFrame();
        } catch (const ReplayFailed& e) {
          std::cerr << e.what() << '\n';
          return 1;
        }
        replay_->takeFrame();  // a tick's frame takes its time even with the timer stopped
      }
      if (!services_.running()) {
        if (recorder_) recorder_->writePending();
        continue;
      }
      stats_.frame(static_cast<double>(now - deadline) * 1000.0 / static_cast<double>(frequency));
      if (recorder_) recorder_->frame();
      Timer1_Timer(state_, services_);
      if (services_.ended()) return 0;
      present();
    }
  }

  // False when the window was closed.
  bool handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT: return false;
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        if (togglesFullscreen(e.key)) presenter_.toggleFullscreen();
        if (int key = virtualKey(e.key.keysym.sym)) {
          playerKey(e.type == SDL_KEYDOWN, key, shiftState(e.key.keysym.mod));
        }
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) repaint();
        break;
      default: {
        KeyEvent keys[GamepadKeys::maxEvents];
        const int n = gamepads_.handle(e, keys);
        for (int i = 0; i < n; ++i) playerKey(keys[i].down, keys[i].key, 0);
        break;
      }
    }
    return true;
  }

  bool replaying() const { return replay_ && !replay_->done(); }

  // A key from the keyboard or a controller: the player's own keys wait
  // until the replay is over.
  void playerKey(bool down, int key, int shift) {
    if (!replaying()) deliverKey(down, key, shift);
  }

  void deliverKey(bool down, int key, int shift) {
    if (recorder_) recorder_->key(down, key);
    if (down) {
      Form_KeyDown(state_, key, shift);
    } else {
      Form_KeyUp(state_, key, shift);
    }
  }

  // Carries out the replay's commands that come before its next frame.
  void replayUntilFrame() {
    while (const ReplayScript::Step* step = replay_->nextBeforeFrame()) {
      const Command& c = step->command;
      switch (c.kind) {
        case Command::Kind::down: deliverKey(true, static_cast<int>(c.number), 0); break;
        case Command::Kind::up: deliverKey(false, static_cast<int>(c.number), 0); break;
        case Command::Kind::state: {
          std::string line;
          appendStateLine(line, state_, services_.interval());
          std::cout << line << std::flush;
          break;
        }
        case Command::Kind::shot:
          compose(scene_, frame_);
          try {
            savePng(frame_, c.file);
          } catch (const std::runtime_error& e) {
            throw ReplayFailed("zorbly: line " + std::to_string(step->line) + ": " + e.what());
          }
          break;
        default: break;  // trace: the window shows no trace; seed was taken at the start
      }
    }
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

  void present() {
    compose(scene_, frame_);
    presenter_.present(frame_);
  }

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
  std::optional<ReplayPlayer> replay_;
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
  // On Windows: window sizes in the desktop's scaled units, the surface in
  // real pixels, so that the presenter scales sharply instead of the system.
  SDL_SetHint(SDL_HINT_WINDOWS_DPI_AWARENESS, "permonitorv2");
  SDL_SetHint(SDL_HINT_WINDOWS_DPI_SCALING, "1");
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
  std::ofstream recordFile;
  std::optional<Recorder> recorder;
  if (!options.record.empty()) {
    recordFile.open(options.record, std::ios::binary | std::ios::trunc);
    if (!recordFile) {
      std::cerr << "zorbly: cannot write " << options.record << '\n';
      return 1;
    }
    recorder.emplace(recordFile, std::cerr, options.record);
  }
  const std::string caption(form::caption);
  // Resizable and fullscreen at will; the field is scaled to fit (presenter.h).
  WindowPtr window(SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    form::width * options.scale, form::height * options.scale,
                                    SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI),
                   SDL_DestroyWindow);
  if (!window) {
    std::cerr << "zorbly: cannot open a window: " << SDL_GetError() << '\n';
    return 1;
  }
  SDL_SetWindowMinimumSize(window.get(), form::width, form::height);
  watchDisplayErrors();
  if (SurfacePtr icon = iconSurface(pictures.icon())) SDL_SetWindowIcon(window.get(), icon.get());
  GameWindow game(window.get(), options, pictures, font, recorder ? &*recorder : nullptr);
  return game.run();
}

}  // namespace zorbly
