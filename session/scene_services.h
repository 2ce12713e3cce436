#pragma once
// The services the game asks for, carried out on a Scene and a Random: what
// every front end gives the game. The message box is the front end's to show.

#include "game/services.h"
#include "scene/scene.h"
#include "session/random.h"

namespace zorbly {

// Throws FatalError naming a sprite the window does not have.
[[noreturn]] void noSuchSprite(Sprite s);

// The sprite a name refers to; throws FatalError naming it if there is none.
inline SpriteId spriteId(Sprite s) {
  if (auto id = findSprite(s)) return *id;
  noSuchSprite(s);
}

// How a front end shows the game-over box: modal, with one OK button. (The
// game asks for buttons 0, OK alone, and for nothing else; the trace writes
// what it asked.)
class MessageBox {
 public:
  virtual ~MessageBox() = default;
  // Shows the box and returns once it is dismissed.
  virtual void show(std::string_view prompt, std::string_view title) = 0;
};

class SceneServices : public Services {
 public:
  // Without a box, the message box counts as dismissed at once.
  SceneServices(Scene& scene, Random& random, MessageBox* box)
      : scene_(scene), random_(random), box_(box) {}
  // `other` as it stands (its timer, whether the program has ended, its
  // box), carried out on `scene` and `random`: the copies of its own that a
  // copied Session holds. A plain copy would still work on the original's.
  SceneServices(const SceneServices& other, Scene& scene, Random& random)
      : scene_(scene), random_(random), box_(other.box_), interval_(other.interval_),
        ended_(other.ended_) {}
  SceneServices(const SceneServices&) = delete;
  SceneServices& operator=(const SceneServices&) = delete;

  void move(Sprite s, float left, double top) override { scene_.move(spriteId(s), left, top); }
  void assignPicture(Sprite to, Sprite from) override {
    scene_.assignPicture(spriteId(to), spriteId(from));
  }
  void setTextPosition(double x, double y) override { scene_.setTextPosition(x, y); }
  void print(std::string_view text) override { scene_.print(text); }
  void setInterval(int ms) override { interval_ = ms; }
  void messageBox(std::string_view prompt, int, std::string_view title) override {
    if (box_) box_->show(prompt, title);
  }
  void end() override { ended_ = true; }
  void randomize() override { random_.randomize(); }
  float rnd() override { return random_.next(); }

  int interval() const { return interval_; }
  bool ended() const { return ended_; }
  // Frames are due while the timer runs and the program has not ended.
  bool running() const { return interval_ != 0 && !ended_; }

 private:
  Scene& scene_;
  Random& random_;
  MessageBox* box_;
  int interval_ = form::timerInterval;
  bool ended_ = false;
};

}  // namespace zorbly
