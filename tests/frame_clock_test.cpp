// The frame clock: 64 frames a second with no drift, no bursts, no busy waits.

#include <gtest/gtest.h>

#include "session/frame_clock.h"

namespace zorbly {
namespace {

constexpr std::uint64_t hz = 1'000'000'000;  // a nanosecond counter

TEST(FrameClock, DeadlinesAdvanceByThePeriodWithoutDrift) {
  FrameClock clock(hz, 5000);
  std::uint64_t now = 5000;
  int frames = 0;
  // Wake up late by a varying amount each time, as a real loop does.
  while (frames < 3840) {
    now += clock.ticksUntilDue(now) + (frames % 7) * 100'000ull;
    if (clock.due(now)) {
      clock.advance(now);
      ++frames;
    }
  }
  // The next frame, number 3840, is due exactly 60 s after the start:
  // lateness never accumulated.
  EXPECT_EQ(clock.deadline() - 5000, 60ull * hz);
  EXPECT_LT(now - (5000 + 60 * hz - hz / 64), 2'000'000u);
}

TEST(FrameClock, TheWaitEndsExactlyAtTheDeadline) {
  FrameClock clock(hz, 0);
  clock.advance(0);  // frame 1 due at 15.625 ms
  EXPECT_EQ(clock.ticksUntilDue(0), 15'625'000u);
  EXPECT_EQ(clock.ticksUntilDue(15'624'999), 1u);
  EXPECT_EQ(clock.ticksUntilDue(15'625'000), 0u);
  EXPECT_EQ(clock.ticksUntilDue(99'000'000), 0u);
  EXPECT_FALSE(clock.due(15'624'999));
  EXPECT_TRUE(clock.due(15'625'000));
}

TEST(FrameClock, AStallRestartsTheClockInsteadOfBursting) {
  FrameClock clock(hz, 0);
  clock.advance(0);
  const std::uint64_t resumed = 5 * hz;  // stopped for five seconds
  ASSERT_TRUE(clock.due(resumed));
  clock.advance(resumed);
  EXPECT_FALSE(clock.due(resumed));
  EXPECT_EQ(clock.deadline(), resumed + hz / 64);
}

TEST(FrameClock, ASlightlyLateFrameKeepsTheSchedule) {
  FrameClock clock(hz, 0);
  clock.advance(0);
  const std::uint64_t late = hz / 64 + 20'000'000;  // 20 ms late: one frame behind
  clock.advance(late);
  EXPECT_EQ(clock.deadline(), 2 * hz / 64);  // due at once: catches up one frame
  EXPECT_TRUE(clock.due(late));
}

}  // namespace
}  // namespace zorbly
