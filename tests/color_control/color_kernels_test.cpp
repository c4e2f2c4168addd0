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

uint8_t Rgb(int brightness, int contrast, int value) {
  ColorToneTable table;
  BuildRgbToneTable(ColorSettings{brightness, contrast}, &table);
  return table.Map[value];
}

uint8_t Luma(int brightness, int contrast, int value) {
  ColorToneTable table;
  BuildLumaToneTable(ColorSettings{brightness, contrast}, &table);
  return table.Map[value];
}

const ColorPixelFormat AllFormats[] = {ColorPixelFormat::Rgb32, ColorPixelFormat::Rgb24,
                                       ColorPixelFormat::Yuy2};

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
}

TEST(ColorFrameLayout, TopDownFramesHaveTheSameLayout) {
  const ColorFrameLayout up = Layout(ColorPixelFormat::Rgb24, 33, 17);
  const ColorFrameLayout down = Layout(ColorPixelFormat::Rgb24, 33, -17);
  EXPECT_EQ(17u, down.Height);
  EXPECT_EQ(up.FrameBytes, down.FrameBytes);
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
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, ColorMaxDimension,
                                  ColorMaxDimension, &layout));
  EXPECT_FALSE(DescribeColorFrame(ColorPixelFormat::Rgb32, 4, 4, nullptr));
  EXPECT_EQ(77u, layout.Width);  // untouched by the refusals
  EXPECT_TRUE(DescribeColorFrame(ColorPixelFormat::Rgb32, 7680, -4320, &layout));
}

// --- the tone curves ---------------------------------------------------------

TEST(ColorToneCurve, NeutralCurvesKeepEveryValidValue) {
  for (int v = 0; v < 256; ++v) EXPECT_EQ(v, Rgb(0, 0, v));
  for (int v = 16; v <= 235; ++v) EXPECT_EQ(v, Luma(0, 0, v)) << "luma " << v;
}

TEST(ColorToneCurve, KnownValues) {
  EXPECT_EQ(217, Rgb(100, 0, 117));   // plain offset
  EXPECT_EQ(0, Rgb(-127, 0, 100));    // clamped low
  EXPECT_EQ(255, Rgb(127, 0, 200));   // clamped high
  EXPECT_EQ(236, Rgb(0, 64, 200));    // 128 + 72 x 1.5
  EXPECT_EQ(64, Rgb(0, -64, 0));      // 128 - 128 x 0.5
  EXPECT_EQ(0, Rgb(0, 127, 0));       // 128 - 128 x 255/128, clamped
  EXPECT_EQ(129, Rgb(0, -127, 255));  // 127 x 1/128 rounds to one step
  EXPECT_EQ(127, Rgb(0, -127, 0));
  EXPECT_EQ(126 + 109, Luma(127, 0, 126));  // the offset is scaled to 219 steps: 127 -> 109
  EXPECT_EQ(126 - 109, Luma(-127, 0, 126));
  EXPECT_EQ(235, Luma(127, 0, 200));
  EXPECT_EQ(16, Luma(0, 127, 20));
}

TEST(ColorToneCurve, MiddleGreyStaysUnderAnyContrast) {
  for (int c = ColorSettingMin; c <= ColorSettingMax; ++c) {
    EXPECT_EQ(128, Rgb(0, c, 128)) << "contrast " << c;
    EXPECT_EQ(126, Luma(0, c, 126)) << "contrast " << c;
  }
}

TEST(ColorToneCurve, EveryCurveRisesAndStaysInItsRange) {
  for (int b = ColorSettingMin; b <= ColorSettingMax; b += 3) {
    for (int c = ColorSettingMin; c <= ColorSettingMax; c += 3) {
      ColorToneTable rgb, luma;
      BuildRgbToneTable(ColorSettings{b, c}, &rgb);
      BuildLumaToneTable(ColorSettings{b, c}, &luma);
      for (int v = 1; v < 256; ++v) {
        ASSERT_LE(rgb.Map[v - 1], rgb.Map[v]) << b << "," << c << " at " << v;
        ASSERT_LE(luma.Map[v - 1], luma.Map[v]) << b << "," << c << " at " << v;
      }
      if (b != 0 || c != 0) {
        ASSERT_GE(luma.Map[0], 16);
        ASSERT_LE(luma.Map[255], 235);
      }
    }
  }
}

TEST(ColorToneCurve, BrightnessMovesAndContrastSpreads) {
  EXPECT_LT(Rgb(-30, 0, 90), 90);
  EXPECT_GT(Rgb(30, 0, 90), 90);
  // More contrast: dark darker, light lighter; less: both toward the middle.
  EXPECT_LT(Rgb(0, 40, 60), 60);
  EXPECT_GT(Rgb(0, 40, 200), 200);
  EXPECT_GT(Rgb(0, -40, 60), 60);
  EXPECT_LT(Rgb(0, -40, 200), 200);
  // The weakest contrast leaves almost a flat grey.
  for (int v = 0; v < 256; ++v) {
    EXPECT_LE(std::abs(Rgb(0, -127, v) - 128), 1) << v;
  }
}

TEST(ColorToneCurve, OutOfRangeSettingsActAsTheLimits) {
  for (int v = 0; v < 256; v += 5) {
    EXPECT_EQ(Rgb(127, -127, v), Rgb(1000, -1000, v));
    EXPECT_EQ(Luma(-127, 127, v), Luma(INT32_MIN, INT32_MAX, v));
  }
}

TEST(ColorToneCurve, YuyBrightnessLooksLikeRgbBrightness) {
  // A grey g shown through RGB and through video luma (16 + g x 219/255)
  // should end at about the same grey.
  for (int b = ColorSettingMin; b <= ColorSettingMax; b += 10) {
    for (int g = 20; g <= 235; g += 15) {
      const int rgb = Rgb(b, 0, g);
      const int y = Luma(b, 0, 16 + (g * 219 + 127) / 255);
      const int shown = ((y - 16) * 255 + 109) / 219;
      EXPECT_LE(std::abs(shown - rgb), 2) << "b " << b << " grey " << g;
    }
  }
}

// --- whole frames ------------------------------------------------------------

TEST(ColorFrame, NeutralSettingsCopyEveryByte) {
  for (ColorPixelFormat format : AllFormats) {
    const ColorFrameLayout layout = Layout(format, 34, 7);  // RGB24 rows padded
    const std::vector<uint8_t> src = NoiseFrame(layout.FrameBytes, 7);
    std::vector<uint8_t> dst(layout.FrameBytes, 0xEE);
    ASSERT_TRUE(ApplyColorControl(layout, ColorSettings{}, src.data(), src.size(), dst.data(),
                                  dst.size()));
    EXPECT_EQ(src, dst);
  }
}

TEST(ColorFrame, RgbChannelsGoThroughTheCurveEachOnItsOwn) {
  const ColorSettings settings{-20, 50};
  ColorToneTable table;
  BuildRgbToneTable(settings, &table);
  for (ColorPixelFormat format : {ColorPixelFormat::Rgb32, ColorPixelFormat::Rgb24}) {
    const ColorFrameLayout layout = Layout(format, 13, 5);
    const uint32_t pixelBytes = format == ColorPixelFormat::Rgb32 ? 4 : 3;
    const std::vector<uint8_t> src = NoiseFrame(layout.FrameBytes, 11);
    std::vector<uint8_t> dst(layout.FrameBytes);
    ASSERT_TRUE(ApplyColorControl(layout, settings, src.data(), src.size(), dst.data(),
                                  dst.size()));
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
  BuildLumaToneTable(settings, &table);
  const ColorFrameLayout layout = Layout(ColorPixelFormat::Yuy2, 10, 4);
  const std::vector<uint8_t> src = NoiseFrame(layout.FrameBytes, 3);
  std::vector<uint8_t> dst(layout.FrameBytes);
  ASSERT_TRUE(ApplyColorControl(layout, settings, src.data(), src.size(), dst.data(),
                                dst.size()));
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
    ASSERT_TRUE(ApplyColorControl(layout, settings, frame.data(), frame.size(), copied.data(),
                                  copied.size()));
    ASSERT_TRUE(ApplyColorControl(layout, settings, frame.data(), frame.size(), frame.data(),
                                  frame.size()));
    EXPECT_EQ(copied, frame);
  }
}

TEST(ColorFrame, ShortBuffersAndBadLayoutsAreRefusedUntouched) {
  const ColorFrameLayout layout = Layout(ColorPixelFormat::Rgb32, 8, 8);
  const std::vector<uint8_t> src = NoiseFrame(layout.FrameBytes, 1);
  std::vector<uint8_t> dst(layout.FrameBytes, 0x5A);
  const std::vector<uint8_t> untouched = dst;
  const ColorSettings settings{10, 10};
  EXPECT_FALSE(ApplyColorControl(layout, settings, src.data(), src.size() - 1, dst.data(),
                                 dst.size()));
  EXPECT_FALSE(ApplyColorControl(layout, settings, src.data(), src.size(), dst.data(),
                                 dst.size() - 1));
  EXPECT_FALSE(ApplyColorControl(layout, settings, nullptr, src.size(), dst.data(), dst.size()));
  EXPECT_FALSE(ApplyColorControl(layout, settings, src.data(), src.size(), nullptr, dst.size()));
  // A layout whose byte counts do not follow from its size, e.g. a forged
  // stride that would walk past the buffer.
  ColorFrameLayout forged = layout;
  forged.Stride = layout.Stride * 2;
  EXPECT_FALSE(ApplyColorControl(forged, settings, src.data(), src.size(), dst.data(),
                                 dst.size()));
  ColorFrameLayout empty;
  EXPECT_FALSE(ApplyColorControl(empty, settings, src.data(), src.size(), dst.data(),
                                 dst.size()));
  EXPECT_EQ(untouched, dst);
}

TEST(ColorFrame, LongerBuffersAreUsedOnlyForOneFrame) {
  const ColorFrameLayout layout = Layout(ColorPixelFormat::Yuy2, 4, 2);
  const std::vector<uint8_t> src = NoiseFrame(layout.FrameBytes + 16, 9);
  std::vector<uint8_t> dst(layout.FrameBytes + 16, 0x33);
  ASSERT_TRUE(ApplyColorControl(layout, ColorSettings{5, 0}, src.data(), src.size(), dst.data(),
                                dst.size()));
  for (std::size_t i = layout.FrameBytes; i < dst.size(); ++i) EXPECT_EQ(0x33, dst[i]);
}
