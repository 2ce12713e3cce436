#pragma once
// Services over a Scene and a Random: what the window and the headless
// driver share. The message box is theirs to show (showMessageBox).

#include "scene/random.h"
#include "scene/scene.h"
#include "scene/services.h"

namespace zorbly {

// Throws FatalError naming a sprite the window does not have.
[[noreturn]] void noSuchSprite(Sprite s);

// The sprite a name refers to; throws FatalError naming it if there is none.
inline SpriteId spriteId(Sprite s) {
  if (auto id = findSprite(s)) return *id;
  noSuchSprite(s);
}

class SceneServices : public Services {
 public:
  SceneServices(Scene& scene, Random& random) : scene_(scene), random_(random) {}

  void move(Sprite s, float left, double top) override { scene_.move(spriteId(s), left, top); }
  void assignPicture(Sprite to, Sprite from) override {
    scene_.assignPicture(spriteId(to), spriteId(from));
  }
  void setTextPosition(double x, double y) override { scene_.setTextPosition(x, y); }
  void print(std::string_view text) override { scene_.print(text); }
  void setInterval(int ms) override { interval_ = ms; }
  void messageBox(std::string_view prompt, int buttons, std::string_view title) override {
    showMessageBox(prompt, buttons, title);
  }
  void end() override { ended_ = true; }
  void randomize() override { random_.randomize(); }
  float rnd() override { return random_.next(); }

  int interval() const { return interval_; }
  bool ended() const { return ended_; }
  // Frames are due while the timer runs and the program has not ended.
  bool running() const { return interval_ != 0 && !ended_; }

 protected:
  // Shows the box and returns when it is dismissed; the headless driver
  // counts it dismissed at once.
  virtual void showMessageBox(std::string_view, int, std::string_view) {}

 private:
  Scene& scene_;
  Random& random_;
  int interval_ = form::timerInterval;
  bool ended_ = false;
};

}  // namespace zorbly
