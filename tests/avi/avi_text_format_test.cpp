// The texts of the file facts: frame rate, codec names, grouped sizes, counts.
// No writer touches a unit past the capacity it is given.
#include <gtest/gtest.h>

#include <cstring>

#include "avi/avi_text_format.h"
#include "avi_test_support.h"

namespace {

// The texts of several rate/scale pairs, separated by blanks.
std::string Rates(std::vector<std::pair<uint32_t, uint32_t>> pairs) {
  std::string out;
  for (auto [rate, scale] : pairs) {
    AviFileInfo info{};
    FormatFrameRate(info, rate, scale);
    out += (out.empty() ? "" : " ") + U8(info.FrameRateText);
  }
  return out;
}

// size grouped into a field of capacity units ("" when refused); "!" marks a write past it.
std::string Grouped(uint64_t size, const char16_t* separator, std::size_t capacity = AviFileSizeTextUnits) {
  char16_t field[40];
  std::fill(std::begin(field), std::end(field), u'#');
  const bool fits = FormatGroupedFileSize(field, capacity, size, separator);
  return (fits == (field[0] != 0) ? "" : "?") + U8(field) + (field[capacity] == u'#' ? "" : "!");
}

}  // namespace

TEST(AviTexts, FrameRateNamedPairsThenWholeAndTruncatedHundredths) {
  EXPECT_EQ(Rates({{30000, 1001}, {10000000, 333333}, {10000000, 400000}, {2997, 100}}), "29.97 30 25 29.97");
  EXPECT_EQ(Rates({{25, 1}, {15, 2}, {24000, 1001}, {1, 3}, {0, 7}, {4294967295u, 1}, {30, 0}}),
            "25.00 7.50 23.97 0.33 0.00 4294967295.00 unknown");
  // (rate - whole * scale) * 100 no longer fits 32 bits here.
  EXPECT_EQ(Rates({{49999999, 50000000}, {4294967295u, 4294967294u}, {4294967294u, 4294967295u}}), "0.99 1.00 0.99");
}

TEST(AviTexts, CodecNamesByHandler) {
  std::string names;
  for (const char* fourcc : {"YUY2", "LAGS", "dvsd", "DIB ", "MJPG", "yuy2"}) {
    uint32_t value;
    std::memcpy(&value, fourcc, 4);
    names += U8(CodecNameForHandler(value)) + ";";
  }
  EXPECT_EQ(names,
            "NONE (YUY2 internal decoder);Lagarith Lossless Codec;DV Video Encoder;NONE (DIB internal decoder);"
            "Decompressor fourcc code: TBD;Decompressor fourcc code: TBD;");
}

TEST(AviTexts, GroupedFileSizeFitsItsFieldOrStaysEmpty) {
  EXPECT_EQ(Grouped(0, u",") + " " + Grouped(999, u",") + " " + Grouped(1000, u","), "0 999 1,000");
  EXPECT_EQ(Grouped(123456789012ull, u"."), "123.456.789.012");
  EXPECT_EQ(Grouped(12345, u"\u00a0") + " " + Grouped(1234567, u"'x"), "12?345 1'234'567");  // first unit only
  EXPECT_EQ(Grouped(1234567, u"") + " " + Grouped(1234567, nullptr), "1234567 1234567");
  EXPECT_EQ(Grouped(18446744073709551615ull, u","), "18,446,744,073,709,551,615");
  // A field too small keeps nothing rather than a cut number.
  EXPECT_EQ(Grouped(1234567, u",", 10) + "|" + Grouped(1234567, u",", 9), "1,234,567|");
}

TEST(AviTexts, CountsAreWrittenWholeOrNotAtAll) {
  char16_t field[AviCountTextUnits + 1] = {};
  field[AviCountTextUnits] = u'#';
  ASSERT_TRUE(FormatUnsignedText(field, AviCountTextUnits, 4294967295u));
  EXPECT_EQ(U8(field), "4294967295");
  ASSERT_TRUE(FormatSignedText(field, AviCountTextUnits, INT32_MIN));
  EXPECT_EQ(U8(field), "-2147483648");
  EXPECT_EQ(field[AviCountTextUnits], u'#');
  EXPECT_FALSE(FormatUnsignedText(field, 5, 12345));
  EXPECT_EQ(field[0], 0);
  EXPECT_FALSE(FormatSignedText(field, 5, -1234));
  EXPECT_FALSE(CopyFieldText(field, 7, u"unknown"));
  EXPECT_EQ(field[0], 0);
  EXPECT_TRUE(FormatUnsignedText(field, 5, 1234) && CopyFieldText(field, 8, u"unknown"));
  EXPECT_EQ(U8(field), "unknown");
}
