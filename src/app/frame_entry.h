// What the user typed into the Go to Frame dialog, read as a frame number.
//
// Platform-neutral: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

enum class FrameEntry {
  Valid,       // a frame of the file: 0 to frameCount - 1
  Empty,       // nothing but blanks
  NotANumber,  // anything but decimal digits (signs, points, letters)
  OutOfRange,  // digits, but no frame of the file (too large, however long)
};

// Reads text (NUL-terminated; blanks around the digits are allowed) as a
// frame of a file with frameCount frames. *frame is set only for Valid.
[[nodiscard]] FrameEntry ParseFrameEntry(const char16_t* text, uint32_t frameCount, uint32_t* frame);

// Room for the longest prompt or complaint with any 32-bit frame count.
constexpr std::size_t FrameEntryTextUnits = 96;

// The line the dialog shows for an entry: for Valid (and as the opening
// prompt) "Enter a frame number from 0 to N", where N is the last frame;
// otherwise what was wrong, followed by that range. Never writes past capacity.
void ComposeFrameEntryText(char16_t* buffer, std::size_t capacity, FrameEntry entry, uint32_t frameCount);
