// Start-up as a user sees it: which windows appear where, what the User
// Messages window says first, and how the program ends.

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "harness/app_harness.h"

namespace {

RECT RectOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

// The lines of a stamped message: an empty line, the time line, the text.
void ExpectStamped(const std::vector<std::wstring>& lines, size_t at, const std::wstring& text) {
  ASSERT_LT(at + 2, lines.size());
  EXPECT_EQ(L"", lines[at]);
  EXPECT_TRUE(IsTimeLine(lines[at + 1])) << lines[at + 1];
  EXPECT_EQ(text, lines[at + 2]);
}

class StartupTest : public AppTest {};

TEST_F(StartupTest, WithoutOptionsFileWindowsTakeTheDefaultsAndTheNoticeComesLast) {
  ASSERT_EQ(0, StartResult());
  const RECT messages = RectOf(TheApp->MessagesWindow);
  EXPECT_EQ(100, messages.left);
  EXPECT_EQ(150, messages.top);
  EXPECT_EQ(636, messages.right - messages.left);
  EXPECT_EQ(500, messages.bottom - messages.top);
  EXPECT_EQ(50, RectOf(TheApp->MainWindow).left);
  EXPECT_EQ(50, RectOf(TheApp->MainWindow).top);
  EXPECT_TRUE(IsWindowVisible(TheApp->MainWindow));
  EXPECT_TRUE(IsWindowVisible(TheApp->MessagesWindow));
  EXPECT_EQ(L"ORVO Video Playback Version 1", WindowTextOf(TheApp->MainWindow));
  EXPECT_EQ(L"User Messages", WindowTextOf(TheApp->MessagesWindow));

  // The time-zone report first, then the queued notice under its own time line.
  const std::vector<std::wstring> lines = SplitLines(MessagesText());
  ASSERT_EQ(7u, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(L"", lines[0]);
  EXPECT_TRUE(IsTimeLine(lines[1]));
  EXPECT_EQ(0u, lines[2].find(L"Computer ")) << lines[2];
  ExpectStamped(lines, 3, L"No Options File or unreadable Options File");
  EXPECT_EQ(L"", lines[6]);
}

TEST_F(StartupTest, MainWindowIsSizedForA640By480PictureWithNoFileOpen) {
  ASSERT_EQ(0, StartResult());
  RECT client;
  GetClientRect(TheApp->MainWindow, &client);
  EXPECT_EQ(640 + ClipFrameWidth, client.right);
  EXPECT_EQ(480 + ClipFrameHeight, client.bottom);
  EXPECT_EQ(0, StartingUp);
  EXPECT_EQ(1, MessagesReady);
}

TEST_F(StartupTest, MenusStartInTheNoFileState) {
  ASSERT_EQ(0, StartResult());
  HMENU menu = GetMenu(TheApp->MainWindow);
  ASSERT_NE(nullptr, menu);
  ASSERT_EQ(4, GetMenuItemCount(menu));
  EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);                  // Display
  EXPECT_TRUE(GetMenuState(TheApp->FileMenu, 32796, MF_BYCOMMAND) & MF_GRAYED);   // Close
  EXPECT_TRUE(GetMenuState(TheApp->FileMenu, 32797, MF_BYCOMMAND) & MF_GRAYED);   // Information
  EXPECT_FALSE(GetMenuState(TheApp->FileMenu, 32795, MF_BYCOMMAND) & MF_GRAYED);  // Open
  EXPECT_EQ(1, GetMenuItemCount(TheApp->OptionsMenu));                            // no Dropped Frames Control yet

  HMENU messagesMenu = GetMenu(TheApp->MessagesWindow);
  ASSERT_NE(nullptr, messagesMenu);
  wchar_t text[64];
  GetMenuStringW(TheApp->MessagesFileMenu, 32802, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(L"Save Messages"), text);
  GetMenuStringW(TheApp->MessagesFileMenu, 32803, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(std::wstring(L"Save Messages and Clear"), text);
  EXPECT_EQ(32804u, TheApp->NextCommandId);
}

TEST_F(StartupTest, WithoutIconFolderNoIconIsLoaded) {
  ASSERT_EQ(0, StartResult());
  const SharedState* s = TheApp->Shared;
  for (HICON icon : {s->LogoLargeIcon, s->LogoSmallIcon, s->StartIcon, s->PauseIcon, s->BeginFileIcon, s->EndFileIcon,
                     s->BackOneFrameIcon, s->ForwardOneFrameIcon}) {
    EXPECT_EQ(nullptr, icon);
  }
  EXPECT_EQ(0, SendMessageW(TheApp->MainWindow, WM_GETICON, ICON_BIG, 0));
}

class StartupWithIconsTest : public AppTest {
  void BeforeStart() override { CopyIconsTo(WorkDir()); }
};

TEST_F(StartupWithIconsTest, IconsAreLoadedAndGivenToTheWindows) {
  ASSERT_EQ(0, StartResult());
  const SharedState* s = TheApp->Shared;
  for (HICON icon : {s->LogoLargeIcon, s->LogoSmallIcon, s->StartIcon, s->PauseIcon, s->BeginFileIcon, s->EndFileIcon,
                     s->BackOneFrameIcon, s->ForwardOneFrameIcon}) {
    EXPECT_NE(nullptr, icon);
  }
  EXPECT_EQ(reinterpret_cast<LRESULT>(s->LogoLargeIcon), SendMessageW(TheApp->MainWindow, WM_GETICON, ICON_BIG, 0));
  EXPECT_EQ(reinterpret_cast<LRESULT>(s->LogoSmallIcon),
            SendMessageW(TheApp->MessagesWindow, WM_GETICON, ICON_SMALL, 0));
}

class StartupWithOptionsTest : public AppTest {
  void BeforeStart() override {
    WriteFileBytes(WorkDir() + L"\\ORVO_options_playback.xml",
                   "<?xml version='1.0'?>\r\n<Root>\r\n"
                   "\t<MainWindowPosition Value=\"70, 80\"/>\r\n"
                   "\t<MessageWindowPosition Value=\"10, 20\"/>\r\n</Root>\r\n");
  }
};

TEST_F(StartupWithOptionsTest, StoredPositionsPlaceTheWindowsAndNoNoticeIsShown) {
  ASSERT_EQ(0, StartResult());
  const RECT messages = RectOf(TheApp->MessagesWindow);
  EXPECT_EQ(10, messages.left);
  EXPECT_EQ(20, messages.top);
  EXPECT_EQ(636, messages.right - messages.left);  // the size stays the default
  EXPECT_EQ(70, RectOf(TheApp->MainWindow).left);
  EXPECT_EQ(80, RectOf(TheApp->MainWindow).top);
  EXPECT_EQ(std::wstring::npos, MessagesText().find(L"No Options File"));
}

// Bad options files: start-up completes with the defaults and the notice.
struct BadOptions {
  const char* name;
  std::string bytes;
};

class StartupWithBadOptionsTest : public AppTest, public testing::WithParamInterface<BadOptions> {
  void BeforeStart() override { WriteFileBytes(WorkDir() + L"\\ORVO_options_playback.xml", GetParam().bytes); }
};

TEST_P(StartupWithBadOptionsTest, DefaultsStayAndTheNoticeIsShown) {
  ASSERT_EQ(0, StartResult());
  EXPECT_EQ(100, RectOf(TheApp->MessagesWindow).left);
  EXPECT_EQ(150, RectOf(TheApp->MessagesWindow).top);
  EXPECT_NE(std::wstring::npos, MessagesText().find(L"No Options File or unreadable Options File"));
}

std::string RandomBytes(size_t n) {
  std::string bytes(n, '\0');
  unsigned state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(Files, StartupWithBadOptionsTest,
                         testing::Values(BadOptions{"Empty", ""}, BadOptions{"Random", RandomBytes(4096)},
                                         BadOptions{"TenMegabytes", std::string(10 * 1024 * 1024, '<')},
                                         BadOptions{"Unclosed", "<Root><MainWindowPosition Value=\"1, 2\"/>"}),
                         [](const testing::TestParamInfo<BadOptions>& info) { return info.param.name; });

class StartupWithOptionsFolderTest : public AppTest {
  void BeforeStart() override { CreateDirectoryW((WorkDir() + L"\\ORVO_options_playback.xml").c_str(), nullptr); }
};

TEST_F(StartupWithOptionsFolderTest, AFolderNamedLikeTheOptionsFileIsUnreadable) {
  ASSERT_EQ(0, StartResult());
  EXPECT_NE(std::wstring::npos, MessagesText().find(L"No Options File or unreadable Options File"));
}

class StartupWithHugeNumbersTest : public AppTest {
  void BeforeStart() override {
    WriteFileBytes(WorkDir() + L"\\ORVO_options_playback.xml",
                   "<Root><MessageWindowPosition Value=\"123456789012345678901234567890, "
                   "-123456789012345678901234567890, 636, 500\"/></Root>");
  }
};

TEST_F(StartupWithHugeNumbersTest, ThirtyDigitPositionsStillGiveAWindowOnTheWorkArea) {
  ASSERT_EQ(0, StartResult());
  const RECT r = RectOf(TheApp->MessagesWindow);
  EXPECT_LE(r.right, WorkArea.right);
  EXPECT_GE(r.top, 0);
}

// Start-up failures.
class FatalStartupTest : public AppTest {
  void BeforeStart() override { ForcedStartupFailure = StartupStep::MainWindow; }
};

TEST_F(FatalStartupTest, FailingMainWindowEndsStartupWithAbortAndShowsNothing) {
  EXPECT_EQ(static_cast<int>(0x80004004), StartResult());
  EXPECT_EQ(1u, TheApp->Shared->StartupFailed);
  EXPECT_EQ(1, StartingUp);
  EXPECT_EQ(nullptr, TheApp->MessagesWindow);
  EXPECT_FALSE(IsWindowVisible(TheApp->MainWindow));
}

class FatalEditStartupTest : public AppTest {
  void BeforeStart() override { ForcedStartupFailure = StartupStep::MessagesEdit; }
};

TEST_F(FatalEditStartupTest, FailingEditControlEndsStartupBeforeAnyWindowIsShown) {
  EXPECT_EQ(static_cast<int>(0x80004004), StartResult());
  EXPECT_FALSE(IsWindowVisible(TheApp->MainWindow));
  EXPECT_FALSE(IsWindowVisible(TheApp->MessagesWindow));
  EXPECT_EQ(0, MessagesReady);
}

// Ending the program.
TEST_F(StartupTest, ClosingTheMainWindowEndsTheLoopWithZero) {
  ASSERT_EQ(0, StartResult());
  PostMessageW(TheApp->MainWindow, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, RunMessageLoop());
  EXPECT_EQ(1u, TheApp->Shared->QuitRequested);
  EXPECT_FALSE(IsWindow(TheApp->MainWindow));
}

TEST_F(StartupTest, AMessageAlreadyQueuedAfterTheCloseIsNotDispatchedAndGivesTheResult) {
  ASSERT_EQ(0, StartResult());
  PostMessageW(TheApp->MainWindow, WM_CLOSE, 0, 0);
  PostMessageW(nullptr, WM_USER + 7, 77, 0);
  // The thread message is retrieved once QuitRequested is set: not dispatched,
  // but its wParam is the result.
  const int result = RunMessageLoop();
  EXPECT_EQ(77, result);
}

TEST_F(StartupTest, FileExitEndsTheProgram) {
  ASSERT_EQ(0, StartResult());
  PostMessageW(TheApp->MainWindow, WM_COMMAND, MAKEWPARAM(32798, 0), 0);
  EXPECT_EQ(0, RunMessageLoop());
  EXPECT_FALSE(IsWindow(TheApp->MainWindow));
}

TEST_F(StartupTest, AboutPostsThreeLinesUnderOneTimeLine) {
  ASSERT_EQ(0, StartResult());
  const size_t before = SplitLines(MessagesText()).size();
  Command(TheApp->MainWindow, 32801);
  const std::vector<std::wstring> lines = SplitLines(MessagesText());
  ASSERT_EQ(before + 5, lines.size());
  ExpectStamped(lines, before - 1, L"ORVO Video Playback Version 1");
  EXPECT_EQ(0u, lines[before + 2].find(L"Report errors to \""));
  EXPECT_NE(std::wstring::npos, lines[before + 2].find(L"\".  Please describe how"));
  EXPECT_EQ(L"to duplicate the error and include the error reported in User Messages", lines[before + 3]);
}

TEST_F(StartupTest, InformationWithNoFileOpenIsAnInternalError) {
  ASSERT_EQ(0, StartResult());
  Command(TheApp->MainWindow, 32797);
  EXPECT_NE(std::wstring::npos,
            MessagesText().find(
                L"INTERNAL ERROR: you should not be able to request file information when no file is open\t"));
}

// The real program, started as a user would start it. Other tests may be
// running the same windows in their own processes, so windows are looked up
// by class and by the process that owns them.
struct WindowSearch {
  DWORD processId;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
  WindowSearch* search = reinterpret_cast<WindowSearch*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  if (owner == search->processId && std::wstring(name) == search->className && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindProcessWindow(DWORD processId, const wchar_t* className) {
  WindowSearch search = {processId, className, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

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
    main = FindProcessWindow(process.dwProcessId, L"ORVO_VideoPlayback");
    messages = FindProcessWindow(process.dwProcessId, L"User Messages Class");
  }
  EXPECT_NE(nullptr, main);
  EXPECT_NE(nullptr, messages);
  if (main != nullptr) PostMessageW(main, WM_CLOSE, 0, 0);
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
