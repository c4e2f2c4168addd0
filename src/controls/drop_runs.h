// Where a capture recording dropped frames, from its key-frame flags:
// the runs of consecutive dropped frames, the time of a frame as a clock text,
// and the position slider's tick marks, at most one per pixel of its channel.
//
// Platform-neutral: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "avi/key_frame_flags.h"  // DropRun

// The runs of dropped (flag 0) frames among frames 0..totalFrames - 1, in
// order. Only the first flagCount flags are read; frames beyond them, and
// every frame when flags is null, count as key frames. *droppedTotal (when
// not null) receives the number of dropped frames.
std::vector<DropRun> FindDropRuns(const uint32_t* flags, uint64_t flagCount, uint32_t totalFrames,
                                  uint64_t* droppedTotal);
// The same from the flags' own runs, in time proportional to the runs.
std::vector<DropRun> FindDropRuns(const KeyFrameFlagRuns& flags, uint32_t totalFrames, uint64_t* droppedTotal);

// Room for "hh:mm:ss.mmm" with any 64-bit hour count, and the terminator.
constexpr std::size_t FrameTimeTextUnits = 32;

// The start of frame (frame x scale / rate seconds, cut to the millisecond)
// as "hh:mm:ss.mmm"; hours take more than two digits when needed. With a
// zero rate or scale, or a time past 64 bits of milliseconds, the text is
// empty and the result false. Never writes past capacity.
bool ComposeFrameTime(char16_t* buffer, std::size_t capacity, uint64_t frame, uint32_t rate, uint32_t scale);

// The slider positions to mark for the runs on a slider ranged 0..rangeMax
// whose channel is pixelWidth pixels wide: each dropped frame, except that of
// the frames falling on one pixel (pixel = frame x (pixelWidth - 1) /
// rangeMax) only the first is kept. Ascending; empty for a zero width or
// range.
std::vector<uint32_t> ThinnedTickPositions(const std::vector<DropRun>& runs, uint32_t rangeMax, int pixelWidth);
