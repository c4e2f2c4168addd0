// Benchmark: Forward One Frame clicked 500 times on a 640 x 480 recording;
// the time from each click to the new frame on the screen (read back from the
// picture's code). Prints every figure; asserts nothing about time.
//
//   wine orvo-step-bench.exe            (from the build's bin folder)
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/app_context.h"
#include "controls/playback_controls.h"
#include "graph/transport.h"
#include "harness/app_harness.h"

namespace {

constexpr int Clicks = 500;
constexpr uint32_t RecordingFrames = 51;  // 50 steps, then back to the start

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class StepBenchmark : public AppTest {};

TEST_F(StepBenchmark, ForwardOneFrameClickToFrameDrawn) {
  AviGenOptions options;
  options.Width = 640;
  options.Height = 480;
  options.FrameCount = RecordingFrames;
  options.HasArtist = false;
  Open(MakeRecording(L"bench.avi", options));
  ASSERT_TRUE(WaitForShownFrame(0));

  std::vector<double> times;
  int missed = 0;
  while (static_cast<int>(times.size()) + missed < Clicks) {
    const uint32_t expected = CurrentFramePosition() + 1;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    SendMessageW(ForwardOneFrameButton, BM_CLICK, 0, 0);
    uint32_t shown = 0;
    bool drawn = false;
    for (int poll = 0; poll < 5000 && !drawn; ++poll) {
      drawn = ShownFrame(&shown) && shown == expected;
      if (!drawn) Pump(0);
    }
    QueryPerformanceCounter(&end);
    if (drawn) {
      times.push_back(Milliseconds(start, end));
    } else {
      ++missed;
    }
    if (expected + 1 >= RecordingFrames) {  // not onto the end position: back to the start
      SendMessageW(BeginFileButton, BM_CLICK, 0, 0);
      WaitForShownFrame(0);
    }
  }
  ASSERT_FALSE(times.empty());
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted[sorted.size() / 2];
  const double p95 = sorted[std::min(sorted.size() - 1, sorted.size() * 95 / 100)];
  double sum = 0;
  for (double t : times) sum += t;
  std::printf("Forward One Frame, 640 x 480, %d clicks: click to frame drawn\n", Clicks);
  std::printf("  median %.1f ms, 95th percentile %.1f ms, mean %.1f ms, min %.1f ms, max %.1f ms\n", median, p95,
              sum / static_cast<double>(times.size()), sorted.front(), sorted.back());
  std::printf("  frames never seen: %d\n", missed);
  // The same figures as key=value words, for scripts/bench.sh.
  std::printf("figures: width=%u height=%u clicks=%d median_ms=%.1f p95_ms=%.1f max_ms=%.1f missed=%d\n", options.Width,
              options.Height, Clicks, median, p95, sorted.back(), missed);
}

}  // namespace
