// The ways of moving around a recording beyond the buttons: shortcut keys, File
// > Go to Frame..., and recordings handed over by a drop or the command line.
#include <shlobj.h>

#include <algorithm>

#include "app/app_context.h"
#include "app/go_to_frame.h"
#include "app/main_window.h"
#include "app/open_from_outside.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

namespace {

class InspectionTest : public AppTest {
 protected:
  // A key pressed while window has the keyboard, Ctrl held or not.
  static void Key(HWND window, WPARAM key, bool control = false) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageW(window, WM_KEYDOWN, key, 1);
    Pump(30);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  }
  // A line holding text was posted since the last look.
  bool Posted(const std::wstring& text) {
    const std::vector<std::wstring> lines = NewLines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::wstring& line) { return line.find(text) != std::wstring::npos; });
  }
};

TEST_F(InspectionTest, KeysDoWhatTheirEnabledButtonsAndMenuItemsDo) {
  wchar_t text[64];
  for (UINT id : {OpenId, CloseId, InformationId}) {
    GetMenuStringW(TheApp->FileMenu, id, text, 64, MF_BYCOMMAND);
    EXPECT_NE(nullptr, wcsstr(text, L"\tCtrl+")) << text;
  }
  const std::wstring path = MakeCaptureRecording(30, {10, 11, 20});
  Open(path);
  Key(TheApp->MainWindow, 'I', true);
  EXPECT_TRUE(Posted(L"File information for  " + path));
  Key(TheApp->MainWindow, VK_LEFT);  // Back One Frame is off at frame 0
  EXPECT_EQ(AtFirstFrame(true), States());
  Key(TheApp->MainWindow, VK_RIGHT);
  EXPECT_EQ(KeyLine(1), StatusText());
  Key(PositionSlider, VK_NEXT);  // not the slider's own page step
  EXPECT_EQ(DroppedLine(10), StatusText());
  Key(StartButton, VK_RIGHT, true);
  EXPECT_EQ(DroppedLine(11), StatusText());
  Key(TheApp->ClipWindow, VK_PRIOR);
  EXPECT_EQ(DroppedLine(10), StatusText());
  Key(TheApp->MainWindow, VK_END);
  EXPECT_EQ(AtEnd(), States());
  Key(TheApp->MessagesEdit, VK_HOME);  // the User Messages text keeps its keys
  EXPECT_EQ(AtEnd(), States());
  Key(TheApp->MainWindow, VK_HOME);
  EXPECT_EQ(AtFirstFrame(true), States());
  Key(TheApp->MainWindow, VK_SPACE);
  EXPECT_EQ(Playing(), States());
  Key(TheApp->PlaybackWindow, VK_SPACE);
  EXPECT_EQ('S', States()[0]);
  Key(TheApp->MainWindow, 'W', true);
  EXPECT_EQ(NoFile(), States());
  Key(TheApp->MainWindow, 'I', true);  // greyed now: not even a complaint
  EXPECT_FALSE(Posted(L"INTERNAL ERROR"));
}

// What the Go to Frame dialog is given, one entry after another (OK each
// time), and the line it shows with the slider's position after each entry
// but the last.
std::vector<std::wstring> Entries;
std::vector<std::wstring> Answers;

void AnswerGoToFrame(HWND dialog) {
  for (size_t i = 0; i < Entries.size(); ++i) {
    SetDlgItemTextW(dialog, GoToFrameEditId, Entries[i].c_str());
    if (i + 1 == Entries.size()) {
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
      return;
    }
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    Answers.push_back(WindowTextOf(GetDlgItem(dialog, GoToFrameTextId)) + L" @" +
                      std::to_wstring(SendMessageW(PositionSlider, TBM_GETPOS, 0, 0)));
  }
}

TEST_F(InspectionTest, GoToFramePausesExactlyOnAFrameOfTheFile) {
  EXPECT_TRUE(Grayed(TheApp->FileMenu, GoToFrameId));
  GoToFrameDialogShown = AnswerGoToFrame;
  Open(MakeCaptureRecording(30, {10, 11, 20}));
  Entries = {L"abc", L"30", L"", L"10"};
  Key(TheApp->MainWindow, 'G', true);
  EXPECT_EQ((std::vector<std::wstring>{L"That is not a frame number. Enter a frame number from 0 to 29 @0",
                                       L"There is no such frame. Enter a frame number from 0 to 29 @0",
                                       L"Enter a frame number from 0 to 29 @0"}),
            Answers);
  EXPECT_EQ(DroppedLine(10), StatusText());
  EXPECT_EQ(10u, SliderPosition());
  EXPECT_EQ(PausedInside(true, false), States());

  Click(StartButton);
  Entries = {L" 25 "};
  Command(GoToFrameId);
  EXPECT_EQ(KeyLine(25), StatusText());
  EXPECT_EQ(PausedInside(false, true), States());
  EXPECT_FALSE(Grayed(TheApp->MainMenu, 1, MF_BYPOSITION)) << "Display stays greyed only while playing";
  EXPECT_TRUE(WaitForShownFrame(25));
  GoToFrameDialogShown = nullptr;
}

// A WM_DROPFILES as the shell sends it, for these paths.
void DropOnMainWindow(const std::vector<std::wstring>& paths) {
  std::wstring list;
  for (const std::wstring& path : paths) list += path + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  DROPFILES* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  memcpy(files + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  PostMessageW(TheApp->MainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

TEST_F(InspectionTest, ADroppedFileOrOneOnTheCommandLineOpensAsFileOpenWould) {
  const std::wstring spaced = MakeCaptureRecording(12, {}, L"with blanks.avi");
  const std::wstring other = MakeCaptureRecording(30, {5});
  OpenFromCommandLine((L"\"C:\\ORVO\\OrvoVideoPlayback.exe\" \"" + spaced + L"\"").c_str());
  EXPECT_TRUE(Posted(L"File \"" + spaced + L"\" is open for playback"));
  OpenFromCommandLine((L"OrvoVideoPlayback.exe " + other + L" " + spaced).c_str());
  EXPECT_TRUE(Posted(L"WARNING: the command line names 3 files; give one AVI file, in double quotes when its path "
                     L"holds blanks"));
  DropOnMainWindow({other, spaced});
  Pump(50);
  EXPECT_TRUE(Posted(L"WARNING: 2 files were dropped; drop one AVI file at a time"));
  const std::wstring notes = WorkDir() + L"\\notes.txt";
  DropOnMainWindow({notes});
  Pump(50);
  EXPECT_TRUE(Posted(L"WARNING: \"" + notes + L"\" is not an AVI file; only .avi files can be opened"));
  EXPECT_EQ(12u, OpenFrameCount);  // still the first recording
  DropOnMainWindow({other});
  Pump(50);
  EXPECT_TRUE(Posted(L"File \"" + other + L"\" is open for playback"));
  EXPECT_EQ(AtFirstFrame(true), States());
}

}  // namespace
