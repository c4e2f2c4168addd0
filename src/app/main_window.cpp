#include "app/main_window.h"

#include <commctrl.h>

#include "app/app_context.h"
#include "app/go_to_frame.h"
#include "app/inspection_commands.h"
#include "app/keyboard.h"
#include "app/layout.h"
#include "app/open_from_outside.h"
#include "app/reports.h"
#include "base/bounded_text.h"
#include "controls/brightness_contrast_window.h"
#include "controls/display_windows.h"
#include "controls/dropped_frames_list.h"
#include "controls/playback_controls.h"
#include "controls/save_frame.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "messages/user_messages.h"
#include "options/options_file.h"

wchar_t MessageText[MessageTextUnits];

int OpeningFile = 0;
int DroppedFramesControlOn = 0;
int ClipHidden = 0;
TransportCommand PlaybackState = TransportRun;

uint32_t SetWindowPositionsId = 0;
uint32_t DroppedFramesControlId = 0;
uint32_t OpenId = 0;
uint32_t CloseId = 0;
uint32_t InformationId = 0;
uint32_t ExitId = 0;
uint32_t BrightnessContrastId = 0;
uint32_t MagnifyId = 0;
uint32_t AboutId = 0;
uint32_t SaveMessagesId = 0;
uint32_t SaveMessagesAndClearId = 0;

namespace {

const wchar_t ContactAddress[] = L"orvo-video-playback@users.noreply.github.com";

uint32_t TakeCommandId() { return TheApp->NextCommandId++; }

// The "Display" pop-up is item 1 of the main menu bar.
constexpr UINT DisplayMenuPosition = 1;

}  // namespace

void AssignCommandIds() {
  SetWindowPositionsId = TakeCommandId();
  DroppedFramesControlId = TakeCommandId();
  OpenId = TakeCommandId();
  CloseId = TakeCommandId();
  InformationId = TakeCommandId();
  ExitId = TakeCommandId();
  BrightnessContrastId = TakeCommandId();
  MagnifyId = TakeCommandId();
  AboutId = TakeCommandId();
  // The User Messages window's own two commands follow.
  SaveMessagesId = TakeCommandId();
  SaveMessagesAndClearId = TakeCommandId();
}

void BuildMenus() {
  AppContext* app = TheApp;
  app->MainMenu = CreateMenu();
  app->MessagesMenu = CreateMenu();
  app->FileMenu = CreateMenu();
  app->DisplayMenu = CreateMenu();
  app->OptionsMenu = CreateMenu();
  app->HelpMenu = CreateMenu();
  app->MessagesFileMenu = CreateMenu();

  AppendMenuW(app->MainMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->FileMenu), L"File");
  AppendMenuW(app->MainMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->DisplayMenu), L"Display");
  AppendMenuW(app->MainMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->OptionsMenu), L"Options");
  AppendMenuW(app->MainMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->HelpMenu), L"Help");

  AppendMenuW(app->FileMenu, MF_STRING, OpenId, L"Open\tCtrl+O");
  AppendMenuW(app->FileMenu, MF_STRING, CloseId, L"Close\tCtrl+W");
  AppendMenuW(app->FileMenu, MF_STRING, InformationId, L"Information\tCtrl+I");
  // As on every Windows program, Exit closes the File menu, apart from the
  // commands on the open recording.
  AppendMenuW(app->FileMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(app->FileMenu, MF_STRING | MF_GRAYED, GoToFrameId, L"Go to Frame...\tCtrl+G");
  AppendMenuW(app->FileMenu, MF_STRING | MF_GRAYED, SaveFrameAsId, L"Save Frame As...\tCtrl+S");
  AppendMenuW(app->FileMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(app->FileMenu, MF_STRING, ExitId, L"Exit");
  RebuildRecentMenu();  // the recordings of the options file, above Exit
  if (app->Graph != nullptr && app->Graph->ColorControlAvailable == 1) {
    AppendMenuW(app->DisplayMenu, MF_STRING, BrightnessContrastId, L"Brightness/Contrast...");
  }
  AppendMenuW(app->DisplayMenu, MF_STRING, MagnifyId, L"Magnify...");
  AppendMenuW(app->DisplayMenu, MF_STRING | MF_GRAYED, DroppedFramesListId, L"Dropped Frames List...");
  AppendMenuW(app->DisplayMenu, MF_SEPARATOR, 0, nullptr);
  AppendPlaybackSpeedMenu(app->DisplayMenu);
  AppendMenuW(app->DisplayMenu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(app->DisplayMenu, MF_STRING | MF_GRAYED, CopyFrameId, L"Copy Frame\tCtrl+Shift+C");
  AppendMenuW(app->OptionsMenu, MF_STRING, SetWindowPositionsId, L"Set Window Positions");
  AppendMenuW(app->HelpMenu, MF_STRING, AboutId, L"About ORVO Video Playback");

  EnableMenuItem(app->FileMenu, CloseId, MF_BYCOMMAND | MF_GRAYED);
  EnableMenuItem(app->FileMenu, InformationId, MF_BYCOMMAND | MF_GRAYED);
  DrawMenuBar(app->MainWindow);

  AppendMenuW(app->MessagesMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->MessagesFileMenu), L"File");
  AppendMenuW(app->MessagesFileMenu, MF_STRING, SaveMessagesId, L"Save Messages");
  AppendMenuW(app->MessagesFileMenu, MF_STRING, SaveMessagesAndClearId, L"Save Messages and Clear");
  DrawMenuBar(app->MessagesWindow);

  EnableMenuItem(app->MainMenu, DisplayMenuPosition, MF_BYPOSITION | MF_GRAYED);

  SetMenu(app->MainWindow, app->MainMenu);
  SetMenu(app->MessagesWindow, app->MessagesMenu);
}

namespace {

// Sets the nine playback controls directly, in their fixed order: Start,
// Pause, Beginning, Back, Forward, End, "<", ">", slider.
void SetPlaybackControls(const BOOL (&enabled)[9]) {
  const HWND controls[9] = {StartButton,           PauseButton,           BeginFileButton,
                            BackOneFrameButton,    ForwardOneFrameButton, EndFileButton,
                            PreviousDroppedButton, NextDroppedButton,     PositionSlider};
  for (int i = 0; i < 9; ++i) {
    if (controls[i] != nullptr) EnableWindow(controls[i], enabled[i]);
  }
}

// Set by a reset of the interface to the no-file state, with the main
// window's place then. A reset while it holds has nothing to undo: no open
// has been tried since (each one clears it, whatever its outcome) and the
// window has not moved.
bool InterfaceReset = false;
RECT ResetMainWindowRect = {};

bool InterfaceStillReset() {
  RECT now = {};
  return InterfaceReset && TheApp->FileInfo.FilePath[0] == u'\0' && GetWindowRect(TheApp->MainWindow, &now) &&
         EqualRect(&now, &ResetMainWindowRect);
}

}  // namespace

void CloseFileAndReset() {
  AppContext* app = TheApp;
  // The playback tick reads the graph's position from its own thread: it is
  // stopped, and any tick in progress finished, before the graph goes away.
  StopFrameTimer();
  if (app->Graph != nullptr) app->Graph->CloseVideoFile();
  if (InterfaceStillReset()) return;

  ResetPlaybackWindowSize();
  RebuildPositionSlider(0);
  ResizeStatusLine(0);
  if (app->PlaybackWindow != nullptr) UpdateWindow(app->PlaybackWindow);

  app->FileInfo.FilePath[0] = u'\0';
  ResetBrightnessContrast();
  ResetPlaybackSpeed();

  if (app->Shared->MagnifyOn == 1) {
    app->Shared->MagnifyOn = 0;
    app->Shared->MagnifyLevel = 0;
    if (app->Graph != nullptr) app->Graph->ApplyMagnify();
    CheckMenuItem(app->DisplayMenu, MagnifyId, MF_BYCOMMAND | MF_UNCHECKED);
    if (app->MagnifyWindow != nullptr) {
      ShowWindow(app->MagnifyWindow, SW_HIDE);
      UpdateWindow(app->MagnifyWindow);
    }
  }

  if (app->FileMenu != nullptr) {
    EnableMenuItem(app->FileMenu, CloseId, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(app->FileMenu, InformationId, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(app->FileMenu, GoToFrameId, MF_BYCOMMAND | MF_GRAYED);
  }
  if (app->OptionsMenu != nullptr) {
    EnableMenuItem(app->OptionsMenu, DroppedFramesControlId, MF_BYCOMMAND | MF_GRAYED);
    CheckMenuItem(app->OptionsMenu, DroppedFramesControlId, MF_BYCOMMAND | MF_UNCHECKED);
    if (GetMenuItemCount(app->OptionsMenu) == 2) {
      DeleteMenu(app->OptionsMenu, DroppedFramesControlId, MF_BYCOMMAND);
      DrawMenuBar(app->MainWindow);
    }
  }
  OpenFrameCount = 0;
  DroppedFramesControlOn = 0;
  EnableDisplayMenu(0);

  EnterNoFileState();  // every control off, the window at its narrow size
  RefreshDroppedFrames();

  if (app->ClipWindow != nullptr) ShowWindow(app->ClipWindow, SW_HIDE);
  if (app->ScrollWindow != nullptr) ShowWindow(app->ScrollWindow, SW_HIDE);
  LayoutMainWindow(app->MainWindow, MainWindowX, MainWindowY, MainWindowX + MainWindowWidth,
                   MainWindowY + MainWindowHeight);
  if (StatusLine != nullptr) SetWindowTextW(StatusLine, L" ");
  InterfaceReset = GetWindowRect(app->MainWindow, &ResetMainWindowRect) != FALSE;
}

HRESULT OpenFileFromMenu() {
  AppContext* app = TheApp;
  PlaybackGraph* graph = app->Graph;
  OpeningFile = 1;
  HRESULT result = graph != nullptr ? graph->OpenVideoFile() : E_ABORT;
  InterfaceReset = false;
  if (SUCCEEDED(result)) {
    // (The menus follow in FinishOpeningFile.)
    if (graph->DroppedFrameCount != 0) DroppedFramesControlOn = 1;

    if (PositionSlider != nullptr) {
      SendMessageW(PositionSlider, TBM_SETRANGEMIN, FALSE, 0);
      SendMessageW(PositionSlider, TBM_SETRANGEMAX, FALSE, static_cast<LPARAM>(OpenFrameCount));
      SendMessageW(PositionSlider, TBM_SETPAGESIZE, 0, 1);
      SendMessageW(PositionSlider, TBM_SETPOS, TRUE, 0);
      UpdateWindow(PositionSlider);
    }

    uint32_t after = 0, before = 0;
    Transport(TransportSeekStart, &after, &before);
    StopFrameTimer();
    if (PositionSlider != nullptr) SendMessageW(PositionSlider, TBM_SETPOS, TRUE, 0);
    ShowFrameNumber(0, 1);
    PlaybackState = TransportSeekStart;
    EnablePlaybackControls(TransportSeekStart, after, before);

    const BOOL dropped = graph->DroppedFrameCount != 0 ? TRUE : FALSE;
    SetPlaybackControls({TRUE, FALSE, FALSE, FALSE, TRUE, TRUE, FALSE, dropped, TRUE});

    if (ClipHidden == 1 && app->ClipWindow != nullptr) {
      ShowWindow(app->ClipWindow, SW_SHOW);
      ClipHidden = 0;
    }
    if (app->PlaybackWindow != nullptr) UpdateWindow(app->PlaybackWindow);

    RECT r;
    GetWindowRect(app->MainWindow, &r);
    LayoutMainWindow(app->MainWindow, r.left, r.top,
                     r.left + static_cast<int32_t>(app->Shared->VideoWidth) + ClipFrameWidth + MainFrameWidth,
                     r.top + static_cast<int32_t>(app->Shared->VideoHeight) + ClipFrameHeight + MainFrameHeight);
    result = 0;
  }
  OpeningFile = 0;
  return result;
}

namespace {

void CloseMainWindow() {
  FinishOpeningFile();
  CloseFileAndReset();
  DestroyWindow(TheApp->MainWindow);
  TheApp->Shared->QuitRequested = 1;
}

void OnFileInformation() {
  AppContext* app = TheApp;
  if (app->FileInfo.FilePath[0] == u'\0') {
    RouteUserMessage(L"INTERNAL ERROR: you should not be able to request file information when no file is open\t\n", 1);
    return;
  }
  CopyText(MessageText, L"File information for  ");
  AppendText(MessageText, reinterpret_cast<const wchar_t*>(app->FileInfo.FilePath));
  RouteUserMessage(MessageText, 1);
  ReportFileInformation(app);
}

void OnFileClose() {
  CopyText(MessageText, L"File \"");
  AppendText(MessageText, reinterpret_cast<const wchar_t*>(TheApp->FileInfo.FilePath));
  AppendText(MessageText, L"\" is closed\r\n");
  RouteUserMessage(MessageText, 1);
  CloseFileAndReset();
}

void OnSetWindowPositions() {
  CaptureWindowPositions();
  if (WriteOptionsFile() == 1) {
    RouteUserMessage(L"Default window positions are set\r\n", 1);
  } else {
    RouteUserMessage(L"WARNING: unable to write options file; check write protection\r\n", 1);
  }
}

void OnAbout() {
  RouteUserMessage(L"ORVO Video Playback Version 1", 1);
  CopyText(MessageText, L"Report errors to \"");
  AppendText(MessageText, ContactAddress);
  AppendText(MessageText, L"\".  Please describe how");
  RouteUserMessage(MessageText, 0);
  RouteUserMessage(L"to duplicate the error and include the error reported in User Messages\n", 0);
}

// Set between a successful open and FinishOpeningFile.
bool OpenFinishPending = false;

// Under Wine the first picture reaches the screen only when this thread next
// waits for messages after the renderer has drawn it, so the rest of the open
// waits for that on a short timer: the tick after the graph's pause has
// completed (the picture is drawn), or the last one. Input never waits behind
// it: any input or command finishes the open first (DispatchProgramMessage,
// MainWindowProc).
constexpr UINT_PTR OpenFinishTimerId = 0x4F46;
constexpr UINT OpenFinishTickMilliseconds = 10;
constexpr int OpenFinishTicks = 50;  // half a second at most
int OpenFinishTicksLeft = 0;
bool PictureDrawn = false;  // seen at a tick; the next one finishes the open

void OnOpenFinishTick() {
  if (--OpenFinishTicksLeft > 0 && !PictureDrawn) {
    PictureDrawn = GraphStateSettled();
    return;
  }
  FinishOpeningFile();
}

void OnFileOpen() {
  // The open dialog has no owner, so the menu stays live while it is up: a
  // second File > Open then is ignored, and never closes the file that the
  // first one is opening.
  if (OpeningFile != 0) return;
  FinishOpeningFile();  // the open before, when this one comes from outside at once
  AppContext* app = TheApp;
  const HRESULT result = OpenFileFromMenu();
  if (result == S_OK) {
    app->FileInfo = app->Graph->FileInfo;
    // The first frame is on its way: what the user does not need to see it
    // follows, ahead of any input.
    OpenFinishPending = true;
    PictureDrawn = false;
    OpenFinishTicksLeft = OpenFinishTicks;
    if (SetTimer(app->MainWindow, OpenFinishTimerId, OpenFinishTickMilliseconds, nullptr) == 0) FinishOpeningFile();
  } else if (result == E_ACCESSDENIED) {
    RouteUserMessage(L"Unable to open AVI file - check file access permissions\r\n", 1);
  } else if (result == E_ABORT && app->Graph != nullptr && app->Graph->OpenCancelled) {
    RouteUserMessage(L"Cancelled file open\r\n", 1);
  } else if (result == E_ABORT) {
    // A refused or failed open, after its own messages. A file that had to
    // be closed for it has emptied FilePath already; one still open (the new
    // path was refused before the close) keeps its path.
    RouteUserMessage(L"Unable to open AVI file for playback\r\n", 1);
  } else if (result != HRESULT_FROM_WIN32(ERROR_NOT_FOUND)) {
    RouteUserMessage(L"Unable to open AVI file for playback\r\n", 1);
    app->FileInfo.FilePath[0] = u'\0';
  }
}

// File > Open answered by a path given from outside the dialog.
const wchar_t* GivenPath = nullptr;

HRESULT ChooseGivenPath(wchar_t** path) {
  const size_t bytes = (wcslen(GivenPath) + 1) * sizeof(wchar_t);
  *path = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
  if (*path == nullptr) return E_OUTOFMEMORY;
  memcpy(*path, GivenPath, bytes);
  return S_OK;
}

void OnDroppedFramesControl() {
  AppContext* app = TheApp;
  if (PlaybackState == TransportRun) return;  // greyed while playing; a command sent all the same waits too
  DroppedFramesControlOn = DroppedFramesControlOn == 1 ? 0 : 1;
  CheckMenuItem(app->OptionsMenu, DroppedFramesControlId,
                MF_BYCOMMAND | (DroppedFramesControlOn == 1 ? MF_CHECKED : MF_UNCHECKED));
  ResizePlaybackWindow(DroppedFramesControlOn);
  RebuildPositionSlider(DroppedFramesControlOn);
  ResizeStatusLine(DroppedFramesControlOn);

  const uint32_t p = CurrentFramePosition();
  if (DroppedFramesControlOn == 0 && !IsKeyFrame(p) && PlaybackState != TransportSeekEnd) {
    // Switched off on a dropped frame: move on to the next key frame.
    uint32_t after = 0, before = 0;
    const uint32_t q = static_cast<uint32_t>(Transport(TransportStepForward, &after, &before));
    if (PositionSlider != nullptr) SendMessageW(PositionSlider, TBM_SETPOS, TRUE, static_cast<LPARAM>(q));
    ShowFrameNumber(q, 1);
    if (q != OpenFrameCount) {
      PlaybackState = TransportStepForward;
      EnablePlaybackControls(TransportStepForward, after, before);
      return;
    }
    // That was the end: only the backward controls stay.
    SetPlaybackControls({FALSE, FALSE, TRUE, TRUE, FALSE, FALSE, TRUE, FALSE, TRUE});
    if (app->ClipWindow != nullptr) ShowWindow(app->ClipWindow, SW_HIDE);
    ClipHidden = 1;
    if (app->PlaybackWindow != nullptr) UpdateWindow(app->PlaybackWindow);
    return;
  }
  if (DroppedFramesControlOn == 0 && PlaybackState != TransportSeekEnd) return;  // switched off on a key frame
  // The label follows the frame: switched on over a dropped frame, the line
  // says so rather than calling it a key frame.
  ShowFrameNumber(p, IsKeyFrame(p) ? 1 : 0);
}

void OnMagnify() {
  AppContext* app = TheApp;
  app->Shared->MagnifyOn = app->Shared->MagnifyOn == 1 ? 0 : 1;
  if (app->Shared->MagnifyOn == 0) {
    CloseMagnify(1);
    return;
  }
  CheckMenuItem(app->DisplayMenu, MagnifyId, MF_BYCOMMAND | MF_CHECKED);
  for (HWND button : {app->MagnifyHalfButton, app->MagnifyThreeQuarterButton, app->MagnifyOneAndHalfButton,
                      app->MagnifyDoubleButton}) {
    if (button != nullptr) SendMessageW(button, BM_SETCHECK, BST_UNCHECKED, 0);
  }
  if (app->MagnifyNoneButton != nullptr) SendMessageW(app->MagnifyNoneButton, BM_SETCHECK, BST_CHECKED, 0);
  if (app->MagnifyWindow != nullptr) {
    ShowWindow(app->MagnifyWindow, SW_SHOW);
    UpdateWindow(app->MagnifyWindow);
    BringWindowToTop(app->MagnifyWindow);
  }
}

void OnCommand(UINT id) {
  if (id >= OpenId && id <= ExitId) {
    if (id == OpenId) {
      OnFileOpen();
    } else if (id == CloseId) {
      OnFileClose();
    } else if (id == InformationId) {
      OnFileInformation();
    } else {
      CloseMainWindow();
    }
  } else if (id >= SetWindowPositionsId && id <= DroppedFramesControlId) {
    if (id == SetWindowPositionsId) {
      OnSetWindowPositions();
    } else {
      OnDroppedFramesControl();
    }
  } else if (id >= BrightnessContrastId && id <= MagnifyId) {
    if (id == MagnifyId) {
      OnMagnify();
    } else {
      ToggleBrightnessContrast();
    }
  } else if (id == AboutId) {
    OnAbout();
  } else if (id == GoToFrameId) {
    GoToFrameFromMenu(TheApp->MainWindow);
  } else if (id == SaveFrameAsId) {
    SaveFrameAs();
  } else if (id == DroppedFramesListId) {
    ShowDroppedFramesList();
  } else if (id >= PlaybackSpeedFirstId && id < PlaybackSpeedFirstId + PlaybackSpeedCount) {
    ChoosePlaybackSpeed(id);
  } else if (id == CopyFrameId) {
    CopyFrameToClipboard();
  } else if (id >= RecentRecordingFirstId && id < RecentRecordingFirstId + RecentRecordingsMost) {
    OpenRecentRecording(id);
  }
}

}  // namespace

bool OpenFinishWaiting() { return OpenFinishPending; }

void FinishOpeningFile() {
  if (!OpenFinishPending) return;
  OpenFinishPending = false;
  AppContext* app = TheApp;
  KillTimer(app->MainWindow, OpenFinishTimerId);
  EnableMenuItem(app->FileMenu, CloseId, MF_BYCOMMAND | MF_ENABLED);
  EnableMenuItem(app->FileMenu, InformationId, MF_BYCOMMAND | MF_ENABLED);
  EnableMenuItem(app->FileMenu, GoToFrameId, MF_BYCOMMAND | MF_ENABLED);
  if (DroppedFramesControlOn == 1) {
    AppendMenuW(app->OptionsMenu, MF_STRING, DroppedFramesControlId, L"Dropped Frames Control");
    CheckMenuItem(app->OptionsMenu, DroppedFramesControlId, MF_BYCOMMAND | MF_CHECKED);
  }
  EnableDisplayMenu(1);  // and the menu bar drawn once
  RefreshDroppedFrames();
  CopyText(MessageText, L"File \"");
  AppendText(MessageText, reinterpret_cast<const wchar_t*>(app->FileInfo.FilePath));
  AppendText(MessageText, L"\" is open for playback\r\nFile information:");
  RouteUserMessage(MessageText, 1);
  ReportFileInformation(app);
  NoteRecordingOpened(reinterpret_cast<const wchar_t*>(app->FileInfo.FilePath));
  if (DroppedFramesControlOn == 1) {
    ResizePlaybackWindow(1);
    RebuildPositionSlider(1);
    ResizeStatusLine(1);
  }
}

void OpenGivenFile(const wchar_t* path) {
  if (OpeningFile != 0 || path == nullptr) return;
  const ChooseFileFunction dialog = ChooseVideoFile;
  GivenPath = path;
  ChooseVideoFile = ChooseGivenPath;
  OnFileOpen();
  ChooseVideoFile = dialog;
  GivenPath = nullptr;
}

namespace {

// The main window has moved to a monitor of another scale. The picture keeps
// its size in pixels: the window takes the suggested place, and its frame
// (whose width the system gives for the new DPI) is measured again around
// the same client area.
void OnMainDpiChanged(HWND window, const RECT* suggested) {
  RECT client;
  GetClientRect(window, &client);
  SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  MeasureWindowFrames();
  LayoutMainWindow(window, suggested->left, suggested->top, suggested->left + client.right + MainFrameWidth,
                   suggested->top + client.bottom + MainFrameHeight);
}

void OnMove(HWND window) {
  if (InClamp == 0) PaintMainBackground();
  if (OpeningFile == 0) {
    RECT r;
    GetWindowRect(window, &r);
    ClampToWorkArea(window, r.left, r.top, r.right, r.bottom);
  }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    case WM_MOVE:
      OnMove(window);
      break;
    case WM_SIZE:
      if (StartingUp == 0 && OpeningFile == 0 && InLayout == 0) {
        RECT r;
        GetWindowRect(window, &r);
        LayoutMainWindow(window, r.left, r.top, r.right, r.bottom);
        return 0;
      }
      break;
    case WM_CLOSE:
      CloseMainWindow();
      break;
    case WM_TIMER:
      if (wParam == OpenFinishTimerId) {
        OnOpenFinishTick();
        return 0;
      }
      break;
    case WM_COMMAND:
      FinishOpeningFile();  // a command posted during the open comes after it
      if (TheApp != nullptr && TheApp->NextCommandId > 32793) {
        // Code 1 without a control: a shortcut key (see keyboard.h).
        const bool key = HIWORD(wParam) == 1 && lParam == 0;
        if (!key || !HandleShortcutCommand(LOWORD(wParam))) OnCommand(LOWORD(wParam));
      }
      return 0;
    case WM_DROPFILES:
      OpenDroppedFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
      // A monitor added, removed or rearranged, or the taskbar moved.
      if (StartingUp == 0 && OpeningFile == 0 && (message == WM_DISPLAYCHANGE || wParam == SPI_SETWORKAREA)) {
        OnWorkAreasChanged();
      }
      break;
    case WM_DPICHANGED:
      OnMainDpiChanged(window, reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
