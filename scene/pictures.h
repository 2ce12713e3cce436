#pragma once
// The sprite pictures, decoded once at start-up from the PNG files built into
// the program. Pictures never change afterwards.

#include <array>
#include <vector>

#include "scene/framebuffer.h"
#include "scene/layout.h"

namespace zorbly {

struct Picture {
  int width = 0, height = 0;
  std::vector<Pixel> pixels;  // row by row, 0x00RRGGBB, all opaque
};

class Pictures {
 public:
  // Decodes every picture of the picture table; throws FatalError naming the
  // file if one is missing, unreadable or of the wrong size.
  Pictures();

  const Picture& operator[](PictureId id) const { return all_[static_cast<int>(id)]; }

  // The 32x32 window icon.
  const Picture& icon() const { return icon_; }

 private:
  std::array<Picture, pictureCount> all_;
  Picture icon_;
};

}  // namespace zorbly
