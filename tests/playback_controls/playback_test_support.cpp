#include "playback_test_support.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <ostream>

#include "app/app_context.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"

bool ControlStates::operator==(const ControlStates& o) const {
  return Start == o.Start && Pause == o.Pause && Begin == o.Begin && Back == o.Back && Forward == o.Forward &&
         End == o.End && Previous == o.Previous && Next == o.Next && Slider == o.Slider && Clip == o.Clip;
}

std::ostream& operator<<(std::ostream& out, const ControlStates& s) {
  auto bit = [](bool b) { return b ? "1" : "0"; };
  return out << "start " << bit(s.Start) << " pause " << bit(s.Pause) << " begin " << bit(s.Begin) << " back "
             << bit(s.Back) << " forward " << bit(s.Forward) << " end " << bit(s.End) << " < " << bit(s.Previous)
             << " > " << bit(s.Next) << " slider " << bit(s.Slider) << " clip " << bit(s.Clip);
}

ControlStates PausedInside(bool after, bool before) {
  return {true, false, true, true, true, true, before, after, true, true};
}
ControlStates AtFirstFrame(bool after) { return {true, false, false, false, true, true, false, after, true, true}; }
ControlStates AtEnd() { return {false, false, true, true, false, false, true, false, true, false}; }
ControlStates Playing() { return {false, true, false, false, false, false, false, false, false, true}; }
ControlStates NoFile() { return {false, false, false, false, false, false, false, false, false, false}; }

void PlaybackTest::SetUp() {
  AppTest::SetUp();
  ASSERT_EQ(0, StartResult());
  // Nothing may cover the picture, which is read back from the screen.
  SetWindowPos(TheApp->MessagesWindow, nullptr, 900, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(TheApp->PlaybackWindow, nullptr, 100, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(TheApp->MainWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Pump(30);
}

void PlaybackTest::TearDown() {
  StopFrameTimer();
  if (TheGraph != nullptr) TheGraph->CloseVideoFile();
  AppTest::TearDown();
}

std::wstring PlaybackTest::MakeRecording(const std::wstring& name, const AviGenOptions& options) {
  return WriteRecording(WorkDir(), name, options);
}

std::wstring PlaybackTest::MakeCaptureRecording(uint32_t frames, const std::vector<uint32_t>& dropped) {
  AviGenOptions options;
  options.FrameCount = frames;
  options.DroppedFrames = dropped;
  options.DropStyle = AviGenDropStyle::Repeat;
  return MakeRecording(L"capture.avi", options);
}

void PlaybackTest::Open(const std::wstring& path) {
  ArrangeFileChoice(S_OK, path);
  Command(TheApp->MainWindow, OpenId);
  ASSERT_NE(0u, OpenFrameCount);
  ASSERT_EQ(2, PlaybackState);
  Pump(20);
}

void PlaybackTest::Click(HWND button) {
  EXPECT_TRUE(IsWindowEnabled(button)) << "a user cannot press a disabled button";
  SendMessageW(button, BM_CLICK, 0, 0);
  Pump(5);
}

void PlaybackTest::Scroll(WORD code, uint32_t position) {
  SendMessageW(PositionSlider, TBM_SETPOS, TRUE, position);
  SendMessageW(TheApp->PlaybackWindow, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(PositionSlider));
  Pump(5);
}

ControlStates PlaybackTest::States() const {
  auto on = [](HWND control) { return IsWindowEnabled(control) != FALSE; };
  return {on(StartButton),           on(PauseButton),
          on(BeginFileButton),       on(BackOneFrameButton),
          on(ForwardOneFrameButton), on(EndFileButton),
          on(PreviousDroppedButton), on(NextDroppedButton),
          on(PositionSlider),        IsWindowVisible(TheApp->ClipWindow) != FALSE};
}

uint32_t PlaybackTest::SliderPosition() const {
  return static_cast<uint32_t>(SendMessageW(PositionSlider, TBM_GETPOS, 0, 0));
}

std::wstring PlaybackTest::StatusText() const { return WindowTextOf(StatusLine); }

namespace {

// Test programs run side by side on one display, each with its main window in
// the same place. While one of them reads its picture back from the screen it
// holds this lock and keeps its main window above every other window.
class ScreenReadback {
 public:
  ScreenReadback() : lock_(CreateMutexW(nullptr, FALSE, L"OrvoTestScreenReadback")) {
    if (lock_ != nullptr) WaitForSingleObject(lock_, 10000);
    SetWindowPos(TheApp->MainWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  ~ScreenReadback() {
    SetWindowPos(TheApp->MainWindow, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (lock_ != nullptr) {
      ReleaseMutex(lock_);
      CloseHandle(lock_);
    }
  }
  ScreenReadback(const ScreenReadback&) = delete;
  ScreenReadback& operator=(const ScreenReadback&) = delete;

 private:
  HANDLE lock_;
};

}  // namespace

bool PlaybackTest::ShownFrame(uint32_t* frame) {
  const int width = static_cast<int>(TheApp->Shared->DisplayWidth);
  const int height = static_cast<int>(TheApp->Shared->DisplayHeight);
  if (width <= 0 || height <= 0) return false;
  std::unique_ptr<ScreenReadback> raised;
  if (!screenHeld_) {
    raised = std::make_unique<ScreenReadback>();
    Pump(2);  // the picture drawn again where it was uncovered
  }
  return ReadFrameOnScreen(TheApp->ClipWindow, width, height, frame);
}

void PlaybackTest::HoldScreen() {
  static ScreenReadback* held = nullptr;  // until the process ends
  if (held == nullptr) held = new ScreenReadback;
  screenHeld_ = true;
  Pump(20);
}

bool PlaybackTest::WaitForShownFrame(uint32_t frame) {
  uint32_t shown = 0xFFFFFFFFu;
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (ShownFrame(&shown) && shown == frame) return true;
    // Another test program's window may have covered the picture, which the
    // renderer does not draw again by itself under Wine.
    if (attempt % 50 == 49) RedrawCurrentFrame();
    Pump(10);
  }
  if (GetEnvironmentVariableW(L"ORVO_TEST_LINGER", nullptr, 0) != 0) Pump(8000);
  ADD_FAILURE() << "the screen shows " << (ShownFrame(&shown) ? std::to_string(shown) : "no frame code")
                << ", expected frame " << frame;
  return false;
}

bool PlaybackTest::WaitForState(int state, int attempts) {
  for (int attempt = 0; attempt < attempts && PlaybackState != state; ++attempt) Pump(25);
  return PlaybackState == state;
}

std::wstring PlaybackTest::KeyLine(uint32_t frame) {
  return std::wstring(49, L' ') + L"Key Frame Number:  " + std::to_wstring(frame);
}
std::wstring PlaybackTest::DroppedLine(uint32_t frame) {
  return std::wstring(49, L' ') + L"Dropped Frame Number:  " + std::to_wstring(frame);
}
std::wstring PlaybackTest::PlainLine(uint32_t frame) {
  return std::wstring(35, L' ') + L"Frame Number:  " + std::to_wstring(frame);
}
