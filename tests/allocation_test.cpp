// A frame allocates nothing: stepping games in progress with random keys and
// the trace off calls the global operator new not once, restarts between
// games included, once the font has drawn the lines those games print (each
// different line is drawn once and kept).

#include <gtest/gtest.h>

#include "bench/allocation_count.h"
#include "bench/stepped_game.h"
#include "scene_fixture.h"

namespace zorbly {
namespace {

using bench::allocationCount;
using bench::SteppedGame;

TEST(Allocation, SteppingWithTheTraceOffAllocatesNothing) {
  constexpr int frames = 100'000;
  constexpr std::uint64_t seed = 7;
  // The same games once before, so that every line they print has been drawn.
  SteppedGame rehearsal(testing::pictures(), testing::font(), seed);
  for (int i = 0; i < frames; ++i) rehearsal.step();

  SteppedGame game(testing::pictures(), testing::font(), seed);
  const std::uint64_t before = allocationCount();
  for (int i = 0; i < frames; ++i) game.step();
  const std::uint64_t allocations = allocationCount() - before;

  EXPECT_EQ(allocations, 0u);
  EXPECT_GT(game.gamesStarted(), 10u) << "the games should end and start again";
}

TEST(Allocation, TheCounterSeesAnAllocation) {
  const std::uint64_t before = allocationCount();
  int* volatile p = new int(5);
  EXPECT_EQ(allocationCount() - before, 1u);
  delete p;
}

}  // namespace
}  // namespace zorbly
