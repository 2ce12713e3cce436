#pragma once
// The picture of the play field: 120x120 pixels, each 0x00RRGGBB, row by row.

#include <array>
#include <cstdint>
#include <string>

#include "scene/layout.h"

namespace zorbly {

using Pixel = std::uint32_t;
using Framebuffer = std::array<Pixel, form::width * form::height>;

inline Pixel pixelAt(const Framebuffer& fb, int x, int y) { return fb[y * form::width + x]; }

// Writes the picture as a PNG file; throws std::runtime_error with a
// one-line reason when the file cannot be written.
void savePng(const Framebuffer& fb, const std::string& path);

}  // namespace zorbly
