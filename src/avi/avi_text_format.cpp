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

namespace {

constexpr uint32_t FourccOf(const char (&text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

// Upper case of each ASCII letter of a FOURCC, so that "mjpg" and "MJPG" are
// one code.
uint32_t UpperFourcc(uint32_t fourcc) {
  uint32_t upper = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t c = (fourcc >> shift) & 0xFFu;
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    upper |= c << shift;
  }
  return upper;
}

struct PlainCodecName {
  uint32_t Fourcc;  // upper case
  const char16_t* Name;
};

// The codecs people meet in AVI files, by the FOURCCs writers give them.
const PlainCodecName PlainCodecNames[] = {
    {FourccOf("MJPG"), u"Motion JPEG"},
    {FourccOf("AVRN"), u"Motion JPEG"},
    {FourccOf("DMB1"), u"Motion JPEG"},
    {FourccOf("JPEG"), u"Motion JPEG"},
    {FourccOf("FMP4"), u"MPEG-4 Part 2"},
    {FourccOf("XVID"), u"MPEG-4 Part 2"},
    {FourccOf("DIVX"), u"MPEG-4 Part 2"},
    {FourccOf("DX50"), u"MPEG-4 Part 2"},
    {FourccOf("MP4V"), u"MPEG-4 Part 2"},
    {FourccOf("M4S2"), u"MPEG-4 Part 2"},
    {FourccOf("DIV3"), u"Microsoft MPEG-4 v3"},
    {FourccOf("MP43"), u"Microsoft MPEG-4 v3"},
    {FourccOf("MP42"), u"Microsoft MPEG-4 v2"},
    {FourccOf("H264"), u"H.264"},
    {FourccOf("X264"), u"H.264"},
    {FourccOf("AVC1"), u"H.264"},
    {FourccOf("DAVC"), u"H.264"},
    {FourccOf("HEVC"), u"H.265"},
    {FourccOf("H265"), u"H.265"},
    {FourccOf("HEV1"), u"H.265"},
    {FourccOf("HFYU"), u"HuffYUV"},
    {FourccOf("FFVH"), u"HuffYUV (FFmpeg variant)"},
    {FourccOf("FFV1"), u"FFV1 lossless"},
    {FourccOf("MPG1"), u"MPEG-1 video"},
    {FourccOf("MPG2"), u"MPEG-2 video"},
    {FourccOf("MPEG"), u"MPEG video"},
    {FourccOf("DVSD"), u"DV"},
    {FourccOf("DV25"), u"DV"},
    {FourccOf("DV50"), u"DV"},
    {FourccOf("DVHD"), u"DV"},
    {FourccOf("CVID"), u"Cinepak"},
    {FourccOf("MSVC"), u"Microsoft Video 1"},
    {FourccOf("CRAM"), u"Microsoft Video 1"},
    {FourccOf("MRLE"), u"Microsoft RLE"},
    {FourccOf("IV31"), u"Intel Indeo 3"},
    {FourccOf("IV32"), u"Intel Indeo 3"},
    {FourccOf("IV41"), u"Intel Indeo 4"},
    {FourccOf("IV50"), u"Intel Indeo 5"},
    {FourccOf("WMV1"), u"Windows Media Video 7"},
    {FourccOf("WMV2"), u"Windows Media Video 8"},
    {FourccOf("WMV3"), u"Windows Media Video 9"},
    {FourccOf("VP80"), u"VP8"},
    {FourccOf("VP90"), u"VP9"},
    {FourccOf("AV01"), u"AV1"},
    {FourccOf("THEO"), u"Theora"},
    {FourccOf("TSCC"), u"TechSmith Screen Capture"},
    {FourccOf("MPNG"), u"PNG"},
    {FourccOf("PNG1"), u"PNG"},
    {FourccOf("ULRG"), u"Ut Video"},
    {FourccOf("ULRA"), u"Ut Video"},
    {FourccOf("ULY0"), u"Ut Video"},
    {FourccOf("ULY2"), u"Ut Video"},
    {FourccOf("ULY4"), u"Ut Video"},
    {FourccOf("ULH0"), u"Ut Video"},
    {FourccOf("ULH2"), u"Ut Video"},
    {FourccOf("LAGS"), u"Lagarith"},
    {FourccOf("YUY2"), u"uncompressed YUV 4:2:2"},
    {FourccOf("YUYV"), u"uncompressed YUV 4:2:2"},
    {FourccOf("YUNV"), u"uncompressed YUV 4:2:2"},
    {FourccOf("UYVY"), u"uncompressed YUV 4:2:2"},
    {FourccOf("HDYC"), u"uncompressed YUV 4:2:2"},
    {FourccOf("I420"), u"uncompressed YUV 4:2:0"},
    {FourccOf("IYUV"), u"uncompressed YUV 4:2:0"},
    {FourccOf("YV12"), u"uncompressed YUV 4:2:0"},
    {FourccOf("NV12"), u"uncompressed YUV 4:2:0"},
    {FourccOf("Y800"), u"uncompressed grey"},
    {FourccOf("Y8  "), u"uncompressed grey"},
    {FourccOf("GREY"), u"uncompressed grey"},
    {FourccOf("GRAY"), u"uncompressed grey"},
};

// Bitmap compressions that store pixels as they are.
constexpr uint32_t BitmapRgb = 0;        // BI_RGB
constexpr uint32_t BitmapBitfields = 3;  // BI_BITFIELDS

// Handlers that say "no codec": the bitmap header tells what the pixels are.
bool IsUncompressedHandler(uint32_t handler) {
  const uint32_t upper = UpperFourcc(handler);
  return handler == 0 || upper == FourccOf("DIB ") || upper == FourccOf("RAW ") || upper == FourccOf("RGB ");
}

// Appends text at field[at], false when the terminator would not fit.
bool AppendFieldText(char16_t* field, std::size_t capacity, std::size_t& at, const char16_t* text) {
  for (; *text != 0; ++text) {
    if (at + 1 >= capacity) return false;
    field[at++] = *text;
  }
  field[at] = 0;
  return true;
}

}  // namespace

void FourccText(uint32_t fourcc, char16_t (&out)[5]) {
  for (int i = 0; i < 4; ++i) {
    const uint32_t c = (fourcc >> (8 * i)) & 0xFFu;
    out[i] = c >= 0x20 && c < 0x7F ? static_cast<char16_t>(c) : u'?';
  }
  out[4] = 0;
}

const char16_t* CodecPlainName(uint32_t fourcc) {
  const uint32_t upper = UpperFourcc(fourcc);
  for (const PlainCodecName& codec : PlainCodecNames) {
    if (codec.Fourcc == upper) return codec.Name;
  }
  return nullptr;
}

bool FormatCodecDescription(char16_t* field, std::size_t capacity, const AviCodecFacts& codec) {
  ClearField(field, capacity);
  std::size_t at = 0;
  bool fits = true;
  if (IsUncompressedHandler(codec.Handler) &&
      (codec.Compression == BitmapRgb || codec.Compression == BitmapBitfields)) {
    fits = AppendFieldText(field, capacity, at, codec.BitCount == 8 ? u"uncompressed grey" : u"uncompressed RGB");
  } else {
    // An empty handler leaves the bitmap's compression to name the codec.
    const uint32_t code = IsUncompressedHandler(codec.Handler) ? codec.Compression : codec.Handler;
    char16_t letters[5];
    FourccText(code, letters);
    fits = AppendFieldText(field, capacity, at, letters);
    const char16_t* plain = CodecPlainName(code);
    if (fits && plain != nullptr)
      fits = AppendFieldText(field, capacity, at, u", ") && AppendFieldText(field, capacity, at, plain);
  }
  if (!fits) ClearField(field, capacity);
  return fits;
}

void FormatCodecName(AviFileInfo& info, const AviCodecFacts& codec) {
  const char16_t* named = CodecNameForHandler(codec.Handler);
  const char16_t* const unnamed = u"Decompressor fourcc code: TBD";
  std::size_t at = 0;
  ClearField(info.CodecName, AviCodecNameUnits);
  AppendFieldText(info.CodecName, AviCodecNameUnits, at, named);
  if (named != unnamed) return;
  // The longest description (a FOURCC and a plain name) is far below the
  // field's room after the fixed text, so the brackets always fit.
  char16_t description[64];
  if (FormatCodecDescription(description, 64, codec)) {
    AppendFieldText(info.CodecName, AviCodecNameUnits, at, u" (");
    AppendFieldText(info.CodecName, AviCodecNameUnits, at, description);
    AppendFieldText(info.CodecName, AviCodecNameUnits, at, u")");
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
