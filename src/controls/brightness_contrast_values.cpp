#include "controls/brightness_contrast_values.h"

namespace {

// The trackbar notification codes: 0 to 3 are line up, line down, page up
// and page down; 4 thumb released, 5 thumb tracking, 6 Home, 7 End, 8 end of
// tracking.
constexpr unsigned PageDown = 3;
constexpr unsigned ThumbPosition = 4;
constexpr unsigned ThumbTrack = 5;
constexpr unsigned Top = 6;
constexpr unsigned Bottom = 7;

}  // namespace

int32_t ColorSettingForSlider(int32_t sliderValue) {
  if (sliderValue < ColorSliderMinimum) sliderValue = ColorSliderMinimum;
  if (sliderValue > ColorSliderMaximum) sliderValue = ColorSliderMaximum;
  return sliderValue * 254 / 100 - 127;
}

SliderNotice ClassifySliderNotice(unsigned code) {
  if (code == ThumbTrack) return SliderNotice::UseThumb;
  // The keys and clicks (line and page steps, Home and End) and the thumb's
  // release all leave the slider where the effect must follow; the end of
  // tracking only closes one of them.
  if (code <= PageDown || code == ThumbPosition || code == Top || code == Bottom) return SliderNotice::UsePosition;
  return SliderNotice::Ignore;
}

ColorSlider ColorSliderForId(int controlId) {
  if (controlId == BrightnessSliderId) return ColorSlider::Brightness;
  if (controlId == ContrastSliderId) return ColorSlider::Contrast;
  return ColorSlider::None;
}
