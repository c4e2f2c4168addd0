// orvo-bare-windows: the baseline of the start-up and exit benchmarks. A
// program that does what any Win32 program with the same windows does and
// nothing more: OLE in a single-threaded apartment, the rich edit library,
// a main window, a window with a rich edit control titled "Bare Messages"
// (shown last), and a window of eight buttons, a slider and a status line.
// Closing the main window ends it.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

namespace {

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK ChildHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND TopLevel(HINSTANCE instance, const wchar_t* className, const wchar_t* title, int x, int y, int w, int h,
              HWND owner) {
  return CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, w, h, owner, nullptr,
                         instance, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (FAILED(OleInitialize(nullptr))) return 1;
  LoadLibraryW(L"Msftedit.dll");
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSW main = {};
  main.lpfnWndProc = BareProc;
  main.hInstance = instance;
  main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  main.hbrBackground = reinterpret_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  main.lpszClassName = L"BareMain";
  RegisterClassW(&main);
  WNDCLASSW host = main;
  host.lpfnWndProc = ChildHostProc;
  host.lpszClassName = L"BareHost";
  RegisterClassW(&host);

  HWND mainWindow = TopLevel(instance, L"BareMain", L"Bare Main", 50, 50, 400, 300, nullptr);
  HWND playback = TopLevel(instance, L"BareHost", L"Bare Playback", 50, 360, 840, 240, mainWindow);
  HWND messages = TopLevel(instance, L"BareHost", L"Bare Messages", 100, 150, 636, 500, mainWindow);
  if (mainWindow == nullptr || playback == nullptr || messages == nullptr) return 1;
  for (int i = 0; i < 8; ++i) {
    CreateWindowExW(0, L"BUTTON", L"Button", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_MULTILINE, 3 + 103 * i, 3, 100,
                    100, playback, nullptr, instance, nullptr);
  }
  CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | TBS_HORZ | TBS_TOP, 3, 106, 820, 50, playback,
                  nullptr, instance, nullptr);
  CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_SUNKEN, 3, 156, 820, 40, playback, nullptr,
                  instance, nullptr);
  CreateWindowExW(0, L"RICHEDIT50W", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                  0, 0, 620, 460, messages, nullptr, instance, nullptr);
  ShowWindow(mainWindow, SW_SHOW);
  ShowWindow(playback, SW_SHOW);
  ShowWindow(messages, SW_SHOW);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  OleUninitialize();
  return static_cast<int>(message.wParam);
}
