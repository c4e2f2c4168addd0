#include "controls/scroll_math.h"

#include <gtest/gtest.h>

namespace {

TEST(ScrollTargetTest, LinesAndPagesMoveByFiveAndFifty) {
  EXPECT_EQ(15, ScrollTarget(ScrollLineForward, 0, 10, 100));
  EXPECT_EQ(5, ScrollTarget(ScrollLineBack, 0, 10, 100));
  EXPECT_EQ(60, ScrollTarget(ScrollPageForward, 0, 10, 100));
  EXPECT_EQ(40, ScrollTarget(ScrollPageBack, 0, 90, 100));
}

TEST(ScrollTargetTest, StopsAtZeroAndAtTheLimit) {
  EXPECT_EQ(0, ScrollTarget(ScrollLineBack, 0, 3, 100));
  EXPECT_EQ(0, ScrollTarget(ScrollPageBack, 0, 0, 100));
  EXPECT_EQ(100, ScrollTarget(ScrollPageForward, 0, 80, 100));
  EXPECT_EQ(100, ScrollTarget(ScrollThumbPosition, 250, 80, 100));
  // A picture that fits has a limit of 0: nothing scrolls.
  EXPECT_EQ(0, ScrollTarget(ScrollPageForward, 0, 0, 0));
}

TEST(ScrollTargetTest, OnlyAReleasedThumbMovesThePicture) {
  EXPECT_EQ(42, ScrollTarget(ScrollThumbPosition, 42, 7, 100));
  EXPECT_EQ(7, ScrollTarget(5 /* thumb tracking */, 42, 7, 100));
  EXPECT_EQ(7, ScrollTarget(8 /* end scroll */, 0, 7, 100));
}

TEST(ScrollLimitTest, PictureLargerThanTheClientAreaScrollsByTheDifference) {
  EXPECT_EQ(0, ScrollLimit(640, 800));
  EXPECT_EQ(0, ScrollLimit(640, 640));
  EXPECT_EQ(160, ScrollLimit(1280, 1120));
}

}  // namespace
