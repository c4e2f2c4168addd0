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

// Each window is kept on the work area of the monitor it is on; the monitors
// beside the primary one lie at negative coordinates or beyond its edge.
TEST(ClampPosition, EachMonitorKeepsItsOwnWindows) {
  // Two monitors: a smaller one left of and above the primary one.
  const LayoutRect left = {-1280, -200, 0, 824};
  const auto on = [](const LayoutRect& work, const LayoutRect& r) {
    const ClampedPosition p = ClampPosition(r, work);
    return std::to_string(p.X) + "," + std::to_string(p.Y);
  };
  EXPECT_EQ(on(left, {-1000, -100, -400, 300}), "-1000,-100");   // stays where it was put
  EXPECT_EQ(on(left, {-1400, -300, -800, 100}), "-1280,-200");   // past the outer edges
  EXPECT_EQ(on(left, {-300, 700, 300, 1000}), "-600,524");       // past the inner ones
  EXPECT_EQ(on(left, {-1280, -200, 220, 200}), "-1500,-200");    // wider: ends on the right edge

  // Three monitors: a portrait one on the right with its taskbar on its left
  // side, the primary one with its taskbar at the bottom.
  const LayoutRect primary = {0, 0, 2560, 1400}, right = {2600, -500, 3640, 1420};
  EXPECT_EQ(on(right, {2570, -600, 3170, -200}), "2600,-500");
  EXPECT_EQ(on(primary, {2000, 1300, 2600, 1500}), "1960,1200");
  const MainLayout cut = ComputeMainLayout({2700, -400, 4000, 2000}, right, Frames, 320, 240);
  EXPECT_EQ(std::to_string(cut.X) + "," + std::to_string(cut.Y) + " " + std::to_string(cut.Width) + "x" +
                std::to_string(cut.Height),
            "2600,-500 1040x1920");
}

TEST(ScaleForDpi, ChromeLengthsAtCommonScales) {
  EXPECT_EQ(ScaleForDpi(100, 96), 100);
  EXPECT_EQ(ScaleForDpi(100, 144), 150);
  EXPECT_EQ(ScaleForDpi(3, 120), 4);  // 3.75
  EXPECT_EQ(ScaleForDpi(230, 168), 403);  // 402.5 rounds up
  EXPECT_EQ(ScaleForDpi(-7, 144), -11);   // -10.5 rounds away from zero
  // The minimum size of the main window grows with the scale.
  const MainLayout small = ComputeMainLayout({0, 0, 10, 10}, Work, Frames, 0, 0, 192);
  EXPECT_EQ(std::to_string(small.Width) + "x" + std::to_string(small.Height), "800x600");
}
