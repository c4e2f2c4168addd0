// The brightness/contrast window's sliders and what they write to the
// colour-control video effect: the slider scale, the setting each position
// stands for, and how a slider notification is read. No <windows.h>.
#pragma once

#include <cstdint>

// Both sliders run from 0 to 100; 50 is the neutral middle.
constexpr int32_t ColorSliderMinimum = 0;
constexpr int32_t ColorSliderMaximum = 100;
constexpr int32_t ColorSliderNeutral = 50;

// The colour-control settings run from -127 to 127; 0 changes nothing.
constexpr int32_t ColorSettingMinimum = -127;
constexpr int32_t ColorSettingMaximum = 127;

// The sliders' control identifiers.
constexpr int BrightnessSliderId = 32778;
constexpr int ContrastSliderId = 32779;

// The labels under the sliders.
inline constexpr char16_t BrightnessLabelText[] = u"Brightness";
inline constexpr char16_t ContrastLabelText[] = u"Contrast";

// The setting for a slider position: (v x 254) / 100 - 127, the division
// truncating, so 0 -> -127, 50 -> 0, 100 -> 127. A position outside 0..100
// is taken as the nearer end.
int32_t ColorSettingForSlider(int32_t sliderValue);

// How a slider notification (the trackbar's TB_* code) is handled:
//   UseThumb     the thumb is being dragged: the value comes with the notice;
//   UsePosition  an arrow, page, Home or End key, a click in the channel or
//                the thumb released: the value is the slider's position;
//   Ignore       the end of tracking (it follows each of those) and codes
//                no trackbar sends: nothing is written.
enum class SliderNotice { UseThumb, UsePosition, Ignore };
SliderNotice ClassifySliderNotice(unsigned code);

// Which setting a control identifier belongs to.
enum class ColorSlider { None, Brightness, Contrast };
ColorSlider ColorSliderForId(int controlId);
