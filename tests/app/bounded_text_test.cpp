#include "base/bounded_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(BoundedTextTest, AppendNeverWritesPastTheBuffer) {
  char16_t buffer[8 + 4];
  for (char16_t& c : buffer) c = u'#';
  ASSERT_TRUE(CopyText(buffer, 8, u"abc"));
  EXPECT_FALSE(AppendText(buffer, 8, u"defghijk"));
  EXPECT_EQ(std::u16string(u"abcdefg"), std::u16string(buffer));
  for (int i = 8; i < 12; ++i) EXPECT_EQ(u'#', buffer[i]) << i;
}

TEST(BoundedTextTest, NullAndEmptyTexts) {
  wchar_t buffer[4] = L"xy";
  EXPECT_TRUE(AppendText(buffer, static_cast<const wchar_t*>(nullptr)));
  EXPECT_EQ(std::wstring(L"xy"), buffer);
  EXPECT_TRUE(CopyText(buffer, L""));
  EXPECT_EQ(std::wstring(L""), buffer);
  EXPECT_FALSE(CopyText(buffer, 0, L"a"));
}

TEST(BoundedTextTest, UnterminatedFieldIsReadOnlyToItsSize) {
  const char field[3] = {'a', 'b', 'c'};  // no terminator, as system fields may be
  char buffer[16] = "x=";
  EXPECT_TRUE(AppendField(buffer, field));
  EXPECT_EQ(std::string("x=abc"), buffer);
}

}  // namespace
