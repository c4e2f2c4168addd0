// Benchmark: File > Open of a 640 x 480 recording until its first frame is on
// the screen, against a bare graph (source, GDI video renderer in the same
// window, paused) on the same file, alternating, in one run. Prints the
// medians and their ratio; asserts nothing about time.
//
//   wine orvo-open-bench.exe            (from the build's bin folder)
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
#include "harness/app_harness.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int Rounds = 15;

double Since(LARGE_INTEGER from) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

class OpenBenchmark : public AppTest {
 protected:
  // The program: File > Open answered with path, until frame 0 is seen.
  double ProgramOpen(const std::wstring& path) {
    Command(CloseId);
    SetWindowTextW(TheApp->MessagesEdit, L"");  // as after start-up, not after thirty opens
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    ArrangeFileChoice(S_OK, path);
    PostMessageW(TheApp->MainWindow, WM_COMMAND, MAKEWPARAM(OpenId, 0), 0);
    uint32_t shown = 1;
    while (!(ShownFrame(&shown) && shown == 0)) Pump(0);
    return Since(start);
  }

  // The bare graph: what any player does, shown in the program's picture window.
  double BareOpen(const std::wstring& path, int width = 640, int height = 480) {
    Command(CloseId);
    TheApp->Shared->DisplayWidth = static_cast<uint32_t>(width);
    TheApp->Shared->DisplayHeight = static_cast<uint32_t>(height);
    SetWindowPos(TheApp->ClipWindow, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOMOVE);
    ShowWindow(TheApp->ClipWindow, SW_SHOW);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    ComPtr<IGraphBuilder> graph = BuildBareGraph(path, TheApp->ClipWindow, width, height);
    ComPtr<IMediaControl> control;
    graph.As(&control);
    control->Pause();
    uint32_t shown = 1;
    while (!(ShownFrame(&shown) && shown == 0)) Pump(0);
    const double took = Since(start);
    StopBareGraph(graph.Get());
    ShowWindow(TheApp->ClipWindow, SW_HIDE);
    return took;
  }
};

TEST_F(OpenBenchmark, FileOpenToFirstFrameAgainstABareGraph) {
  AviGenOptions options;
  options.Width = 640;
  options.Height = 480;
  options.FrameCount = 300;
  options.DroppedFrames = {10, 11, 50, 200};
  const std::wstring path = MakeRecording(L"bench.avi", options);
  ProgramOpen(path);  // warm both paths once
  BareOpen(path);
  std::vector<double> program, bare;
  for (int round = 0; round < Rounds; ++round) {
    program.push_back(ProgramOpen(path));
    bare.push_back(BareOpen(path));
  }
  const double p = Median(program), b = Median(bare);
  std::printf("File > Open to first frame, 640 x 480, %d rounds each, alternating\n", Rounds);
  std::printf("  program: median %.1f ms (min %.1f)\n", p, *std::min_element(program.begin(), program.end()));
  std::printf("  bare graph: median %.1f ms (min %.1f)\n", b, *std::min_element(bare.begin(), bare.end()));
  std::printf("  ratio program / bare: %.2f\n", p / b);
  // The same figures as key=value words, for scripts/bench.sh.
  std::printf("figures: width=%u height=%u rounds=%d program_ms=%.1f bare_ms=%.1f ratio=%.2f\n", options.Width,
              options.Height, Rounds, p, b, p / b);
}

// The long recording of orvo-long-bench (2,000,000 frames, 160 x 120, about
// 180,000 runs of dropped frames), when that benchmark has written it.
TEST_F(OpenBenchmark, FileOpenOfALongRecordingAgainstABareGraph) {
  const std::wstring path = ProgramFolder() + L"\\long-bench-recordings\\long.avi";
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("no long recording: run orvo-long-bench.exe first\n");
    return;
  }
  constexpr int LongRounds = 5;
  ProgramOpen(path);
  BareOpen(path, 160, 120);
  std::vector<double> program, bare;
  for (int round = 0; round < LongRounds; ++round) {
    program.push_back(ProgramOpen(path));
    bare.push_back(BareOpen(path, 160, 120));
  }
  const double p = Median(program), b = Median(bare);
  std::printf("File > Open to first frame, 2,000,000 frames of 160 x 120, %d rounds each, alternating\n", LongRounds);
  std::printf("  program: median %.1f ms, bare graph: median %.1f ms, ratio %.2f\n", p, b, p / b);
  std::printf("figures: case=long width=160 height=120 rounds=%d program_ms=%.1f bare_ms=%.1f ratio=%.2f\n", LongRounds,
              p, b, p / b);
}

}  // namespace
