// The status line's text for each kind of file and frame, to the character.
#include "controls/frame_number_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Compose(uint32_t openFrames, uint32_t dropped, int controlOn, uint32_t frame, int key) {
  char16_t text[FrameNumberTextUnits];
  ComposeFrameNumberText(text, FrameNumberTextUnits, openFrames, dropped, controlOn, frame, key);
  return text;
}

std::u16string Spaces(size_t n) { return std::u16string(n, u' '); }

}  // namespace

TEST(FrameNumberText, LabelAndIndentFollowTheFileAndTheDroppedFrameControl) {
  EXPECT_EQ(Compose(0, 5, 1, 17, 0), u"");  // no file open
  // Without drops, whatever the key flag and the control: a plain frame number, up to the end position.
  EXPECT_EQ(Compose(300, 0, 1, 299, 0) + Compose(300, 0, 0, 300, 1),
            Spaces(35) + u"Frame Number:  299" + Spaces(35) + u"Frame Number:  300");
  // Drops with the control off: key frame numbers for every frame.
  EXPECT_EQ(Compose(300, 4, 0, 43, 0), Spaces(31) + u"Key Frame Number:  43");
  // Drops with the control on: key and dropped frames told apart.
  EXPECT_EQ(Compose(300, 4, 1, 42, 1), Spaces(49) + u"Key Frame Number:  42");
  EXPECT_EQ(Compose(4294967295u, 1, 1, 4294967295u, 0), Spaces(49) + u"Dropped Frame Number:  4294967295");

  // A small buffer is cut, not overrun.
  char16_t text[20];
  std::fill(text, text + 20, u'#');
  ComposeFrameNumberText(text, 10, 300, 0, 0, 123, 1);
  EXPECT_EQ(std::u16string(text) + text[10], Spaces(9) + u"#");
}

TEST(FrameNumberText, SpeedFollowsTheLineOnlyWhileNotNormal) {
  std::u16string line;
  for (int speed : {-1, 0, 1, NormalPlaybackSpeed, 3, 4, PlaybackSpeedCount}) {
    char16_t text[FrameNumberTextUnits] = u"|";
    AppendPlaybackSpeedText(text, FrameNumberTextUnits, speed);
    line += text;
  }
  EXPECT_EQ(line, u"||  (0.25x)|  (0.5x)||  (2x)|  (4x)|");
}
