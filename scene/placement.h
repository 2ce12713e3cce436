#pragma once
// Where the 120x120 field goes in an area of screen pixels: every front end
// that shows the compositor's picture (the window, the browser page) places
// it by this one rule.

#include "scene/layout.h"

namespace zorbly {

// Where the field goes in an area of `width` x `height` pixels: each field
// pixel becomes a `scale` x `scale` block, the whole field's top-left corner
// at (left, top) from the area's. The scale is the largest whole one at which
// the field fits, and at least 1; the field is centred (an odd pixel left
// over goes right or below), and an area smaller than the field shows its
// middle part (left or top below 0).
struct Placement {
  int scale = 1;
  int left = 0, top = 0;

  int width() const { return form::width * scale; }
  int height() const { return form::height * scale; }
  bool operator==(const Placement&) const = default;
};

Placement placeField(int width, int height);

}  // namespace zorbly
