#include "color_control/color_kernels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

ColorFrameLayout Layout(ColorPixelFormat format, int32_t width, int32_t height) {
  ColorFrameLayout layout;
  EXPECT_TRUE(DescribeColorFrame(format, width, height, &layout));
  return layout;
}

std::vector<uint8_t> NoiseFrame(std::size_t bytes, uint32_t seed) {
  std::vector<uint8_t> frame(bytes);
  for (uint8_t& byte : frame) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(seed >> 24);
  }
  return frame;
}

// The curve's value for one input value.
int Tone(int brightness, int contrast, int value) {
  ColorToneTable table;
  BuildToneTable(ColorSettings{brightness, contrast}, &table);
  return table.Map[value];
}

const ColorPixelFormat AllFormats[] = {ColorPixelFormat::Rgb32, ColorPixelFormat::Rgb24, ColorPixelFormat::Yuy2};

}  // namespace

// --- frame geometry ----------------------------------------------------------

TEST(ColorFrameLayout, RowsArePaddedToFourBytes) {
  EXPECT_EQ(4u, Layout(ColorPixelFormat::Rgb24, 1, 1).Stride);
  EXPECT_EQ(12u, Layout(ColorPixelFormat::Rgb24, 3, 1).Stride);
  EXPECT_EQ(9u, Layout(ColorPixelFormat::Rgb24, 3, 1).RowBytes);
  EXPECT_EQ(12u, Layout(ColorPixelFormat::Rgb24, 4, 1).Stride);
  EXPECT_EQ(8u, Layout(ColorPixelFormat::Yuy2, 4, 1).Stride);
  EXPECT_EQ(12u, Layout(ColorPixelFormat::Yuy2, 6, 1).Stride);
  const ColorFrameLayout rgb32 = Layout(ColorPixelFormat::Rgb32, 160, 120);
  EXPECT_EQ(640u, rgb32.Stride);
  EXPECT_EQ(640u * 120u, rgb32.FrameBytes);
  const ColorFrameLayout rgb24 = Layout(ColorPixelFormat::Rgb24, 161, 3);
  EXPECT_EQ(484u, rgb24.Stride);
  EXPECT_EQ(484u * 3u, rgb24.FrameBytes);
  // Top-down rows (negative height): the same layout.
  const ColorFrameLayout down = Layout(ColorPixelFormat::Rgb24, 161, -3);
  EXPECT_EQ(3u, down.Height);
  EXPECT_EQ(rgb24.FrameBytes, down.FrameBytes);
}

TEST(ColorFrameLayout, RefusesImpossibleAndOversizedFrames) {
  ColorFrameLayout layout;
  layout.Width = 77;
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, 0, 10, &layout));
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, -4, 10, &layout));
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, 4, 0, &layout));
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Yuy2, 5, 10, &layout));
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, INT32_MAX, 1, &layout));
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, 1, INT32_MIN, &layout));
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, ColorMaxDimension + 1, 1, &layout));
  // Each side within the limit, the whole frame not (16384 x 16384 x 4 bytes).
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, ColorMaxDimension, ColorMaxDimension, &layout));
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, 4, 4, nullptr));
  EXPECT_EQ(77u, layout.Width);  // untouched by the refusals
  EXPECT_TRUE(DescribeColorFrame(ColorPixelFormat::Rgb32, 7680, -4320, &layout));
}

// --- the tone curves ---------------------------------------------------------

TEST(ColorToneCurve, NeutralCurveKeepsEveryValue) {
  for (int v = 0; v < 256; ++v) EXPECT_EQ(v, Tone(0, 0, v));
}

TEST(ColorToneCurve, KnownValues) {
  EXPECT_EQ(217, Tone(100, 0, 117));   // plain offset
  EXPECT_EQ(0, Tone(-127, 0, 100));    // clamped low
  EXPECT_EQ(255, Tone(127, 0, 200));   // clamped high
  EXPECT_EQ(236, Tone(0, 64, 200));    // 128 + 72 x 1.5
  EXPECT_EQ(111, Tone(0, 64, 117));    // 128 - 16.5, rounded away from the middle
  EXPECT_EQ(64, Tone(0, -64, 0));      // 128 - 128 x 0.5
  EXPECT_EQ(0, Tone(0, 127, 0));       // 128 - 128 x 255/128, clamped
  EXPECT_EQ(129, Tone(0, -127, 255));  // 127 x 1/128 rounds to one step
  EXPECT_EQ(127, Tone(0, -127, 0));
  EXPECT_EQ(255, Tone(127, -127, 96));  // the sliders at 100 and 0: flat and light
  EXPECT_EQ(2, Tone(-127, -127, 200));  // ... and at 0 and 0: flat and dark
  EXPECT_EQ(178, Tone(50, 0, 128));     // contrast does not move the middle grey
}

TEST(ColorToneCurve, MiddleGreyStaysUnderAnyContrast) {
  for (int c = ColorSettingMin; c <= ColorSettingMax; ++c) {
    EXPECT_EQ(128, Tone(0, c, 128)) << "contrast " << c;
  }
}

TEST(ColorToneCurve, EveryCurveRises) {
  for (int b = ColorSettingMin; b <= ColorSettingMax; b += 3) {
    for (int c = ColorSettingMin; c <= ColorSettingMax; c += 3) {
      ColorToneTable table;
      BuildToneTable(ColorSettings{b, c}, &table);
      for (int v = 1; v < 256; ++v) {
        ASSERT_LE(table.Map[v - 1], table.Map[v]) << b << "," << c << " at " << v;
      }
    }
  }
}

TEST(ColorToneCurve, BrightnessMovesAndContrastSpreads) {
  EXPECT_EQ(60, Tone(-30, 0, 90));
  EXPECT_EQ(120, Tone(30, 0, 90));
  // More contrast: dark darker, light lighter; less: both toward the middle.
  EXPECT_LT(Tone(0, 40, 60), 60);
  EXPECT_GT(Tone(0, 40, 200), 200);
  EXPECT_GT(Tone(0, -40, 60), 60);
  EXPECT_LT(Tone(0, -40, 200), 200);
  // The weakest contrast leaves almost a flat grey.
  for (int v = 0; v < 256; ++v) {
    EXPECT_LE(std::abs(Tone(0, -127, v) - 128), 1) << v;
  }
}

TEST(ColorToneCurve, OutOfRangeSettingsActAsTheLimits) {
  for (int v = 0; v < 256; v += 5) {
    EXPECT_EQ(Tone(127, -127, v), Tone(1000, -1000, v));
    EXPECT_EQ(Tone(-127, 127, v), Tone(INT32_MIN, INT32_MAX, v));
  }
}

// --- whole frames ------------------------------------------------------------

TEST(ColorFrame, NeutralSettingsCopyEveryByte) {
  for (ColorPixelFormat format : AllFormats) {
    const ColorFrameLayout layout = Layout(format, 34, 7);  // RGB24 rows padded
    const std::vector<uint8_t> src = NoiseFrame(layout.FrameBytes, 7);
    std::vector<uint8_t> dst(layout.FrameBytes, 0xEE);
    ASSERT_TRUE(ApplyColorControl(layout, ColorSettings{}, src.data(), src.size(), dst.data(), dst.size()));
    EXPECT_EQ(src, dst);
  }
}

TEST(ColorFrame, RgbColourBytesGoThroughTheCurve) {
  const ColorSettings settings{-20, 50};
  ColorToneTable table;
  BuildToneTable(settings, &table);
  for (ColorPixelFormat format : {ColorPixelFormat::Rgb32, ColorPixelFormat::Rgb24}) {
    const ColorFrameLayout layout = Layout(format, 13, 5);
    const uint32_t pixelBytes = format == ColorPixelFormat::Rgb32 ? 4 : 3;
    const std::vector<uint8_t> src = NoiseFrame(layout.FrameBytes, 11);
    std::vector<uint8_t> dst(layout.FrameBytes);
    ASSERT_TRUE(ApplyColorControl(layout, settings, src.data(), src.size(), dst.data(), dst.size()));
    for (uint32_t row = 0; row < layout.Height; ++row) {
      for (uint32_t i = 0; i < layout.Stride; ++i) {
        const std::size_t at = static_cast<std::size_t>(row) * layout.Stride + i;
        const bool padding = i >= layout.RowBytes;
        const bool fourth = pixelBytes == 4 && i % 4 == 3;
        if (padding || fourth) {
          ASSERT_EQ(src[at], dst[at]) << "row " << row << " byte " << i;
        } else {
          ASSERT_EQ(table.Map[src[at]], dst[at]) << "row " << row << " byte " << i;
        }
      }
    }
  }
}

TEST(ColorFrame, YuyChangesLumaOnly) {
  const ColorSettings settings{60, -30};
  ColorToneTable table;
  BuildToneTable(settings, &table);
  const ColorFrameLayout layout = Layout(ColorPixelFormat::Yuy2, 10, 4);
  const std::vector<uint8_t> src = NoiseFrame(layout.FrameBytes, 3);
  std::vector<uint8_t> dst(layout.FrameBytes);
  ASSERT_TRUE(ApplyColorControl(layout, settings, src.data(), src.size(), dst.data(), dst.size()));
  for (std::size_t i = 0; i < src.size(); ++i) {
    if (i % 2 == 0) {
      ASSERT_EQ(table.Map[src[i]], dst[i]) << i;
    } else {
      ASSERT_EQ(src[i], dst[i]) << i;
    }
  }
}

TEST(ColorFrame, InPlaceGivesTheSameResult) {
  const ColorSettings settings{25, 25};
  for (ColorPixelFormat format : AllFormats) {
    const ColorFrameLayout layout = Layout(format, 6, 3);
    std::vector<uint8_t> frame = NoiseFrame(layout.FrameBytes, 5);
    std::vector<uint8_t> copied(layout.FrameBytes);
    ASSERT_TRUE(ApplyColorControl(layout, settings, frame.data(), frame.size(), copied.data(), copied.size()));
    ASSERT_TRUE(ApplyColorControl(layout, settings, frame.data(), frame.size(), frame.data(), frame.size()));
    EXPECT_EQ(copied, frame);
  }
}

TEST(ColorFrame, ShortBuffersAndBadLayoutsAreRefusedUntouched) {
  const ColorFrameLayout layout = Layout(ColorPixelFormat::Rgb32, 8, 8);
  const std::vector<uint8_t> src = NoiseFrame(layout.FrameBytes, 1);
  std::vector<uint8_t> dst(layout.FrameBytes, 0x5A);
  const std::vector<uint8_t> untouched = dst;
  const ColorSettings settings{10, 10};
  EXPECT_FALSE(ApplyColorControl(layout, settings, src.data(), src.size() - 1, dst.data(), dst.size()));
  EXPECT_FALSE(ApplyColorControl(layout, settings, src.data(), src.size(), dst.data(), dst.size() - 1));
  EXPECT_FALSE(ApplyColorControl(layout, settings, nullptr, src.size(), dst.data(), dst.size()));
  EXPECT_FALSE(ApplyColorControl(layout, settings, src.data(), src.size(), nullptr, dst.size()));
  // A layout whose byte counts do not follow from its size, e.g. a forged
  // stride that would walk past the buffer.
  ColorFrameLayout forged = layout;
  forged.Stride = layout.Stride * 2;
  EXPECT_FALSE(ApplyColorControl(forged, settings, src.data(), src.size(), dst.data(), dst.size()));
  ColorFrameLayout empty;
  EXPECT_FALSE(ApplyColorControl(empty, settings, src.data(), src.size(), dst.data(), dst.size()));
  EXPECT_EQ(untouched, dst);

  // A longer output buffer: only one frame of it is written.
  std::vector<uint8_t> longer(layout.FrameBytes + 16, 0x33);
  ASSERT_TRUE(ApplyColorControl(layout, settings, src.data(), src.size(), longer.data(), longer.size()));
  for (std::size_t i = layout.FrameBytes; i < longer.size(); ++i) EXPECT_EQ(0x33, longer[i]);
}
