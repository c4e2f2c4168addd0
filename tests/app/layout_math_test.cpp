// Main window placement: minimum size, cutting to the work area, scrolling, windows kept on screen.
#include "app/layout_math.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const LayoutRect Work = {0, 0, 1600, 1160};
// A main frame of 16 x 59 (borders, caption and menu bar) and a clip frame of 4 x 4.
const FrameMetrics Frames = {16, 59, 4, 4};

std::string Layout(const LayoutRect& requested, int32_t videoWidth, int32_t videoHeight) {
  const MainLayout l = ComputeMainLayout(requested, Work, Frames, videoWidth, videoHeight);
  return std::to_string(l.X) + "," + std::to_string(l.Y) + " " + std::to_string(l.Width) + "x" +
         std::to_string(l.Height) +
         (l.Scrolling ? " scrolls " + std::to_string(l.ScrollWidth) + "x" + std::to_string(l.ScrollHeight) : "") +
         " video " + std::to_string(l.VideoWidth) + "x" + std::to_string(l.VideoHeight);
}

std::string Clamped(const LayoutRect& rect) {
  const ClampedPosition p = ClampPosition(rect, Work);
  return std::to_string(p.X) + "," + std::to_string(p.Y);
}

}  // namespace

TEST(MainLayout, MinimumSizeCuttingAndScrolling) {
  EXPECT_EQ(Layout({100, 120, 400, 320}, 0, 0).substr(0, 15), "100,120 400x300");  // grown to the minimum
  // Wider than the work area: cut, and a cut window always scrolls.
  EXPECT_EQ(Layout({300, 40, 2000, 640}, 320, 240).substr(0, 33), "0,40 1600x600 scrolls 1584x541 vi");
  EXPECT_EQ(Layout({10, 500, 810, 1800}, 320, 240).substr(0, 13), "10,0 800x1160");  // too tall: at the top
  // The video with its clip frame fits exactly, or scrolls one pixel narrower or lower.
  EXPECT_EQ(Layout({0, 0, 660, 543}, 640, 480), "0,0 660x543 video 644x484");
  EXPECT_EQ(Layout({0, 0, 659, 543}, 640, 480).find("scrolls"), 12u);
  EXPECT_EQ(Layout({0, 0, 660, 542}, 640, 480).find("scrolls"), 12u);
  LayoutRect wide = {100, 150, 1800, 650}, fits = {100, 150, 736, 650};
  EXPECT_TRUE(CutToWorkArea(&wide, Work) && !CutToWorkArea(&fits, Work));  // only the oversized edge is cut
  EXPECT_EQ(std::to_string(wide.Right) + "," + std::to_string(wide.Bottom) + " " + std::to_string(fits.Right),
            "1700,650 736");
}

TEST(ClampPosition, WindowsAreKeptOnTheWorkAreaWithoutOverflow) {
  EXPECT_EQ(Clamped({1500, 100, 1800, 400}) + " " + Clamped({-50, -20, 250, 280}) + " " +
                Clamped({10, 1100, 310, 1300}) + " " + Clamped({0, 0, 1800, 100}),
            "1300,100 0,0 10,960 -200,0");  // larger than the work area: ends on its right edge
  EXPECT_EQ(Clamped({2147483000, 2147483000, 2147483600, 2147483600}), "1000,560");
}
