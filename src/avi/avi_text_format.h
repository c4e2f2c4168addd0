// Texts of the AVI file facts: frame rate, codec name, grouped file size and
// the decimal counts. Every writer takes the capacity of its field in UTF-16
// units (terminator included) and never writes past it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "avi/avi_file_info.h"

// Copies the NUL-terminated text into a field of capacity units. A text that
// does not fit is not cut: the field is left empty and the result is false.
bool CopyFieldText(char16_t* field, std::size_t capacity, const char16_t* text);

// value in decimal ("%llu" / "%lld"). A number that does not fit leaves the
// field empty and returns false; the record's fields are wide enough that this
// never happens for them.
bool FormatUnsignedText(char16_t* field, std::size_t capacity, uint64_t value);
bool FormatSignedText(char16_t* field, std::size_t capacity, int64_t value);

// The frame rate of a stream as the user reads it: the four common
// rate/scale pairs by name ("29.97", "30", "25"), otherwise whole and
// hundredths ("25.00", "7.50"). A scale of 0 gives "unknown".
void FormatFrameRateText(char16_t* field, std::size_t capacity, uint32_t rate, uint32_t scale);
void FormatFrameRate(AviFileInfo& info, uint32_t rate, uint32_t scale);

// The codec description of a stream handler FOURCC (first character in the
// lowest byte): "YUY2", "LAGS", "dvsd" and "DIB " by name, anything else
// "Decompressor fourcc code: TBD".
const char16_t* CodecNameForHandler(uint32_t handlerFourcc);

// What the video stream's format says of its pictures: the stream header's
// handler and the bitmap header's compression and bit count (all 0 when the
// file gives none).
struct AviCodecFacts {
  uint32_t Handler = 0;
  uint32_t Compression = 0;
  uint16_t BitCount = 0;
};

// The four characters of a FOURCC as text ("MJPG"); a character outside
// printable ASCII shows as '?'. out holds 5 units.
void FourccText(uint32_t fourcc, char16_t (&out)[5]);

// The codec the user knows the stream by: the handler's FOURCC, or the
// compression's when the handler is empty, then a plain name for the common
// ones ("MJPG, Motion JPEG"). Uncompressed pictures (an empty handler or
// "DIB " over BI_RGB, "Y800", ...) say "uncompressed RGB" or "uncompressed
// grey" from their bit count. An empty name for a code no table knows: the
// FOURCC alone ("ABCD"). false (field empty) when it does not fit.
bool FormatCodecDescription(char16_t* field, std::size_t capacity, const AviCodecFacts& codec);

// The plain name of a common codec, or null: "Motion JPEG", "MPEG-4 Part 2",
// "H.264", ... The FOURCC is matched without regard to letter case.
const char16_t* CodecPlainName(uint32_t fourcc);

// The CodecName field: the name of the handler table above and, for a
// handler outside it, "Decompressor fourcc code: TBD" followed by the
// description in brackets ("Decompressor fourcc code: TBD (MJPG, Motion
// JPEG)"). Always fits the field's 128 units.
void FormatCodecName(AviFileInfo& info, const AviCodecFacts& codec);

// size in decimal with the first unit of separator after every third digit
// from the right ("1,234,567" for ","); an empty separator groups nothing.
// false (field empty) when the text does not fit.
bool FormatGroupedFileSize(char16_t* field, std::size_t capacity, uint64_t size, const char16_t* separator);

// Selects the user's default numeric locale for the process (it stays
// selected) and returns the first character of its thousands separator, or 0
// when the locale has none. A separator given in UTF-8 is decoded; any other
// byte above 0x7F is taken as Latin-1.
char16_t UserThousandsSeparator();
