// Composing one 120x120 frame: the text layer, then every sprite with a
// picture, as the window does before each present and the headless mode for
// each shot.

#include <benchmark/benchmark.h>

#include <sstream>

#include "testkit/stepped_game.h"
#include "testkit/fixture.h"

namespace {

using zorbly::testing::SteppedGame;

using zorbly::testing::assets;

// The same scene, a game in progress after 1000 frames of random keys,
// composed again and again.
void composeInPlay(benchmark::State& state) {
  SteppedGame game(assets(), 1);
  for (int i = 0; i < 1000; ++i) game.step();
  zorbly::Framebuffer frame{};
  for (auto _ : state) {
    zorbly::compose(game.session().scene(), frame);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// Every sprite on the field at once, the boss and all five enemy pictures
// included: the most a frame can have to draw.
void composeEverySprite(benchmark::State& state) {
  zorbly::Scene scene(assets().pictures, assets().font);
  scene.setTextPosition(30, 0);
  scene.print("SCORE 57");
  for (zorbly::SpriteId id = 0; id < zorbly::spriteCount; ++id) {
    scene.move(id, static_cast<float>(id * 5), id * 3);
  }
  zorbly::Framebuffer frame{};
  for (auto _ : state) {
    zorbly::compose(scene, frame);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// A frame of the game and its picture, as the window makes them.
void stepAndCompose(benchmark::State& state) {
  SteppedGame game(assets(), 1);
  zorbly::Framebuffer frame{};
  for (auto _ : state) {
    game.step();
    zorbly::compose(game.session().scene(), frame);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(composeInPlay)->Name("compose/in_play");
BENCHMARK(composeEverySprite)->Name("compose/every_sprite");
BENCHMARK(stepAndCompose)->Name("compose/step_and_compose");

}  // namespace

BENCHMARK_MAIN();
