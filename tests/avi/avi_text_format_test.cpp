// The texts of the file facts, none written past the capacity it is given.
#include <gtest/gtest.h>

#include <cstring>

#include "avi/avi_text_format.h"
#include "avi_test_support.h"

TEST(AviTexts, FrameRatesAndCodecNames) {
  // Named pairs first, then whole and truncated hundredths (also where (rate - whole * scale) * 100 passes 32 bits).
  const std::tuple<uint32_t, uint32_t, const char*> rates[] = {
      {30000, 1001, "29.97"}, {10000000, 333333, "30"}, {10000000, 400000, "25"},     {2997, 100, "29.97"},
      {25, 1, "25.00"},       {15, 2, "7.50"},          {24000, 1001, "23.97"},       {1, 3, "0.33"},
      {0, 7, "0.00"},         {30, 0, "unknown"},       {49999999, 50000000, "0.99"}, {~0u, 1, "4294967295.00"},
      {~0u, ~1u, "1.00"},     {~1u, ~0u, "0.99"}};
  for (const auto& [rate, scale, text] : rates) {
    AviFileInfo info{};
    FormatFrameRate(info, rate, scale);
    EXPECT_EQ(U8(info.FrameRateText), text) << rate << "/" << scale;
  }
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

TEST(AviTexts, SizesAndCountsFitTheirFieldsWholeOrNotAtAll) {
  const std::tuple<uint64_t, const char16_t*, std::size_t> sizes[] = {
      {0, u",", 28},          {999, u",", 28},      {1000, u",", 28},   {123456789012ull, u".", 28},
      {12345, u"\u00a0", 28}, {1234567, u"'x", 28}, {1234567, u"", 28}, {1234567, nullptr, 28},
      {~0ull, u",", 28},      {1234567, u",", 10},  {1234567, u",", 9}};  // too small: nothing rather than a cut number
  std::string grouped;
  for (const auto& [size, separator, capacity] : sizes) {
    char16_t field[40];
    std::fill(std::begin(field), std::end(field), u'#');
    const bool fits = FormatGroupedFileSize(field, capacity, size, separator);
    grouped += (fits == (field[0] != 0) ? "" : "?") + U8(field) + (field[capacity] == u'#' ? " " : "! ");
  }
  EXPECT_EQ(grouped,
            "0 999 1,000 123.456.789.012 12?345 1'234'567 1234567 1234567 18,446,744,073,709,551,615 1,234,567  ");
  char16_t field[AviCountTextUnits + 1] = {};
  field[AviCountTextUnits] = u'#';
  EXPECT_TRUE(FormatUnsignedText(field, AviCountTextUnits, 4294967295u));
  EXPECT_EQ(U8(field), "4294967295");
  EXPECT_TRUE(FormatSignedText(field, AviCountTextUnits, INT32_MIN));
  EXPECT_EQ(U8(field) + static_cast<char>(field[AviCountTextUnits]), "-2147483648#");
  // Too small a field stays empty rather than showing a cut number; exactly full fits.
  EXPECT_FALSE(FormatUnsignedText(field, 5, 12345) || FormatSignedText(field, 5, -1234) ||
               CopyFieldText(field, 7, u"unknown") || field[0] != 0);
  EXPECT_TRUE(FormatUnsignedText(field, 5, 1234) && CopyFieldText(field, 8, u"unknown"));
}
