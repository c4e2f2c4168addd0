#include "messages/log_text.h"

#include <cstdio>

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(int64_t days, int64_t* year, unsigned* month, unsigned* day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
  *day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  *month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  *year = static_cast<int64_t>(yearOfEra) + era * 400 + (*month <= 2 ? 1 : 0);
}

int64_t FloorDivide(int64_t value, int64_t divisor) {
  int64_t quotient = value / divisor;
  if (value % divisor != 0 && value < 0) --quotient;
  return quotient;
}

// Turns UTF-16 units into the log file's one-byte-per-character form.
class ByteWriter {
 public:
  explicit ByteWriter(std::string* out) : out_(out) {}

  void Put(const char16_t* units, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) PutUnit(units[i]);
  }

  void Put(const std::u16string& units) { Put(units.data(), units.size()); }

  void Finish() {
    if (pendingHigh_) Replace();
    pendingHigh_ = false;
  }

  std::size_t Replaced() const { return replaced_; }

 private:
  void PutUnit(char16_t unit) {
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (pendingHigh_) {
      // A high surrogate followed by a low one is one character; any
      // other follower leaves the high surrogate standing alone.
      pendingHigh_ = false;
      Replace();
      if (low) return;
    }
    if (high) {
      pendingHigh_ = true;
    } else if (unit > 0xFF) {
      Replace();
    } else {
      out_->push_back(static_cast<char>(static_cast<unsigned char>(unit)));
    }
  }

  void Replace() {
    out_->push_back('?');
    ++replaced_;
  }

  std::string* out_;
  bool pendingHigh_ = false;
  std::size_t replaced_ = 0;
};

// One line of the file-information report: how the window shows its label,
// and the space-aligned label written in its place.
struct InformationLine {
  const char16_t* WindowLabel;
  const char16_t* FileLabel;
};

// In report order. The window label opens its line; the file label is padded
// with spaces to 25 units, so every value starts in column 26.
const InformationLine InformationLines[] = {
    {u"\tCodec\t\t\t", u"    Codec                "},           {u"\tTotal Frames\t\t", u"    Total Frames         "},
    {u"\tKey Frames\t\t", u"    Key Frames           "},        {u"\tDropped Frames\t\t", u"    Dropped Frames       "},
    {u"\tFrame size\t\t", u"    Frame size           "},        {u"\tFrame rate\t\t", u"    Frame rate           "},
    {u"\tFile size (bytes)\t\t", u"    File size (bytes)    "},
};

bool MatchesAt(const char16_t* text, std::size_t length, std::size_t at, const std::u16string& what) {
  if (at > length || length - at < what.size()) return false;
  return std::u16string::traits_type::compare(text + at, what.data(), what.size()) == 0;
}

// Position of the next line, at or after from, that opens with the report's
// first label; length when there is none.
std::size_t FindReportStart(const char16_t* text, std::size_t length, std::size_t from) {
  const std::u16string first = InformationLines[0].WindowLabel;
  for (std::size_t at = from; at < length; ++at) {
    if (text[at] != u'\t') continue;
    if (at != 0 && text[at - 1] != u'\n') continue;
    if (MatchesAt(text, length, at, first)) return at;
  }
  return length;
}

// Writes the value that starts at `at` (everything up to the next carriage
// return or the end of the text) and returns the position just after it.
std::size_t CopyValue(const char16_t* text, std::size_t length, std::size_t at, ByteWriter* out) {
  std::size_t end = at;
  while (end < length && text[end] != u'\r') ++end;
  out->Put(text + at, end - at);
  return end;
}

// Rewrites the report whose first label is at `at`, as far as its lines are
// laid out as the report lays them out, and returns the position where the
// plain copying resumes. A line that does not fit the layout ends the rewrite
// there; the text from it on is written unchanged.
std::size_t RewriteReport(const char16_t* text, std::size_t length, std::size_t at, ByteWriter* out) {
  const std::u16string lineEnd = u"\r\n";
  std::size_t p = at;
  for (std::size_t i = 0; i < sizeof InformationLines / sizeof InformationLines[0]; ++i) {
    const std::u16string windowLabel = InformationLines[i].WindowLabel;
    if (i == 0) {
      p += windowLabel.size();
    } else {
      if (!MatchesAt(text, length, p, lineEnd + windowLabel)) return p;
      out->Put(lineEnd);
      p += lineEnd.size() + windowLabel.size();
    }
    out->Put(InformationLines[i].FileLabel);
    p = CopyValue(text, length, p, out);
  }
  // The report ends with a line holding one space, there only to close the
  // report in the window; the file leaves it empty.
  const std::u16string spaceLine = u"\r\n ";
  if (MatchesAt(text, length, p, spaceLine) &&
      (p + spaceLine.size() == length || text[p + spaceLine.size()] == u'\r')) {
    out->Put(lineEnd);
    p += spaceLine.size();
  }
  return p;
}

}  // namespace

LogTime AddMinutes(const LogTime& time, int64_t minutes) {
  const int64_t days = DaysFromCivil(time.Year, time.Month, time.Day);
  const int64_t total = days * 1440 + int64_t{time.Hour} * 60 + time.Minute + minutes;
  const int64_t newDays = FloorDivide(total, 1440);
  const int64_t minuteOfDay = total - newDays * 1440;

  int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(newDays, &year, &month, &day);

  LogTime result;
  result.Year = static_cast<uint16_t>(year);
  result.Month = static_cast<uint16_t>(month);
  result.Day = static_cast<uint16_t>(day);
  result.Hour = static_cast<uint16_t>(minuteOfDay / 60);
  result.Minute = static_cast<uint16_t>(minuteOfDay % 60);
  result.Second = time.Second;
  return result;
}

std::u16string FormatLogFileName(const LogTime& utc) {
  char formatted[100] = {};
  std::snprintf(formatted, sizeof formatted, "%2.2hu_%2.2hu_%4.4hu_%2.2hu_%2.2hu_%2.2hu.txt",
                static_cast<unsigned short>(utc.Month), static_cast<unsigned short>(utc.Day),
                static_cast<unsigned short>(utc.Year), static_cast<unsigned short>(utc.Hour),
                static_cast<unsigned short>(utc.Minute), static_cast<unsigned short>(utc.Second));
  std::u16string name = u"LogFiles\\log_";
  for (const char* c = formatted; *c != '\0'; ++c)
    name.push_back(static_cast<char16_t>(static_cast<unsigned char>(*c)));
  return name;
}

std::u16string DistinctLogFileName(const std::u16string& name, int attempt) {
  if (attempt <= 1) return name;
  std::u16string suffix = u"_";
  for (char c : std::to_string(attempt)) suffix.push_back(static_cast<char16_t>(c));
  const std::u16string extension = u".txt";
  const bool hasExtension =
      name.size() >= extension.size() && name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
  if (!hasExtension) return name + suffix;
  return name.substr(0, name.size() - extension.size()) + suffix + extension;
}

std::string MakeLogFileBytes(const char16_t* text, std::size_t length, std::size_t* replacedCharacters) {
  std::string bytes;
  if (text == nullptr) length = 0;
  bytes.reserve(length);
  ByteWriter out(&bytes);
  std::size_t p = 0;
  while (p < length) {
    const std::size_t report = FindReportStart(text, length, p);
    out.Put(text + p, report - p);
    if (report == length) break;
    p = RewriteReport(text, length, report, &out);
  }
  out.Finish();
  if (replacedCharacters != nullptr) *replacedCharacters = out.Replaced();
  return bytes;
}
