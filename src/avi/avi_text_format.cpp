#include "avi/avi_text_format.h"

#include <clocale>

namespace {

// Writes the digits of value into a scratch array, least significant first.
int DecimalDigits(uint64_t value, char16_t (&digits)[20]) {
  int n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return n;
}

void ClearField(char16_t* field, std::size_t capacity) {
  if (capacity > 0) field[0] = 0;
}

}  // namespace

bool CopyFieldText(char16_t* field, std::size_t capacity, const char16_t* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  if (length >= capacity) {
    ClearField(field, capacity);
    return false;
  }
  for (std::size_t i = 0; i <= length; ++i) field[i] = text[i];
  return true;
}

bool FormatUnsignedText(char16_t* field, std::size_t capacity, uint64_t value) {
  char16_t digits[20];
  int n = DecimalDigits(value, digits);
  if (static_cast<std::size_t>(n) >= capacity) {
    ClearField(field, capacity);
    return false;
  }
  for (int i = 0; i < n; ++i) field[i] = digits[n - 1 - i];
  field[n] = 0;
  return true;
}

bool FormatSignedText(char16_t* field, std::size_t capacity, int64_t value) {
  if (value >= 0) return FormatUnsignedText(field, capacity, static_cast<uint64_t>(value));
  uint64_t magnitude = 0 - static_cast<uint64_t>(value);
  char16_t digits[20];
  int n = DecimalDigits(magnitude, digits);
  if (static_cast<std::size_t>(n) + 1 >= capacity) {
    ClearField(field, capacity);
    return false;
  }
  field[0] = u'-';
  for (int i = 0; i < n; ++i) field[1 + i] = digits[n - 1 - i];
  field[n + 1] = 0;
  return true;
}

void FormatFrameRateText(char16_t* field, std::size_t capacity, uint32_t rate, uint32_t scale) {
  const char16_t* named = nullptr;
  if (rate == 30000 && scale == 1001)
    named = u"29.97";
  else if (rate == 10000000 && scale == 333333)
    named = u"30";
  else if (rate == 10000000 && scale == 400000)
    named = u"25";
  else if (rate == 2997 && scale == 100)
    named = u"29.97";
  else if (scale == 0)
    named = u"unknown";
  if (named != nullptr) {
    CopyFieldText(field, capacity, named);
    return;
  }
  uint32_t whole = rate / scale;
  // The remainder times 100 can exceed 32 bits when the scale is large.
  uint64_t remainder = rate - static_cast<uint64_t>(whole) * scale;
  uint32_t hundredths = static_cast<uint32_t>(remainder * 100 / scale);
  char16_t text[24];
  FormatUnsignedText(text, 16, whole);
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  text[length++] = u'.';
  text[length++] = static_cast<char16_t>(u'0' + hundredths / 10);
  text[length++] = static_cast<char16_t>(u'0' + hundredths % 10);
  text[length] = 0;
  CopyFieldText(field, capacity, text);
}

void FormatFrameRate(AviFileInfo& info, uint32_t rate, uint32_t scale) {
  FormatFrameRateText(info.FrameRateText, AviFrameRateTextUnits, rate, scale);
}

const char16_t* CodecNameForHandler(uint32_t handlerFourcc) {
  switch (handlerFourcc) {
    case 0x32595559u:
      return u"NONE (YUY2 internal decoder)";  // "YUY2"
    case 0x5347414Cu:
      return u"Lagarith Lossless Codec";  // "LAGS"
    case 0x64737664u:
      return u"DV Video Encoder";  // "dvsd"
    case 0x20424944u:
      return u"NONE (DIB internal decoder)";  // "DIB "
    default:
      return u"Decompressor fourcc code: TBD";
  }
}

bool FormatGroupedFileSize(char16_t* field, std::size_t capacity, uint64_t size, const char16_t* separator) {
  char16_t digits[20];
  int n = DecimalDigits(size, digits);
  char16_t mark = separator != nullptr ? separator[0] : 0;
  std::size_t needed = static_cast<std::size_t>(n) + (mark != 0 ? (n - 1) / 3 : 0);
  if (needed >= capacity) {
    ClearField(field, capacity);
    return false;
  }
  std::size_t out = 0;
  for (int i = 0; i < n; ++i) {
    field[out++] = digits[n - 1 - i];
    if (mark != 0 && i < n - 1 && (n - i - 1) % 3 == 0) field[out++] = mark;
  }
  field[out] = 0;
  return true;
}

char16_t UserThousandsSeparator() {
  std::setlocale(LC_NUMERIC, "");
  const std::lconv* conventions = std::localeconv();
  if (conventions == nullptr || conventions->thousands_sep == nullptr) return 0;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(conventions->thousands_sep);
  if (s[0] < 0x80) return s[0];
  // UTF-8: two or three bytes make a character of the basic plane.
  if ((s[0] & 0xE0) == 0xC0 && (s[1] & 0xC0) == 0x80)
    return static_cast<char16_t>(((s[0] & 0x1F) << 6) | (s[1] & 0x3F));
  if ((s[0] & 0xF0) == 0xE0 && (s[1] & 0xC0) == 0x80 && (s[2] & 0xC0) == 0x80)
    return static_cast<char16_t>(((s[0] & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F));
  return s[0];
}
