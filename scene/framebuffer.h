#pragma once
// The picture of the play field: 120x120 pixels, each 0x00RRGGBB, row by row.

#include <array>
#include <cstdint>

#include "scene/layout.h"

namespace zorbly {

using Pixel = std::uint32_t;
using Framebuffer = std::array<Pixel, form::width * form::height>;

inline Pixel pixelAt(const Framebuffer& fb, int x, int y) { return fb[y * form::width + x]; }

}  // namespace zorbly
