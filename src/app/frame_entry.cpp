#include "app/frame_entry.h"

#include <cstdio>

#include "base/bounded_text.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

FrameEntry ParseFrameEntry(const char16_t* text, uint32_t frameCount, uint32_t* frame) {
  const char16_t* p = text;
  while (IsBlank(*p)) ++p;
  if (*p == u'\0') return FrameEntry::Empty;
  uint64_t value = 0;
  bool tooLarge = false;
  for (; *p >= u'0' && *p <= u'9'; ++p) {
    // Past any 32-bit count the value stops growing; the digits still count.
    if (!tooLarge) {
      value = value * 10 + static_cast<uint64_t>(*p - u'0');
      if (value > UINT32_MAX) tooLarge = true;
    }
  }
  while (IsBlank(*p)) ++p;
  if (*p != u'\0') return FrameEntry::NotANumber;
  if (tooLarge || value >= frameCount) return FrameEntry::OutOfRange;
  *frame = static_cast<uint32_t>(value);
  return FrameEntry::Valid;
}

void ComposeFrameEntryText(char16_t* buffer, std::size_t capacity, FrameEntry entry, uint32_t frameCount) {
  if (capacity == 0) return;
  buffer[0] = u'\0';
  const char16_t* lead = u"";
  if (entry == FrameEntry::NotANumber) lead = u"That is not a frame number. ";
  if (entry == FrameEntry::OutOfRange) lead = u"There is no such frame. ";
  AppendText(buffer, capacity, lead);
  AppendText(buffer, capacity, u"Enter a frame number from 0 to ");
  char digits[16];
  std::snprintf(digits, sizeof digits, "%lu", static_cast<unsigned long>(frameCount > 0 ? frameCount - 1 : 0));
  char16_t wide[16];
  std::size_t i = 0;
  for (; digits[i] != '\0'; ++i) wide[i] = static_cast<char16_t>(digits[i]);
  wide[i] = u'\0';
  AppendText(buffer, capacity, wide);
}
