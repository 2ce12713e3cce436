#include "scene/framebuffer.h"

#include <SDL.h>
#include <SDL_image.h>

#include <memory>
#include <stdexcept>

namespace zorbly {

void savePng(const Framebuffer& fb, const std::string& path) {
  std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> surface(
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<Pixel*>(fb.data()), form::width, form::height,
                                         32, form::width * 4, SDL_PIXELFORMAT_XRGB8888),
      SDL_FreeSurface);
  if (!surface) throw std::runtime_error(std::string("cannot make a picture: ") + SDL_GetError());
  if (IMG_SavePNG(surface.get(), path.c_str()) != 0) {
    throw std::runtime_error("cannot write " + path + ": " + SDL_GetError());
  }
}

}  // namespace zorbly
