// AviFileInfo: the text facts of the open AVI file.
//
// Eight NUL-terminated UTF-16 fields of fixed capacity. The live record sits in
// the PlaybackGraph; the main window keeps a whole copy of it, so it stays a
// plain, trivially copyable record.
//
// Field widths: the count fields and the two size texts are wide enough for
// any value they can be given, so nothing is ever cut:
//   TotalFramesText, KeyFramesText, DroppedFramesText: 12 units, room for any
//     u32 ("4294967295") or i32 ("-2147483648") and the terminator;
//   FrameSizeText: 24 units, room for "4294967295 x 4294967295";
//   FileSizeText: 28 units, room for the largest 64-bit size with a separator
//     after every third digit ("18,446,744,073,709,551,615").
#pragma once

#include <cstddef>
#include <type_traits>

constexpr std::size_t AviFilePathUnits = 256;
constexpr std::size_t AviCodecNameUnits = 128;
constexpr std::size_t AviFrameSizeTextUnits = 24;
constexpr std::size_t AviFrameRateTextUnits = 20;
constexpr std::size_t AviCountTextUnits = 12;
constexpr std::size_t AviFileSizeTextUnits = 28;

struct AviFileInfo {
  char16_t FilePath[AviFilePathUnits];            // full path of the open file
  char16_t CodecName[AviCodecNameUnits];          // from the stream handler FOURCC
  char16_t FrameSizeText[AviFrameSizeTextUnits];  // "720 x 576"
  char16_t FrameRateText[AviFrameRateTextUnits];  // "29.97", "25.00", "unknown"
  char16_t TotalFramesText[AviCountTextUnits];    // stream length, decimal
  char16_t KeyFramesText[AviCountTextUnits];      // key-frame count or "unknown"
  char16_t DroppedFramesText[AviCountTextUnits];  // dropped-frame count or "unknown"
  char16_t FileSizeText[AviFileSizeTextUnits];    // grouped digits; empty when unknown
};

static_assert(std::is_trivially_copyable<AviFileInfo>::value,
              "AviFileInfo is copied whole into the application record");
static_assert(std::is_standard_layout<AviFileInfo>::value, "AviFileInfo stays a plain record");
