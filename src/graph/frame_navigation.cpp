#include "graph/frame_navigation.h"

#include <algorithm>

bool FrameFlags::IsKey(int64_t frame) const {
  if (Flags == nullptr || frame < 0) return true;
  return Flags->Entry(static_cast<uint64_t>(frame)) != 0;
}

namespace {

constexpr int64_t None = -1;

// The run of non-key frames holding frame (>= 0), or -1; *at receives the
// index of the last run starting at or before it (-1 when none does).
int64_t RunHolding(const KeyFrameFlagRuns& flags, int64_t frame, int64_t* at) {
  *at = flags.RunAtOrBefore(static_cast<uint64_t>(frame));
  if (*at < 0) return None;
  return frame <= static_cast<int64_t>(flags.Run(static_cast<std::size_t>(*at)).Last) ? *at : None;
}

// The first frame at or after s (>= 0) of the wanted kind, or -1 when there is
// none (a non-key frame) or it would lie past every frame number.
int64_t FirstFrom(const FrameFlags& frames, int64_t s, bool wantKey) {
  if (frames.Flags == nullptr) return wantKey ? s : None;
  const KeyFrameFlagRuns& flags = *frames.Flags;
  int64_t at = 0;
  const int64_t holding = RunHolding(flags, s, &at);
  if (wantKey) {
    // The runs never touch, so the frame after a run is a key frame.
    return holding < 0 ? s : static_cast<int64_t>(flags.Run(static_cast<std::size_t>(holding)).Last) + 1;
  }
  if (holding >= 0) return s;
  const std::size_t next = static_cast<std::size_t>(at + 1);
  return next < flags.RunCount() ? static_cast<int64_t>(flags.Run(next).First) : None;
}

// The last frame at or before s (>= 0) of the wanted kind, or -1.
int64_t LastFrom(const FrameFlags& frames, int64_t s, bool wantKey) {
  if (frames.Flags == nullptr) return wantKey ? s : None;
  const KeyFrameFlagRuns& flags = *frames.Flags;
  int64_t at = 0;
  const int64_t holding = RunHolding(flags, s, &at);
  if (wantKey) return holding < 0 ? s : static_cast<int64_t>(flags.Run(static_cast<std::size_t>(holding)).First) - 1;
  if (at < 0) return None;
  return std::min<int64_t>(flags.Run(static_cast<std::size_t>(at)).Last, s);
}

// The first frame in (from, TotalFrames) whose kind is wanted, or -1.
int64_t FirstAfter(const FrameFlags& frames, int64_t from, bool wantKey) {
  if (from >= frames.TotalFrames) return None;
  const int64_t s = from < 0 ? 0 : from + 1;
  if (s >= frames.TotalFrames) return None;
  const int64_t f = FirstFrom(frames, s, wantKey);
  return f >= 0 && f < frames.TotalFrames ? f : None;
}

// The last frame in [lowest, min(from, TotalFrames)) whose kind is wanted, or -1.
int64_t LastBefore(const FrameFlags& frames, int64_t from, int64_t lowest, bool wantKey) {
  if (from <= lowest) return None;
  const int64_t s = std::min(from, frames.TotalFrames) - 1;
  if (s < lowest) return None;
  const int64_t f = LastFrom(frames, s, wantKey);
  return f >= lowest ? f : None;
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
