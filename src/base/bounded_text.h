// Bounded copying and appending of NUL-terminated text into fixed buffers.
//
// Every function takes the buffer's capacity in units, terminator included,
// never writes past it and always leaves the buffer terminated (when the
// capacity is at least 1). Text that does not fit is cut at the buffer's end.
// Works for char, char16_t and wchar_t alike.
#pragma once

#include <cstddef>

template <class Ch>
std::size_t TextLength(const Ch* text) {
  std::size_t n = 0;
  if (text != nullptr) {
    while (text[n] != Ch(0)) ++n;
  }
  return n;
}

// Length of buffer's text, but never more than capacity - 1 even if the buffer
// is (wrongly) unterminated.
template <class Ch>
std::size_t BoundedLength(const Ch* buffer, std::size_t capacity) {
  std::size_t n = 0;
  while (n + 1 < capacity && buffer[n] != Ch(0)) ++n;
  return n;
}

// Appends text at the end of buffer's current text. Returns true when all of
// it fitted.
template <class Ch>
bool AppendText(Ch* buffer, std::size_t capacity, const Ch* text) {
  if (capacity == 0) return text == nullptr || text[0] == Ch(0);
  std::size_t at = BoundedLength(buffer, capacity);
  std::size_t i = 0;
  if (text != nullptr) {
    while (text[i] != Ch(0) && at + 1 < capacity) buffer[at++] = text[i++];
  }
  buffer[at] = Ch(0);
  return text == nullptr || text[i] == Ch(0);
}

// Replaces buffer's text with text. Returns true when all of it fitted.
template <class Ch>
bool CopyText(Ch* buffer, std::size_t capacity, const Ch* text) {
  if (capacity == 0) return text == nullptr || text[0] == Ch(0);
  buffer[0] = Ch(0);
  return AppendText(buffer, capacity, text);
}

// Appends at most sourceUnits units of a source field that need not be
// terminated (a fixed-size field filled by the system).
template <class Ch, std::size_t N, std::size_t M>
bool AppendField(Ch (&buffer)[N], const Ch (&field)[M]) {
  Ch copy[M + 1];
  for (std::size_t i = 0; i < M; ++i) copy[i] = field[i];
  copy[M] = Ch(0);
  return AppendText(buffer, N, copy);
}

template <class Ch, std::size_t N>
bool AppendText(Ch (&buffer)[N], const Ch* text) {
  return AppendText(buffer, N, text);
}

template <class Ch, std::size_t N>
bool CopyText(Ch (&buffer)[N], const Ch* text) {
  return CopyText(buffer, N, text);
}
