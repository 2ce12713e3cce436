#pragma once
// PNG files: the built-in pictures are decoded from them, and `shot` writes
// the play field as one.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scene/framebuffer.h"

namespace zorbly {

// A decoded image: width x height pixels, 0x00RRGGBB, row by row.
struct Image {
  int width = 0, height = 0;
  std::vector<Pixel> pixels;
};

// Decodes PNG bytes; throws FatalError naming `what` when they are not a PNG.
Image decodePng(const unsigned char* data, std::size_t size, std::string_view what);

// A width x height picture (0x00RRGGBB, row by row) as the bytes of a PNG
// file, 8-bit RGB. The same picture always gives the same bytes, on every
// platform.
std::string encodePng(int width, int height, const Pixel* pixels);

// The play field as a PNG file.
std::string encodePng(const Framebuffer& fb);

}  // namespace zorbly
