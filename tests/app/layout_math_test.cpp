#include "app/layout_math.h"

#include <gtest/gtest.h>

namespace {

const LayoutRect Work = {0, 0, 1600, 1160};
// A main frame of 16 x 59 (borders, caption and menu bar) and a clip frame of 4 x 4.
const FrameMetrics Frames = {16, 59, 4, 4};

TEST(MainLayoutTest, SmallRequestGrowsToTheMinimumSize) {
  const MainLayout l = ComputeMainLayout({100, 120, 400, 320}, Work, Frames, 0, 0);
  EXPECT_EQ(400, l.Width);
  EXPECT_EQ(300, l.Height);
  EXPECT_EQ(100, l.X);
  EXPECT_EQ(120, l.Y);
  EXPECT_FALSE(l.Scrolling);
}

TEST(MainLayoutTest, WiderThanTheWorkAreaIsCutAndScrolls) {
  // The video would fit, but a window cut to the work area always scrolls.
  const MainLayout l = ComputeMainLayout({300, 40, 300 + 1700, 40 + 600}, Work, Frames, 320, 240);
  EXPECT_EQ(0, l.X);
  EXPECT_EQ(40, l.Y);
  EXPECT_EQ(1600, l.Width);
  EXPECT_TRUE(l.Scrolling);
  EXPECT_EQ(1600 - 16, l.ScrollWidth);
  EXPECT_EQ(600 - 59, l.ScrollHeight);
}

TEST(MainLayoutTest, TallerThanTheWorkAreaIsPlacedAtTheTop) {
  const MainLayout l = ComputeMainLayout({10, 500, 810, 500 + 1300}, Work, Frames, 320, 240);
  EXPECT_EQ(0, l.Y);
  EXPECT_EQ(1160, l.Height);
  EXPECT_TRUE(l.Scrolling);
}

TEST(MainLayoutTest, VideoFitsExactlyOrScrollsOnePixelNarrower) {
  const int32_t exactWidth = 640 + 4 + 16;
  const int32_t height = 480 + 4 + 59;
  MainLayout l = ComputeMainLayout({0, 0, exactWidth, height}, Work, Frames, 640, 480);
  EXPECT_FALSE(l.Scrolling);
  EXPECT_EQ(644, l.VideoWidth);
  EXPECT_EQ(484, l.VideoHeight);

  l = ComputeMainLayout({0, 0, exactWidth - 1, height}, Work, Frames, 640, 480);
  EXPECT_TRUE(l.Scrolling);
  l = ComputeMainLayout({0, 0, exactWidth, height - 1}, Work, Frames, 640, 480);
  EXPECT_TRUE(l.Scrolling);
}

TEST(ClampTest, WindowsAreKeptOnTheWorkArea) {
  // Dragged past the right edge: the right edge lands on the work area's.
  ClampedPosition p = ClampPosition({1500, 100, 1500 + 300, 400}, Work);
  EXPECT_EQ(1300, p.X);
  EXPECT_EQ(100, p.Y);
  // Dragged to a negative left or top: back to 0.
  p = ClampPosition({-50, -20, 250, 280}, Work);
  EXPECT_EQ(0, p.X);
  EXPECT_EQ(0, p.Y);
  // Past the bottom.
  p = ClampPosition({10, 1100, 310, 1300}, Work);
  EXPECT_EQ(960, p.Y);
  // Larger than the work area: ends on the edge with a negative left.
  p = ClampPosition({0, 0, 1800, 100}, Work);
  EXPECT_EQ(-200, p.X);
}

TEST(ClampTest, ExtremeCoordinatesDoNotOverflow) {
  const ClampedPosition p = ClampPosition({2147483000, 2147483000, 2147483600, 2147483600}, Work);
  EXPECT_EQ(1000, p.X);
  EXPECT_EQ(560, p.Y);
  EXPECT_TRUE(IsMinimised({-32000, -32000, -31840, -31970}));
  EXPECT_FALSE(IsMinimised({-32000, 5, 0, 0}));
}

TEST(CutToWorkAreaTest, OnlyAnOversizedEdgeIsCut) {
  LayoutRect r = {100, 150, 100 + 1700, 150 + 500};
  EXPECT_TRUE(CutToWorkArea(&r, Work));
  EXPECT_EQ(100 + 1600, r.Right);
  EXPECT_EQ(650, r.Bottom);
  r = {100, 150, 736, 650};
  EXPECT_FALSE(CutToWorkArea(&r, Work));
  EXPECT_EQ(736, r.Right);
}

}  // namespace
