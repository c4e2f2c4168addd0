// How long a frame step, a dropped-frame jump, the neighbour test and the key
// test take over recordings of 300, 1,000,000 and 12,500,000 frames with a
// tenth of their frames dropped, at positions near the start and near the
// end. Prints nanoseconds per call; asserts nothing. The per-call cost should
// not grow with the length (each is a binary search over the drop runs).
//
//   orvo-nav-bench [SECONDS]   (the time spent on each figure, default 0.2)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "graph/frame_navigation.h"

namespace {

// frames frames, about one in ten dropped, in runs of 1 to 4 frames.
KeyFrameFlagRuns Recording(uint64_t frames) {
  std::mt19937 random(7);
  KeyFrameFlagRuns flags;
  while (flags.Size() < frames) {
    const uint64_t keys = 5 + random() % 41;  // gaps averaging 25 frames
    const uint64_t dropped = 1 + random() % 4;
    flags.AppendEntries(true, std::min(keys, frames - flags.Size()));
    flags.AppendEntries(false, std::min(dropped, frames - flags.Size()));
  }
  flags.Resize(frames + 8);
  return flags;
}

volatile int64_t Sink = 0;

// Nanoseconds per call of what over the positions, repeated for seconds.
template <typename What>
double NanosecondsPerCall(const std::vector<int64_t>& positions, double seconds, What what) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  uint64_t calls = 0;
  int64_t sum = 0;
  double elapsed = 0;
  do {
    for (int64_t p : positions) sum += what(p);
    calls += positions.size();
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  } while (elapsed < seconds);
  Sink = Sink + sum;
  return elapsed * 1e9 / static_cast<double>(calls);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 0.2;
  std::printf("%-11s %-6s %8s %10s %10s %10s %10s %10s\n", "frames", "where", "runs", "step ns", "jump > ns",
              "jump < ns", "nbrs ns", "key ns");
  for (const uint64_t frames : {300ull, 1000000ull, 12500000ull}) {
    const KeyFrameFlagRuns flags = Recording(frames);
    const FrameFlags file{&flags, static_cast<int64_t>(frames)};
    for (const bool atEnd : {false, true}) {
      // 256 positions among the first or the last 300 frames.
      std::mt19937 random(11);
      std::vector<int64_t> positions;
      const int64_t base = atEnd ? static_cast<int64_t>(frames) - 300 : 0;
      for (int i = 0; i < 256; ++i) positions.push_back(base + static_cast<int64_t>(random() % 300));
      const double step = NanosecondsPerCall(
          positions, seconds, [&](int64_t p) { return FindStepTarget(file, FrameStep::NextKey, p); });
      const double next = NanosecondsPerCall(
          positions, seconds, [&](int64_t p) { return FindStepTarget(file, FrameStep::NextNonKey, p); });
      const double previous = NanosecondsPerCall(
          positions, seconds, [&](int64_t p) { return FindStepTarget(file, FrameStep::PreviousNonKey, p); });
      const double neighbours = NanosecondsPerCall(positions, seconds, [&](int64_t p) {
        uint32_t after = 0, before = 0;
        FindNonKeyNeighbours(file, p, &after, &before);
        return static_cast<int64_t>(after + before);
      });
      const double key = NanosecondsPerCall(positions, seconds, [&](int64_t p) { return file.IsKey(p) ? 1 : 0; });
      std::printf("%-11llu %-6s %8zu %10.1f %10.1f %10.1f %10.1f %10.1f\n", static_cast<unsigned long long>(frames),
                  atEnd ? "end" : "start", flags.RunCount(), step, next, previous, neighbours, key);
      std::printf("figures: frames=%llu where=%s runs=%zu step_ns=%.1f next_dropped_ns=%.1f previous_dropped_ns=%.1f "
                  "neighbours_ns=%.1f key_ns=%.1f\n",
                  static_cast<unsigned long long>(frames), atEnd ? "end" : "start", flags.RunCount(), step, next,
                  previous, neighbours, key);
    }
    std::printf("flags of %llu frames: %zu runs, %llu KB held (an array of the frames: %llu KB)\n",
                static_cast<unsigned long long>(frames), flags.RunCount(),
                static_cast<unsigned long long>(flags.RunCount() * 8 / 1024),
                static_cast<unsigned long long>((frames + 8) * 4 / 1024));
  }
  return 0;
}
