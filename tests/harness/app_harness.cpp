#include "app_harness.h"

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/app_context.h"
#include "app/inspection_commands.h"
#include "app/keyboard.h"
#include "app/main_window.h"
#include "app/reports.h"
#include "controls/drop_runs.h"
#include "controls/playback_controls.h"
#include "drive.h"
#include "frame_picture.h"
#include "graph/color_control.h"
#include "graph/playback_graph.h"
#include "messages/log_files.h"
#include "options/recent_recordings.h"

namespace {

// The process's one start-up: its result, and the folder it ran in.
bool Started = false;
int StartupResult = -1;
int32_t StartupUtcBias = 0;
std::wstring OriginalDir;

std::wstring MakeTempFolder() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  for (unsigned attempt = 0;; ++attempt) {
    const std::wstring name =
        std::wstring(base) + L"orvo-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt);
    if (CreateDirectoryW(name.c_str(), nullptr)) return name;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return L"";
  }
}

bool ProgramRunning() { return TheApp != nullptr && IsWindow(TheApp->MainWindow); }

// Splits on "\r\n".
std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  for (size_t start = 0, end = 0; end != std::wstring::npos; start = end + 2) {
    end = text.find(L"\r\n", start);
    lines.push_back(text.substr(start, end == std::wstring::npos ? end : end - start));
  }
  return lines;
}

// What File > Close leaves behind, and the test seams back at the program's own values.
void ReturnToNoFileState() {
  if (TheApp->FileInfo.FilePath[0] != u'\0' || OpenFrameCount != 0) CloseFileAndReset();
  ForcedGraphFailure = GraphStep::None;
  ForcedColorControlFailure = ColorControlStep::None;
  ForcedLogFailure = LogSaveStep::None;
  UtcBiasMinutes = StartupUtcBias;
  FrameTickMilliseconds = 1000;
  ArrangeFileChoice(E_ABORT, nullptr);
  SetWindowTextW(TheApp->MessagesEdit, L"");
}

}  // namespace

void AppTest::SetUp() {
  if (OriginalDir.empty()) {
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    OriginalDir = current;
  }
  workDir_ = MakeTempFolder();
  ASSERT_FALSE(workDir_.empty());
  ASSERT_TRUE(SetCurrentDirectoryW(workDir_.c_str()));
  if (!Started) {
    Started = true;
    BeforeStart();
    StartupResult = StartProgram(GetModuleHandleW(nullptr));
    StartupUtcBias = UtcBiasMinutes;
    if (StartupResult == 0) ArrangeFileChoice(E_ABORT, nullptr);
  } else {
    ASSERT_TRUE(ProgramRunning()) << "an earlier test in this process ended the program";
    ReturnToNoFileState();
    // A fresh working directory has no options file: no recent recordings.
    RecentRecordings = RecentRecordingList{};
    RebuildRecentMenu();
  }
  if (ProgramRunning()) Pump(50);
  seenMessages_ = MessagesText().size();
}

void AppTest::TearDown() {
  // The open file's streaming threads and the playback tick must not outlive
  // the test: closing releases them as File > Close does.
  if (ProgramRunning()) {
    if (OpenFrameCount != 0) CloseFileAndReset();
  } else if (TheApp != nullptr && TheApp->Graph != nullptr) {
    StopFrameTimer();
    TheApp->Graph->CloseVideoFile();
  }
  SetCurrentDirectoryW(OriginalDir.c_str());
  if (!workDir_.empty()) RemoveTree(workDir_);
}

int AppTest::StartResult() { return StartupResult; }

void AppTest::Pump(int milliseconds) {
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchProgramMessage(&message);
    Sleep(1);
  } while (GetTickCount64() < until);
}

std::wstring AppTest::MessagesText() {
  HWND edit = TheApp != nullptr ? TheApp->MessagesEdit : nullptr;
  if (edit == nullptr) return L"";
  GETTEXTLENGTHEX lengthQuery = {GTL_USECRLF | GTL_NUMCHARS, 1200};
  const LRESULT length = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  GETTEXTEX query = {};
  query.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  query.flags = GT_USECRLF;
  query.codepage = 1200;
  const LRESULT copied =
      SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(copied));
  return text;
}

std::vector<std::wstring> AppTest::NewLines() {
  const std::wstring text = MessagesText();
  std::vector<std::wstring> lines = SplitLines(text.substr(std::min(seenMessages_, text.size())));
  seenMessages_ = text.size();
  return lines;
}

std::vector<std::wstring> AppTest::NewTexts() {
  std::vector<std::wstring> lines = NewLines();
  lines.erase(std::remove_if(lines.begin(), lines.end(), [](auto& l) { return l.empty() || IsTimeLine(l); }),
              lines.end());
  return lines;
}

void AppTest::Command(unsigned id, HWND window) {
  PostMessageW(window != nullptr ? window : TheApp->MainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  Pump(50);
  for (int i = 0; i < 100 && OpenFinishWaiting(); ++i) Pump(10);  // an open's remainder, as the next input would
}

std::wstring AppTest::MakeRecording(const std::wstring& name, const AviGenOptions& options) {
  const std::wstring path = workDir_ + L"\\" + name;
  std::string error;
  const std::vector<uint8_t> bytes = GenerateAviBytes(options, &error);
  EXPECT_TRUE(error.empty()) << error;
  WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
  return path;
}

std::wstring AppTest::MakeCaptureRecording(uint32_t frames, const std::vector<uint32_t>& dropped,
                                           const std::wstring& name) {
  AviGenOptions options;
  options.FrameCount = frames;
  options.DroppedFrames = dropped;
  options.DropStyle = AviGenDropStyle::Repeat;
  return MakeRecording(name, options);
}

void AppTest::Key(HWND window, WPARAM key, bool control, bool shift) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = control ? 0x80 : 0;
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  PostMessageW(window, WM_KEYDOWN, key, 1);
  Pump(30);
  keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
}

bool AppTest::Posted(const std::wstring& text) {
  for (int i = 0; i < 100 && MessagesText().find(text) == std::wstring::npos; ++i) Pump(10);
  return MessagesText().find(text) != std::wstring::npos;
}

void AppTest::TryOpen(const std::wstring& path) {
  ArrangeFileChoice(S_OK, path);
  Command(OpenId);
}

void AppTest::Open(const std::wstring& path) {
  TryOpen(path);
  ASSERT_NE(0u, OpenFrameCount) << "the file did not open";
  ASSERT_EQ(TransportSeekStart, PlaybackState);
  Pump(20);
}

void AppTest::Click(HWND button) {
  EXPECT_TRUE(IsWindowEnabled(button)) << "a user cannot press a disabled button";
  SendMessageW(button, BM_CLICK, 0, 0);
  Pump(5);
}

void AppTest::Scroll(WORD code, uint32_t position) {
  SendMessageW(PositionSlider, TBM_SETPOS, TRUE, position);
  SendMessageW(TheApp->PlaybackWindow, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(PositionSlider));
  Pump(5);
}

std::string AppTest::States() {
  const HWND controls[] = {StartButton,           PauseButton,           BeginFileButton,
                           BackOneFrameButton,    ForwardOneFrameButton, EndFileButton,
                           PreviousDroppedButton, NextDroppedButton,     PositionSlider};
  std::string states;
  for (size_t i = 0; i < 9; ++i) states += IsWindowEnabled(controls[i]) ? "SPBbFE<>s"[i] : '.';
  return states + (IsWindowVisible(TheApp->ClipWindow) ? 'c' : '.');
}

std::string AppTest::PausedInside(bool after, bool before) {
  return std::string("S.BbFE") + (before ? '<' : '.') + (after ? '>' : '.') + "sc";
}
std::string AppTest::AtFirstFrame(bool after) { return std::string("S...FE.") + (after ? '>' : '.') + "sc"; }
std::string AppTest::AtEnd() { return "..Bb..<.s."; }
std::string AppTest::Playing() { return ".P.......c"; }
std::string AppTest::NoFile() { return ".........."; }

uint32_t AppTest::SliderPosition() { return static_cast<uint32_t>(SendMessageW(PositionSlider, TBM_GETPOS, 0, 0)); }

std::wstring AppTest::StatusText() { return drive::TextOf(StatusLine); }

std::wstring AppTest::FrameTime(uint32_t frame) {
  char16_t text[FrameTimeTextUnits] = u"";
  ComposeFrameTime(text, FrameTimeTextUnits, frame, TheGraph->FrameRate, TheGraph->FrameScale);
  return std::wstring(text, text + std::char_traits<char16_t>::length(text));
}
std::wstring AppTest::KeyLine(uint32_t frame) {
  return std::wstring(49, L' ') + L"Key Frame Number:  " + std::to_wstring(frame) + L"  " + FrameTime(frame);
}
std::wstring AppTest::DroppedLine(uint32_t frame) {
  return std::wstring(49, L' ') + L"Dropped Frame Number:  " + std::to_wstring(frame) + L"  " + FrameTime(frame);
}
std::wstring AppTest::PlainLine(uint32_t frame) {
  return std::wstring(35, L' ') + L"Frame Number:  " + std::to_wstring(frame) + L"  " + FrameTime(frame);
}

namespace {

// The frame number in the top-left width x height pixels of window's client
// area, read from the screen (the generator draws a machine-readable code
// into every frame).
bool ReadFrameOnScreen(HWND window, int width, int height, uint32_t* frame) {
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  std::vector<BYTE> pixels;
  return drive::GrabScreenArea({origin.x, origin.y, origin.x + width, origin.y + height}, &pixels) &&
         ReadFrameCode(pixels.data(), static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                       static_cast<std::ptrdiff_t>(width) * 4, 4, frame);
}

}  // namespace

bool AppTest::ShownFrame(uint32_t* frame) {
  // Nothing may cover the picture: the main window goes above the others.
  SetWindowPos(TheApp->MainWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return ReadFrameOnScreen(TheApp->ClipWindow, static_cast<int>(TheApp->Shared->DisplayWidth),
                           static_cast<int>(TheApp->Shared->DisplayHeight), frame);
}

bool AppTest::WaitForShownFrame(uint32_t frame) {
  uint32_t shown = 0xFFFFFFFFu;
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (ShownFrame(&shown) && shown == frame) return true;
    Pump(10);
  }
  ADD_FAILURE() << "the screen shows " << (ShownFrame(&shown) ? std::to_string(shown) : "no frame code")
                << ", expected frame " << frame;
  return false;
}

bool Grayed(HMENU menu, UINT item, UINT by) { return (GetMenuState(menu, item, by) & MF_GRAYED) != 0; }
bool Checked(HMENU menu, UINT item) { return (GetMenuState(menu, item, MF_BYCOMMAND) & MF_CHECKED) != 0; }

std::ostream& operator<<(std::ostream& out, const RECT& r) {
  return out << "(" << r.left << ", " << r.top << ")-(" << r.right << ", " << r.bottom << ")";
}

int WidthOf(HWND window) {
  const RECT r = drive::RectOf(window);
  return r.right - r.left;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, bytes.size());
}

void RemoveTree(const std::wstring& path) {
  const std::wstring from = path + L'\0';
  SHFILEOPSTRUCTW operation = {nullptr, FO_DELETE, from.c_str(), nullptr, FOF_NO_UI};
  SHFileOperationW(&operation);
}

bool IsTimeLine(const std::wstring& line) {
  if (line.size() != 14) return false;
  for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) {
    if (line[i] < L'0' || line[i] > L'9') return false;
  }
  return line[2] == L':' && line[5] == L':' && line.substr(8) == L" (UTC)";
}

std::wstring ClipboardText() {
  if (!OpenClipboard(nullptr)) return L"(clipboard not opened)";
  std::wstring text;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  if (const wchar_t* chars = data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) {
    text = chars;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

void EmptyTheClipboard() { ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard()); }

namespace {

HRESULT ArrangedResult = E_ABORT;
bool ArrangedHasPath = false;
std::wstring ArrangedPath;

HRESULT ChooseArranged(wchar_t** path) {
  *path = nullptr;
  if (ArrangedHasPath) {
    const size_t bytes = (ArrangedPath.size() + 1) * sizeof(wchar_t);
    *path = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (*path == nullptr) return E_OUTOFMEMORY;
    memcpy(*path, ArrangedPath.c_str(), bytes);
  }
  return ArrangedResult;
}

}  // namespace

void ArrangeFileChoice(HRESULT result, const wchar_t* path) {
  ArrangedResult = result;
  ArrangedHasPath = path != nullptr;
  ArrangedPath = path != nullptr ? path : L"";
  ChooseVideoFile = ChooseArranged;
}
