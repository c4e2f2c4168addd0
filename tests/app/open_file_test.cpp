// File > Open, Close, Information and the switch between the no-file and
// file-open states, driven through the menu commands as a user would.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "avi_generator.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

namespace {

constexpr unsigned OpenCommand = 32795;
constexpr unsigned CloseCommand = 32796;
constexpr unsigned InformationCommand = 32797;
constexpr unsigned DroppedFramesCommand = 32794;

bool Grayed(HMENU menu, UINT item, UINT by = MF_BYCOMMAND) { return (GetMenuState(menu, item, by) & MF_GRAYED) != 0; }
bool Checked(HMENU menu, UINT item) { return (GetMenuState(menu, item, MF_BYCOMMAND) & MF_CHECKED) != 0; }

class OpenFileTest : public AppTest {
 protected:
  std::wstring Recording(const std::wstring& name, std::vector<uint32_t> dropped, bool capture = true) {
    AviGenOptions options;
    options.DroppedFrames = std::move(dropped);
    options.HasArtist = capture;
    return WriteRecording(WorkDir(), name, options);
  }

  void Open(const std::wstring& path) {
    ArrangeFileChoice(S_OK, path);
    Command(TheApp->MainWindow, OpenCommand);
  }

  // The lines added to the User Messages window since the last call.
  std::vector<std::wstring> NewLines() {
    const std::wstring text = MessagesText();
    std::vector<std::wstring> lines = SplitLines(text.substr(seen_));
    seen_ = text.size();
    return lines;
  }

  void SkipExistingLines() { seen_ = MessagesText().size(); }

 private:
  size_t seen_ = 0;
};

TEST_F(OpenFileTest, OpeningACaptureRecordingReportsItAndEntersTheFileOpenState) {
  ASSERT_EQ(0, StartResult());
  const std::wstring path = Recording(L"dropped.avi", {5, 6, 20});
  SkipExistingLines();
  Open(path);

  const std::vector<std::wstring> lines = NewLines();
  ASSERT_EQ(12u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(L"", lines[0]);
  EXPECT_TRUE(IsTimeLine(lines[1]));
  EXPECT_EQ(L"File \"" + path + L"\" is open for playback", lines[2]);
  EXPECT_EQ(L"File information:", lines[3]);
  EXPECT_EQ(L"\tCodec\t\t\t", lines[4].substr(0, 9));
  EXPECT_EQ(L"\tTotal Frames\t\t30", lines[5]);
  EXPECT_EQ(L"\tKey Frames\t\t27", lines[6]);
  EXPECT_EQ(L"\tDropped Frames\t\t3", lines[7]);
  EXPECT_EQ(L"\tFrame size\t\t160 x 120", lines[8]);
  EXPECT_EQ(L"\tFrame rate\t\t30.00 fps", lines[9]);
  EXPECT_EQ(L"\tFile size (bytes)\t\t", lines[10].substr(0, 20));
  EXPECT_GT(lines[10].size(), 20u);
  EXPECT_EQ(L" ", lines[11]);

  // Menus: Close, Information and Display enabled; Dropped Frames Control
  // present and checked.
  EXPECT_FALSE(Grayed(TheApp->FileMenu, CloseCommand));
  EXPECT_FALSE(Grayed(TheApp->FileMenu, InformationCommand));
  EXPECT_FALSE(Grayed(TheApp->MainMenu, 1, MF_BYPOSITION));
  ASSERT_EQ(2, GetMenuItemCount(TheApp->OptionsMenu));
  EXPECT_TRUE(Checked(TheApp->OptionsMenu, DroppedFramesCommand));
  EXPECT_EQ(1, DroppedFramesControlOn);

  // The file's facts are kept, the controls are at the first frame and the
  // playback panel is wide for the dropped-frame buttons.
  EXPECT_EQ(path, reinterpret_cast<const wchar_t*>(TheApp->FileInfo.FilePath));
  EXPECT_EQ(2, PlaybackState);
  EXPECT_TRUE(IsWindowEnabled(StartButton));
  EXPECT_FALSE(IsWindowEnabled(PauseButton));
  EXPECT_TRUE(IsWindowEnabled(NextDroppedButton));
  EXPECT_FALSE(IsWindowEnabled(PreviousDroppedButton));
  EXPECT_EQ(30, SendMessageW(PositionSlider, TBM_GETRANGEMAX, 0, 0));
  RECT panel;
  GetWindowRect(TheApp->PlaybackWindow, &panel);
  EXPECT_EQ(842, panel.right - panel.left);
  EXPECT_TRUE(IsWindowVisible(TheApp->ClipWindow));

  // The picture shows frame 0.
  uint32_t shown = 0xFFFFFFFFu;
  for (int attempt = 0; attempt < 100 && !(ReadFrameOnScreen(TheApp->ClipWindow, 160, 120, &shown) && shown == 0);
       ++attempt) {
    Pump(20);
  }
  EXPECT_EQ(0u, shown);

  // The main window is sized around the 160 x 120 picture (at least 400 x 300).
  RECT client;
  GetClientRect(TheApp->MainWindow, &client);
  EXPECT_EQ(400 - MainFrameWidth, client.right);
}

TEST_F(OpenFileTest, ARecordingWithoutDroppedFramesAddsNoDroppedFramesControl) {
  ASSERT_EQ(0, StartResult());
  Open(Recording(L"clean.avi", {}));
  EXPECT_EQ(1, GetMenuItemCount(TheApp->OptionsMenu));
  EXPECT_EQ(0, DroppedFramesControlOn);
  EXPECT_FALSE(IsWindowEnabled(NextDroppedButton));
  RECT panel;
  GetWindowRect(TheApp->PlaybackWindow, &panel);
  EXPECT_EQ(636, panel.right - panel.left);
}

TEST_F(OpenFileTest, ARecordingFromAnotherProgramReportsUnknownCounts) {
  ASSERT_EQ(0, StartResult());
  SkipExistingLines();
  Open(Recording(L"other.avi", {}, false));
  const std::vector<std::wstring> lines = NewLines();
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(L"\tKey Frames\t\tunknown", lines[6]);
  EXPECT_EQ(L"\tDropped Frames\t\tunknown", lines[7]);
}

TEST_F(OpenFileTest, CloseReturnsToTheNoFileState) {
  ASSERT_EQ(0, StartResult());
  const std::wstring path = Recording(L"dropped.avi", {3});
  Open(path);
  SkipExistingLines();
  Command(TheApp->MainWindow, CloseCommand);

  const std::vector<std::wstring> lines = NewLines();
  ASSERT_EQ(4u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(L"File \"" + path + L"\" is closed", lines[2]);
  EXPECT_TRUE(Grayed(TheApp->FileMenu, CloseCommand));
  EXPECT_TRUE(Grayed(TheApp->FileMenu, InformationCommand));
  EXPECT_TRUE(Grayed(TheApp->MainMenu, 1, MF_BYPOSITION));
  EXPECT_EQ(1, GetMenuItemCount(TheApp->OptionsMenu));
  EXPECT_EQ(0u, OpenFrameCount);
  EXPECT_EQ(10, PlaybackState);
  EXPECT_FALSE(IsWindowVisible(TheApp->ClipWindow));
  EXPECT_FALSE(IsWindowEnabled(StartButton));
  EXPECT_FALSE(IsWindowEnabled(PositionSlider));
  EXPECT_EQ(L'\0', TheApp->FileInfo.FilePath[0]);
  RECT panel, main;
  GetWindowRect(TheApp->PlaybackWindow, &panel);
  EXPECT_EQ(636, panel.right - panel.left);
  GetWindowRect(TheApp->MainWindow, &main);
  EXPECT_EQ(MainWindowX, main.left);
  EXPECT_EQ(MainWindowWidth, main.right - main.left);
}

TEST_F(OpenFileTest, InformationRepeatsTheReportUnderItsOwnHeading) {
  ASSERT_EQ(0, StartResult());
  const std::wstring path = Recording(L"dropped.avi", {3});
  Open(path);
  SkipExistingLines();
  Command(TheApp->MainWindow, InformationCommand);
  const std::vector<std::wstring> lines = NewLines();
  ASSERT_EQ(11u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(L"File information for  " + path, lines[2]);
  EXPECT_EQ(L"\tTotal Frames\t\t30", lines[4]);
  EXPECT_EQ(L" ", lines[10]);
}

TEST_F(OpenFileTest, CancelledDialogLeavesTheOpenFileAlone) {
  ASSERT_EQ(0, StartResult());
  const std::wstring path = Recording(L"dropped.avi", {3});
  Open(path);
  SkipExistingLines();
  ArrangeFileChoice(E_ABORT, L"");
  Command(TheApp->MainWindow, OpenCommand);
  const std::vector<std::wstring> lines = NewLines();
  ASSERT_EQ(4u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(L"Cancelled file open", lines[2]);
  EXPECT_EQ(path, reinterpret_cast<const wchar_t*>(TheApp->FileInfo.FilePath));
  EXPECT_EQ(30u, OpenFrameCount);
  EXPECT_FALSE(Grayed(TheApp->FileMenu, CloseCommand));
}

TEST_F(OpenFileTest, ARefusedHeaderIsReportedAndLeavesTheNoFileState) {
  ASSERT_EQ(0, StartResult());
  Open(Recording(L"first.avi", {3}));
  AviGenOptions broken;
  broken.BadFourccOffset = 8;
  const std::wstring path = WriteRecording(WorkDir(), L"broken.avi", broken);
  SkipExistingLines();
  Open(path);
  const std::wstring added = MessagesText();
  EXPECT_NE(std::wstring::npos, added.find(L"Cancelled file open"));
  // The first file was closed once the new path was chosen.
  EXPECT_EQ(0u, OpenFrameCount);
  EXPECT_TRUE(Grayed(TheApp->FileMenu, CloseCommand));
  EXPECT_EQ(L'\0', TheApp->FileInfo.FilePath[0]);
}

TEST_F(OpenFileTest, OpeningASecondFileReplacesTheFirst) {
  ASSERT_EQ(0, StartResult());
  Open(Recording(L"first.avi", {3}));
  const std::wstring second = Recording(L"second.avi", {});
  Open(second);
  EXPECT_EQ(second, reinterpret_cast<const wchar_t*>(TheApp->FileInfo.FilePath));
  EXPECT_EQ(1, GetMenuItemCount(TheApp->OptionsMenu));  // the first file's control is gone
  EXPECT_EQ(0, DroppedFramesControlOn);
}

TEST_F(OpenFileTest, DroppedFramesControlNarrowsAndWidensThePanel) {
  ASSERT_EQ(0, StartResult());
  Open(Recording(L"dropped.avi", {3}));
  Command(TheApp->MainWindow, DroppedFramesCommand);
  EXPECT_EQ(0, DroppedFramesControlOn);
  EXPECT_FALSE(Checked(TheApp->OptionsMenu, DroppedFramesCommand));
  RECT r;
  GetWindowRect(TheApp->PlaybackWindow, &r);
  EXPECT_EQ(636, r.right - r.left);
  GetWindowRect(PositionSlider, &r);
  EXPECT_EQ(614, r.right - r.left);
  GetWindowRect(StatusLine, &r);
  EXPECT_EQ(614, r.right - r.left);
  EXPECT_EQ(30, SendMessageW(PositionSlider, TBM_GETRANGEMAX, 0, 0));

  Command(TheApp->MainWindow, DroppedFramesCommand);
  EXPECT_EQ(1, DroppedFramesControlOn);
  GetWindowRect(TheApp->PlaybackWindow, &r);
  EXPECT_EQ(842, r.right - r.left);
  GetWindowRect(PositionSlider, &r);
  EXPECT_EQ(820, r.right - r.left);
}

TEST_F(OpenFileTest, ExitWithAFileOpenClosesItAndEndsTheLoop) {
  ASSERT_EQ(0, StartResult());
  Open(Recording(L"dropped.avi", {3}));
  PostMessageW(TheApp->MainWindow, WM_COMMAND, MAKEWPARAM(32798, 0), 0);
  EXPECT_EQ(0, RunMessageLoop());
  EXPECT_EQ(0u, OpenFrameCount);
  EXPECT_EQ(nullptr, TheApp->Graph->SourceFilter.Get());
}

}  // namespace
