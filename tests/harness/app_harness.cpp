#include "app_harness.h"

#include <richedit.h>

#include "app/app_context.h"
#include "avi_generator.h"
#include "frame_picture.h"
#include "graph/playback_graph.h"

namespace {

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

}  // namespace

void AppTest::SetUp() {
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  previousDir_ = current;
  workDir_ = MakeTempFolder();
  ASSERT_FALSE(workDir_.empty());
  ASSERT_TRUE(SetCurrentDirectoryW(workDir_.c_str()));
  BeforeStart();
  startResult_ = StartProgram(GetModuleHandleW(nullptr));
  if (startResult_ == 0) Pump(100);
}

void AppTest::TearDown() {
  // Release the open file's graph before the process ends, as closing the
  // program does: its streaming threads must not outlive the test.
  if (TheApp != nullptr && TheApp->Graph != nullptr) TheApp->Graph->CloseVideoFile();
  SetCurrentDirectoryW(previousDir_.c_str());
  if (!workDir_.empty()) RemoveTree(workDir_);
}

void AppTest::Pump(int milliseconds) {
  const ULONGLONG until = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(1);
  } while (GetTickCount64() < until);
}

std::wstring AppTest::MessagesText() const {
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

void AppTest::Command(HWND window, unsigned id) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
  Pump(50);
}

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

void CopyIconsTo(const std::wstring& dir) {
  const std::wstring from = ProgramFolder() + L"\\OrvoVideoIcons";
  const std::wstring to = dir + L"\\OrvoVideoIcons";
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((from + L"\\*.ico").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE) << "no icons beside the test program";
  do {
    CopyFileW((from + L"\\" + found.cFileName).c_str(), (to + L"\\" + found.cFileName).c_str(), FALSE);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, bytes.size());
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(L"\r\n", start);
    if (end == std::wstring::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

bool IsTimeLine(const std::wstring& line) {
  if (line.size() != 14) return false;
  for (size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) {
    if (line[i] < L'0' || line[i] > L'9') return false;
  }
  return line[2] == L':' && line[5] == L':' && line.substr(8) == L" (UTC)";
}

std::wstring WindowTextOf(HWND window) {
  wchar_t text[512];
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring WriteRecording(const std::wstring& dir, const std::wstring& name, const AviGenOptions& options) {
  const std::wstring path = dir + L"\\" + name;
  std::string error;
  const std::vector<uint8_t> bytes = GenerateAviBytes(options, &error);
  EXPECT_TRUE(error.empty()) << error;
  WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
  return path;
}

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

bool ReadFrameOnScreen(HWND window, int width, int height, uint32_t* frame) {
  if (width <= 0 || height <= 0) return false;
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  const bool found = ReadFrameCode(static_cast<const uint8_t*>(bits), static_cast<uint32_t>(width),
                                   static_cast<uint32_t>(height), static_cast<std::ptrdiff_t>(width) * 4, 4, frame);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return found;
}
