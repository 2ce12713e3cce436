// What every front end does the same way, the window and the browser page
// alike: where the field goes in an area of screen pixels, and when a
// controller's stick presses Up or Down and lets go.

#include <gtest/gtest.h>

#include "game/state.h"
#include "scene/placement.h"
#include "session/stick.h"

namespace zorbly {
namespace {

TEST(PlaceField, LargestWholeScaleThatFitsCentred) {
  EXPECT_EQ(placeField(120, 120), (Placement{1, 0, 0}));
  EXPECT_EQ(placeField(360, 360), (Placement{3, 0, 0}));
  EXPECT_EQ(placeField(1920, 1920), (Placement{16, 0, 0}));
  EXPECT_EQ(placeField(500, 300), (Placement{2, 130, 30}));
  EXPECT_EQ(placeField(300, 500), (Placement{2, 30, 130}));
  EXPECT_EQ(placeField(359, 359), (Placement{2, 59, 59}));
  EXPECT_EQ(placeField(1920, 1080), (Placement{9, 420, 0}));
  EXPECT_EQ(placeField(640, 480), (Placement{4, 80, 0}));
  // Bigger than any --scale: the area decides, not the option.
  EXPECT_EQ(placeField(3840, 2160), (Placement{18, 840, 0}));
}

TEST(PlaceField, AnOddPixelLeftOverGoesRightOrBelow) {
  EXPECT_EQ(placeField(241, 243), (Placement{2, 0, 1}));
  EXPECT_EQ(placeField(121, 120), (Placement{1, 0, 0}));
}

TEST(PlaceField, HighDpiPixelsGiveTheLargerScale) {
  // An area of 240x240 points on a display of two pixels per point is
  // 480x480 pixels: the field is drawn 4x, not 2x and stretched.
  EXPECT_EQ(placeField(480, 480), (Placement{4, 0, 0}));
  // 150%: 120 points are 180 pixels; the field stays sharp at 1x, centred.
  EXPECT_EQ(placeField(180, 180), (Placement{1, 30, 30}));
  // A phone of 390x700 points at three pixels a point.
  EXPECT_EQ(placeField(1170, 2100), (Placement{9, 45, 510}));
}

TEST(PlaceField, SmallerThanTheFieldShowsItsMiddleAtScaleOne) {
  EXPECT_EQ(placeField(100, 100), (Placement{1, -10, -10}));
  EXPECT_EQ(placeField(0, 0), (Placement{1, -60, -60}));
  EXPECT_EQ(placeField(600, 60), (Placement{1, 240, -30}));
  EXPECT_EQ(placeField(-4, -4), (Placement{1, -62, -62})) << "no area at all";
}

TEST(PlaceField, TheFieldsSizeAtItsScale) {
  const Placement p = placeField(1920, 1080);
  EXPECT_EQ(p.width(), 1080);
  EXPECT_EQ(p.height(), 1080);
}

TEST(Stick, PressesHalfWayAndLetsGoWithinAQuarter) {
  EXPECT_EQ(stick::press, 0.5);
  EXPECT_EQ(stick::release, 0.25);
  // From the middle: half way or further presses, less does not.
  EXPECT_EQ(stickDirection(0, 0), 0);
  EXPECT_EQ(stickDirection(0, -0.49), 0);
  EXPECT_EQ(stickDirection(0, 0.49), 0);
  EXPECT_EQ(stickDirection(0, -0.5), -1);
  EXPECT_EQ(stickDirection(0, 0.5), 1);
  EXPECT_EQ(stickDirection(0, -1), -1);
  EXPECT_EQ(stickDirection(0, 1), 1);
  // Held: still held down to a quarter, let go within it.
  EXPECT_EQ(stickDirection(-1, -0.3), -1);
  EXPECT_EQ(stickDirection(-1, -0.25), -1);
  EXPECT_EQ(stickDirection(-1, -0.24), 0);
  EXPECT_EQ(stickDirection(1, 0.3), 1);
  EXPECT_EQ(stickDirection(1, 0.25), 1);
  EXPECT_EQ(stickDirection(1, 0.24), 0);
  // Between a quarter and half way from the middle: nothing.
  EXPECT_EQ(stickDirection(0, -0.3), 0);
  EXPECT_EQ(stickDirection(0, 0.3), 0);
}

TEST(Stick, StraightAcrossTurnsAtOnce) {
  EXPECT_EQ(stickDirection(-1, 0.6), 1);
  EXPECT_EQ(stickDirection(1, -0.6), -1);
  EXPECT_EQ(stickDirection(-1, 0.3), 0) << "past the middle, not yet half way down";
  EXPECT_EQ(stickDirection(1, -0.3), 0);
}

TEST(Stick, BeyondTheEndsCountsAsAllTheWay) {
  EXPECT_EQ(stickDirection(0, -1.0001), -1);
  EXPECT_EQ(stickDirection(0, 7), 1);
}

TEST(Stick, DirectionsHoldTheArrowKeys) {
  EXPECT_EQ(stickKey(-1), keyUp);
  EXPECT_EQ(stickKey(1), keyDown);
}

}  // namespace
}  // namespace zorbly
