#include "options/window_positions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

// Every field different, so that a field written by mistake shows.
WindowPositionRecord Sentinels() { return WindowPositionRecord{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12}; }

bool SameRecord(const WindowPositionRecord& a, const WindowPositionRecord& b) {
  return a.MainX == b.MainX && a.MainY == b.MainY && a.MessagesX == b.MessagesX && a.MessagesY == b.MessagesY &&
         a.MessagesWidth == b.MessagesWidth && a.MessagesHeight == b.MessagesHeight && a.PlaybackX == b.PlaybackX &&
         a.PlaybackY == b.PlaybackY && a.BrightnessContrastX == b.BrightnessContrastX &&
         a.BrightnessContrastY == b.BrightnessContrastY && a.MagnifyX == b.MagnifyX && a.MagnifyY == b.MagnifyY;
}

// Parses value as MainWindowPosition into a record holding the defaults.
WindowPositionRecord ParseMain(const char16_t* value) {
  WindowPositionRecord record = DefaultWindowPositions;
  ParseWindowPosition(u"MainWindowPosition", &record, value);
  return record;
}

// For failure messages: the ASCII text of a UTF-16 string.
std::string Narrow(const char16_t* text) {
  std::string out;
  for (; *text != u'\0'; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}

std::u16string Format(const WindowPositionElement& element, const WindowPositionRecord& record) {
  char16_t buffer[100];
  EXPECT_TRUE(FormatWindowPositionValue(element, record, buffer, 100));
  return buffer;
}

}  // namespace

TEST(WindowPositions, DefaultsAreTheBuiltInPlaces) {
  const WindowPositionRecord& d = DefaultWindowPositions;
  EXPECT_EQ(50, d.MainX);
  EXPECT_EQ(50, d.MainY);
  EXPECT_EQ(100, d.MessagesX);
  EXPECT_EQ(150, d.MessagesY);
  EXPECT_EQ(636, d.MessagesWidth);
  EXPECT_EQ(500, d.MessagesHeight);
  EXPECT_EQ(150, d.PlaybackX);
  EXPECT_EQ(550, d.PlaybackY);
  EXPECT_EQ(200, d.BrightnessContrastX);
  EXPECT_EQ(200, d.BrightnessContrastY);
  EXPECT_EQ(250, d.MagnifyX);
  EXPECT_EQ(250, d.MagnifyY);
}

TEST(WindowPositions, EachElementFillsOnlyItsOwnFields) {
  struct Case {
    const char16_t* name;
    const char16_t* value;
    WindowPositionRecord expected;
  };
  const Case cases[] = {
      {u"MainWindowPosition", u"1, 2", {1, 2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12}},
      {u"MessageWindowPosition", u"1, 2, 3, 4", {-1, -2, 1, 2, 3, 4, -7, -8, -9, -10, -11, -12}},
      {u"PlaybackControlsWindowPosition", u"1, 2", {-1, -2, -3, -4, -5, -6, 1, 2, -9, -10, -11, -12}},
      {u"BrightnessContrastWindowPosition", u"1, 2", {-1, -2, -3, -4, -5, -6, -7, -8, 1, 2, -11, -12}},
      {u"MagnifyWindowPosition", u"1, 2, 3, 4", {-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, 1, 2}},
  };
  for (const Case& c : cases) {
    WindowPositionRecord record = Sentinels();
    ParseWindowPosition(c.name, &record, c.value);
    EXPECT_TRUE(SameRecord(c.expected, record)) << Narrow(c.name);
  }
}

TEST(WindowPositions, UnknownNamesAndNullArgumentsChangeNothing) {
  const char16_t* names[] = {u"mainwindowposition",
                             u"MAINWINDOWPOSITION",
                             u"MainWindowPositio",
                             u"MainWindowPositionX",
                             u" MainWindowPosition",
                             u"MessagesWindowPosition",
                             u"Root",
                             u""};
  for (const char16_t* name : names) {
    WindowPositionRecord record = Sentinels();
    ParseWindowPosition(name, &record, u"1, 2, 3, 4");
    EXPECT_TRUE(SameRecord(Sentinels(), record));
  }
  WindowPositionRecord record = Sentinels();
  ParseWindowPosition(nullptr, &record, u"1, 2");
  ParseWindowPosition(u"MainWindowPosition", &record, nullptr);
  ParseWindowPosition(u"MainWindowPosition", nullptr, u"1, 2");
  EXPECT_TRUE(SameRecord(Sentinels(), record));
}

TEST(WindowPositions, ScanningFollowsTheFormatAndStopsAtTheFirstMisfit) {
  struct Case {
    const char16_t* value;
    int32_t x, y;
  };
  const Case cases[] = {
      {u"7, 8", 7, 8},         {u"7,8", 7, 8},                          // no blank after the comma
      {u"7,   \t\r\n8", 7, 8},                                          // any amount of white space after it
      {u"  \t7,8", 7, 8},                                               // leading white space
      {u"+7, -8", 7, -8},                                               // signs
      {u"-0, 0009", 0, 9},                                              // leading zeros
      {u"7, 8xyz", 7, 8},                                               // trailing text is not looked at
      {u"7, 8, 9", 7, 8},      {u"7 , 8", 7, 50},                       // blank before the comma: only X
      {u"7;8", 7, 50},         {u"7,, 8", 7, 50}, {u"7, - 8", 7, 50},   // a sign must touch its digits
      {u"7, x", 7, 50},        {u"7", 7, 50},                           // one number only
      {u"- 7, 8", 50, 50},     {u"+, 8", 50, 50}, {u"0x10, 8", 0, 50},  // decimal only: "0" is read, then "x" stops
      {u"", 50, 50},           {u"   ", 50, 50},  {u"abc", 50, 50},
  };
  for (const Case& c : cases) {
    WindowPositionRecord record = ParseMain(c.value);
    EXPECT_EQ(c.x, record.MainX) << Narrow(c.value);
    EXPECT_EQ(c.y, record.MainY) << Narrow(c.value);
  }
}

TEST(WindowPositions, NumbersBeyond32BitsAreClampedToTheNearestLimit) {
  struct Case {
    const char16_t* value;
    int32_t x, y;
  };
  const Case cases[] = {
      {u"2147483647, -2147483648", INT32_MAX, INT32_MIN},
      {u"2147483648, -2147483649", INT32_MAX, INT32_MIN},
      {u"4294967296, -4294967296", INT32_MAX, INT32_MIN},  // no wrap-around to 0
      {u"123456789012345678901234567890, -123456789012345678901234567890", INT32_MAX, INT32_MIN},
      {u"000000000000000000000000000012, -00000000000000000000000000000034", 12, -34},
  };
  for (const Case& c : cases) {
    WindowPositionRecord record = ParseMain(c.value);
    EXPECT_EQ(c.x, record.MainX);
    EXPECT_EQ(c.y, record.MainY);
  }

  // A long run of digits is consumed whole: the next field still reads.
  std::u16string value(100000, u'9');
  value += u", 5";
  WindowPositionRecord record = ParseMain(value.c_str());
  EXPECT_EQ(INT32_MAX, record.MainX);
  EXPECT_EQ(5, record.MainY);
}

TEST(WindowPositions, FormatWritesSignedDecimalsSeparatedByCommaAndBlank) {
  EXPECT_EQ(u"50, 50", Format(WindowPositionElements[0], DefaultWindowPositions));
  EXPECT_EQ(u"100, 150, 636, 500", Format(WindowPositionElements[1], DefaultWindowPositions));
  EXPECT_EQ(u"150, 550", Format(WindowPositionElements[2], DefaultWindowPositions));
  EXPECT_EQ(u"200, 200", Format(WindowPositionElements[3], DefaultWindowPositions));
  EXPECT_EQ(u"250, 250", Format(WindowPositionElements[4], DefaultWindowPositions));

  WindowPositionRecord record = DefaultWindowPositions;
  record.MessagesX = INT32_MIN;
  record.MessagesY = INT32_MAX;
  record.MessagesWidth = 0;
  record.MessagesHeight = -7;
  EXPECT_EQ(u"-2147483648, 2147483647, 0, -7", Format(WindowPositionElements[1], record));
}

TEST(WindowPositions, FormatNeverWritesPastItsBuffer) {
  WindowPositionRecord record = DefaultWindowPositions;
  record.MessagesX = INT32_MIN;
  char16_t buffer[8];
  for (std::size_t capacity = 1; capacity <= 8; ++capacity) {
    for (char16_t& unit : buffer) unit = u'#';
    EXPECT_FALSE(FormatWindowPositionValue(WindowPositionElements[1], record, buffer, capacity));
    EXPECT_NE(buffer + capacity, std::find(buffer, buffer + capacity, u'\0'));  // terminated
    for (std::size_t i = capacity; i < 8; ++i) EXPECT_EQ(u'#', buffer[i]);
  }
  EXPECT_FALSE(FormatWindowPositionValue(WindowPositionElements[0], record, nullptr, 100));
}
