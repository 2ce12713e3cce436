// A frame allocates nothing: stepping games in progress with random keys and
// the trace off calls the global operator new not once, new games included.

#include <gtest/gtest.h>

#include "testkit/allocation_count.h"
#include "testkit/stepped_game.h"
#include "testkit/fixture.h"

namespace zorbly {
namespace {

using testing::allocationCount;
using testing::SteppedGame;

TEST(Allocation, SteppingWithTheTraceOffAllocatesNothing) {
  constexpr int frames = 100'000;
  constexpr std::uint64_t seed = 7;
  SteppedGame game(testing::assets(), seed);
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
