#include "app/presenter.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace zorbly {

namespace {

// One field row, each pixel `scale` times, into the target columns [x0, x1).
template <int bytes>
void scaleRow(const std::uint8_t* source, int scale, int left, int x0, int x1, std::uint8_t* target) {
  const int first = (x0 - left) / scale;
  const int last = (x1 - 1 - left) / scale;
  for (int column = first; column <= last; ++column) {
    const int from = std::max(x0, left + column * scale);
    const int to = std::min(x1, left + (column + 1) * scale);
    const std::uint8_t* pixel = source + column * bytes;
    for (int x = from; x < to; ++x) std::memcpy(target + x * bytes, pixel, bytes);
  }
}

template <int bytes>
void scaleRows(const std::uint8_t* source, int sourcePitch, const Placement& p, std::uint8_t* target,
               int targetPitch, int width, int height) {
  const int x0 = std::max(0, p.left), x1 = std::min(width, p.left + p.width());
  const int y0 = std::max(0, p.top), y1 = std::min(height, p.top + p.height());
  if (x0 >= x1 || y0 >= y1) return;
  const std::size_t rowBytes = static_cast<std::size_t>(x1 - x0) * bytes;
  for (int y = y0; y < y1;) {
    const int row = (y - p.top) / p.scale;
    const int end = std::min(y1, p.top + (row + 1) * p.scale);  // this field row's last target row + 1
    std::uint8_t* first = target + static_cast<std::ptrdiff_t>(y) * targetPitch;
    scaleRow<bytes>(source + static_cast<std::ptrdiff_t>(row) * sourcePitch, p.scale, p.left, x0, x1, first);
    for (int copy = y + 1; copy < end; ++copy) {
      std::memcpy(target + static_cast<std::ptrdiff_t>(copy) * targetPitch + x0 * bytes, first + x0 * bytes,
                  rowBytes);
    }
    y = end;
  }
}

// The parts of a width x height picture around the field: up to four.
int borders(const Placement& p, int width, int height, SDL_Rect (&out)[4]) {
  const int x0 = std::clamp(p.left, 0, width), x1 = std::clamp(p.left + p.width(), 0, width);
  const int y0 = std::clamp(p.top, 0, height), y1 = std::clamp(p.top + p.height(), 0, height);
  int n = 0;
  if (y0 > 0) out[n++] = SDL_Rect{0, 0, width, y0};
  if (y1 < height) out[n++] = SDL_Rect{0, y1, width, height - y1};
  if (x0 > 0) out[n++] = SDL_Rect{0, y0, x0, y1 - y0};
  if (x1 < width) out[n++] = SDL_Rect{x1, y0, width - x1, y1 - y0};
  return n;
}

}  // namespace

void scaleField(const void* source, int sourcePitch, int bytesPerPixel, const Placement& placement,
                void* target, int targetPitch, int width, int height) {
  const auto* s = static_cast<const std::uint8_t*>(source);
  auto* t = static_cast<std::uint8_t*>(target);
  switch (bytesPerPixel) {
    case 1: scaleRows<1>(s, sourcePitch, placement, t, targetPitch, width, height); break;
    case 2: scaleRows<2>(s, sourcePitch, placement, t, targetPitch, width, height); break;
    case 3: scaleRows<3>(s, sourcePitch, placement, t, targetPitch, width, height); break;
    case 4: scaleRows<4>(s, sourcePitch, placement, t, targetPitch, width, height); break;
    default: break;
  }
}

bool togglesFullscreen(const SDL_KeyboardEvent& key) {
  if (key.type != SDL_KEYDOWN || key.repeat) return false;
  const SDL_Keycode sym = key.keysym.sym;
  if (sym == SDLK_F11) return true;
  return (sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT);
}

Presenter::Presenter(SDL_Window* window) : window_(window) {}

void Presenter::toggleFullscreen() {
  const bool on = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
  SDL_SetWindowFullscreen(window_, on ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
  repaintAll_ = true;
}

void Presenter::present(const Framebuffer& frame) {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface) return;
  if (surface != surface_ || surface->w != width_ || surface->h != height_) {
    surface_ = surface;
    width_ = surface->w;
    height_ = surface->h;
    placement_ = placeField(width_, height_);
    repaintAll_ = true;
  }

  // The field in the surface's format: the framebuffer itself when they agree
  // (the usual case: 32-bit XRGB), else converted once per frame.
  const Uint32 format = surface->format->format;
  const int bytes = surface->format->BytesPerPixel;
  const void* field = frame.data();
  int fieldPitch = form::width * static_cast<int>(sizeof(Pixel));
  if (format != SDL_PIXELFORMAT_XRGB8888) {
    fieldPitch = form::width * bytes;
    converted_.resize(static_cast<std::size_t>(fieldPitch) * form::height);  // once: the size never grows
    if (SDL_ConvertPixels(form::width, form::height, SDL_PIXELFORMAT_XRGB8888, frame.data(),
                          form::width * static_cast<int>(sizeof(Pixel)), format, converted_.data(),
                          fieldPitch) != 0) {
      return;
    }
    field = converted_.data();
  }

  if (repaintAll_) {
    SDL_Rect around[4];
    const int n = borders(placement_, width_, height_, around);
    SDL_FillRects(surface, around, n, SDL_MapRGB(surface->format, 0, 0, 0));
  }
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
  const Placement& p = placement_;
  if (p.scale == 1 && p.left >= 0 && p.top >= 0) {
    // 1:1, the field whole in the window: a plain copy of rows.
    auto* target = static_cast<std::uint8_t*>(surface->pixels) + p.top * surface->pitch + p.left * bytes;
    const auto* source = static_cast<const std::uint8_t*>(field);
    for (int y = 0; y < form::height; ++y) {
      std::memcpy(target + y * surface->pitch, source + y * fieldPitch, static_cast<std::size_t>(form::width) * bytes);
    }
  } else {
    scaleField(field, fieldPitch, bytes, p, surface->pixels, surface->pitch, width_, height_);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);

  if (repaintAll_) {
    SDL_UpdateWindowSurface(window_);
    repaintAll_ = false;
  } else {
    const int x0 = std::max(0, p.left), y0 = std::max(0, p.top);
    const SDL_Rect shown{x0, y0, std::min(width_, p.left + p.width()) - x0,
                         std::min(height_, p.top + p.height()) - y0};
    SDL_UpdateWindowSurfaceRects(window_, &shown, 1);
  }
}

}  // namespace zorbly
