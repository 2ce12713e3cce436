#include "pictures.h"

#include <SDL.h>
#include <SDL_image.h>

#include <sstream>

namespace zorbly::xtest {

Image loadPng(const std::string& path) {
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return {};
  SDL_Surface* rgb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB24, 0);
  SDL_FreeSurface(loaded);
  if (!rgb) return {};
  Image image;
  image.width = rgb->w;
  image.height = rgb->h;
  image.pixels.resize(static_cast<std::size_t>(rgb->w) * rgb->h);
  for (int y = 0; y < rgb->h; ++y) {
    const auto* row = static_cast<const std::uint8_t*>(rgb->pixels) + y * rgb->pitch;
    for (int x = 0; x < rgb->w; ++x) image.pixels[y * rgb->w + x] = Rgb{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
  }
  SDL_FreeSurface(rgb);
  return image;
}

Image placed(const Image& field, int scale, int left, int top, int width, int height) {
  Image image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(width) * height, Rgb{});
  for (int y = 0; y < field.height * scale; ++y) {
    for (int x = 0; x < field.width * scale; ++x) {
      const int tx = left + x, ty = top + y;
      if (tx >= 0 && tx < width && ty >= 0 && ty < height) {
        image.pixels[ty * width + tx] = field.at(x / scale, y / scale);
      }
    }
  }
  return image;
}

std::string difference(const Image& got, const Image& want) {
  if (got.width != want.width || got.height != want.height) {
    return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) + ", want " +
           std::to_string(want.width) + "x" + std::to_string(want.height);
  }
  const auto text = [](Rgb p) {
    std::ostringstream s;
    s << '(' << int{p.r} << ',' << int{p.g} << ',' << int{p.b} << ')';
    return s.str();
  };
  int differing = 0;
  std::string first;
  for (int y = 0; y < got.height; ++y) {
    for (int x = 0; x < got.width; ++x) {
      const Rgb a = got.at(x, y), b = want.at(x, y);
      if (a.r == b.r && a.g == b.g && a.b == b.b) continue;
      if (differing++ == 0) {
        std::ostringstream s;
        s << "at " << x << ',' << y << ": " << text(a) << ", want " << text(b);
        first = s.str();
      }
    }
  }
  return differing ? std::to_string(differing) + " pixels differ, first " + first : "";
}

}  // namespace zorbly::xtest
