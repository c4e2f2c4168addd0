#include "options/options_text.h"

#include <cstdint>

#include "base/bounded_text.h"

bool EndDirectoryWithSeparator(char16_t* directory, std::size_t capacity) {
  if (directory == nullptr || capacity == 0) return false;
  std::size_t length = BoundedLength(directory, capacity);
  if (length == 0) return false;
  if (directory[length - 1] == u'\\') return true;
  if (length + 2 > capacity) return false;
  directory[length] = u'\\';
  directory[length + 1] = u'\0';
  return true;
}

bool BuildOptionsFilePath(const char* directory, char* path, std::size_t capacity) {
  if (path == nullptr || capacity == 0) return false;
  if (directory != nullptr && CopyText(path, capacity, directory) && AppendText(path, capacity, OptionsFileName)) {
    return true;
  }
  path[0] = '\0';
  return false;
}

namespace {

// Appends text[from, to) to out without carriage returns. Returns false when
// it does not fit (keeping one byte for the terminator).
bool CopyWithoutReturns(const char* text, std::size_t from, std::size_t to, char* out, std::size_t capacity,
                        std::size_t* at) {
  for (std::size_t i = from; i < to; ++i) {
    if (text[i] == '\r') continue;
    if (*at + 1 >= capacity) return false;
    out[(*at)++] = text[i];
  }
  return true;
}

bool AppendLineFeed(char* out, std::size_t capacity, std::size_t* at) {
  if (*at + 1 >= capacity) return false;
  out[(*at)++] = '\n';
  return true;
}

// Index of the first '>' in text[from, length), or length when there is none.
std::size_t FindClose(const char* text, std::size_t from, std::size_t length) {
  while (from < length && text[from] != '>') ++from;
  return from;
}

}  // namespace

bool ReshapeOptionsText(const char* text, std::size_t length, char* reshaped, std::size_t capacity,
                        std::size_t* reshapedLength) {
  if (reshaped == nullptr || capacity == 0) return false;
  reshaped[0] = '\0';
  if (text == nullptr) return false;
  std::size_t end = 0;  // an early NUL ends the text
  while (end < length && text[end] != '\0') ++end;
  length = end;

  const std::size_t first = FindClose(text, 0, length);
  if (first == length) return false;
  const std::size_t second = FindClose(text, first + 1, length);
  if (second == length) return false;

  std::size_t at = 0;
  bool fits =
      CopyWithoutReturns(text, 0, first + 1, reshaped, capacity, &at) && AppendLineFeed(reshaped, capacity, &at) &&
      CopyWithoutReturns(text, first + 1, second + 1, reshaped, capacity, &at) &&
      AppendLineFeed(reshaped, capacity, &at) && CopyWithoutReturns(text, second + 1, length, reshaped, capacity, &at);
  if (!fits) {
    reshaped[0] = '\0';
    return false;
  }
  reshaped[at] = '\0';
  if (reshapedLength != nullptr) *reshapedLength = at;
  return true;
}

bool EscapeNonAsciiText(const char16_t* text, char16_t* out, std::size_t capacity) {
  if (out == nullptr || capacity == 0) return false;
  out[0] = u'\0';
  if (text == nullptr) return false;
  std::size_t at = 0;
  for (std::size_t i = 0; text[i] != u'\0'; ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      out[0] = u'\0';
      return false;
    }
    char16_t piece[12];
    std::size_t n = 0;
    if (code < 0x80) {
      piece[n++] = static_cast<char16_t>(code);
    } else {
      piece[n++] = u'&';
      piece[n++] = u'#';
      piece[n++] = u'x';
      int shift = 20;
      while (shift > 0 && (code >> shift) == 0) shift -= 4;
      for (; shift >= 0; shift -= 4) piece[n++] = u"0123456789ABCDEF"[(code >> shift) & 15u];
      piece[n++] = u';';
    }
    if (at + n + 1 > capacity) {
      out[0] = u'\0';
      return false;
    }
    for (std::size_t k = 0; k < n; ++k) out[at++] = piece[k];
  }
  out[at] = u'\0';
  return true;
}
