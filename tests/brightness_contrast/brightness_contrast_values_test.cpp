#include "controls/brightness_contrast_values.h"

#include <gtest/gtest.h>

TEST(BrightnessContrastValues, SliderPositionsNoticesAndIds) {
  // 0..100 onto -127..127, truncating (2 -> 508 / 100 = 5 above -127); outside positions go no further.
  const int cases[][2] = {{0, -127}, {50, 0}, {100, 127}, {2, -122}, {99, 124}, {-5, -127}, {65535, 127}};
  for (const auto& c : cases) EXPECT_EQ(ColorSettingForSlider(c[0]), c[1]) << c[0];
  // Keys read the slider, dragging carries the value; released thumb, Home, End, end of tracking are ignored.
  for (unsigned code : {0u, 1u, 2u, 3u, 4u, 6u, 7u})
    EXPECT_EQ(ClassifySliderNotice(code), SliderNotice::UsePosition) << code;
  EXPECT_EQ(ClassifySliderNotice(5), SliderNotice::UseThumb);
  for (unsigned code : {8u, 0xFFFFu}) EXPECT_EQ(ClassifySliderNotice(code), SliderNotice::Ignore) << code;
  EXPECT_TRUE(ColorSliderForId(32778) == ColorSlider::Brightness && ColorSliderForId(32779) == ColorSlider::Contrast &&
              ColorSliderForId(0) == ColorSlider::None);
}
