#include "app/frame_entry.h"

#include <gtest/gtest.h>

TEST(FrameEntryTest, OnlyFramesOfTheFileAreValid) {
  using E = FrameEntry;
  struct Case {
    const char16_t* Text;
    uint32_t FrameCount;
    FrameEntry Expected;
    uint32_t Frame;  // for Valid; otherwise the frame is left alone
  } const cases[] = {
      {u"0", 120, E::Valid, 0}, {u" 119\t", 120, E::Valid, 119}, {u"4294967294", UINT32_MAX, E::Valid, 4294967294u},
      {u"120", 120, E::OutOfRange, 777}, {u"0", 0, E::OutOfRange, 777}, {u"4294967296", UINT32_MAX, E::OutOfRange, 777},
      {u"123456789012345678901234567890", 120, E::OutOfRange, 777}, {u"  ", 120, E::Empty, 777},
      {u"-1", 120, E::NotANumber, 777}, {u"1.5", 120, E::NotANumber, 777}, {u"1 2", 120, E::NotANumber, 777},
  };
  for (const Case& c : cases) {
    uint32_t frame = 777;
    EXPECT_EQ(c.Expected, ParseFrameEntry(c.Text, c.FrameCount, &frame)) << (&c - cases);
    EXPECT_EQ(c.Frame, frame) << (&c - cases);
  }
}
