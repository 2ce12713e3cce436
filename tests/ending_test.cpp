// A whole game in headless mode: a script played by the autopilot from
// start-up to the ending, run through the script language.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "autopilot.h"
#include "game/handlers.h"
#include "scene/headless.h"
#include "scene/scene_services.h"
#include "scene_fixture.h"

namespace zorbly {
namespace {

// Plays a game with the autopilot and writes it down as a script: the seed,
// then every key and run of frames. The last frame is traced.
std::string autopilotScript(std::uint64_t seed) {
  Random random(seed);
  Scene scene(testing::pictures(), testing::font());
  SceneServices services(scene, random);
  GameState st;
  Form_Initialize(st, services);
  zorbly_test::Autopilot pilot;

  std::ostringstream script;
  script << "seed " << seed << "\ntrace off\n";
  int frames = 0;
  auto flushFrames = [&] {
    if (frames) script << "tick " << frames << '\n';
    frames = 0;
  };
  while (services.running()) {
    const auto keys = pilot.keysFor(st);
    if (!keys.empty()) flushFrames();
    for (const auto& k : keys) script << (k.down ? "down " : "up ") << k.key << '\n';
    zorbly_test::deliverKeys(st, keys);
    Timer1_Timer(st, services);
    ++frames;
  }
  // Trace the frame that ended it.
  --frames;
  flushFrames();
  script << "trace on\ntick\n";
  return script.str();
}

struct Outcome {
  int status;
  std::string out, err;
};

Outcome runScript(const std::string& script) {
  std::istringstream in(script);
  std::ostringstream out, err;
  int status = runHeadless(in, out, err, std::nullopt, testing::pictures(), testing::font());
  return {status, out.str(), err.str()};
}

TEST(Ending, AWholeGameReachesTheEndingThroughTheScriptLanguage) {
  // Left in the build's tests folder to look at and to replay: the script and the last picture.
  const std::string script = autopilotScript(1);
  const std::string picture = std::string(ZORBLY_TEST_OUTPUT) + "/ending-seed1.png";
  std::ofstream(std::string(ZORBLY_TEST_OUTPUT) + "/ending-seed1.script") << script << "shot " << picture << '\n';
  Outcome r = runScript(script + "shot " + picture + "\nstate\ntick 100\ndown 40\nstate\n");
  ASSERT_EQ(r.status, 0) << r.err;
  // The last traced frame: the fifth boss falls and the four ending lines follow.
  const std::string ending =
      "{\"op\":\"move\",\"sprite\":\"boss(0)\",\"left\":88,\"top\":200}\n"
      "{\"op\":\"textpos\",\"x\":30,\"y\":0}\n"
      "{\"op\":\"print\",\"text\":\"SCORE 100\"}\n"
      "{\"op\":\"textpos\",\"x\":5,\"y\":30}\n"
      "{\"op\":\"print\",\"text\":\"Zorbly くりあ-!\"}\n"
      "{\"op\":\"textpos\",\"x\":50,\"y\":50}\n"
      "{\"op\":\"print\",\"text\":\"(C) Zorbly\"}\n"
      "{\"op\":\"textpos\",\"x\":30,\"y\":70}\n"
      "{\"op\":\"print\",\"text\":\"ＴＨＥ　ＥＮＤ\"}\n"
      "{\"op\":\"interval\",\"ms\":0}\n";
  const auto at = r.out.find(ending);
  ASSERT_NE(at, std::string::npos) << r.out.substr(r.out.size() > 3000 ? r.out.size() - 3000 : 0);
  // Then nothing moves: ticks deliver no frame, keys still change the state.
  std::istringstream rest(r.out.substr(at + ending.size()));
  std::string before, after, extra;
  std::getline(rest, before);
  std::getline(rest, after);
  EXPECT_FALSE(std::getline(rest, extra)) << extra;
  EXPECT_NE(before.find("\"score\":100,"), std::string::npos) << before;
  EXPECT_NE(before.find("\"stage\":5,"), std::string::npos) << before;
  EXPECT_NE(before.find("\"interval\":0}"), std::string::npos) << before;
  EXPECT_NE(after.find("\"jikiDY\":3,"), std::string::npos) << after;
  EXPECT_EQ(before.substr(before.find("\"score\"")), after.substr(after.find("\"score\"")));
}

}  // namespace
}  // namespace zorbly
