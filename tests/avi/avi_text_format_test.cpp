// The texts of the file facts: frame rate, codec names, grouped sizes, counts.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "avi/avi_text_format.h"
#include "avi_test_support.h"

namespace {

std::string Rate(uint32_t rate, uint32_t scale) {
  AviFileInfo info{};
  FormatFrameRate(info, rate, scale);
  return U8(info.FrameRateText);
}

std::string Grouped(uint64_t size, const char16_t* separator, std::size_t capacity = AviFileSizeTextUnits) {
  char16_t field[64];
  for (char16_t& c : field) c = u'#';
  FormatGroupedFileSize(field, capacity, size, separator);
  // Nothing past the field's capacity is touched.
  for (std::size_t i = capacity; i < 64; ++i) EXPECT_EQ(field[i], u'#') << "unit " << i;
  return capacity > 0 ? U8(field) : std::string();
}

}  // namespace

TEST(FrameRateText, NamedPairsComeFirst) {
  EXPECT_EQ(Rate(30000, 1001), "29.97");
  EXPECT_EQ(Rate(10000000, 333333), "30");
  EXPECT_EQ(Rate(10000000, 400000), "25");
  EXPECT_EQ(Rate(2997, 100), "29.97");
}

TEST(FrameRateText, WholeAndHundredthsTruncated) {
  EXPECT_EQ(Rate(25, 1), "25.00");
  EXPECT_EQ(Rate(30, 1), "30.00");
  EXPECT_EQ(Rate(15, 2), "7.50");
  EXPECT_EQ(Rate(24000, 1001), "23.97");
  EXPECT_EQ(Rate(1, 3), "0.33");
  EXPECT_EQ(Rate(0, 7), "0.00");
  EXPECT_EQ(Rate(4294967295u, 1), "4294967295.00");
}

TEST(FrameRateText, ScaleZeroIsUnknown) {
  EXPECT_EQ(Rate(30, 0), "unknown");
  EXPECT_EQ(Rate(0, 0), "unknown");
}

TEST(FrameRateText, LargeScaleKeepsTheHundredthsRight) {
  // (rate - whole * scale) * 100 no longer fits 32 bits here.
  EXPECT_EQ(Rate(49999999, 50000000), "0.99");
  EXPECT_EQ(Rate(4294967295u, 4294967294u), "1.00");
  EXPECT_EQ(Rate(4294967294u, 4294967295u), "0.99");
}

TEST(CodecNames, TableAndFallback) {
  auto name = [](const char* fourcc) {
    uint32_t v;
    std::memcpy(&v, fourcc, 4);
    return U8(CodecNameForHandler(v));
  };
  EXPECT_EQ(name("YUY2"), "NONE (YUY2 internal decoder)");
  EXPECT_EQ(name("LAGS"), "Lagarith Lossless Codec");
  EXPECT_EQ(name("dvsd"), "DV Video Encoder");
  EXPECT_EQ(name("DIB "), "NONE (DIB internal decoder)");
  EXPECT_EQ(name("MJPG"), "Decompressor fourcc code: TBD");
  EXPECT_EQ(name("yuy2"), "Decompressor fourcc code: TBD");
  EXPECT_EQ(name("\0\0\0\0"), "Decompressor fourcc code: TBD");
}

TEST(GroupedFileSize, CommaGroupsOfThree) {
  EXPECT_EQ(Grouped(0, u","), "0");
  EXPECT_EQ(Grouped(999, u","), "999");
  EXPECT_EQ(Grouped(1000, u","), "1,000");
  EXPECT_EQ(Grouped(1234567, u","), "1,234,567");
  EXPECT_EQ(Grouped(123456789012ull, u"."), "123.456.789.012");
  EXPECT_EQ(Grouped(12345, u"\u00a0"), "12?345");
}

TEST(GroupedFileSize, OnlyTheFirstUnitOfTheSeparatorIsUsed) { EXPECT_EQ(Grouped(1234567, u"'x"), "1'234'567"); }

TEST(GroupedFileSize, EmptySeparatorGroupsNothing) {
  EXPECT_EQ(Grouped(1234567, u""), "1234567");
  EXPECT_EQ(Grouped(1234567, nullptr), "1234567");
}

TEST(GroupedFileSize, LargestSizeFitsTheFieldAndSmallFieldsStayEmpty) {
  EXPECT_EQ(Grouped(18446744073709551615ull, u","), "18,446,744,073,709,551,615");
  EXPECT_EQ(Grouped(1000000000000000ull, u","), "1,000,000,000,000,000");  // past 19 units
  // A field too small keeps nothing rather than a cut number.
  EXPECT_EQ(Grouped(1234567, u",", 9), "");
  EXPECT_EQ(Grouped(1234567, u",", 10), "1,234,567");
  EXPECT_EQ(Grouped(5, u",", 0), "");
}

TEST(CountTexts, AnyCountFitsTheWidenedFields) {
  char16_t field[AviCountTextUnits];
  ASSERT_TRUE(FormatUnsignedText(field, AviCountTextUnits, 4294967295u));
  EXPECT_EQ(U8(field), "4294967295");
  ASSERT_TRUE(FormatSignedText(field, AviCountTextUnits, INT32_MIN));
  EXPECT_EQ(U8(field), "-2147483648");
  ASSERT_TRUE(FormatSignedText(field, AviCountTextUnits, 0));
  EXPECT_EQ(U8(field), "0");
}

TEST(CountTexts, TooLongNumbersAreNotCutOrOverrun) {
  char16_t field[8];
  for (char16_t& c : field) c = u'#';
  EXPECT_FALSE(FormatUnsignedText(field, 5, 12345));
  EXPECT_EQ(field[0], 0);
  EXPECT_EQ(field[5], u'#');
  EXPECT_TRUE(FormatUnsignedText(field, 5, 1234));
  EXPECT_FALSE(FormatSignedText(field, 5, -1234));
  EXPECT_EQ(field[0], 0);
  EXPECT_FALSE(CopyFieldText(field, 7, u"unknown"));
  EXPECT_TRUE(CopyFieldText(field, 8, u"unknown"));
  EXPECT_EQ(U8(field), "unknown");
}

TEST(AviFileInfoRecord, FieldsInOrderWithTheirWidths) {
  EXPECT_EQ(offsetof(AviFileInfo, FilePath), 0u);
  EXPECT_EQ(offsetof(AviFileInfo, CodecName), 2 * 256u);
  EXPECT_EQ(offsetof(AviFileInfo, FrameSizeText), 2 * (256u + 128));
  EXPECT_EQ(offsetof(AviFileInfo, FrameRateText), 2 * (256u + 128 + 24));
  EXPECT_EQ(offsetof(AviFileInfo, TotalFramesText), 2 * (256u + 128 + 24 + 20));
  EXPECT_EQ(offsetof(AviFileInfo, KeyFramesText), 2 * (256u + 128 + 24 + 20 + 12));
  EXPECT_EQ(offsetof(AviFileInfo, DroppedFramesText), 2 * (256u + 128 + 24 + 20 + 24));
  EXPECT_EQ(offsetof(AviFileInfo, FileSizeText), 2 * (256u + 128 + 24 + 20 + 36));
  EXPECT_EQ(sizeof(AviFileInfo), 2 * 492u);
}
