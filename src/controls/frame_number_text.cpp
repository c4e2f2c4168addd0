#include "controls/frame_number_text.h"

#include "base/bounded_text.h"

namespace {

void AppendSpaces(char16_t* buffer, std::size_t capacity, int count) {
  for (int i = 0; i < count; ++i) AppendText(buffer, capacity, u" ");
}

// Decimal digits of value, most significant first.
void AppendNumber(char16_t* buffer, std::size_t capacity, uint32_t value) {
  char16_t digits[11];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  char16_t text[12];
  for (std::size_t i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
  text[n] = u'\0';
  AppendText(buffer, capacity, text);
}

}  // namespace

void ComposeFrameNumberText(char16_t* buffer, std::size_t capacity, uint32_t openFrameCount, uint32_t droppedFrameCount,
                            int droppedFramesControlOn, uint32_t frame, int isKeyFrame) {
  CopyText(buffer, capacity, u"");
  if (openFrameCount == 0) return;
  if (droppedFrameCount == 0) {
    AppendSpaces(buffer, capacity, 35);
    AppendText(buffer, capacity, u"Frame Number:  ");
  } else if (droppedFramesControlOn == 0) {
    AppendSpaces(buffer, capacity, 31);
    AppendText(buffer, capacity, u"Key Frame Number:  ");
  } else {
    AppendSpaces(buffer, capacity, 49);
    AppendText(buffer, capacity, isKeyFrame != 0 ? u"Key Frame Number:  " : u"Dropped Frame Number:  ");
  }
  AppendNumber(buffer, capacity, frame);
}

void AppendPlaybackSpeedText(char16_t* buffer, std::size_t capacity, int speed) {
  if (speed < 0 || speed >= PlaybackSpeedCount || speed == NormalPlaybackSpeed) return;
  AppendText(buffer, capacity, u"  (");
  AppendText(buffer, capacity, PlaybackSpeeds[speed].Label);
  AppendText(buffer, capacity, u")");
}
