#include "base/bounded_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(BoundedText, CopiesAndAppendsNeverPastTheBuffer) {
  char16_t buffer[8 + 4];
  std::fill(buffer, buffer + 12, u'#');
  ASSERT_TRUE(CopyText(buffer, 8, u"abc"));
  EXPECT_FALSE(AppendText(buffer, 8, u"defghijk"));
  EXPECT_EQ(std::u16string(buffer) + std::u16string(buffer + 8, 4), u"abcdefg####");
  wchar_t wide[4] = L"xy";
  EXPECT_TRUE(AppendText(wide, static_cast<const wchar_t*>(nullptr)));
  EXPECT_EQ(std::wstring(wide), L"xy");
  EXPECT_TRUE(CopyText(wide, L""));
  EXPECT_EQ(wide[0], L'\0');
  EXPECT_FALSE(CopyText(wide, 0, L"a"));
  const char field[3] = {'a', 'b', 'c'};  // unterminated, as system fields may be: read to its size only
  char text[8] = "x=";
  EXPECT_TRUE(AppendField(text, field));
  EXPECT_EQ(std::string(text), "x=abc");
  char unterminated[6] = {'a', 'b', 'c', 'd', '#', '#'};  // appending to a buffer whose text fills its capacity
  EXPECT_FALSE(AppendText(unterminated, 4, "x"));
  EXPECT_EQ(std::string(unterminated, 6), std::string("abc\0##", 6));
}
