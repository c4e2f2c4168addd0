// Start-up as a user sees it (which windows appear where, what the User
// Messages window says first, the menus, the icons), the start-ups that fail,
// and the ways the program ends. Every case runs in a process of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

namespace {

class StartupTest : public AppTest {};

TEST_F(StartupTest, WithoutOptionsOrIconsTheWindowsTakeTheDefaultsAndTheNoticeComesLast) {
  ASSERT_EQ(0, StartResult());
  EXPECT_EQ((RECT{100, 150, 736, 650}), WindowRectOf(TheApp->MessagesWindow));
  EXPECT_EQ(50, WindowRectOf(TheApp->MainWindow).left);
  EXPECT_EQ(50, WindowRectOf(TheApp->MainWindow).top);
  EXPECT_TRUE(IsWindowVisible(TheApp->MainWindow));
  EXPECT_EQ(L"ORVO Video Playback Version 1", WindowTextOf(TheApp->MainWindow));
  EXPECT_EQ(L"User Messages", WindowTextOf(TheApp->MessagesWindow));
  RECT client;
  GetClientRect(TheApp->MainWindow, &client);
  EXPECT_EQ((RECT{0, 0, 640 + ClipFrameWidth, 480 + ClipFrameHeight}), client);
  EXPECT_EQ(0, StartingUp);

  // The time-zone report first, then the queued notice under its own time line.
  const std::vector<std::wstring> lines = SplitLines(MessagesText());
  ASSERT_EQ(7u, lines.size()) << testing::PrintToString(lines);
  EXPECT_TRUE(IsTimeLine(lines[1]) && IsTimeLine(lines[4]));
  EXPECT_EQ(0u, lines[2].find(L"Computer ")) << lines[2];
  EXPECT_EQ(L"No Options File or unreadable Options File", lines[5]);

  HMENU menu = GetMenu(TheApp->MainWindow);
  ASSERT_EQ(4, GetMenuItemCount(menu));
  EXPECT_TRUE(Grayed(menu, 1, MF_BYPOSITION));   // Display
  EXPECT_TRUE(Grayed(TheApp->FileMenu, 32796));  // Close
  EXPECT_TRUE(Grayed(TheApp->FileMenu, 32797));  // Information
  EXPECT_FALSE(Grayed(TheApp->FileMenu, 32795));
  EXPECT_EQ(1, GetMenuItemCount(TheApp->OptionsMenu));
  EXPECT_EQ(32804u, TheApp->NextCommandId);

  EXPECT_EQ(nullptr, TheApp->Shared->StartIcon);
  EXPECT_EQ(0, GetWindowLongW(StartButton, GWL_STYLE) & BS_ICON) << "captions instead of icons";
  EXPECT_EQ(reinterpret_cast<WPARAM>(FontTahoma22), SendMessageW(StartButton, WM_GETFONT, 0, 0));
}

class StartupWithIconsAndOptionsTest : public AppTest {
  void BeforeStart() override {
    CopyIconsTo(WorkDir());
    WriteFileBytes(WorkDir() + L"\\ORVO_options_playback.xml",
                   "<?xml version='1.0'?>\r\n<Root>\r\n\t<MainWindowPosition Value=\"70, 80\"/>\r\n"
                   "\t<MessageWindowPosition Value=\"10, 20\"/>\r\n</Root>\r\n");
  }
};

TEST_F(StartupWithIconsAndOptionsTest, StoredPositionsAndIconsAreUsed) {
  ASSERT_EQ(0, StartResult());
  EXPECT_EQ((RECT{10, 20, 646, 520}), WindowRectOf(TheApp->MessagesWindow)) << "the size stays the default";
  EXPECT_EQ(70, WindowRectOf(TheApp->MainWindow).left);
  EXPECT_EQ(80, WindowRectOf(TheApp->MainWindow).top);
  EXPECT_EQ(std::wstring::npos, MessagesText().find(L"No Options File"));

  const SharedState* s = TheApp->Shared;
  const HWND buttons[] = {StartButton,        PauseButton,           BeginFileButton,
                          BackOneFrameButton, ForwardOneFrameButton, EndFileButton};
  const HICON icons[] = {s->StartIcon,        s->PauseIcon,           s->BeginFileIcon,
                         s->BackOneFrameIcon, s->ForwardOneFrameIcon, s->EndFileIcon};
  for (int i = 0; i < 6; ++i) {
    ASSERT_NE(nullptr, icons[i]) << i;
    EXPECT_EQ(reinterpret_cast<LRESULT>(icons[i]), SendMessageW(buttons[i], BM_GETIMAGE, IMAGE_ICON, 0)) << i;
  }
  for (HWND window : {TheApp->MainWindow, TheApp->MessagesWindow, TheApp->PlaybackWindow}) {
    EXPECT_EQ(reinterpret_cast<LRESULT>(s->LogoLargeIcon), SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(reinterpret_cast<LRESULT>(s->LogoSmallIcon), SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
  }
}

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

// The real program, started as a user would start it. (This test program
// makes no windows of its own.)
TEST(ProgramProcessTest, StartsShowsItsWindowsAndExitsWithZeroWhenClosed) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring dir = std::wstring(temp) + L"orvo-process-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  CopyIconsTo(dir);
  std::wstring command = L"\"" + ProgramFolder() + L"\\OrvoVideoPlayback.exe\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(
      CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &startup, &process));
  HWND main = nullptr, messages = nullptr;
  for (int i = 0; i < 400 && (main == nullptr || messages == nullptr); ++i) {
    Sleep(50);
    main = FindWindowW(L"ORVO_VideoPlayback", nullptr);
    messages = FindWindowW(L"User Messages Class", nullptr);
  }
  EXPECT_NE(nullptr, messages);
  ASSERT_NE(nullptr, main);
  PostMessageW(main, WM_CLOSE, 0, 0);
  const DWORD waited = WaitForSingleObject(process.hProcess, 20000);
  EXPECT_EQ(WAIT_OBJECT_0, waited);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(0u, code);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);  // never leave it behind
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  RemoveTree(dir);
}

}  // namespace
