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

// The playback speeds of Display > Playback Speed, slowest first, with the
// text that names each ("0.5x"). NormalPlaybackSpeed is 1x.
struct PlaybackSpeed {
  double Rate;
  const char16_t* Label;
};
inline constexpr int PlaybackSpeedCount = 5;
inline constexpr int NormalPlaybackSpeed = 2;
inline constexpr PlaybackSpeed PlaybackSpeeds[PlaybackSpeedCount] = {
    {0.25, u"0.25x"}, {0.5, u"0.5x"}, {1.0, u"1x"}, {2.0, u"2x"}, {4.0, u"4x"}};

// Appends "  (<label>)" for speed (an index into PlaybackSpeeds) unless it is
// 1x or no speed at all. Never writes past capacity.
void AppendPlaybackSpeedText(char16_t* buffer, std::size_t capacity, int speed);
