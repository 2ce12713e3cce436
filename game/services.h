#pragma once
// The whole contract between the game logic and the platform. The game calls
// nothing else: it draws, polls and times nothing itself. Every call runs on
// the one thread that delivers the handlers, and returns before the next.
// A call naming a sprite that does not exist is a fatal error: it throws
// FatalError, which the program reports and exits on.

#include <string_view>

#include "game/sprite.h"

namespace zorbly {

class Services {
 public:
  virtual ~Services() = default;

  // Places the sprite's top-left corner at (left, top) pixels; it is drawn
  // there from now on. Any value is allowed; what falls outside the field is
  // not shown.
  virtual void move(Sprite s, float left, double top) = 0;

  // Gives `to` the picture that `from` shows now; `to` takes its size and
  // `from` keeps its picture.
  virtual void assignPicture(Sprite to, Sprite from) = 0;

  // Sets where the next printed text puts its top-left corner.
  virtual void setTextPosition(double x, double y) = 0;

  // Draws one line of text in the text colour at the text position, over a
  // black box the size of the text, then moves the position to the start of
  // the next line. What is printed stays until printed over.
  virtual void print(std::string_view text) = 0;

  // The period between frames in milliseconds; 0 stops the frames for good.
  virtual void setInterval(int ms) = 0;

  // Shows a modal box and returns once it is dismissed. buttons 0: one OK.
  virtual void messageBox(std::string_view prompt, int buttons, std::string_view title) = 0;

  // Ends the program. The caller must return at once: no handler runs after
  // this, and the platform stops delivering events.
  virtual void end() = 0;

  // Seeds the random source, from the clock unless the run was given a seed.
  virtual void randomize() = 0;

  // The next uniform number in [0, 1) from the random source.
  virtual float rnd() = 0;
};

}  // namespace zorbly
