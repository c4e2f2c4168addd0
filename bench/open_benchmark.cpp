// Benchmark: File > Open of a 640 x 480 recording until its first frame is on
// the screen, against a bare graph (source, GDI video renderer in the same
// window, paused) on the same file, alternating, in one run. A second thread
// watches the screen, so that the frame is seen when the renderer draws it,
// whatever the window thread is doing; the program is also timed until it is
// ready for input (the open's posted remainder done). Prints the medians and
// their ratio; asserts nothing about time.
//
//   wine orvo-open-bench.exe            (from the build's bin folder)
#include <windows.h>

#include <control.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <cstdio>
#include <vector>

#include "app/app_context.h"
#include "app/layout.h"
#include "bare_graph.h"
#include "app/main_window.h"
#include "drive.h"
#include "frame_picture.h"
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

// Watches the clip window's place on the screen from its own thread; once
// armed, notes when frame 0 is first seen there.
class ScreenWatch {
 public:
  explicit ScreenWatch(HWND clip) : clip_(clip) {
    thread_ = CreateThread(nullptr, 0, &ScreenWatch::Run, this, 0, nullptr);
  }
  ~ScreenWatch() {
    stop_ = true;
    if (thread_ != nullptr) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
    }
  }
  void Arm(int width, int height, LARGE_INTEGER start) {
    width_ = width;
    height_ = height;
    start_ = start;
    seenMs_ = -1;
    armed_ = true;
  }
  // Milliseconds from the start to frame 0 seen, or -1 while not yet seen.
  double SeenMs() const { return seenMs_; }

 private:
  static DWORD WINAPI Run(void* self) {
    static_cast<ScreenWatch*>(self)->Watch();
    return 0;
  }
  void Watch() {
    std::vector<BYTE> pixels;
    while (!stop_) {
      if (armed_) {
        POINT origin = {0, 0};
        ClientToScreen(clip_, &origin);
        uint32_t frame = 1;
        const int w = width_, h = height_;
        if (drive::GrabScreenArea({origin.x, origin.y, origin.x + w, origin.y + h}, &pixels) &&
            ReadFrameCode(pixels.data(), static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                          static_cast<std::ptrdiff_t>(w) * 4, 4, &frame) &&
            frame == 0) {
          seenMs_ = Since(start_);
          armed_ = false;
        }
      }
      Sleep(1);
    }
  }
  HWND clip_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stop_{false}, armed_{false};
  std::atomic<int> width_{0}, height_{0};
  std::atomic<double> seenMs_{-1};
  LARGE_INTEGER start_ = {};
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct OpenTimes {
  double FirstFrameMs = 0;  // frame 0 seen on the screen
  double ReadyMs = 0;       // and the open's remainder done
};

class OpenBenchmark : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    // Nothing may cover the picture.
    SetWindowPos(TheApp->MainWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    watch_ = std::make_unique<ScreenWatch>(TheApp->ClipWindow);
  }
  void TearDown() override {
    watch_.reset();
    AppTest::TearDown();
  }

  // Pumps the window thread until the watch has seen frame 0 and the open is
  // finished (bounded: ten thousand rounds, then the time so far).
  OpenTimes WaitForFrame(LARGE_INTEGER start) {
    OpenTimes times;
    for (int i = 0; i < 10000 && (watch_->SeenMs() < 0 || OpenFinishWaiting()); ++i) Pump(0);
    times.ReadyMs = Since(start);
    times.FirstFrameMs = watch_->SeenMs() < 0 ? times.ReadyMs : watch_->SeenMs();
    return times;
  }

  // The program: File > Open answered with path.
  OpenTimes ProgramOpen(const std::wstring& path, int width = 640, int height = 480) {
    Command(CloseId);
    SetWindowTextW(TheApp->MessagesEdit, L"");  // as after start-up, not after thirty opens
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    watch_->Arm(width, height, start);
    ArrangeFileChoice(S_OK, path);
    PostMessageW(TheApp->MainWindow, WM_COMMAND, MAKEWPARAM(OpenId, 0), 0);
    return WaitForFrame(start);
  }

  // The bare graph: what any player does, shown in the program's picture window.
  OpenTimes BareOpen(const std::wstring& path, int width = 640, int height = 480) {
    Command(CloseId);
    TheApp->Shared->DisplayWidth = static_cast<uint32_t>(width);
    TheApp->Shared->DisplayHeight = static_cast<uint32_t>(height);
    // The client area the picture's size, as the program makes it.
    SetWindowPos(TheApp->ClipWindow, nullptr, 0, 0, width + ClipFrameWidth, height + ClipFrameHeight,
                 SWP_NOZORDER | SWP_NOMOVE);
    ShowWindow(TheApp->ClipWindow, SW_SHOW);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    watch_->Arm(width, height, start);
    ComPtr<IGraphBuilder> graph = BuildBareGraph(path, TheApp->ClipWindow, width, height);
    ComPtr<IMediaControl> control;
    graph.As(&control);
    control->Pause();
    const OpenTimes times = WaitForFrame(start);
    StopBareGraph(graph.Get());
    ShowWindow(TheApp->ClipWindow, SW_HIDE);
    return times;
  }

  // Alternates rounds of both and prints their medians and ratios.
  void Compare(const std::wstring& path, int width, int height, int rounds, const char* what, const char* label) {
    ProgramOpen(path, width, height);  // warm both paths once
    BareOpen(path, width, height);
    std::vector<double> program, ready, bare;
    for (int round = 0; round < rounds; ++round) {
      const OpenTimes p = ProgramOpen(path, width, height);
      program.push_back(p.FirstFrameMs);
      ready.push_back(p.ReadyMs);
      bare.push_back(BareOpen(path, width, height).FirstFrameMs);
    }
    const double p = Median(program), r = Median(ready), b = Median(bare);
    std::printf("File > Open to first frame on the screen, %s, %d rounds each, alternating\n", what, rounds);
    std::printf("  program: median %.1f ms (min %.1f); ready for input: median %.1f ms\n", p,
                *std::min_element(program.begin(), program.end()), r);
    std::printf("  bare graph: median %.1f ms (min %.1f)\n", b, *std::min_element(bare.begin(), bare.end()));
    std::printf("  ratio program / bare: %.2f (ready for input %.2f)\n", p / b, r / b);
    // The same figures as key=value words, for scripts/bench.sh.
    std::printf(
        "figures: case=%s width=%d height=%d rounds=%d program_ms=%.1f ready_ms=%.1f bare_ms=%.1f "
        "ratio=%.2f ready_ratio=%.2f\n",
        label, width, height, rounds, p, r, b, p / b, r / b);
  }

  std::unique_ptr<ScreenWatch> watch_;
};

TEST_F(OpenBenchmark, FileOpenToFirstFrameAgainstABareGraph) {
  AviGenOptions options;
  options.Width = 640;
  options.Height = 480;
  options.FrameCount = 300;
  options.DroppedFrames = {10, 11, 50, 200};
  Compare(MakeRecording(L"bench.avi", options), 640, 480, Rounds, "640 x 480", "short");
}

// The long recording of orvo-long-bench (2,000,000 frames, 160 x 120, about
// 180,000 runs of dropped frames), when that benchmark has written it.
TEST_F(OpenBenchmark, FileOpenOfALongRecordingAgainstABareGraph) {
  const std::wstring path = drive::ExeFolder() + L"\\long-bench-recordings\\long.avi";
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::printf("no long recording: run orvo-long-bench.exe first\n");
    return;
  }
  Compare(path, 160, 120, 5, "2,000,000 frames of 160 x 120", "long");
}

}  // namespace
