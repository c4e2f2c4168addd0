// The start-ups that fail, and the end of the program while it plays. Every
// case runs in a process of its own. (A start-up as the user sees it, the
// windows' places with and without an options file, and the exit code of the
// real program are the journey test's, tests/journey.)
#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"
#include "options/window_positions.h"

namespace {

class StartupTest : public AppTest {};

// Each FATAL step ends start-up with E_ABORT before any window is shown.
template <StartupStep Step>
class FatalAt : public AppTest {
  void BeforeStart() override { ForcedStartupFailure = Step; }

 protected:
  void ExpectNothingShown() {
    EXPECT_EQ(static_cast<int>(E_ABORT), StartResult());
    EXPECT_EQ(1u, TheApp->Shared->StartupFailed);
    EXPECT_EQ(1, StartingUp);
    for (HWND window : {TheApp->MainWindow, TheApp->MessagesWindow, TheApp->PlaybackWindow}) {
      EXPECT_FALSE(window != nullptr && IsWindowVisible(window));
    }
  }
};
using FatalAtMainWindow = FatalAt<StartupStep::MainWindow>;
using FatalAtMessagesWindow = FatalAt<StartupStep::MessagesWindow>;
using FatalAtMessagesEdit = FatalAt<StartupStep::MessagesEdit>;
using FatalAtClipWindow = FatalAt<StartupStep::ClipWindow>;
using FatalAtPlaybackControls = FatalAt<StartupStep::PlaybackControls>;
TEST_F(FatalAtMainWindow, NothingIsShown) { ExpectNothingShown(); }
TEST_F(FatalAtMessagesWindow, NothingIsShown) { ExpectNothingShown(); }
TEST_F(FatalAtMessagesEdit, NothingIsShownAndMessagesWaitInTheQueue) {
  ExpectNothingShown();
  EXPECT_EQ(0, MessagesReady);
}
TEST_F(FatalAtClipWindow, NothingIsShown) { ExpectNothingShown(); }
TEST_F(FatalAtPlaybackControls, NothingIsShown) { ExpectNothingShown(); }

// Ending the program.
TEST_F(StartupTest, FileExitWhilePlayingClosesTheFileAndEndsTheLoopWithZero) {
  ASSERT_EQ(0, StartResult());
  Open(MakeCaptureRecording(300, {5}));
  Click(StartButton);
  PostMessageW(TheApp->MainWindow, WM_COMMAND, MAKEWPARAM(ExitId, 0), 0);
  EXPECT_EQ(0, RunMessageLoop()) << "no position posted by the tick may become the result";
  EXPECT_EQ(nullptr, TheApp->FrameTimer);
  EXPECT_EQ(0u, OpenFrameCount);
  EXPECT_EQ(nullptr, TheApp->Graph->SourceFilter.Get());
}

}  // namespace

namespace {

// The recent recordings of an earlier run, in a file that also holds window
// elements, as a later version reads it at start-up.
class RecentAtStart : public AppTest {
  void BeforeStart() override {
    WriteFileBytes(L"ORVO_options_playback.xml",
                   "<?xml version='1.0'?>\r\n<!--ORVO Video Playback Version 1-->\r\n<Root>\r\n"
                   "\t<MainWindowPosition Value=\"60, 70\"/>\r\n"
                   "\t<RecentRecording Value=\"C:\\lab\\caf&#xE9;.avi\"/>\r\n"
                   "\t<RecentRecording Value=\"C:\\b.avi\"/>\r\n</Root>\r\n");
  }
};

}  // namespace

TEST_F(RecentAtStart, TheRecordingsOfTheOptionsFileAreListedAboveExit) {
  ASSERT_EQ(0, StartResult());
  EXPECT_EQ(60, WindowPositions.MainX);
  wchar_t text[300] = L"";
  GetMenuStringW(TheApp->FileMenu, RecentRecordingFirstId, text, 300, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(L"&1 C:\\lab\\caf\u00e9.avi"), text);
  GetMenuStringW(TheApp->FileMenu, RecentRecordingFirstId + 1, text, 300, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(L"&2 C:\\b.avi"), text);
  const int count = GetMenuItemCount(TheApp->FileMenu);
  EXPECT_EQ(ExitId, GetMenuItemID(TheApp->FileMenu, count - 1));
  EXPECT_NE(0u, GetMenuState(TheApp->FileMenu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
}
