// The pixel arithmetic of the colour control: the tone curve and whole frames.
#include "color_control/color_kernels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

constexpr ColorPixelFormat Rgb32 = ColorPixelFormat::Rgb32, Rgb24 = ColorPixelFormat::Rgb24,
                           Yuy2 = ColorPixelFormat::Yuy2;

// {brightness, contrast, in, out}: contrast scales the distance from 128 by (128 + c) / 128, rounded
// half away from zero; brightness is added; clamped to 0..255; settings beyond -127..127 act as the limits.
TEST(ColorToneCurve, KnownValues) {
  const int cases[][4] = {{0, 0, 0, 0},           {0, 0, 77, 77},       {0, 0, 255, 255},     {100, 0, 117, 217},
                          {-30, 0, 90, 60},       {127, 0, 200, 255},   {-127, 0, 100, 0},    {0, 64, 200, 236},
                          {0, 64, 117, 111},      {0, -64, 0, 64},      {0, 127, 0, 0},       {0, 127, 255, 255},
                          {0, -127, 255, 129},    {0, -127, 0, 127},    {0, 127, 128, 128},   {0, -127, 128, 128},
                          {50, 0, 128, 178},      {127, -127, 96, 255}, {-127, -127, 200, 2}, {0, 1000, 100, 72},
                          {INT32_MIN, 0, 200, 73}};
  for (const auto& c : cases) {
    ColorToneTable table;
    BuildToneTable(ColorSettings{c[0], c[1]}, &table);
    EXPECT_EQ(c[3], table.Map[c[2]]) << c[0] << "/" << c[1] << " at " << c[2];
  }
}

// {format, width, height, settings, row bytes, stride}: colour bytes go through the curve; the fourth
// byte of RGB32, the chroma of YUY2 and the row padding are copied; neutral settings copy the frame.
TEST(ColorFrame, ColourBytesThroughTheCurveTheRestCopied) {
  const std::tuple<ColorPixelFormat, int32_t, int32_t, ColorSettings, uint32_t, uint32_t> cases[] = {
      {Rgb32, 13, 5, {-20, 50}, 52, 52}, {Rgb24, 13, -5, {0, 50}, 39, 40}, {Rgb24, 1, 3, {127, 0}, 3, 4},
      {Yuy2, 10, 4, {60, -30}, 20, 20},  {Rgb32, 7, 2, {}, 28, 28},        {Rgb24, 7, 2, {}, 21, 24},
      {Yuy2, 6, 2, {}, 12, 12}};
  for (const auto& [format, width, height, settings, rowBytes, stride] : cases) {
    ColorFrameLayout layout;
    ASSERT_TRUE(DescribeColorFrame(format, width, height, &layout));
    ASSERT_EQ(stride * static_cast<uint32_t>(height < 0 ? -height : height), layout.FrameBytes);
    std::vector<uint8_t> src(layout.FrameBytes), dst(layout.FrameBytes, 0xEE);
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 37 + 11);
    ASSERT_TRUE(ApplyColorControl(layout, settings, src.data(), src.size(), dst.data(), dst.size()));
    ColorToneTable table;
    BuildToneTable(settings, &table);
    for (std::size_t i = 0; i < src.size(); ++i) {
      const std::size_t x = i % stride;
      const bool kept = x >= rowBytes || (format == Rgb32 && x % 4 == 3) || (format == Yuy2 && x % 2 == 1);
      ASSERT_EQ(kept ? src[i] : table.Map[src[i]], dst[i]) << width << "x" << height << " byte " << i;
    }
  }
}
