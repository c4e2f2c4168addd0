// What a log file holds and what it is called: the platform-neutral half of
// saving the User Messages window's text.
//
// A save turns the window text into bytes (one byte per character, CR LF line
// ends) with each file-information block rewritten from the window's tab
// alignment to space alignment, and names the file by the UTC date and time
// of the save.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A calendar date and time of day to the second, with the same field meanings
// as the platform's own date-time record (month 1-12, day 1-31).
struct LogTime {
  uint16_t Year = 0;
  uint16_t Month = 0;
  uint16_t Day = 0;
  uint16_t Hour = 0;
  uint16_t Minute = 0;
  uint16_t Second = 0;
};

// The time moved by a signed number of minutes across day, month and year
// ends (leap years included). UTC is local time plus the time-zone bias.
LogTime AddMinutes(const LogTime& time, int64_t minutes);

// "LogFiles\\log_MM_DD_YYYY_HH_MM_SS.txt" for the given (UTC) time.
std::u16string FormatLogFileName(const LogTime& utc);

// The name for the attempt-th try at saving under name: attempt 1 is the name
// itself, attempt n >= 2 puts "_n" before the ".txt" (or at the end when the
// name has no ".txt"). A second save in the same second so gets a file of its
// own instead of replacing the first.
std::u16string DistinctLogFileName(const std::u16string& name, int attempt);

// The bytes of a log file for the window text (length units, line ends
// "\r\n"). Every file-information block is written with space-aligned labels,
// its values starting in column 26, and without the one-space line that
// follows it in the window; everything else passes unchanged. Each character
// becomes one byte: U+0000..U+00FF their own value, any other character
// (a surrogate pair counts as one, a lone surrogate as one) the byte "?".
// replacedCharacters, when not null, receives the number of "?" so written.
std::string MakeLogFileBytes(const char16_t* text, std::size_t length, std::size_t* replacedCharacters);
