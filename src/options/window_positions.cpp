#include "options/window_positions.h"

#include "base/bounded_text.h"

WindowPositionRecord WindowPositions = DefaultWindowPositions;

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r'; }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads one "%ld" number at text: leading white space, an optional sign, then
// at least one decimal digit. Digits beyond the 32-bit range are still
// consumed, and the value sticks at the nearest 32-bit limit. Returns the
// position after the number, or null when no number starts here.
const char16_t* ScanNumber(const char16_t* text, int32_t* number) {
  while (IsBlank(*text)) ++text;
  bool negative = false;
  if (*text == u'+' || *text == u'-') {
    negative = *text == u'-';
    ++text;
  }
  if (!IsDigit(*text)) return nullptr;
  // Magnitude limit: 2^31 for a negative number, 2^31 - 1 otherwise.
  const int64_t limit = negative ? int64_t{INT32_MAX} + 1 : int64_t{INT32_MAX};
  int64_t magnitude = 0;
  while (IsDigit(*text)) {
    magnitude = magnitude * 10 + (*text - u'0');
    if (magnitude > limit) magnitude = limit;
    ++text;
  }
  *number = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return text;
}

// Writes the decimal digits of number, with a minus sign when negative.
bool AppendNumber(char16_t* buffer, std::size_t capacity, int32_t number) {
  char16_t digits[12];
  std::size_t at = sizeof digits / sizeof digits[0];
  digits[--at] = u'\0';
  int64_t magnitude = number < 0 ? -int64_t{number} : int64_t{number};
  do {
    digits[--at] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (number < 0) digits[--at] = u'-';
  return AppendText(buffer, capacity, digits + at);
}

bool SameName(const char16_t* a, const char16_t* b) {
  while (*a != u'\0' && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

}  // namespace

void ParseWindowPosition(const char16_t* name, WindowPositionRecord* record, const char16_t* value) {
  if (name == nullptr || record == nullptr || value == nullptr) return;
  for (const WindowPositionElement& element : WindowPositionElements) {
    if (!SameName(name, element.Name)) continue;
    const char16_t* at = value;
    for (int i = 0; i < element.FieldCount; ++i) {
      if (i > 0) {
        // ", " between numbers: the comma directly after the number; the
        // white space after it is skipped by ScanNumber.
        if (*at != u',') return;
        ++at;
      }
      int32_t number = 0;
      at = ScanNumber(at, &number);
      if (at == nullptr) return;
      record->*element.Fields[i] = number;
    }
    return;
  }
}

bool FormatWindowPositionValue(const WindowPositionElement& element, const WindowPositionRecord& record,
                               char16_t* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return false;
  buffer[0] = u'\0';
  for (int i = 0; i < element.FieldCount; ++i) {
    if (i > 0 && !AppendText(buffer, capacity, u", ")) return false;
    if (!AppendNumber(buffer, capacity, record.*element.Fields[i])) return false;
  }
  return true;
}
