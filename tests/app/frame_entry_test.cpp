#include "app/frame_entry.h"

#include <gtest/gtest.h>

#include <string>

TEST(FrameEntryTest, OnlyFramesOfTheFileAreValid) {
  struct Case {
    const char16_t* Text;
    uint32_t FrameCount;
    FrameEntry Expected;
    uint32_t Frame;
  };
  const Case cases[] = {
      {u"0", 120, FrameEntry::Valid, 0},           {u" 119\t", 120, FrameEntry::Valid, 119},
      {u"007", 120, FrameEntry::Valid, 7},         {u"4294967294", UINT32_MAX, FrameEntry::Valid, 4294967294u},
      {u"120", 120, FrameEntry::OutOfRange, 0},    {u"4294967296", UINT32_MAX, FrameEntry::OutOfRange, 0},
      {u"0", 0, FrameEntry::OutOfRange, 0},        {u"123456789012345678901234567890", 120, FrameEntry::OutOfRange, 0},
      {u"", 120, FrameEntry::Empty, 0},            {u"   ", 120, FrameEntry::Empty, 0},
      {u"-1", 120, FrameEntry::NotANumber, 0},     {u"+5", 120, FrameEntry::NotANumber, 0},
      {u"1.5", 120, FrameEntry::NotANumber, 0},    {u"12a", 120, FrameEntry::NotANumber, 0},
      {u"1 2", 120, FrameEntry::NotANumber, 0},    {u"abc", 120, FrameEntry::NotANumber, 0},
  };
  for (const Case& c : cases) {
    uint32_t frame = 777;
    const std::u16string text(c.Text);
    EXPECT_EQ(c.Expected, ParseFrameEntry(c.Text, c.FrameCount, &frame)) << std::string(text.begin(), text.end());
    EXPECT_EQ(c.Expected == FrameEntry::Valid ? c.Frame : 777u, frame) << std::string(text.begin(), text.end());
  }
}
