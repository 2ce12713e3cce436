#include "scene/png.h"

#include <memory>

#include "scene/fatal.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#include <stb_image.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace zorbly {

Image decodePng(const unsigned char* data, std::size_t size, std::string_view what) {
  int width = 0, height = 0, channels = 0;
  std::unique_ptr<unsigned char, decltype(&stbi_image_free)> rgb(
      stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 3), stbi_image_free);
  if (!rgb) throw FatalError("cannot decode picture " + std::string(what) + ": " + stbi_failure_reason());
  Image image{width, height, std::vector<Pixel>(static_cast<std::size_t>(width) * height)};
  const unsigned char* p = rgb.get();
  for (Pixel& pixel : image.pixels) {
    pixel = Pixel{p[0]} << 16 | Pixel{p[1]} << 8 | p[2];
    p += 3;
  }
  return image;
}

std::string encodePng(int width, int height, const Pixel* pixels) {
  std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
  unsigned char* p = rgb.data();
  for (const Pixel* pixel = pixels; p != rgb.data() + rgb.size(); ++pixel) {
    *p++ = static_cast<unsigned char>(*pixel >> 16);
    *p++ = static_cast<unsigned char>(*pixel >> 8);
    *p++ = static_cast<unsigned char>(*pixel);
  }
  std::string bytes;
  stbi_write_png_to_func(
      [](void* out, void* data, int size) { static_cast<std::string*>(out)->append(static_cast<char*>(data), size); },
      &bytes, width, height, 3, rgb.data(), width * 3);
  return bytes;
}

std::string encodePng(const Framebuffer& fb) { return encodePng(form::width, form::height, fb.data()); }

}  // namespace zorbly
