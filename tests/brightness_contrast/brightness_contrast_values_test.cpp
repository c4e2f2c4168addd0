#include "controls/brightness_contrast_values.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorSettingForSliderTest, TheEndsAndTheMiddleGiveTheFullRangeAndNeutral) {
  EXPECT_EQ(-127, ColorSettingForSlider(0));
  EXPECT_EQ(0, ColorSettingForSlider(50));
  EXPECT_EQ(127, ColorSettingForSlider(100));
  EXPECT_EQ(-122, ColorSettingForSlider(2));  // 508 / 100 truncates to 5
  EXPECT_EQ(124, ColorSettingForSlider(99));  // 25146 / 100 truncates to 251
  // A thumb position from outside the slider's range goes no further.
  EXPECT_EQ(-127, ColorSettingForSlider(-5));
  EXPECT_EQ(127, ColorSettingForSlider(65535));
}

TEST(SliderNoticeTest, KeysReadTheSliderDraggingCarriesTheValueTheRestIsIgnored) {
  for (unsigned code : {0u, 1u, 2u, 3u}) EXPECT_EQ(SliderNotice::UsePosition, ClassifySliderNotice(code)) << code;
  EXPECT_EQ(SliderNotice::UseThumb, ClassifySliderNotice(5));
  // Thumb released, Home, End, end of tracking, anything else.
  for (unsigned code : {4u, 6u, 7u, 8u, 0xFFFFu}) EXPECT_EQ(SliderNotice::Ignore, ClassifySliderNotice(code)) << code;
  EXPECT_EQ(ColorSlider::Brightness, ColorSliderForId(32778));
  EXPECT_EQ(ColorSlider::Contrast, ColorSliderForId(32779));
  EXPECT_EQ(ColorSlider::None, ColorSliderForId(0));
}

}  // namespace
