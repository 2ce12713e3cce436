#include "support/window_pictures.h"

#include <fstream>
#include <sstream>

#include "scene/png.h"

namespace zorbly::testing {

Image loadPng(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string data = bytes.str();
  if (data.empty()) return {};
  zorbly::Image decoded;
  try {
    decoded = zorbly::decodePng(reinterpret_cast<const unsigned char*>(data.data()), data.size(), path);
  } catch (const std::exception&) {
    return {};
  }
  Image image;
  image.width = decoded.width;
  image.height = decoded.height;
  image.pixels.reserve(decoded.pixels.size());
  for (zorbly::Pixel p : decoded.pixels) {
    image.pixels.push_back(Rgb{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                               static_cast<std::uint8_t>(p)});
  }
  return image;
}

bool savePng(const Image& image, const std::string& path) {
  if (!image.valid()) return false;
  std::vector<zorbly::Pixel> pixels;
  pixels.reserve(image.pixels.size());
  for (const Rgb p : image.pixels) pixels.push_back(zorbly::Pixel{p.r} << 16 | zorbly::Pixel{p.g} << 8 | p.b);
  const std::string png = zorbly::encodePng(image.width, image.height, pixels.data());
  std::ofstream file(path, std::ios::binary);
  file.write(png.data(), static_cast<std::streamsize>(png.size()));
  return static_cast<bool>(file);
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

}  // namespace zorbly::testing
