#include "graph/frame_navigation.h"

#include <algorithm>

bool FrameFlags::IsKey(int64_t frame) const {
  if (Flags == nullptr || frame < 0 || static_cast<uint64_t>(frame) >= FlagCount) return true;
  return Flags[frame] != 0;
}

namespace {

// The first frame in (from, TotalFrames) whose kind is wanted, or -1.
int64_t FirstAfter(const FrameFlags& frames, int64_t from, bool wantKey) {
  if (from >= frames.TotalFrames) return -1;
  for (int64_t f = from < 0 ? 0 : from + 1; f < frames.TotalFrames; ++f) {
    if (frames.IsKey(f) == wantKey) return f;
  }
  return -1;
}

// The last frame in [lowest, min(from, TotalFrames)) whose kind is wanted, or -1.
int64_t LastBefore(const FrameFlags& frames, int64_t from, int64_t lowest, bool wantKey) {
  if (from <= lowest) return -1;
  for (int64_t f = std::min(from, frames.TotalFrames) - 1; f >= lowest; --f) {
    if (frames.IsKey(f) == wantKey) return f;
  }
  return -1;
}

}  // namespace

int64_t FindStepTarget(const FrameFlags& frames, FrameStep step, int64_t p0) {
  const bool forward = step == FrameStep::NextKey || step == FrameStep::NextNonKey;
  const bool wantKey = step == FrameStep::NextKey || step == FrameStep::PreviousKey;
  if (forward) {
    if (p0 >= frames.TotalFrames) return p0;
    const int64_t f = FirstAfter(frames, p0, wantKey);
    return f >= 0 ? f : frames.TotalFrames;
  }
  if (p0 <= 0) return p0;
  const int64_t f = LastBefore(frames, p0, 1, wantKey);
  return f >= 0 ? f : 0;
}

void FindNonKeyNeighbours(const FrameFlags& frames, int64_t p, uint32_t* after, uint32_t* before) {
  if (after != nullptr && FirstAfter(frames, p, false) >= 0) *after = 1;
  if (before != nullptr && LastBefore(frames, p, 0, false) >= 0) *before = 1;
}
