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

TEST(FrameNumberText, EmptyWhileNoFileIsOpen) {
  EXPECT_EQ(Compose(0, 0, 0, 0, 1), u"");
  EXPECT_EQ(Compose(0, 5, 1, 17, 0), u"");
}

TEST(FrameNumberText, FilesWithoutDropsShowAPlainFrameNumber) {
  EXPECT_EQ(Compose(300, 0, 0, 0, 1), Spaces(35) + u"Frame Number:  0");
  // The label does not depend on the key flag or on the control switch.
  EXPECT_EQ(Compose(300, 0, 1, 299, 0), Spaces(35) + u"Frame Number:  299");
}

TEST(FrameNumberText, DroppedFramesWithTheControlOffShowKeyFrameNumbers) {
  EXPECT_EQ(Compose(300, 4, 0, 42, 1), Spaces(31) + u"Key Frame Number:  42");
  EXPECT_EQ(Compose(300, 4, 0, 43, 0), Spaces(31) + u"Key Frame Number:  43");
}

TEST(FrameNumberText, DroppedFramesWithTheControlOnTellKeyAndDroppedApart) {
  EXPECT_EQ(Compose(300, 4, 1, 42, 1), Spaces(49) + u"Key Frame Number:  42");
  EXPECT_EQ(Compose(300, 4, 1, 43, 0), Spaces(49) + u"Dropped Frame Number:  43");
}

TEST(FrameNumberText, TheEndPositionAndTheLargestNumbersAreWrittenWhole) {
  EXPECT_EQ(Compose(300, 0, 0, 300, 1), Spaces(35) + u"Frame Number:  300");
  EXPECT_EQ(Compose(4294967295u, 1, 1, 4294967295u, 0), Spaces(49) + u"Dropped Frame Number:  4294967295");
}

TEST(FrameNumberText, ASmallBufferIsCutNotOverrun) {
  char16_t text[20];
  for (char16_t& c : text) c = u'#';
  ComposeFrameNumberText(text, 10, 300, 0, 0, 123, 1);
  EXPECT_EQ(std::u16string(text), Spaces(9));
  EXPECT_EQ(text[10], u'#');
}

}  // namespace
