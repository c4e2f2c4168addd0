// The text of the playback window's status line: the current frame number
// behind a label that says what kind of frame it is.
//
// Platform-neutral: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

// Room for the longest label and any 32-bit number, with the terminator.
constexpr std::size_t FrameNumberTextUnits = 280;

// Fills buffer (capacity units) with the status line text:
//   no file open (openFrameCount 0): empty;
//   a file without dropped frames: 35 spaces, "Frame Number:  ", the number;
//   dropped frames, Dropped Frames Control off: 31 spaces, "Key Frame Number:  ";
//   dropped frames, control on: 49 spaces, then "Key Frame Number:  " for a
//   key frame or "Dropped Frame Number:  " otherwise.
// The leading spaces centre the text in the line. Never writes past capacity.
void ComposeFrameNumberText(char16_t* buffer, std::size_t capacity, uint32_t openFrameCount, uint32_t droppedFrameCount,
                            int droppedFramesControlOn, uint32_t frame, int isKeyFrame);
