// Closing the file or the program while the video plays: the playback tick
// must be gone and nothing may crash, however often it is done.

#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/main_window.h"
#include "avi_generator.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

namespace {

constexpr unsigned OpenCommand = 32795;
constexpr unsigned CloseCommand = 32796;

class CloseWhilePlayingTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    AviGenOptions options;
    options.FrameCount = 300;
    options.DroppedFrames = {10, 11, 200};
    recording_ = WriteRecording(WorkDir(), L"long.avi", options);
    FrameTickMilliseconds = 5;  // tick often, so a close lands in the middle of ticks
  }

  void OpenAndPlay() {
    ArrangeFileChoice(S_OK, recording_);
    Command(TheApp->MainWindow, OpenCommand);
    ASSERT_EQ(300u, OpenFrameCount);
    SendMessageW(StartButton, BM_CLICK, 0, 0);
    Pump(20);
    ASSERT_EQ(0, PlaybackState);
  }

 private:
  std::wstring recording_;
};

TEST_F(CloseWhilePlayingTest, FiftyClosesWhilePlayingLeaveNoTickRunning) {
  ASSERT_EQ(0, StartResult());
  for (int round = 0; round < 50; ++round) {
    OpenAndPlay();
    Command(TheApp->MainWindow, CloseCommand);
    ASSERT_EQ(nullptr, TheApp->FrameTimer) << "round " << round;
    ASSERT_EQ(10, PlaybackState);
    const LONG ticks = FrameTicksRun();
    Pump(30);
    ASSERT_EQ(ticks, FrameTicksRun()) << "a tick ran after the close, round " << round;
  }
}

TEST_F(CloseWhilePlayingTest, ExitWhilePlayingEndsTheProgramCleanly) {
  ASSERT_EQ(0, StartResult());
  OpenAndPlay();
  PostMessageW(TheApp->MainWindow, WM_COMMAND, MAKEWPARAM(32798, 0), 0);
  EXPECT_EQ(0, RunMessageLoop());
  EXPECT_EQ(nullptr, TheApp->FrameTimer);
  EXPECT_EQ(0u, OpenFrameCount);
  EXPECT_EQ(nullptr, TheApp->Graph->SourceFilter.Get());
}

}  // namespace
