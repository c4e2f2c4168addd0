#include "controls/scroll_math.h"

#include <gtest/gtest.h>

TEST(ScrollTarget, StepsOfFiveAndFiftyHeldBetweenZeroAndTheLimit) {
  const int32_t cases[][5] = {// request, thumb, offset, limit, target
                              {ScrollLineForward, 0, 10, 100, 15},      {ScrollLineBack, 0, 10, 100, 5},
                              {ScrollPageForward, 0, 10, 100, 60},      {ScrollPageBack, 0, 90, 100, 40},
                              {ScrollLineBack, 0, 3, 100, 0},           {ScrollPageForward, 0, 80, 100, 100},
                              {ScrollPageForward, 0, 0, 0, 0},          {ScrollThumbPosition, 42, 7, 100, 42},
                              {ScrollThumbPosition, 250, 80, 100, 100}, {5 /* thumb tracking */, 42, 7, 100, 7},
                              {8 /* end scroll */, 0, 7, 100, 7}};
  for (const auto& c : cases) EXPECT_EQ(ScrollTarget(c[0], c[1], c[2], c[3]), c[4]) << c[0] << " from " << c[2];
  EXPECT_EQ(ScrollLimit(640, 800) + ScrollLimit(640, 640), 0);
  EXPECT_EQ(ScrollLimit(1280, 1120), 160);
}
