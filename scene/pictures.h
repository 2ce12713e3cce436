#pragma once
// The sprite pictures, decoded once at start-up from the PNG files built into
// the program. Pictures never change afterwards.

#include <array>

#include "scene/layout.h"
#include "scene/png.h"

namespace zorbly {

using Picture = Image;  // all opaque; black is drawn as black

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
