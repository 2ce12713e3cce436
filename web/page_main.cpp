// The game in the browser page: one Session and its FrameLoop behind a few
// functions that the page's script (page.js) calls. The script owns the
// clock (requestAnimationFrame), the keys, the touch buttons, the gamepads
// and the game-over dialog; this side runs the frames due and hands over the
// play field as RGBA bytes, composed once per drawn frame. The rules every
// front end shares, where the field goes on the screen and when a stick
// presses, the page asks of this side too.
//
// Every game is recorded as it is played, in memory, in the language that
// `zorbly --record` writes, so that the player can save it or pass it on as
// a link; a run opened from a file or a link is checked whole and then
// played as `zorbly --replay` plays it: its commands before their frames,
// then the player's keys.
//
// Every function catches what the core throws: a failure comes back as a
// negative number, minus the length of a one-line message left in
// zorbly_text(). Nothing here allocates in a frame.

#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <exception>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <variant>

#include "scene/framebuffer.h"
#include "scene/placement.h"
#include "scene/scene.h"
#include "session/frame_loop.h"
#include "session/recorder.h"
#include "session/recording_text.h"
#include "session/replay.h"
#include "session/script.h"
#include "session/session.h"
#include "session/stick.h"

namespace zorbly {
namespace {

// Frames are timed in microseconds of the page's performance.now().
constexpr std::uint64_t microsecondsPerSecond = 1'000'000;

// The longest run the page keeps or opens: a recording of some half an hour
// of play with keys held down all the time (auto-repeat writes a line for
// every press), far more in a calmer game.
constexpr std::size_t maxRunBytes = 1 << 20;

// The page shows no files: a shot (only a replay could ask) writes nothing.
void writeNoShot(const std::string&, std::string_view) {}

class Page;

// The game-over box: the frame that shows it is the last one (the game ends
// right after it), so the box only takes note and puts that picture, the
// flash over the ship, in the pixels. The page shows its dialog once the
// frame is over.
class PageBox : public MessageBox {
 public:
  explicit PageBox(Page& page) : page_(page) {}
  void show(std::string_view prompt, std::string_view title) override;

  bool pending = false;
  std::string title, prompt;

 private:
  Page& page_;
};

class Page {
 public:
  // Messages for the page: a failure's reason, the box's title and prompt.
  std::array<char, 4096> text{};
  // The last run takeRun() wrote out.
  std::string run;
  // The play field as the canvas takes it: R, G, B, A per pixel.
  alignas(4) std::array<std::uint8_t, form::width * form::height * 4> pixels{};

  // A new game, not yet started: decodes the pictures the first time. The
  // seed is the one the page's address gives, if any; with `watching`, the
  // run that watch() checked plays first.
  void newGame(std::optional<std::uint64_t> seed, bool watching = false) {
    if (!assets_) assets_.emplace();
    loop_.reset();
    session_.reset();
    recorder_.reset();
    if (!watching) run_.reset();
    box_.pending = false;
    recording_.clear();
    recordingErrors_.str({});
    recorder_.emplace(recording_, recordingErrors_, "the run");
    // The page writes nothing: no state or trace lines, no shots.
    session_.emplace(*assets_,
                     SessionOptions{.seed = seed, .box = &box_, .sink = &*recorder_, .writeShot = writeNoShot});
    session_->start();
    present();
  }

  // Checks a run whole and makes it the next game: its seed, then its
  // commands. Returns 0, or minus the length of what is wrong with it, said
  // as the desktop says it ("line 3: unknown command 'jump'").
  int watch(std::string_view bytes) {
    if (bytes.size() > maxRunBytes) return -say(tooLong);
    StringSource in(bytes);
    auto checked = readReplay(in, "the run");
    if (auto* bad = std::get_if<ReplayError>(&checked)) {
      std::string_view reason = bad->message;
      if (reason.starts_with(programPrefix)) reason.remove_prefix(programPrefix.size());
      return -std::max(1, say(reason));
    }
    loop_.reset();  // it plays the old run, if any
    run_ = std::move(std::get<ReplayScript>(checked));
    newGame(run_->seed, true);
    return 0;
  }

  // The game's clock starts now (the first key or touch, or a run to
  // watch): frames from here.
  void begin(std::uint64_t now) {
    if (session_ && !loop_) loop_.emplace(*session_, run_ ? &*run_ : nullptr, microsecondsPerSecond, now);
  }

  // Runs the watched run on at full speed, up to `maxFrames` frames.
  int skip(std::uint64_t now, int maxFrames) {
    if (!loop_) return 0;
    const int frames = loop_->skipReplay(now, maxFrames);
    if (frames > 0 && !box_.pending) present();
    return frames;
  }

  // The game so far as a recording, in `run`, with its final state as a
  // comment when `final`; returns its length, or minus the length of why
  // there is none.
  int takeRun(bool final) {
    if (!session_) return -say("no game has started");
    recorder_->writePending();
    if (recording_.full()) return -say(tooLong);
    run.assign(recording_.text());
    if (final) run += Recorder::finalState(session_->state(), session_->interval());
    return static_cast<int>(run.size());
  }

  void key(bool down, int code) {
    if (loop_) loop_->key(down, code);
  }

  int runDue(std::uint64_t now) {
    if (!loop_) return 0;
    const int frames = loop_->runDue(now);
    if (frames > 0 && !box_.pending) present();
    return frames;
  }

  // Bit 0: the clock runs; bit 1: frames are due (the timer runs); bit 2:
  // the game has ended (after the box); bit 3: a box waits to be shown; bit
  // 4: a run is being watched (the player's keys wait) and goes on.
  int status() const {
    if (!session_) return 0;
    return (loop_ ? 1 : 0) | (session_->running() ? 2 : 0) | (session_->ended() ? 4 : 0) | (box_.pending ? 8 : 0) |
           (loop_ && loop_->replaying() && !session_->ended() ? 16 : 0);
  }

  double frames() { return loop_ ? static_cast<double>(loop_->stats().frames()) : 0; }
  int score() const { return session_ ? session_->state().score : 0; }

  // Moves the box's title and prompt into `text` ("title\0prompt") and
  // returns their length, or 0 when no box waits.
  int takeBox() {
    if (!box_.pending) return 0;
    box_.pending = false;
    std::string both = box_.title;
    both += '\0';
    both += box_.prompt;
    return say(both);
  }

  // The message in `text`, cut to fit; returns its length.
  int say(std::string_view message) {
    const std::size_t n = std::min(message.size(), text.size());
    std::memcpy(text.data(), message.data(), n);
    return static_cast<int>(n);
  }

  // The scene as it is now, in `pixels`.
  void present() {
    const Framebuffer& picture = session_->picture();
    auto* out = pixels.data();
    for (const Pixel p : picture) {
      *out++ = static_cast<std::uint8_t>(p >> 16);
      *out++ = static_cast<std::uint8_t>(p >> 8);
      *out++ = static_cast<std::uint8_t>(p);
      *out++ = 0xFF;
    }
  }

 private:
  static constexpr std::string_view programPrefix = "zorbly: ";
  static constexpr std::string_view tooLong = "longer than 1 MB, the most the page keeps";

  std::optional<Assets> assets_;
  PageBox box_{*this};
  RecordingText recording_{maxRunBytes};  // its room is taken once, here
  std::ostringstream recordingErrors_;    // unread: takeRun() asks recording_ whether it is full
  std::optional<Recorder> recorder_;
  std::optional<ReplayScript> run_;       // the run being watched
  std::optional<Session> session_;
  std::optional<FrameLoop> loop_;
};

void PageBox::show(std::string_view shownPrompt, std::string_view shownTitle) {
  pending = true;
  title = shownTitle;
  prompt = shownPrompt;
  page_.present();
}

Page page;

// The last placement asked for: scale, left, top.
std::array<int, 3> placement{};

// Runs `work`; what it throws becomes minus the length of its message.
template <typename Work>
int guarded(Work work) {
  try {
    return work();
  } catch (const std::exception& e) {
    return -std::max(1, page.say(e.what()));
  }
}

std::uint64_t microseconds(double now) { return now > 0 ? static_cast<std::uint64_t>(now) : 0; }

}  // namespace
}  // namespace zorbly

using zorbly::page;

extern "C" {

// Where messages for the page are left (UTF-8, the length is returned).
EMSCRIPTEN_KEEPALIVE const char* zorbly_text() { return page.text.data(); }

// The play field, 120x120 RGBA, as of the last drawn frame.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* zorbly_pixels() { return page.pixels.data(); }

// A new game waiting for its first key. `seed`: the text of the address's
// seed (UTF-8, `length` bytes), or null for a seed from the clock; it is
// checked as the command line checks --seed. Returns 0, or minus the length
// of the reason the seed is refused.
EMSCRIPTEN_KEEPALIVE int zorbly_new_game(const char* seed, int length) {
  return zorbly::guarded([&] {
    std::optional<std::uint64_t> fixed;
    if (seed) {
      auto n = zorbly::parseSeed(std::string_view(seed, static_cast<std::size_t>(std::max(length, 0))));
      if (auto* bad = std::get_if<zorbly::BadLine>(&n)) return -std::max(1, page.say(bad->reason));
      fixed = std::get<std::uint64_t>(n);
    }
    page.newGame(fixed);
    return 0;
  });
}

// Starts the game's clock at `now` (microseconds); once per game.
EMSCRIPTEN_KEEPALIVE int zorbly_begin(double now) {
  return zorbly::guarded([&] {
    page.begin(zorbly::microseconds(now));
    return 0;
  });
}

// A key pressed (down != 0) or released, with its virtual-key code.
EMSCRIPTEN_KEEPALIVE int zorbly_key(int down, int code) {
  return zorbly::guarded([&] {
    page.key(down != 0, code);
    return 0;
  });
}

// Runs the frames due by `now` (microseconds) and returns how many ran; the
// pixels are new when that is more than 0.
EMSCRIPTEN_KEEPALIVE int zorbly_run_due(double now) {
  return zorbly::guarded([&] { return page.runDue(zorbly::microseconds(now)); });
}

EMSCRIPTEN_KEEPALIVE int zorbly_status() { return page.status(); }

// The most bytes a run may have, to keep or to open.
EMSCRIPTEN_KEEPALIVE double zorbly_max_run_bytes() { return static_cast<double>(zorbly::maxRunBytes); }

// Checks the run in `bytes` (a recording, `length` bytes) whole and makes it
// a new game that plays it once zorbly_begin() starts the clock. Returns 0,
// or minus the length of what is wrong with it ("line 3: unknown command
// 'jump'"); the game before stays then.
EMSCRIPTEN_KEEPALIVE int zorbly_watch(const char* bytes, int length) {
  return zorbly::guarded([&] {
    return page.watch(std::string_view(bytes, static_cast<std::size_t>(std::max(length, 0))));
  });
}

// Runs the watched run on at once, up to `frames` frames of the game, and
// returns how many ran; the pixels are new then.
EMSCRIPTEN_KEEPALIVE int zorbly_skip(double now, int frames) {
  return zorbly::guarded([&] { return page.skip(zorbly::microseconds(now), frames); });
}

// Writes the game so far as a recording (with its final state as a comment
// when `final` is not 0) where zorbly_run() points, and returns its length;
// or minus the length of why there is none, in zorbly_text().
EMSCRIPTEN_KEEPALIVE int zorbly_take_run(int final) {
  return zorbly::guarded([&] { return page.takeRun(final != 0); });
}

EMSCRIPTEN_KEEPALIVE const char* zorbly_run() { return page.run.data(); }

// Frames run in this game so far.
EMSCRIPTEN_KEEPALIVE double zorbly_frames() { return page.frames(); }

EMSCRIPTEN_KEEPALIVE int zorbly_score() { return page.score(); }

// The box the last frame showed: "title\0prompt" in zorbly_text(), and its
// length; 0 when there is none.
EMSCRIPTEN_KEEPALIVE int zorbly_take_box() { return page.takeBox(); }

// Where the field goes in an area of `width` x `height` screen pixels, as
// placeField() says: three ints at the address returned, the scale (screen
// pixels a field pixel) and the left and top of the field from the area's
// top-left corner, in screen pixels. They stay until the next call.
EMSCRIPTEN_KEEPALIVE const int* zorbly_place_field(int width, int height) {
  const zorbly::Placement p = zorbly::placeField(width, height);
  zorbly::placement = {p.scale, p.left, p.top};
  return zorbly::placement.data();
}

// Where a gamepad's stick points now, -1 up, 0 nowhere or 1 down, given
// where it pointed before (`was`, the same) and its position from -1 (all
// the way up) to 1 (all the way down), as stickDirection() says.
EMSCRIPTEN_KEEPALIVE int zorbly_stick(int was, double position) { return zorbly::stickDirection(was, position); }

}  // extern "C"
