#pragma once
// What the window shows: the twenty sprites with their places and pictures,
// and the text layer that printing paints. compose() turns it into pixels.

#include <array>
#include <string>
#include <string_view>

#include "scene/font.h"
#include "scene/framebuffer.h"
#include "scene/layout.h"
#include "scene/pictures.h"

namespace zorbly {

// Sprite places are real numbers; the screen takes whole pixels. Every place
// is rounded the same way: to the nearest pixel, halves upwards (119.5 -> 120,
// -20.5 -> -20). Far-off places are first held within a million pixels, which
// changes nothing that can be seen.
inline int toPixel(double v) {
  constexpr double far = 1e6;
  if (!(v > -far)) v = -far;  // NaN goes here too
  if (v > far) v = far;
  // floor(v + 0.5) without a call into the maths library, which the frame
  // would make twenty times: truncate towards zero, then step down when that
  // went up (a negative value with a fraction).
  const double halfUp = v + 0.5;
  const int whole = static_cast<int>(halfUp);
  return whole > halfUp ? whole - 1 : whole;
}

struct SpriteState {
  int x = 0, y = 0;                  // top-left corner, in whole pixels
  const Picture* picture = nullptr;  // none: the sprite draws nothing
  int width = 0, height = 0;         // the picture's size, or the size at creation
};

class Scene {
 public:
  // Every sprite at its place and with its picture at creation; no text.
  Scene(const Pictures& pictures, const Font& font);

  void move(SpriteId id, float left, double top) {
    sprites_[id].x = toPixel(left);
    sprites_[id].y = toPixel(top);
  }
  void assignPicture(SpriteId to, SpriteId from);
  void setTextPosition(double x, double y) {
    textX_ = x;
    textY_ = y;
  }
  void print(std::string_view text);

  const SpriteState& sprite(SpriteId id) const { return sprites_[id]; }
  const Framebuffer& textLayer() const { return text_; }
  // The rows [first, last) that printing has painted so far: the text layer
  // is black above and below them (first == last when nothing was printed).
  int firstTextRow() const { return firstTextRow_; }
  int lastTextRow() const { return lastTextRow_; }
  double textX() const { return textX_; }
  double textY() const { return textY_; }

  // How many times print() actually drew text (repeats of the same line at
  // the same place are skipped); for tests and benchmarks.
  int textRenders() const { return textRenders_; }

 private:
  std::array<SpriteState, spriteCount> sprites_;
  Framebuffer text_{};
  int firstTextRow_ = 0, lastTextRow_ = 0;
  const Font& font_;
  double textX_ = 0, textY_ = 0;
  // The last line printed: printing it again at the same place would paint
  // the same pixels, since nothing but printing touches the text layer. The
  // score line fits in the string's own storage, so keeping it allocates
  // nothing.
  std::string lastText_;
  int lastX_ = 0, lastY_ = 0;
  bool printed_ = false;
  int textRenders_ = 0;
};

// What every scene is made from, decoded once at start-up.
struct Assets {
  Pictures pictures;
  Font font;
};

// Draws the scene: black, the text layer, then every sprite that has a
// picture, in drawing order, opaque, cut at the edges of the field.
void compose(const Scene& scene, Framebuffer& out);

}  // namespace zorbly
