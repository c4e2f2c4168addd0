// The window-position record: each option element read into its own fields, and written back.
#include "options/window_positions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Every field different, so that a field written by mistake shows.
const WindowPositionRecord Sentinels{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12};

// The record as the values of its elements, separated by "|".
std::string Values(const WindowPositionRecord& record) {
  std::string out;
  for (const WindowPositionElement& element : WindowPositionElements) {
    char16_t buffer[100];
    EXPECT_TRUE(FormatWindowPositionValue(element, record, buffer, 100));
    out += (out.empty() ? "" : "|") + std::string(buffer, std::find(buffer, buffer + 100, u'\0'));
  }
  return out;
}

std::string Parsed(const char16_t* name, const char16_t* value, WindowPositionRecord record = Sentinels) {
  ParseWindowPosition(name, &record, value);
  return Values(record);
}

}  // namespace

TEST(WindowPositions, DefaultsAndEachElementReadIntoItsOwnFields) {
  EXPECT_EQ(Values(DefaultWindowPositions), "50, 50|100, 150, 636, 500|150, 550|200, 200|250, 250");
  const std::pair<const char16_t*, const char*> elements[] = {
      {u"MainWindowPosition", "1, 2|-3, -4, -5, -6|-7, -8|-9, -10|-11, -12"},
      {u"MessageWindowPosition", "-1, -2|1, 2, 3, 4|-7, -8|-9, -10|-11, -12"},
      {u"PlaybackControlsWindowPosition", "-1, -2|-3, -4, -5, -6|1, 2|-9, -10|-11, -12"},
      {u"BrightnessContrastWindowPosition", "-1, -2|-3, -4, -5, -6|-7, -8|1, 2|-11, -12"},
      {u"MagnifyWindowPosition", "-1, -2|-3, -4, -5, -6|-7, -8|-9, -10|1, 2"}};
  for (const auto& [name, expected] : elements) EXPECT_EQ(Parsed(name, u"1, 2, 3, 4"), expected);
  // Names are matched exactly; null arguments change nothing.
  const std::string unchanged = Values(Sentinels);
  for (const char16_t* name : {u"mainwindowposition", u"MainWindowPositio", u"MainWindowPositionX", u"",
                               static_cast<const char16_t*>(nullptr)})
    EXPECT_EQ(Parsed(name, u"1, 2, 3, 4"), unchanged);
  EXPECT_EQ(Parsed(u"MainWindowPosition", nullptr), unchanged);
  ParseWindowPosition(u"MainWindowPosition", nullptr, u"1, 2");
}

TEST(WindowPositions, ScanningStopsAtTheFirstMisfitAndClampsTo32Bits) {
  // Blanks may come before a number and after the comma; a sign must touch its digits; decimal only;
  // numbers past 32 bits clamp without wrapping; a long run of digits is consumed whole.
  std::string read;
  for (const std::u16string& value : std::vector<std::u16string>{
           u"7,8", u"  \t7,   \t\r\n8", u"+7, -8", u"-0, 0009", u"7, 8, 9xyz", u"7 , 8", u"7, - 8", u"7", u"- 7, 8",
           u"0x10, 8", u"   ", u"2147483648, -2147483649", u"4294967296, -123456789012345678901234567890",
           u"000000000000000000000000000012, -00000000000000000000000000000034",
           std::u16string(100000, u'9') + u", 5"}) {
    const std::string all = Parsed(u"MainWindowPosition", value.c_str(), DefaultWindowPositions);
    read += all.substr(0, all.find('|') + 1);
  }
  EXPECT_EQ(read,
            "7, 8|7, 8|7, -8|0, 9|7, 8|7, 50|7, 50|7, 50|50, 50|0, 50|50, 50|2147483647, -2147483648|"
            "2147483647, -2147483648|12, -34|2147483647, 5|");
}

TEST(WindowPositions, FormatWritesExtremesAndNeverPastItsBuffer) {
  const WindowPositionRecord record{50, 50, INT32_MIN, INT32_MAX, 636, -7, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Values(record), "50, 50|-2147483648, 2147483647, 636, -7|0, 0|0, 0|0, 0");
  char16_t buffer[8];
  for (std::size_t capacity = 1; capacity <= 8; ++capacity) {
    std::fill(buffer, buffer + 8, u'#');
    EXPECT_FALSE(FormatWindowPositionValue(WindowPositionElements[1], record, buffer, capacity));
    EXPECT_NE(buffer + capacity, std::find(buffer, buffer + capacity, u'\0'));  // terminated
    EXPECT_EQ(std::count(buffer + capacity, buffer + 8, u'#'), 8 - static_cast<long>(capacity));
  }
  EXPECT_FALSE(FormatWindowPositionValue(WindowPositionElements[0], record, nullptr, 100));
}
