#pragma once
// Puts the play field on the window where placeField() says for the
// window's pixels (the largest whole scale that fits, centred), on black,
// nearest neighbour; fullscreen on F11 or Alt+Enter. Draws into SDL's plain
// window surface (no GL), whose size is in real pixels, so a high-DPI display
// gets a sharp picture too.

#include <SDL_events.h>
#include <SDL_video.h>

#include <cstdint>
#include <vector>

#include "scene/framebuffer.h"
#include "scene/placement.h"

namespace zorbly {

// Copies the field (`source`: form::width x form::height pixels of
// `bytesPerPixel` bytes each, rows `sourcePitch` bytes apart) into a picture
// of `width` x `height` pixels at `target` (rows `targetPitch` bytes apart)
// as `placement` says, each pixel repeated scale x scale times; what falls
// outside the picture is left out. Pixels outside the field are not touched.
void scaleField(const void* source, int sourcePitch, int bytesPerPixel, const Placement& placement,
                void* target, int targetPitch, int width, int height);

// True for the key presses that switch fullscreen on or off: F11, and
// Alt+Enter (either Enter key). Automatic repeats do not count.
bool togglesFullscreen(const SDL_KeyboardEvent& key);

// The field on one SDL window.
class Presenter {
 public:
  explicit Presenter(SDL_Window* window);

  // Shows the picture: scaled into the window surface, then put on screen.
  // Only the field is sent to the screen unless the window has changed.
  // Allocates nothing once the window surface exists.
  void present(const Framebuffer& frame);

  // The window was exposed or resized: the next present() repaints it all.
  void invalidate() { repaintAll_ = true; }

  void toggleFullscreen();

 private:
  SDL_Window* window_;
  SDL_Surface* surface_ = nullptr;  // the window surface last drawn into
  int width_ = 0, height_ = 0;      // and its size when it was
  Placement placement_;
  bool repaintAll_ = true;
  // The field in the window surface's own pixel format, when that is not
  // the framebuffer's.
  std::vector<std::uint8_t> converted_;
};

}  // namespace zorbly
