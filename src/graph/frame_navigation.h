// Frame navigation over the key-frame flags of an open file: where each step
// of the transport lands, and whether non-key (dropped) frames lie on either
// side of a position. Every answer is a binary search over the runs of
// non-key frames, so a step costs the same at frame 12,000,000 as at frame 0.
//
// Platform-neutral: no <windows.h>.
//
// Positions are frame numbers from 0; TotalFrames is the end position, one
// past the last frame. A frame past the flags (or every frame, when Flags is
// null) counts as a key frame. Positions handed in may lie anywhere, negative
// or past the end; only frames before TotalFrames are candidates.
#pragma once

#include <cstdint>

#include "avi/key_frame_flags.h"

// The frame steps of the transport; the values are its command codes.
enum class FrameStep : int {
  NextKey = 4,         // forward to the next key frame, or to the end
  PreviousKey = 5,     // back to the previous key frame, or to frame 0
  NextNonKey = 8,      // forward to the next non-key frame, or to the end
  PreviousNonKey = 9,  // back to the previous non-key frame, or to frame 0
};

struct FrameFlags {
  const KeyFrameFlagRuns* Flags;  // may be null: every frame is a key frame
  int64_t TotalFrames;            // the end position

  bool IsKey(int64_t frame) const;
};

// The target of a step from position p0.
//   Forward: from p0 >= TotalFrames the step stays at p0; otherwise the first
//   frame after p0 and before TotalFrames of the wanted kind, else TotalFrames.
//   Back: from p0 <= 0 the step stays at p0; otherwise the last frame from 1 up
//   to p0 - 1 of the wanted kind, else 0 (frame 0 is accepted whatever its flag).
//   Only frames before TotalFrames are candidates, in either direction.
int64_t FindStepTarget(const FrameFlags& frames, FrameStep step, int64_t p0);

// Sets *after to 1 when a non-key frame lies after p (before TotalFrames) and
// *before to 1 when one lies before p (down to frame 0). A flag is only ever
// set, never cleared; a null pointer is not written.
void FindNonKeyNeighbours(const FrameFlags& frames, int64_t p, uint32_t* after, uint32_t* before);
