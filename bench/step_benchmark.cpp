// Benchmark: Forward One Frame clicked 500 times on a 640 x 480 recording;
// the time from each click to the new frame on the screen (read back from the
// picture's code), against a bare graph (source, GDI video renderer in the
// same window, paused) seeking to the next frame on the same file. Prints
// every figure; asserts nothing about time.
//
//   wine orvo-step-bench.exe            (from the build's bin folder)
#include <windows.h>

#include <control.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/app_context.h"
#include "bare_graph.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/transport.h"
#include "harness/app_harness.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int Clicks = 500;
constexpr uint32_t RecordingFrames = 51;  // 50 steps, then back to the start

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

class StepBenchmark : public AppTest {
 protected:
  // A bare graph on path shown in the program's picture window, paused; then
  // steps paused seeks to the next frame, each until the frame is drawn.
  std::vector<double> BareSteps(const std::wstring& path, const AviGenOptions& options, int steps) {
    Command(CloseId);
    TheApp->Shared->DisplayWidth = options.Width;
    TheApp->Shared->DisplayHeight = options.Height;
    SetWindowPos(TheApp->ClipWindow, nullptr, 0, 0, static_cast<int>(options.Width), static_cast<int>(options.Height),
                 SWP_NOZORDER | SWP_NOMOVE);
    ShowWindow(TheApp->ClipWindow, SW_SHOW);
    ComPtr<IGraphBuilder> graph = BuildBareGraph(path, TheApp->ClipWindow, static_cast<long>(options.Width),
                                                 static_cast<long>(options.Height));
    ComPtr<IMediaControl> control;
    ComPtr<IMediaSeeking> seeking;
    graph.As(&control);
    graph.As(&seeking);
    control->Pause();
    WaitForShownFrame(0);
    std::vector<double> times;
    uint32_t frame = 0;
    for (int i = 0; i < steps; ++i) {
      frame = frame + 1 < RecordingFrames - 1 ? frame + 1 : 1;  // as the program's walk: never the end
      // The middle of the frame, in media time.
      LONGLONG at = (static_cast<LONGLONG>(frame) * 2 + 1) * 10000000LL * options.Scale / (2LL * options.Rate);
      LARGE_INTEGER start, end;
      QueryPerformanceCounter(&start);
      seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
      uint32_t shown = 0;
      bool drawn = false;
      for (int poll = 0; poll < 5000 && !drawn; ++poll) {
        drawn = ShownFrame(&shown) && shown == frame;
        if (!drawn) Pump(0);
      }
      QueryPerformanceCounter(&end);
      if (drawn) times.push_back(Milliseconds(start, end));
    }
    StopBareGraph(graph.Get());
    ShowWindow(TheApp->ClipWindow, SW_HIDE);
    return times;
  }
};

TEST_F(StepBenchmark, ForwardOneFrameClickToFrameDrawn) {
  AviGenOptions options;
  options.Width = 640;
  options.Height = 480;
  options.FrameCount = RecordingFrames;
  options.HasArtist = false;
  const std::wstring path = MakeRecording(L"bench.avi", options);
  Open(path);
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
  const std::vector<double> bare = BareSteps(path, options, Clicks / 5);
  ASSERT_FALSE(bare.empty());
  const double bareMedian = Median(bare);
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
  std::printf("  bare graph, paused seek to the next frame (%zu steps): median %.1f ms\n", bare.size(), bareMedian);
  std::printf("  ratio program / bare: %.2f\n", median / bareMedian);
  // The same figures as key=value words, for scripts/bench.sh.
  std::printf(
      "figures: width=%u height=%u clicks=%d median_ms=%.1f p95_ms=%.1f max_ms=%.1f missed=%d bare_ms=%.1f "
      "ratio=%.2f\n",
      options.Width, options.Height, Clicks, median, p95, sorted.back(), missed, bareMedian, median / bareMedian);
}

}  // namespace
