// The entry's work and the start-up sequence of the application record.

#include <objbase.h>
#include <commctrl.h>

#include <initializer_list>
#include <new>

#include "app/app_context.h"
#include "app/dpi_scale.h"
#include "app/keyboard.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "app/reports.h"
#include "base/bounded_text.h"
#include "base/window_class.h"
#include "controls/brightness_contrast_window.h"
#include "controls/display_windows.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "messages/message_route.h"
#include "messages/user_messages.h"
#include "options/options_file.h"
#include "options/window_positions.h"

AppContext* TheApp = nullptr;
int MessagesReady = 0;
int StartingUp = 0;
RECT WorkArea = {};

HFONT FontConsolas18 = nullptr;
HFONT FontConsolas20 = nullptr;
HFONT FontTahoma72 = nullptr;
HFONT FontConsolas16 = nullptr;
HFONT FontConsolas28 = nullptr;
HFONT FontTahoma20 = nullptr;
HFONT FontTahoma22 = nullptr;
HFONT FontTahoma18 = nullptr;
HFONT FontTahoma16 = nullptr;
HFONT FontCourierNew72Bold = nullptr;

HBRUSH StaticBackgroundBrush = nullptr;

StartupStep ForcedStartupFailure = StartupStep::None;

namespace {

const wchar_t MainWindowClass[] = L"ORVO_VideoPlayback";
const wchar_t MessagesWindowClass[] = L"User Messages Class";
const wchar_t ProgramTitle[] = L"ORVO Video Playback Version 1";

// The last message the loop retrieved; its wParam is the entry's result.
MSG LastMessage = {};

bool Forced(StartupStep step) { return ForcedStartupFailure == step; }

// Platform-neutral code reports through RouteMessage; in the program its
// texts follow the same routing rule as every other message.
void RouteFromNeutralCode(const char16_t* text, int withTimeStamp) {
  RouteUserMessage(reinterpret_cast<const wchar_t*>(text), withTimeStamp);
}

LRESULT CALLBACK ForwardMainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return MainWindowProc(window, message, wParam, lParam);
}

// Loads an icon from a path relative to the working directory. The path is
// made absolute first: given a relative name, Wine's LoadImageW also looks
// beside the program, which would find icons the working directory lacks.
// size 0: the icon file's own size.
HICON LoadIconFile(const wchar_t* relativePath, int size = 0) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetCurrentDirectoryW(MAX_PATH, path);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  if (!AppendText(path, L"\\") || !AppendText(path, relativePath)) return nullptr;
  return static_cast<HICON>(LoadImageW(nullptr, path, IMAGE_ICON, size, size, LR_LOADFROMFILE));
}

// Monotonic nanoseconds from the performance counter.
long long SteadyNanoseconds() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  const long long seconds = counter.QuadPart / frequency.QuadPart;
  const long long remainder = counter.QuadPart % frequency.QuadPart;
  return seconds * 1000000000LL + remainder * 1000000000LL / frequency.QuadPart;
}

}  // namespace

SharedState* CreateSharedState() {
  SharedState* shared = new SharedState{};
  shared->LogoLargeIcon = LoadIconFile(L"OrvoVideoIcons\\ORVO_logo_large.ico");
  shared->LogoSmallIcon = LoadIconFile(L"OrvoVideoIcons\\ORVO_logo_small.ico");
  // The transport buttons' icons, 64 pixels at 96 DPI.
  const int buttonIcon = ScaleForDpi(64, GetDpiForSystem());
  shared->StartIcon = LoadIconFile(L"OrvoVideoIcons\\start64x.ico", buttonIcon);
  shared->PauseIcon = LoadIconFile(L"OrvoVideoIcons\\pause64x.ico", buttonIcon);
  shared->BeginFileIcon = LoadIconFile(L"OrvoVideoIcons\\beginFile64x.ico", buttonIcon);
  shared->EndFileIcon = LoadIconFile(L"OrvoVideoIcons\\endFile64x.ico", buttonIcon);
  shared->ForwardOneFrameIcon = LoadIconFile(L"OrvoVideoIcons\\forwardOneFrame64x.ico", buttonIcon);
  shared->BackOneFrameIcon = LoadIconFile(L"OrvoVideoIcons\\backOneFrame64x.ico", buttonIcon);
  return shared;
}

void AppContext::Fatal(const wchar_t* text) {
  Shared->StartupFailed = 1;
  RouteUserMessage(text, 1);
}

bool AppContext::CreateMainWindow() {
  RegisterWindowClass(MainWindowClass, ForwardMainWindowProc, Instance, GRAY_BRUSH, CS_HREDRAW | CS_VREDRAW,
                      LoadIconW(nullptr, IDI_APPLICATION));
  if (Forced(StartupStep::MainWindow)) return false;
  MainWindow =
      CreateWindowExW(WS_EX_ACCEPTFILES, MainWindowClass, ProgramTitle, WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX,
                      WindowPositions.MainX, WindowPositions.MainY, 400, 400, nullptr, nullptr, Instance, nullptr);
  return MainWindow != nullptr;
}

bool AppContext::CreateMessagesWindow() {
  RegisterWindowClass(MessagesWindowClass, MessagesWindowProc, Instance, GRAY_BRUSH,
                      CS_HREDRAW | CS_VREDRAW | CS_NOCLOSE, LoadIconW(nullptr, IDI_APPLICATION));
  if (Forced(StartupStep::MessagesWindow)) return false;
  MessagesWindow = CreateWindowExW(0, MessagesWindowClass, L"User Messages",
                                   WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, WindowPositions.MessagesX,
                                   WindowPositions.MessagesY, WindowPositions.MessagesWidth,
                                   WindowPositions.MessagesHeight, nullptr, nullptr, Instance, nullptr);
  return MessagesWindow != nullptr;
}

void AppContext::CreateFonts() {
  struct FontSpec {
    HFONT* font;
    int height;
    const wchar_t* face;
    int weight;
    const wchar_t* warning;
  };
  const FontSpec fonts[] = {
      {&FontConsolas18, 18, L"Consolas", 0, L"WARNING: cannot create Consolas 18 font"},
      {&FontConsolas20, 20, L"Consolas", 0, L"WARNING: cannot create Consolas 20 font"},
      {&FontTahoma72, 72, L"Tahoma", 0, L"WARNING: cannot create Default 72 font"},
      {&FontConsolas16, 16, L"Consolas", 0, L"WARNING: cannot create Consolas 16 font"},
      {&FontConsolas28, 28, L"Consolas", 0, L"WARNING: cannot create Consolas 28 font"},
      {&FontTahoma20, 20, L"Tahoma", 0, L"WARNING: cannot create Tahoma 20 font"},
      {&FontTahoma22, 22, L"Tahoma", 0, L"WARNING: cannot create Tahoma 22 font"},
      {&FontTahoma18, 18, L"Tahoma", 0, L"WARNING: cannot create Tahoma 18 font"},
      {&FontTahoma16, 16, L"Tahoma", 0, L"WARNING: cannot create Tahoma 16 font"},
      {&FontCourierNew72Bold, 72, L"Courier New", FW_EXTRABOLD, L"WARNING: cannot create Courier New 72 font"},
  };
  // Made for the primary monitor's scale; windows on another monitor get
  // scaled copies.
  FontsDpi = GetDpiForSystem();
  for (const FontSpec& spec : fonts) {
    *spec.font = CreateFontW(ScaleForDpi(spec.height, FontsDpi), 0, 0, 0, spec.weight, 0, 0, 0, 0, 0, 0, 0, 0, spec.face);
    if (*spec.font == nullptr) RouteUserMessage(spec.warning, 1);
  }
}

void AppContext::SetWindowIcons() {
  const HWND windows[] = {MainWindow, MessagesWindow, BrightnessContrastWindow, MagnifyWindow};
  if (Shared->LogoLargeIcon != nullptr) {
    for (HWND window : windows) {
      if (window != nullptr) {
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Shared->LogoLargeIcon));
      }
    }
  }
  if (Shared->LogoSmallIcon != nullptr) {
    for (HWND window : windows) {
      if (window != nullptr) {
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Shared->LogoSmallIcon));
      }
    }
  }
}

void AppContext::ShowStartupWindows() {
  if (PlaybackWindow != nullptr) {
    SetWindowPos(PlaybackWindow, HWND_NOTOPMOST, 0, 0, Scaled(PlaybackWindow, 636), Scaled(PlaybackWindow, 230),
                 SWP_NOMOVE);
    ShowWindow(PlaybackWindow, SW_SHOW);
    UpdateWindow(PlaybackWindow);
    UpdateWindow(PlaybackWindow);
  }

  // The main window's size with no file open: room for a 640 x 480 picture.
  RECT client, outer;
  GetClientRect(MainWindow, &client);
  GetWindowRect(MainWindow, &outer);
  MainFrameWidth = (outer.right - outer.left) - (client.right - client.left);
  MainFrameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
  MainWindowX = WindowPositions.MainX;
  MainWindowY = WindowPositions.MainY;
  MainWindowWidth = MainFrameWidth + ClipFrameWidth + 640;
  MainWindowHeight = MainFrameHeight + ClipFrameHeight + 480;
  SetWindowPos(MainWindow, HWND_NOTOPMOST, MainWindowX, MainWindowY, MainWindowWidth, MainWindowHeight, SWP_NOZORDER);

  for (HWND window : {MessagesEdit, MainWindow, MessagesWindow, PlaybackWindow}) {
    if (window == nullptr) continue;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
  }
}

AppContext::AppContext(HINSTANCE instance, SharedState* shared) {
  Shared = shared;
  FileInfo.FilePath[0] = u'\0';
  Instance = instance;
  NextCommandId = 32793;

  StartingUp = 1;
  MessagesReady = 0;
  TheApp = this;

  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &WorkArea, 0)) WorkArea = RECT{};

  Graph = new (std::nothrow) PlaybackGraph(Instance, Shared);
  TheGraph = Graph;

  WindowPositions = DefaultWindowPositions;
  RecentRecordings = RecentRecordingList{};
  if (ReadOptionsFile(&WindowPositions, &RecentRecordings) == 0) {
    QueuePendingMessage(L"No Options File or unreadable Options File\r\n");
  }

  if (!CreateMainWindow()) {
    Fatal(L"FATAL: cannot create main window");
    return;
  }
  if (!CreateMessagesWindow()) {
    Fatal(L"FATAL: cannot create user messages window");
    return;
  }
  if (Forced(StartupStep::MessagesEdit) || FAILED(CreateMessagesEdit(this))) {
    Fatal(L"FATAL: cannot create user messages editing window");
    return;
  }
  MessagesReady = 1;

  ReportTimeZone();
  CreateFonts();

  if (Forced(StartupStep::ClipWindow) || CreateClipWindow(this) == 0) {
    Fatal(L"FATAL: cannot create display window");
    return;
  }
  if (CreateScrollWindow(this) == 0) {
    RouteUserMessage(L"WARNING: cannot create display scroll window; scrolling not enabled\r\n", 1);
  }
  if (Forced(StartupStep::PlaybackControls) || CreatePlaybackControls(this) == 0) {
    Fatal(L"FATAL: cannot create playback controls");
    return;
  }
  EnterNoFileState();
  if (CreateBrightnessContrastWindow(this) == 0) {
    RouteUserMessage(L"WARNING: cannot create brightness/contrast window\r\n", 1);
  }
  if (CreateMagnifyWindow(this) == 0) RouteUserMessage(L"WARNING: cannot create magnify window\r\n", 1);

  SetWindowIcons();
  AssignCommandIds();
  BuildMenus();
  ShowStartupWindows();
  FlushPendingMessages();
  StartingUp = 0;
}

int StartProgram(HINSTANCE instance) {
  // A single-threaded apartment with OLE: the file dialogs then run on the
  // window thread (whose windows go on painting under them), and the rich
  // edit's clipboard and drag and drop work.
  const HRESULT com = OleInitialize(nullptr);
  if (FAILED(com)) return com;
  LoadLibraryW(L"Msftedit.dll");  // registers "RICHEDIT50W"; kept for the whole run
  SetMessageSink(RouteFromNeutralCode);
  if (StaticBackgroundBrush == nullptr) StaticBackgroundBrush = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));

  SharedState* shared = CreateSharedState();
  AppContext* app = new (std::nothrow) AppContext(instance, shared);
  if (app == nullptr) return E_OUTOFMEMORY;
  if (shared->StartupFailed == 1) return E_ABORT;
  return 0;
}

int RunMessageLoop() {
  // GetMessageW returns -1 on an error (a bad window handle): that ends the
  // loop too, rather than spinning on the error.
  while (GetMessageW(&LastMessage, nullptr, 0, 0) > 0) {
    if (TheApp->Shared->QuitRequested != 0) break;  // retrieved after the close: not dispatched
    DispatchProgramMessage(&LastMessage);
  }
  return static_cast<int>(LastMessage.wParam);
}

void FinishProgram() {
  OleUninitialize();
  const long long until = SteadyNanoseconds() + 1000000;
  while (SteadyNanoseconds() < until) SwitchToThread();
}
