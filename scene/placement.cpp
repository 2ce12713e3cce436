#include "scene/placement.h"

#include <algorithm>

namespace zorbly {

Placement placeField(int width, int height) {
  const int scale = std::max(1, std::min(width / form::width, height / form::height));
  return Placement{scale, (width - form::width * scale) / 2, (height - form::height * scale) / 2};
}

}  // namespace zorbly
