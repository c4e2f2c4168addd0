#include "drive.h"

#include <shellapi.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "base/png_file.h"
#include "frame_picture.h"

using Microsoft::WRL::ComPtr;

namespace drive {

namespace {

constexpr DWORD MessageTimeoutMs = 5000;

bool SameClass(HWND window, const wchar_t* className) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  // Class names compare without regard to letter case, as Windows does.
  return CompareStringOrdinal(name, -1, className, -1, TRUE) == CSTR_EQUAL;
}

struct Search {
  DWORD processId;
  const wchar_t* className;
  const wchar_t* text;
  bool visibleOnly;
  HWND found;
};

bool Matches(HWND window, const Search& search) {
  if (!SameClass(window, search.className) || (search.visibleOnly && !IsWindowVisible(window))) return false;
  return search.text == nullptr || TextOf(window) == search.text;
}

BOOL CALLBACK TopLevelVisitor(HWND window, LPARAM parameter) {
  Search* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !Matches(window, *search)) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK ChildVisitor(HWND window, LPARAM parameter) {
  Search* search = reinterpret_cast<Search*>(parameter);
  if (!Matches(window, *search)) return TRUE;
  search->found = window;
  return FALSE;
}

// The screen area of window (the whole screen for null) as 32-bit pixels,
// top row first.
bool GrabScreen(HWND window, bool clientOnly, std::vector<BYTE>* pixels, int* width, int* height) {
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (window != nullptr) {
    if (clientOnly) {
      GetClientRect(window, &area);
      MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    } else {
      GetWindowRect(window, &area);
    }
  }
  *width = area.right - area.left;
  *height = area.bottom - area.top;
  return GrabScreenArea(area, pixels);
}

// Calls work with COM initialised on this thread for the call.
template <typename Work>
HRESULT WithCom(Work work) {
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const HRESULT hr = work();
  if (SUCCEEDED(init)) CoUninitialize();
  return hr;
}

// The screen's 32-bit pixels as a PNG of 24-bit rows, blue-green-red.
HRESULT EncodePng(const std::wstring& path, const std::vector<BYTE>& pixels, int width, int height) {
  const UINT stride = static_cast<UINT>(width) * 3;
  std::vector<BYTE> rows(static_cast<size_t>(stride) * static_cast<size_t>(height));
  for (size_t pixel = 0; pixel < rows.size() / 3; ++pixel) {
    for (size_t byte = 0; byte < 3; ++byte) rows[pixel * 3 + byte] = pixels[pixel * 4 + byte];
  }
  return WritePngBgr24(path.c_str(), static_cast<UINT>(width), static_cast<UINT>(height), stride, rows.data(),
                       static_cast<UINT>(rows.size()));
}

HRESULT DecodeSize(const std::wstring& path, uint32_t* width, uint32_t* height) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory));
  ComPtr<IWICBitmapDecoder> decoder;
  if (SUCCEEDED(hr)) {
    hr = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                            &decoder);
  }
  ComPtr<IWICBitmapFrameDecode> frame;
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, &frame);
  UINT w = 0, h = 0;
  if (SUCCEEDED(hr)) hr = frame->GetSize(&w, &h);
  // Reading every pixel proves the picture whole, not only its header.
  std::vector<BYTE> pixels(static_cast<size_t>(w) * h * 4);
  ComPtr<IWICFormatConverter> converter;
  if (SUCCEEDED(hr)) hr = factory->CreateFormatConverter(&converter);
  if (SUCCEEDED(hr)) {
    hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0,
                               WICBitmapPaletteTypeCustom);
  }
  if (SUCCEEDED(hr) && !pixels.empty()) {
    hr = converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(pixels.size()), &pixels[0]);
  }
  *width = w;
  *height = h;
  return hr;
}

// A shell file operation on from (one path), without questions or progress.
bool Shell(UINT operation, const std::wstring& from, const std::wstring& to = L"") {
  const std::wstring source = from + L'\0', target = to + L'\0';  // lists end with an empty entry
  SHFILEOPSTRUCTW op = {};
  op.wFunc = operation;
  op.pFrom = source.c_str();
  op.pTo = to.empty() ? nullptr : target.c_str();
  op.fFlags = FOF_NO_UI;
  return SHFileOperationW(&op) == 0;
}

}  // namespace

bool GrabScreenArea(const RECT& area, std::vector<BYTE>* pixels) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    copied = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != 0;
    GdiFlush();
    const BYTE* first = static_cast<const BYTE*>(bits);
    if (copied) pixels->assign(first, first + static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return copied;
}

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH] = {};
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
  return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : L".";
}

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring self(path, n < MAX_PATH ? n : 0);
  return self.substr(0, self.find_last_of(L"\\/"));
}

bool MakeWorkFolder(const std::wstring& folder, const std::wstring& programFolder) {
  Shell(FO_DELETE, folder);
  return CreateDirectoryW(folder.c_str(), nullptr) &&
         CopyFileW((programFolder + L"\\OrvoVideoPlayback.exe").c_str(), (folder + L"\\OrvoVideoPlayback.exe").c_str(),
                   FALSE) &&
         Shell(FO_COPY, programFolder + L"\\OrvoVideoIcons", folder);
}

std::string FileBytes(const std::wstring& path) {
  std::ifstream file(path.c_str(), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

bool WaitFor(const std::function<bool()>& condition, int attempts) {
  for (int i = 0; i < attempts; ++i) {
    if (condition()) return true;
    Sleep(20);
  }
  return condition();
}

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (window == nullptr ||
      SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, MessageTimeoutMs, &length) == 0) {
    return L"";
  }
  std::vector<wchar_t> text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                      MessageTimeoutMs, &copied);
  return std::wstring(&text[0], copied < text.size() ? copied : text.size() - 1);
}

bool Click(HWND button) {
  if (button == nullptr || !IsWindowEnabled(button)) return false;
  return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

void MoveTo(HWND window, int x, int y) {
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT RectOf(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

bool Visible(HWND window) { return window != nullptr && IsWindowVisible(window); }

COLORREF ScreenColour(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

bool SaveScreenshot(HWND window, const std::wstring& path) {
  std::vector<BYTE> pixels;
  int width = 0, height = 0;
  if (!GrabScreen(window, false, &pixels, &width, &height)) return false;
  return SUCCEEDED(WithCom([&] { return EncodePng(path, pixels, width, height); }));
}

bool PictureSize(const std::wstring& path, uint32_t* width, uint32_t* height) {
  return SUCCEEDED(WithCom([&] { return DecodeSize(path, width, height); }));
}

// ---- the program ------------------------------------------------------------

Program::~Program() {
  if (process_ == nullptr) return;
  if (Running()) TerminateProcess(process_, 1);  // never left behind
  CloseHandle(process_);
}

bool Program::Start(const std::wstring& exe, const std::wstring& workDir, const std::wstring& recording) {
  std::wstring command = L"\"" + exe + L"\"";
  if (!recording.empty()) command += L" \"" + recording + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  processId_ = info.dwProcessId;
  // A first start in a Wine prefix may take a while: a longer bound here.
  return WaitFor(
      [this] {
        HWND main = Main();
        return main != nullptr && IsWindowVisible(main) && Messages() != nullptr && Playback() != nullptr;
      },
      1500);
}

bool Program::Running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

long Program::Exit() {
  Command(ExitCommand);
  if (WaitForSingleObject(process_, 20000) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 1);
    return -1;
  }
  DWORD code = 1;
  GetExitCodeProcess(process_, &code);
  CloseHandle(process_);
  process_ = nullptr;
  return static_cast<long>(code);
}

HWND Program::Window(const wchar_t* className, const wchar_t* title) const {
  Search search = {processId_, className, title, false, nullptr};
  EnumWindows(TopLevelVisitor, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Program::Child(HWND parent, const wchar_t* className, const wchar_t* text) {
  if (parent == nullptr) return nullptr;
  Search search = {0, className, text, false, nullptr};
  EnumChildWindows(parent, ChildVisitor, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The playback window's only static control that is not a label: the line
// below the buttons (the window holds no other STATIC).
HWND Program::FrameLine() const { return Child(Playback(), L"STATIC"); }

std::wstring Program::FrameText() const { return TextOf(FrameLine()); }

std::wstring Program::MessagesText() const { return TextOf(Child(Messages(), L"RICHEDIT50W")); }

void Program::Command(UINT id, HWND window) const {
  PostMessageW(window != nullptr ? window : Main(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void Program::Key(UINT virtualKey, HWND window) const {
  HWND target = window != nullptr ? window : Main();
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, virtualKey, scan | 1);
  PostMessageW(target, WM_KEYUP, virtualKey, scan | 1 | (LPARAM{3} << 30));
}

HWND Program::WaitForDialog(const wchar_t* title) const {
  // Dialogs closed earlier may linger hidden: only a shown one counts.
  Search search = {processId_, DialogClass, title, true, nullptr};
  WaitFor([&] { return !EnumWindows(TopLevelVisitor, reinterpret_cast<LPARAM>(&search)); });
  return search.found;
}

HWND Program::WaitForWindow(const wchar_t* className) const {
  HWND window = nullptr;
  return WaitFor([&] { return Visible(window = Window(className)); }) ? window : nullptr;
}

bool Program::WaitForFrameLine(const std::wstring& start) const {
  return WaitFor([&] { return FrameText().compare(0, start.size(), start) == 0; });
}

bool Program::WaitForPicture(uint32_t frame) const {
  uint32_t shown = 0;
  return WaitFor([&] { return ShownFrame(&shown) && shown == frame; });
}

bool Program::AnswerFileDialog(const std::wstring& path) const {
  HWND dialog = WaitForDialog(nullptr);
  HWND name = dialog != nullptr ? GetDlgItem(dialog, FileNameEditId) : nullptr;
  if (name == nullptr) return false;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG, MessageTimeoutMs,
                      &ignored);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

bool Program::ShownFrame(uint32_t* frame) const {
  std::vector<BYTE> pixels;
  int width = 0, height = 0;
  HWND clip = Child(Main(), ClipClass);
  if (clip == nullptr || !IsWindowVisible(clip) || !GrabScreen(clip, true, &pixels, &width, &height)) return false;
  return ReadFrameCode(&pixels[0], static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                       static_cast<std::ptrdiff_t>(width) * 4, 4, frame);
}

}  // namespace drive
