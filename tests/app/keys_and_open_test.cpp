// Shortcut keys, File > Go to Frame..., recordings dropped or named on the
// command line, and opens that fail or are called off.
#include <shlobj.h>

#include <cstring>
#include <thread>

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
  static bool Posted(const std::wstring& text) { return MessagesText().find(text) != std::wstring::npos; }
};

TEST_F(InspectionTest, KeysDoWhatTheirEnabledButtonsAndMenuItemsDo) {
  Open(MakeCaptureRecording(30, {10, 11, 20}));
  const HWND main = TheApp->MainWindow;
  // status: the frame line afterwards (empty: not looked at); states: the
  // controls afterwards, or as many of them as given.
  auto press = [](HWND window, WPARAM key, bool control, const std::wstring& status, const std::string& states) {
    Key(window, key, control);
    EXPECT_EQ(status.empty() ? StatusText() : status, StatusText()) << key;
    EXPECT_EQ(states, States().substr(0, states.size())) << key;
  };
  press(main, VK_LEFT, false, KeyLine(0), AtFirstFrame(true));  // Back One Frame is off at frame 0
  press(main, VK_RIGHT, false, KeyLine(1), PausedInside(true, false));
  press(PositionSlider, VK_NEXT, false, DroppedLine(10), PausedInside(true, false));  // not the slider's page step
  press(StartButton, VK_RIGHT, true, DroppedLine(11), PausedInside(true, true));
  press(TheApp->ClipWindow, VK_PRIOR, false, DroppedLine(10), PausedInside(true, false));
  press(main, VK_END, false, KeyLine(30), AtEnd());
  press(TheApp->MessagesEdit, VK_HOME, false, KeyLine(30), AtEnd());  // the User Messages text keeps its keys
  press(main, VK_HOME, false, KeyLine(0), AtFirstFrame(true));
  press(main, VK_SPACE, false, L"", Playing());
  press(TheApp->PlaybackWindow, VK_SPACE, false, L"", "S.");
  press(main, 'W', true, L"", NoFile());
  Key(main, 'I', true);  // greyed now: not even a complaint
  EXPECT_FALSE(Posted(L"INTERNAL ERROR"));
}

// The Go to Frame dialog is given these entries, OK after each; for all but
// the last it answers with its line and the slider's position.
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
  const std::wstring notes = WorkDir() + L"\\notes.txt";
  OpenFromCommandLine((L"\"C:\\ORVO\\OrvoVideoPlayback.exe\" \"" + spaced + L"\"").c_str());
  EXPECT_TRUE(Posted(L"File \"" + spaced + L"\" is open for playback"));
  DropOnMainWindow({other, spaced});
  Pump(50);
  EXPECT_TRUE(Posted(L"WARNING: 2 files were dropped; drop one AVI file at a time"));
  DropOnMainWindow({notes});
  Pump(50);
  EXPECT_TRUE(Posted(L"WARNING: \"" + notes + L"\" is not an AVI file; only .avi files can be opened"));
  EXPECT_EQ(12u, OpenFrameCount);  // still the first recording
  DropOnMainWindow({other});
  Pump(50);
  EXPECT_TRUE(Posted(L"File \"" + other + L"\" is open for playback"));
  EXPECT_EQ(AtFirstFrame(true), States());
}

// A recording whose pictures no installed decoder takes: a generated one with
// a codec FOURCC that nothing knows, in the stream header and the bitmap header.
std::wstring UndecodableRecording(const std::wstring& path) {
  AviGenOptions options;
  options.FrameCount = 10;
  std::vector<uint8_t> bytes = GenerateAviBytes(options);
  const size_t handler = 112, compression = 188;
  if (bytes.size() < compression + 4) return path;
  memcpy(&bytes[handler], "QQVX", 4);
  memcpy(&bytes[compression], "QQVX", 4);
  WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
  return path;
}

TEST_F(InspectionTest, AFailedOpenSaysWhyAndOnlyACancelledDialogIsACancel) {
  const std::wstring path = UndecodableRecording(WorkDir() + L"\\undecodable.avi");
  const std::vector<std::wstring> said = {
      L"SEVERE: cannot render the filter graph video stream",
      L"SEVERE: no decoder for the video codec \"QQVX\" is installed, so the recording cannot be shown; orvo-aviinfo "
      L"can still read the file's facts",
      L"Unable to open AVI file for playback"};
  ArrangeFileChoice(S_OK, path);
  Command(OpenId);
  EXPECT_EQ(said, NewTexts()) << "from File > Open";
  EXPECT_EQ(0u, OpenFrameCount);
  EXPECT_EQ(NoFile(), States());
  DropOnMainWindow({path});
  Pump(50);
  EXPECT_EQ(said, NewTexts()) << "dropped on the window";

  ArrangeFileChoice(E_ABORT, nullptr);
  Command(OpenId);
  EXPECT_EQ(std::vector<std::wstring>{L"Cancelled file open"}, NewTexts());
}

// The real open dialog, answered from another thread as a user would: a name
// that does not exist typed in and Open pressed; the dialog complains in a
// message box of its own and stays up, and the user gives up with Cancel.
TEST_F(InspectionTest, AMistypedNameInTheOpenDialogLeavesTheRecordingOpen) {
  const std::wstring open = MakeCaptureRecording(12, {});
  Open(open);
  NewLines();
  const std::wstring mistyped = WorkDir() + L"\\captrue.avi";
  ChooseVideoFile = ShowOpenFileDialog;
  bool complained = false;
  std::thread user([&]() {
    HWND dialog = WaitForOpenDialog();
    if (dialog == nullptr) return;
    TypeIntoOpenDialog(dialog, mistyped);
    // The complaint: a message box owned by the dialog.
    HWND box = nullptr;
    for (int attempt = 0; attempt < 200 && box == nullptr && IsWindow(dialog); ++attempt, Sleep(25)) {
      for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w != nullptr && box == nullptr;
           w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
        if (GetWindow(w, GW_OWNER) == dialog) box = w;
      }
    }
    complained = box != nullptr;
    if (box != nullptr) {
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      for (int attempt = 0; attempt < 200 && IsWindow(box); ++attempt) Sleep(25);
    }
    if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  Command(OpenId);
  user.join();
  EXPECT_TRUE(complained) << "the dialog does not hand back a file that does not exist";
  EXPECT_EQ(std::vector<std::wstring>{L"Cancelled file open"}, NewTexts());
  EXPECT_EQ(12u, OpenFrameCount) << "the open recording stays open";
  EXPECT_EQ(open, reinterpret_cast<const wchar_t*>(TheApp->FileInfo.FilePath));
  EXPECT_EQ(AtFirstFrame(false), States());
}

}  // namespace
