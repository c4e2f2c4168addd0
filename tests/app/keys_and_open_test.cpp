// Shortcut keys, File > Go to Frame..., recordings dropped or named on the
// command line, and opens that fail or are called off.
#include <shlobj.h>

#include <cstring>
#include <tuple>
#include <thread>

#include "app/app_context.h"
#include "app/go_to_frame.h"
#include "app/main_window.h"
#include "app/open_from_outside.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"
#include "options/options_file.h"

namespace {

using InspectionTest = AppTest;

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
  EXPECT_EQ(std::wstring::npos, MessagesText().find(L"INTERNAL ERROR"));
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
    Answers.push_back(drive::TextOf(GetDlgItem(dialog, GoToFrameTextId)) + L" @" +
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
  EXPECT_TRUE(Posted(L"WARNING: 2 files were dropped; drop one AVI file at a time"));
  DropOnMainWindow({notes});
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

TEST_F(InspectionTest, AFailedOpenSaysWhyAndIsNoCancel) {
  const std::wstring path = UndecodableRecording(WorkDir() + L"\\undecodable.avi");
  const std::vector<std::wstring> said = {
      L"SEVERE: cannot render the filter graph video stream",
      L"SEVERE: no decoder for the video codec \"QQVX\" is installed, so the recording cannot be shown; orvo-aviinfo "
      L"can still read the file's facts",
      L"Unable to open AVI file for playback"};
  TryOpen(path);
  EXPECT_EQ(said, NewTexts()) << "from File > Open";
  EXPECT_EQ(0u, OpenFrameCount);
  EXPECT_EQ(NoFile(), States());
  DropOnMainWindow({path});
  Pump(50);
  EXPECT_EQ(said, NewTexts()) << "dropped on the window";
}

// The real open dialog, answered from another thread as a user would: a name
// that does not exist typed in and Open pressed; the dialog complains in a
// message box of its own and stays up, and the user gives up with Cancel.
// While it is up, the main window owns it and still answers. (A name that
// exists opens: the journey test.)
TEST_F(InspectionTest, AMistypedNameInTheOpenDialogLeavesTheRecordingOpen) {
  const std::wstring open = MakeCaptureRecording(12, {});
  Open(open);
  NewLines();
  const std::wstring mistyped = WorkDir() + L"\\captrue.avi";
  ChooseVideoFile = ShowOpenFileDialog;
  bool complained = false, answered = false;
  HWND owner = nullptr;
  std::thread user([&]() {
    HWND dialog = nullptr;
    if (!drive::WaitFor([&] { return (dialog = FindWindowW(L"#32770", L"Open")) != nullptr; })) return;
    owner = GetWindow(dialog, GW_OWNER);
    DWORD_PTR result = 0;
    answered = SendMessageTimeoutW(TheApp->MainWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
    SendMessageW(GetDlgItem(dialog, drive::FileNameEditId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(mistyped.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
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
  EXPECT_EQ(TheApp->MainWindow, owner);
  EXPECT_TRUE(answered) << "the main window did not answer within 2 s while the dialog was up";
  EXPECT_TRUE(complained) << "the dialog does not hand back a file that does not exist";
  EXPECT_EQ(std::vector<std::wstring>{L"Cancelled file open"}, NewTexts());
  EXPECT_EQ(12u, OpenFrameCount) << "the open recording stays open";
  EXPECT_EQ(open, reinterpret_cast<const wchar_t*>(TheApp->FileInfo.FilePath));
  EXPECT_EQ(AtFirstFrame(false), States());
}

}  // namespace

namespace {

double GraphRate() {
  double rate = 0;
  return TheGraph->MediaSeeking != nullptr && SUCCEEDED(TheGraph->MediaSeeking->GetRate(&rate)) ? rate : -1;
}

}  // namespace

// Each speed is the graph's rate and named on the frame line (where the graph
// keeps its rate at 1.0, as Wine's does, its clock runs at the speed); frames
// stay exact at every speed, and a close returns to 1x.
TEST_F(InspectionTest, PlaybackSpeedSetsTheRateAndFramesStayExact) {
  AviGenOptions options;
  options.FrameCount = 120;
  Open(MakeRecording(L"speed.avi", options));
  const HWND main = TheApp->MainWindow;
  ASSERT_EQ(1.0, GraphRate());
  const double rates[] = {0.25, 0.5, 1.0, 2.0, 4.0};
  const wchar_t* labels[] = {L"0.25x", L"0.5x", L"1x", L"2x", L"4x"};
  auto expectSpeed = [&](int speed, const std::wstring& how) {
    EXPECT_EQ(rates[speed], GraphRate()) << how;
    EXPECT_TRUE(Checked(TheApp->DisplayMenu, PlaybackSpeedFirstId + speed)) << how;
    for (int other = 0; other < 5; ++other)
      EXPECT_TRUE(other == speed || !Checked(TheApp->DisplayMenu, PlaybackSpeedFirstId + other)) << how;
    EXPECT_EQ(PlainLine(0) + (speed == 2 ? L"" : L"  (" + std::wstring(labels[speed]) + L")"), StatusText()) << how;
  };
  expectSpeed(2, L"at the open");
  for (int speed : {0, 1, 3, 4, 2}) {
    Command(PlaybackSpeedFirstId + speed);
    expectSpeed(speed, labels[speed]);
  }
  // "]" up to 4x and no further, "[" down to 0.25x and no further.
  for (int speed : {3, 4, 4}) {
    Key(main, VK_OEM_6);
    expectSpeed(speed, L"]");
  }
  for (int speed : {3, 2, 1, 0, 0}) {
    Key(main, VK_OEM_4);
    expectSpeed(speed, L"[");
  }
  EXPECT_EQ(std::wstring::npos, MessagesText().find(L"WARNING"));
  // While playing the Display menu waits, and so do its keys; paused, the
  // number on the line is the frame on the screen.
  Command(PlaybackSpeedFirstId + 3);
  Key(main, VK_RIGHT);
  Click(StartButton);
  Key(main, VK_OEM_4);
  EXPECT_EQ(2.0, GraphRate());
  Pump(600);
  Click(PauseButton);
  const uint32_t paused = SliderPosition();
  EXPECT_EQ(PlainLine(paused) + L"  (2x)", StatusText());
  EXPECT_TRUE(WaitForShownFrame(paused)) << paused;
  // To the end of the stream as at 1x; closed, the next file starts at 1x.
  Command(PlaybackSpeedFirstId + 4);
  Click(StartButton);
  for (int i = 0; i < 200 && States() != AtEnd(); ++i) Pump(50);
  EXPECT_EQ(PlainLine(120) + L"  (4x)", StatusText());
  Key(main, 'W', true);
  EXPECT_TRUE(Checked(TheApp->DisplayMenu, PlaybackSpeedFirstId + 2));
  Open(WorkDir() + L"\\speed.avi");
  EXPECT_EQ(1.0, GraphRate());
  EXPECT_EQ(PlainLine(0), StatusText());
}

namespace {

std::vector<std::wstring> FileMenuTexts() {
  std::vector<std::wstring> texts;
  for (int i = 0; i < GetMenuItemCount(TheApp->FileMenu); ++i) {
    wchar_t text[600] = L"";
    GetMenuStringW(TheApp->FileMenu, static_cast<UINT>(i), text, 600, MF_BYPOSITION);
    texts.push_back(text);
  }
  return texts;
}

std::vector<std::wstring> WithRecent(const std::vector<std::wstring>& recent) {
  std::vector<std::wstring> texts = {L"Open\tCtrl+O",
                                     L"Close\tCtrl+W",
                                     L"Information\tCtrl+I",
                                     L"",
                                     L"Go to Frame...\tCtrl+G",
                                     L"Save Frame As...\tCtrl+S",
                                     L""};
  for (size_t i = 0; i < recent.size(); ++i) texts.push_back(L"&" + std::to_wstring(i + 1) + L" " + recent[i]);
  if (!recent.empty()) texts.push_back(L"");
  texts.push_back(L"Exit");
  return texts;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST_F(InspectionTest, RecentRecordingsSitAboveExitSurviveInTheOptionsFileAndReopen) {
  const std::wstring a = MakeRecording(L"a.avi", AviGenOptions{}), b = MakeRecording(L"R&D.avi", AviGenOptions{});
  EXPECT_EQ(WithRecent({}), FileMenuTexts());
  Open(a);
  Open(b);
  const std::wstring bMenu = WorkDir() + L"\\R&&D.avi";
  EXPECT_EQ(WithRecent({bMenu, a}), FileMenuTexts());
  // Written after the window elements, which an older reader alone looks at.
  const std::string file = drive::FileBytes(L"ORVO_options_playback.xml");
  EXPECT_NE(
      std::string::npos,
      file.find("\t<MagnifyWindowPosition Value=\"250, 250\"/>\r\n\t<RecentRecording Value=\"" + Narrow(WorkDir()) +
                "\\R&amp;D.avi\"/>\r\n\t<RecentRecording Value=\"" + Narrow(a) + "\"/>\r\n</Root>"))
      << file;
  WindowPositionRecord positions = DefaultWindowPositions;
  RecentRecordingList read{};
  ASSERT_EQ(1, ReadOptionsFile(&positions));
  EXPECT_EQ(0, memcmp(&positions, &DefaultWindowPositions, sizeof positions));
  ASSERT_EQ(1, ReadOptionsFile(&positions, &read));
  ASSERT_EQ(2, read.Count);
  EXPECT_EQ(b + L"|" + a, std::wstring(reinterpret_cast<const wchar_t*>(read.Paths[0])) + L"|" +
                              reinterpret_cast<const wchar_t*>(read.Paths[1]));

  // The second entry opens as File > Open would and comes first.
  Command(RecentRecordingFirstId + 1);
  EXPECT_TRUE(Posted(L"File \"" + a + L"\" is open for playback"));
  EXPECT_EQ(WithRecent({a, bMenu}), FileMenuTexts());
  // One that is gone is said so and leaves the list and the file.
  Key(TheApp->MainWindow, 'W', true);
  ASSERT_TRUE(DeleteFileW(b.c_str()));
  Command(RecentRecordingFirstId + 1);
  EXPECT_TRUE(
      Posted(L"The recording \"" + b + L"\" is no longer there; it is taken off the recent recordings list\r\n"));
  EXPECT_EQ(WithRecent({a}), FileMenuTexts());
  EXPECT_EQ(std::string::npos, drive::FileBytes(L"ORVO_options_playback.xml").find("R&amp;D"));
  EXPECT_EQ(0u, OpenFrameCount);

  // A name beyond ASCII is kept as a character reference and read back whole.
  const std::wstring accented = MakeRecording(L"caf\u00e9.avi", AviGenOptions{});
  Open(accented);
  EXPECT_NE(std::string::npos, drive::FileBytes(L"ORVO_options_playback.xml").find("caf&#xE9;.avi"));
  read = RecentRecordingList{};
  ASSERT_EQ(1, ReadOptionsFile(&positions, &read));
  EXPECT_EQ(accented, reinterpret_cast<const wchar_t*>(read.Paths[0]));

  // A file that cannot be written (a folder in its place): the options file's own warning.
  ASSERT_TRUE(DeleteFileW(L"ORVO_options_playback.xml") && CreateDirectoryW(L"ORVO_options_playback.xml", nullptr));
  Open(MakeRecording(L"d.avi", AviGenOptions{}));
  EXPECT_TRUE(Posted(L"WARNING: unable to write options file; check write protection\r\n"));
}
