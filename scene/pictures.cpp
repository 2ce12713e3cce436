#include "scene/pictures.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <memory>
#include <string>

#include "assets/embedded.h"
#include "scene/fatal.h"

namespace zorbly {

namespace {

Picture decode(std::string_view name) {
  auto files = assets::files();
  auto file = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.name == name; });
  if (file == files.end()) throw FatalError("picture " + std::string(name) + " is not built in");

  using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;
  // Closes the memory stream it reads from (freesrc 1).
  SurfacePtr loaded(IMG_LoadTyped_RW(SDL_RWFromConstMem(file->data, static_cast<int>(file->size)), 1, "PNG"),
                    SDL_FreeSurface);
  if (!loaded) throw FatalError("cannot decode picture " + std::string(name) + ": " + IMG_GetError());
  SurfacePtr rgb(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_XRGB8888, 0), SDL_FreeSurface);
  if (!rgb) throw FatalError("cannot convert picture " + std::string(name) + ": " + SDL_GetError());

  Picture p;
  p.width = rgb->w;
  p.height = rgb->h;
  p.pixels.resize(static_cast<std::size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y) {
    const auto* row = reinterpret_cast<const Pixel*>(static_cast<const unsigned char*>(rgb->pixels) + y * rgb->pitch);
    for (int x = 0; x < p.width; ++x) p.pixels[y * p.width + x] = row[x] & 0xFFFFFF;
  }
  return p;
}

}  // namespace

Pictures::Pictures() {
  for (int i = 0; i < pictureCount; ++i) {
    const PictureEntry& entry = pictureTable[i];
    all_[i] = decode(entry.file);
    if (all_[i].width != entry.width || all_[i].height != entry.height) {
      throw FatalError("picture " + std::string(entry.file) + " is " + std::to_string(all_[i].width) +
                       "x" + std::to_string(all_[i].height) + ", not " + std::to_string(entry.width) +
                       "x" + std::to_string(entry.height));
    }
  }
  icon_ = decode("icon");
}

}  // namespace zorbly
