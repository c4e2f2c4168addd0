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

// Each vector instruction set this processor runs gives the scalar path's (the tables') bytes, out of place and
// in place; false after the first difference.
bool VectorPathsAsScalar(const ColorFrameLayout& layout, const ColorSettings& s, const std::vector<uint8_t>& src) {
  std::vector<uint8_t> expected(src.size(), 0xEE);
  EXPECT_TRUE(ApplyColorControlUsing(ColorKernelIsa::Scalar, layout, s, src.data(), src.size(), expected.data(),
                                     expected.size()));
  for (ColorKernelIsa isa : {ColorKernelIsa::Sse2, ColorKernelIsa::Avx2}) {
    if (static_cast<int>(isa) > static_cast<int>(BestColorKernelIsa())) continue;
    std::vector<uint8_t> dst(src.size(), 0x11), frame = src;
    EXPECT_TRUE(ApplyColorControlUsing(isa, layout, s, src.data(), src.size(), dst.data(), dst.size()));
    EXPECT_TRUE(ApplyColorControlUsing(isa, layout, s, frame.data(), frame.size(), frame.data(), frame.size()));
    EXPECT_TRUE(dst == expected && frame == expected)
        << "isa " << static_cast<int>(isa) << " at " << s.Brightness << "/" << s.Contrast;
    if (dst != expected || frame != expected) return false;
  }
  return true;
}

// Every byte value in a colour position of the vectors' blocks, every contrast, brightness over its range.
TEST(ColorKernelPaths, EveryByteAndContrastAsTheTables) {
  for (ColorPixelFormat format : {Rgb32, Rgb24, Yuy2}) {
    ColorFrameLayout layout;
    ASSERT_TRUE(DescribeColorFrame(format, 256, 1, &layout));
    std::vector<uint8_t> src(layout.FrameBytes);
    const uint32_t bytesPerPixel = layout.RowBytes / layout.Width;
    for (uint32_t x = 0; x < layout.Width; ++x) {  // pixel x holds the value x in its colour bytes
      for (uint32_t b = 0; b < bytesPerPixel; ++b) src[x * bytesPerPixel + b] = static_cast<uint8_t>(x + b * 85);
    }
    if (format == Yuy2) {
      for (uint32_t x = 0; x < layout.Width; ++x) src[2 * x] = static_cast<uint8_t>(x);
    }
    for (int32_t brightness = -127; brightness <= 127; brightness += brightness < 120 ? 9 : 7) {
      for (int32_t contrast = -127; contrast <= 127; ++contrast)
        ASSERT_TRUE(VectorPathsAsScalar(layout, {brightness, contrast}, src)) << "format " << static_cast<int>(format);
    }
  }
}

// Random frames of odd widths (RGB24 rows then end in padding).
TEST(ColorKernelPaths, RandomFramesAsTheTables) {
  uint32_t seed = 2024;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<uint8_t>(seed >> 24);
  };
  const ColorSettings settings[] = {{40, 30}, {-127, 127}, {127, -127}, {0, 1}, {-1, 0}, {300, -300}};
  const int32_t widths[] = {1, 3, 5, 7, 9, 15, 17, 31, 33, 63, 65, 129, 641};
  for (ColorPixelFormat format : {Rgb32, Rgb24, Yuy2}) {
    for (int32_t width : widths) {
      if (format == Yuy2) ++width;  // YUY2 pairs: 2, 4, 6, 8, 10, 16, 18, ...
      ColorFrameLayout layout;
      ASSERT_TRUE(DescribeColorFrame(format, width, -3, &layout));
      std::vector<uint8_t> src(layout.FrameBytes);
      for (uint8_t& byte : src) byte = next();
      for (const ColorSettings& s : settings) EXPECT_TRUE(VectorPathsAsScalar(layout, s, src)) << "width " << width;
    }
  }
}
