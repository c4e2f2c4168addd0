// The program as a user drives it through its menus: File > Open, Close and
// Information with the states and reports they leave, Dropped Frames
// Control, About, magnify and scrolling, and the User Messages window.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "app/app_context.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "app/reports.h"
#include "controls/display_windows.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"
#include "messages/user_messages.h"

namespace {

class ProgramTest : public AppTest {
 protected:
  void Choose(unsigned magnifyButton) {
    SendMessageW(TheApp->MagnifyWindow, WM_COMMAND, MAKEWPARAM(magnifyButton, BN_CLICKED), 0);
    Pump(30);
  }
};

TEST_F(ProgramTest, OpeningACaptureRecordingReportsItAndEntersTheFileOpenState) {
  const std::wstring path = MakeCaptureRecording(30, {5, 6, 29}, L"dropped.avi");
  Open(path);
  const std::vector<std::wstring> expected = {L"File \"" + path + L"\" is open for playback",
                                              L"File information:",
                                              L"\tTotal Frames\t\t30",
                                              L"\tKey Frames\t\t27",
                                              L"\tDropped Frames\t\t3",
                                              L"\tFrame size\t\t160 x 120",
                                              L"\tFrame rate\t\t30.00 fps",
                                              L" "};
  std::vector<std::wstring> lines = NewTexts();
  ASSERT_EQ(10u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(L"\tCodec\t\t\t", lines[2].substr(0, 9));
  EXPECT_EQ(L"\tFile size (bytes)\t\t", lines[8].substr(0, 20));
  lines.erase(lines.begin() + 8);
  lines.erase(lines.begin() + 2);
  EXPECT_EQ(expected, lines);

  EXPECT_FALSE(Grayed(TheApp->FileMenu, CloseId));
  EXPECT_FALSE(Grayed(TheApp->FileMenu, InformationId));
  EXPECT_FALSE(Grayed(TheApp->MainMenu, 1, MF_BYPOSITION));
  // The File menu as on Windows: the recording's commands, its frame's, the
  // recent recordings (this one), then Exit last.
  std::vector<UINT> file;
  for (int i = 0; i < GetMenuItemCount(TheApp->FileMenu); ++i) file.push_back(GetMenuItemID(TheApp->FileMenu, i));
  EXPECT_EQ((std::vector<UINT>{OpenId, CloseId, InformationId, 0, GoToFrameId, SaveFrameAsId, 0, RecentRecordingFirstId,
                               0, ExitId}),
            file);
  ASSERT_EQ(2, GetMenuItemCount(TheApp->OptionsMenu));
  EXPECT_TRUE(Checked(TheApp->OptionsMenu, DroppedFramesControlId));
  EXPECT_EQ(path, reinterpret_cast<const wchar_t*>(TheApp->FileInfo.FilePath));
  EXPECT_EQ(AtFirstFrame(true), States());
  EXPECT_TRUE(WaitForShownFrame(0));
  RECT client;
  GetClientRect(TheApp->MainWindow, &client);
  EXPECT_EQ(400 - MainFrameWidth, client.right) << "sized around the picture, at least 400 x 300";

  Command(InformationId);
  lines = NewLines();
  ASSERT_EQ(11u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(L"File information for  " + path, lines[2]);
  EXPECT_EQ(L"\tTotal Frames\t\t30", lines[4]);

  ArrangeFileChoice(E_ABORT, L"");
  Command(OpenId);
  EXPECT_EQ(L"Cancelled file open", NewLines().at(2));
  EXPECT_EQ(30u, OpenFrameCount) << "a cancelled dialog leaves the open file alone";

  // Switched off on a dropped frame, the video moves on to the next key frame;
  // from the last frame, a dropped one, that is the end of the file.
  for (const auto& [dropped, next] : {std::pair{5u, 7u}, std::pair{29u, 30u}}) {
    if (DroppedFramesControlOn == 0) Command(DroppedFramesControlId);
    Click(NextDroppedButton);
    ASSERT_EQ(DroppedLine(dropped), StatusText());
    Command(DroppedFramesControlId);
    EXPECT_EQ(next, SliderPosition());
    EXPECT_EQ(next == 30u ? AtEnd() : PausedInside(true, true), States()) << next;
    EXPECT_EQ(std::wstring(31, L' ') + L"Key Frame Number:  " + std::to_wstring(next) + L"  " + FrameTime(next),
              StatusText());
  }
  Click(BeginFileButton);
  EXPECT_FALSE(Checked(TheApp->OptionsMenu, DroppedFramesControlId));
  EXPECT_EQ(636, WidthOf(TheApp->PlaybackWindow));
  EXPECT_EQ(614, WidthOf(PositionSlider));
  EXPECT_EQ(614, WidthOf(StatusLine));
  EXPECT_EQ(30, SendMessageW(PositionSlider, TBM_GETRANGEMAX, 0, 0)) << "the new slider keeps the range";
  Command(DroppedFramesControlId);  // (while playing it waits: playback_test)
  EXPECT_EQ(842, WidthOf(TheApp->PlaybackWindow));
  EXPECT_EQ(820, WidthOf(PositionSlider));

  Command(CloseId);
  lines = NewLines();
  ASSERT_EQ(4u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(L"File \"" + path + L"\" is closed", lines[2]);
  EXPECT_TRUE(Grayed(TheApp->FileMenu, CloseId));
  EXPECT_TRUE(Grayed(TheApp->FileMenu, InformationId));
  EXPECT_TRUE(Grayed(TheApp->MainMenu, 1, MF_BYPOSITION));
  EXPECT_EQ(1, GetMenuItemCount(TheApp->OptionsMenu));
  EXPECT_EQ(NoFile(), States());
  EXPECT_EQ(636, WidthOf(TheApp->PlaybackWindow));
  EXPECT_EQ(MainWindowX, drive::RectOf(TheApp->MainWindow).left);
  EXPECT_EQ(MainWindowWidth, WidthOf(TheApp->MainWindow));
}

TEST_F(ProgramTest, OtherRecordingsAndRefusedFiles) {
  AviGenOptions other;
  other.HasArtist = false;
  Open(MakeRecording(L"other.avi", other));
  std::vector<std::wstring> lines = NewLines();
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(L"\tKey Frames\t\tunknown", lines[6]);
  EXPECT_EQ(L"\tDropped Frames\t\tunknown", lines[7]);
  EXPECT_EQ(1, GetMenuItemCount(TheApp->OptionsMenu)) << "no Dropped Frames Control without drops";
  EXPECT_EQ(636, WidthOf(TheApp->PlaybackWindow));

  const std::wstring clean = MakeCaptureRecording(30, {}, L"clean.avi");
  Open(clean);  // a second open replaces the first
  EXPECT_EQ(clean, reinterpret_cast<const wchar_t*>(TheApp->FileInfo.FilePath));

  // The dialog has no owner: File > Open chosen again while it is up is ignored.
  static int asked;
  static std::wstring chosen;
  asked = 0;
  chosen = clean;
  ChooseVideoFile = [](wchar_t** path) {
    if (++asked == 1) SendMessageW(TheApp->MainWindow, WM_COMMAND, MAKEWPARAM(OpenId, 0), 0);
    *path = static_cast<wchar_t*>(CoTaskMemAlloc((chosen.size() + 1) * sizeof(wchar_t)));
    memcpy(*path, chosen.c_str(), (chosen.size() + 1) * sizeof(wchar_t));
    return S_OK;
  };
  Command(OpenId);
  EXPECT_EQ(1, asked);
  EXPECT_NE(0u, OpenFrameCount);

  // A dialog that was refused access (refused and unreadable files: playback_graph_test).
  ArrangeFileChoice(E_ACCESSDENIED, WorkDir() + L"\\missing.avi");
  Command(OpenId);
  lines = NewLines();
  EXPECT_NE(lines.end(),
            std::find(lines.begin(), lines.end(), L"Unable to open AVI file - check file access permissions"))
      << testing::PrintToString(lines);
}

DWORD ZoneAnswer;
DWORD WINAPI EasternZone(PDYNAMIC_TIME_ZONE_INFORMATION zone) {
  *zone = DYNAMIC_TIME_ZONE_INFORMATION{300, L"Eastern Standard Time", {}, 0, L"Eastern Daylight Time", {}, -60};
  return ZoneAnswer;
}

// The time-zone report and the UTC bias for each answer the system can give.
TEST_F(ProgramTest, TimeZoneReportSaysWhatTheSystemKnows) {
  ReadTimeZone = EasternZone;
  const std::tuple<DWORD, const wchar_t*, int32_t> zones[] = {
      {TIME_ZONE_ID_DAYLIGHT, L"Computer local time is Eastern Daylight Time", 240},
      {TIME_ZONE_ID_STANDARD, L"Computer local time is Eastern Standard Time", 300},
      {TIME_ZONE_ID_UNKNOWN,
       L"Computer local time is Eastern Standard Time.  Transition dates to daylight savings "
       L"are unknown or disabled.",
       300},
      {TIME_ZONE_ID_INVALID, L"Computer time zone is unknown.  You may only use local time and not use UTC time", 300}};
  for (const auto& [answer, text, bias] : zones) {
    ZoneAnswer = answer;
    ReportTimeZone();
    EXPECT_EQ(std::vector<std::wstring>{text}, NewTexts());
    EXPECT_EQ(bias, UtcBiasMinutes) << text;
  }
  ReadTimeZone = GetDynamicTimeZoneInformation;
}

TEST_F(ProgramTest, AboutAndInformationWithNoFile) {
  Command(AboutId);
  EXPECT_EQ((std::vector<std::wstring>{
                L"ORVO Video Playback Version 1",
                L"Report errors to \"orvo-video-playback@users.noreply.github.com\".  Please describe how",
                L"to duplicate the error and include the error reported in User Messages"}),
            NewTexts());
  Command(InformationId);
  EXPECT_NE(std::wstring::npos,
            MessagesText().find(
                L"INTERNAL ERROR: you should not be able to request file information when no file is open\t"));
}

TEST_F(ProgramTest, MagnifySizesThePictureAndScrollsWhatDoesNotFit) {
  AviGenOptions options;
  options.Width = 322;
  options.Height = 242;
  options.FrameCount = 10;
  Open(MakeRecording(L"rec.avi", options));
  Command(MagnifyId);
  EXPECT_TRUE(IsWindowVisible(TheApp->MagnifyWindow));
  EXPECT_EQ(BST_CHECKED, SendMessageW(TheApp->MagnifyNoneButton, BM_GETCHECK, 0, 0));
  EXPECT_TRUE(Checked(TheApp->DisplayMenu, MagnifyId));
  SetWindowPos(TheApp->MainWindow, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // comes home at each choice
  const struct {
    unsigned Id;
    uint32_t Width, Height;
  } levels[] = {{MagnifyHalfId, 161, 121},
                {MagnifyThreeQuarterId, 241, 181},
                {MagnifyOneAndHalfId, 483, 363},
                {MagnifyDoubleId, 644, 484},
                {MagnifyNoneId, 322, 242}};
  for (const auto& level : levels) {
    Choose(level.Id);
    EXPECT_EQ(level.Width, TheApp->Shared->DisplayWidth) << level.Id;
    EXPECT_EQ(level.Height, TheApp->Shared->DisplayHeight) << level.Id;
    EXPECT_EQ(MainWindowX, drive::RectOf(TheApp->MainWindow).left) << level.Id;
    EXPECT_EQ(MainWindowY, drive::RectOf(TheApp->MainWindow).top) << level.Id;
    EXPECT_EQ(static_cast<int>(level.Width) + ClipFrameWidth, WidthOf(TheApp->ClipWindow)) << level.Id;
    EXPECT_EQ(TransportPause, PlaybackState);
    EXPECT_TRUE(WaitForShownFrame(0));
  }
  Choose(MagnifyDoubleId);
  SendMessageW(TheApp->MagnifyWindow, WM_CLOSE, 0, 0);
  Pump(30);
  EXPECT_FALSE(IsWindowVisible(TheApp->MagnifyWindow)) << "hidden, never destroyed";
  EXPECT_EQ(322u, TheApp->Shared->DisplayWidth);
  EXPECT_FALSE(Checked(TheApp->DisplayMenu, MagnifyId));

  // Doubled or one and a half times, a 1200 x 900 picture is larger than the
  // 1600 x 1200 screen both ways; so is a 1700 x 1300 one as it stands. After
  // every layout the limits, the bars, the offsets and the picture agree.
  HWND scroll = TheApp->ScrollWindow;
  const auto expectScrolling = [&](int width, int height) {
    ASSERT_EQ(scroll, GetParent(TheApp->ClipWindow));
    RECT client, clip = drive::RectOf(TheApp->ClipWindow);
    GetClientRect(scroll, &client);
    MapWindowPoints(nullptr, scroll, reinterpret_cast<POINT*>(&clip), 2);
    EXPECT_EQ(width - client.right, ScrollLimitX);
    EXPECT_EQ(height - client.bottom, ScrollLimitY);
    for (int bar : {SB_HORZ, SB_VERT}) {
      SCROLLINFO info = {sizeof info, SIF_ALL};
      GetScrollInfo(scroll, bar, &info);
      EXPECT_EQ(bar == SB_HORZ ? width : height, info.nMax) << "the bar spans the whole picture";
      EXPECT_EQ(static_cast<UINT>(bar == SB_HORZ ? client.right : client.bottom), info.nPage);
      EXPECT_EQ(bar == SB_HORZ ? ScrollOffsetX : ScrollOffsetY, info.nPos) << "the thumb shows the offset";
      EXPECT_EQ(bar == SB_HORZ ? -ScrollOffsetX : -ScrollOffsetY, bar == SB_HORZ ? clip.left : clip.top);
    }
  };
  options.Width = 1200;
  options.Height = 900;
  Open(MakeRecording(L"large.avi", options));
  Command(MagnifyId);
  Choose(MagnifyDoubleId);
  expectScrolling(2400, 1800);
  const struct {
    UINT Message;
    WPARAM Request;
    int32_t OffsetX, OffsetY;
  } scrolls[] = {
      {WM_HSCROLL, SB_LINERIGHT, 5, 0},
      {WM_HSCROLL, SB_PAGERIGHT, 55, 0},
      {WM_HSCROLL, SB_PAGELEFT, 5, 0},
      {WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 5, 0},  // dragging does not move the picture
      {WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30000), ScrollLimitX, 0},
      {WM_VSCROLL, SB_LINEDOWN, ScrollLimitX, 5},
      {WM_VSCROLL, SB_LINEUP, ScrollLimitX, 0},
  };  // each request once; the steps' arithmetic and limits are scroll_math_test's
  for (const auto& s : scrolls) {
    SendMessageW(scroll, s.Message, s.Request, 0);
    EXPECT_EQ(s.OffsetX, ScrollOffsetX) << s.Request;
    EXPECT_EQ(s.OffsetY, ScrollOffsetY) << s.Request;
    expectScrolling(2400, 1800);
  }
  SendMessageW(scroll, WM_VSCROLL, SB_PAGEDOWN, 0);
  Choose(MagnifyOneAndHalfId);
  expectScrolling(1800, 1350);
  Choose(MagnifyNoneId);
  EXPECT_EQ(TheApp->MainWindow, GetParent(TheApp->ClipWindow)) << "fitting again, the picture hangs in the main window";
  EXPECT_FALSE(IsWindowVisible(scroll));
  Choose(MagnifyDoubleId);
  SendMessageW(scroll, WM_HSCROLL, SB_PAGERIGHT, 0);
  options.Width = 1700;
  options.Height = 1300;
  Open(MakeRecording(L"larger.avi", options));
  expectScrolling(1700, 1300);
}

// The items of the first context menu seen, and a press of its Copy key.
std::wstring MenuSeen;
void CALLBACK ChooseCopyFromContextMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menuWindow = FindWindowW(L"#32768", nullptr);
  if (menuWindow == nullptr || !MenuSeen.empty()) return;
  HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t item[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), item, 64, MF_BYPOSITION);
    MenuSeen += std::wstring(item) + L"|";
  }
  PostMessageW(menuWindow, WM_CHAR, L'c', 1);
}

TEST_F(ProgramTest, UserMessagesShowEachPostAndStayOnTheWorkArea) {
  PostUserMessage(L"first\r\n", 1);
  PostUserMessage(L"\tsecond", 0);
  PostUserMessage(nullptr, 0);
  const std::vector<std::wstring> lines = NewLines();
  ASSERT_EQ(6u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ((std::vector<std::wstring>{L"", lines[1], L"first", L"", L"\tsecond", L""}), lines);
  EXPECT_TRUE(IsTimeLine(lines[1]));

  // Cut at the end of the 512-unit composition buffer: the empty line, the
  // time line and as much of the text as fits.
  const size_t before = MessagesText().size();
  PostUserMessage(std::wstring(5000, L'x').c_str(), 1);
  const std::wstring text = MessagesText();
  ASSERT_EQ(before + 511, text.size());
  EXPECT_TRUE(IsTimeLine(text.substr(before + 2, 14)));
  EXPECT_EQ(std::wstring(493, L'x'), text.substr(before + 18));
  // Queued messages come out under one time line; queued copies hold 4095 units.
  QueuePendingMessage(L"queued first\r\n");
  QueuePendingMessage(std::wstring(10000, L'q').c_str());
  FlushPendingMessages();
  EXPECT_NE(std::wstring::npos, MessagesText().find(L"queued first\r\n\r\n" + std::wstring(509, L'q')));

  // A right click on the messages and Copy from the menu it opens (the
  // control's own keys stay its own: keys_and_open_test).
  HWND edit = TheApp->MessagesEdit;
  SetWindowTextW(edit, L"copied line");
  SendMessageW(edit, EM_SETSEL, 0, 6);
  EmptyTheClipboard();
  MenuSeen.clear();
  const UINT_PTR chooser = SetTimer(nullptr, 0, 50, ChooseCopyFromContextMenu);
  RECT at = drive::RectOf(edit);
  SendMessageW(edit, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit), MAKELPARAM(at.left + 20, at.top + 10));
  KillTimer(nullptr, chooser);
  Pump(50);  // the chosen command comes as a posted WM_COMMAND
  EXPECT_EQ(L"&Copy\tCtrl+C|Select &All\tCtrl+A|", MenuSeen);
  EXPECT_EQ(L"copied", ClipboardText());

  HWND window = TheApp->MessagesWindow;
  SetWindowPos(window, nullptr, WorkArea.right - 100, -40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Pump(50);
  EXPECT_EQ(WorkArea.right, drive::RectOf(window).right);
  EXPECT_EQ(0, drive::RectOf(window).top);
  SetWindowPos(window, nullptr, 100, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// Overlapping windows each show their own pixels on the screen: the main
// window (grey) placed above User Messages by the open, then User Messages
// raised above it as a click would and the main window moved beneath it.
TEST_F(ProgramTest, OverlappingWindowsEachShowTheirOwnPixels) {
  HWND main = TheApp->MainWindow;
  SetWindowPos(main, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Open(MakeCaptureRecording(30, {}, L"over.avi"));
  SetWindowTextW(TheApp->MessagesEdit, L"");
  // The samples of the overlap (outside the picture) that do not have colour.
  const auto others = [&](COLORREF colour) {
    Pump(100);
    RECT overlap, edit = drive::RectOf(TheApp->MessagesEdit), client, clip = drive::RectOf(TheApp->ClipWindow);
    GetClientRect(main, &client);
    MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (!IntersectRect(&overlap, &edit, &client)) return -1;
    int wrong = 0;
    HDC screen = GetDC(nullptr);
    for (int y = overlap.top + 4; y < overlap.bottom - 4; y += 3) {
      for (int x = overlap.left + 4; x < overlap.right - 4; x += 3) {
        const POINT at = {x, y};
        wrong += !PtInRect(&clip, at) && GetPixel(screen, x, y) != colour;
      }
    }
    ReleaseDC(nullptr, screen);
    return wrong;
  };
  const COLORREF mainGrey = RGB(128, 128, 128), messagesGrey = RGB(225, 225, 225);
  EXPECT_EQ(0, others(mainGrey));
  BringWindowToTop(TheApp->MessagesWindow);
  const RECT at = drive::RectOf(main);
  SetWindowPos(main, nullptr, at.left + 20, at.top + 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(0, others(messagesGrey));
  EXPECT_TRUE(WaitForShownFrame(0));
}

}  // namespace
