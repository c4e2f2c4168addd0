#include "controls/playback_controls.h"

#include <commctrl.h>

#include "app/app_context.h"
#include "app/dpi_scale.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "base/bounded_text.h"
#include "base/window_class.h"
#include "controls/drop_runs.h"
#include "controls/save_frame.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "options/window_positions.h"

HWND StartButton = nullptr;
HWND PauseButton = nullptr;
HWND BeginFileButton = nullptr;
HWND BackOneFrameButton = nullptr;
HWND ForwardOneFrameButton = nullptr;
HWND EndFileButton = nullptr;
HWND PreviousDroppedButton = nullptr;
HWND NextDroppedButton = nullptr;
HWND PositionSlider = nullptr;
HWND StatusLine = nullptr;

wchar_t FrameNumberText[FrameNumberTextUnits];
int PlaybackSpeedIndex = NormalPlaybackSpeed;

DWORD FrameTickMilliseconds = 1000;

namespace {

const wchar_t PlaybackClassName[] = L"PlaybackControlsWindow";

constexpr int NarrowLineWidth = 614;
constexpr int WideLineWidth = 820;
constexpr int NarrowWindowWidth = 636;
constexpr int WindowHeight = 230;

// The "Display" pop-up is item 1 of the main menu bar.
constexpr UINT DisplayMenuPosition = 1;

HWND PlaybackWindow() { return TheApp != nullptr ? TheApp->PlaybackWindow : nullptr; }

// ---- creation ---------------------------------------------------------------

// A control at its place for 96 DPI, scaled to the window's DPI.
HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width, int height) {
  HWND parent = PlaybackWindow();
  return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, Scaled(parent, x), Scaled(parent, y),
                         Scaled(parent, width), Scaled(parent, height), parent, nullptr, TheApp->Instance, nullptr);
}

HFONT PlaybackFont(HFONT font) { return FontForDpi(font, WindowDpi(PlaybackWindow())); }

// A transport button: its icon when one was loaded, else its caption in
// several lines.
HWND CreateTransportButton(const wchar_t* caption, HICON icon, int x) {
  if (icon != nullptr) {
    HWND button = CreateChild(L"BUTTON", caption, BS_PUSHBUTTON | BS_ICON, x, 3, 100, 100);
    if (button != nullptr) SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    return button;
  }
  HWND button = CreateChild(L"BUTTON", caption, BS_PUSHBUTTON | BS_MULTILINE, x, 3, 100, 100);
  if (button != nullptr) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(PlaybackFont(FontTahoma22)), TRUE);
  return button;
}

HWND CreateDroppedButton(const wchar_t* caption, int x) {
  HWND button = CreateChild(L"BUTTON", caption, BS_PUSHBUTTON, x, 3, 100, 100);
  if (button != nullptr) {
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(PlaybackFont(FontCourierNew72Bold)), TRUE);
  }
  return button;
}

// ---- enabled states ---------------------------------------------------------

enum class Switch { Off, On, IfBefore, IfAfter };
enum class Clip { ShowAgain, Hide, Keep };

struct ControlsRow {
  bool Start, Pause, Begin, Back, Forward, End;
  Switch Previous, Next;
  bool Slider;
  Clip ClipWindow;
};

constexpr ControlsRow PlayingRow{false, true,        false,       false, false,
                                 false, Switch::Off, Switch::Off, false, Clip::ShowAgain};
constexpr ControlsRow PausedRow{true, false,          true, true, true, true, Switch::IfBefore, Switch::IfAfter,
                                true, Clip::ShowAgain};
constexpr ControlsRow FirstFrameRow{true, false,       false,           false, true,
                                    true, Switch::Off, Switch::IfAfter, true,  Clip::ShowAgain};
constexpr ControlsRow EndRow{false, false, true, true, false, false, Switch::On, Switch::Off, true, Clip::Hide};
constexpr ControlsRow NoFileRow{false, false, false, false, false, false, Switch::Off, Switch::Off, false, Clip::Keep};

// The row of a state code, or null for the codes that change nothing.
const ControlsRow* RowOf(TransportCommand state) {
  switch (static_cast<int>(state)) {
    case 0:
      return &PlayingRow;
    case 1:
    case 4:
    case 5:
    case 8:
    case 9:
      return &PausedRow;
    case 2:
    case 6:
      return &FirstFrameRow;
    case 3:
      return &EndRow;
    case 10:
      return &NoFileRow;
    default:
      return nullptr;
  }
}

bool SwitchedOn(Switch s, uint32_t after, uint32_t before) {
  switch (s) {
    case Switch::On:
      return true;
    case Switch::IfBefore:
      return before != 0;
    case Switch::IfAfter:
      return after != 0;
    default:
      return false;
  }
}

void Enable(HWND control, bool on) {
  if (control != nullptr) EnableWindow(control, on ? TRUE : FALSE);
}

void ApplyClip(Clip clip) {
  HWND clipWindow = TheApp != nullptr ? TheApp->ClipWindow : nullptr;
  if (clip == Clip::ShowAgain && ClipHidden == 1) {
    if (clipWindow != nullptr) ShowWindow(clipWindow, SW_SHOW);
    ClipHidden = 0;
    // The renderer may not keep a picture for a window that was hidden: it
    // draws the frame again.
    RedrawCurrentFrame();
  } else if (clip == Clip::Hide) {
    if (clipWindow != nullptr) ShowWindow(clipWindow, SW_HIDE);
    ClipHidden = 1;
  }
}

void ApplyRow(const ControlsRow& row, uint32_t after, uint32_t before) {
  Enable(StartButton, row.Start);
  Enable(PauseButton, row.Pause);
  Enable(BeginFileButton, row.Begin);
  Enable(BackOneFrameButton, row.Back);
  Enable(ForwardOneFrameButton, row.Forward);
  Enable(EndFileButton, row.End);
  Enable(PreviousDroppedButton, SwitchedOn(row.Previous, after, before));
  Enable(NextDroppedButton, SwitchedOn(row.Next, after, before));
  Enable(PositionSlider, row.Slider);
  ApplyClip(row.ClipWindow);
}

// ---- button handlers --------------------------------------------------------

struct Neighbours {
  uint32_t After = 0;
  uint32_t Before = 0;
};

void EnterState(TransportCommand state, const Neighbours& n) {
  PlaybackState = state;
  EnablePlaybackControls(state, n.After, n.Before);
}

void OnStart() {
  Neighbours n;
  Transport(TransportRun, &n.After, &n.Before);
  StartFrameTimer();
  EnableDisplayMenu(0);
  EnterState(TransportRun, n);
}

void OnBeginFile() {
  Neighbours n;
  Transport(TransportSeekStart, &n.After, &n.Before);
  StopFrameTimer();
  SetSliderPosition(0);
  ShowFrameNumber(0, 1);
  EnterState(TransportSeekStart, n);
}

// The steps: the state of the step inside the file, the first-frame set at
// frame 0 and the end set at the end position, these two without a change of
// PlaybackState.
void OnStep(TransportCommand command, int isKeyFrame) {
  Neighbours n;
  const uint32_t f = static_cast<uint32_t>(Transport(command, &n.After, &n.Before));
  SetSliderPosition(f);
  ShowFrameNumber(f, isKeyFrame);
  const bool backward = command == TransportStepBack || command == TransportPreviousNonKey;
  if (backward && f == 0) {
    EnablePlaybackControls(TransportSeekStart, n.After, n.Before);
  } else if (!backward && f == OpenFrameCount) {
    EnablePlaybackControls(TransportSeekEnd, n.After, n.Before);
  } else {
    EnterState(command, n);
  }
}

LRESULT OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) != BN_CLICKED || lParam == 0) return 0;
  HWND control = reinterpret_cast<HWND>(lParam);
  if (control == StartButton) {
    OnStart();
  } else if (control == PauseButton) {
    PauseOnCurrentFrame();
  } else if (control == BeginFileButton) {
    OnBeginFile();
  } else if (control == EndFileButton) {
    GoToEndOfFile();
  } else if (control == BackOneFrameButton) {
    OnStep(TransportStepBack, 1);
  } else if (control == ForwardOneFrameButton) {
    OnStep(TransportStepForward, 1);
  } else if (control == PreviousDroppedButton) {
    OnStep(TransportPreviousNonKey, 0);
  } else if (control == NextDroppedButton) {
    OnStep(TransportNextNonKey, 0);
  } else {
    return 0;
  }
  return 1;
}

// The slider's seek to p and the controls and frame line that follow it: the
// first-frame set at 0, the end set at the end position, paused inside the
// file otherwise. The slider itself leaves PlaybackState alone; storeState
// makes the new code the state (a jump from the dropped-frames list).
void SeekAndShow(uint32_t p, bool storeState) {
  Neighbours n;
  SeekToFrame(p, &n.After, &n.Before);
  const TransportCommand state = p == 0 ? TransportSeekStart : p == OpenFrameCount ? TransportSeekEnd : TransportPause;
  if (storeState) PlaybackState = state;
  EnablePlaybackControls(state, n.After, n.Before);
  ShowFrameNumber(p, IsKeyFrame(p) ? 1 : 0);
}

// Line and page steps and the release of the thumb seek; dragging does not.
LRESULT OnSliderScroll(WPARAM wParam, LPARAM lParam) {
  if (PositionSlider == nullptr || reinterpret_cast<HWND>(lParam) != PositionSlider) return 0;
  const WORD code = LOWORD(wParam);
  if (code > TB_THUMBPOSITION) return 0;
  SeekAndShow(static_cast<uint32_t>(SendMessageW(PositionSlider, TBM_GETPOS, 0, 0)), false);
  return 0;
}

void OnMove(HWND window) {
  if (InClamp != 0) return;
  RECT r;
  GetWindowRect(window, &r);
  ClampToWorkArea(window, r.left, r.top, r.right, r.bottom);
}

// ---- the playback tick ------------------------------------------------------
//
// The tick runs on a timer-queue thread. It never reaches into the playback
// graph: it holds its own reference to the seeking interface, taken when the
// tick started, and it never changes a window itself: it posts the position
// to the playback window, whose procedure moves the slider and the status
// line on the user-interface thread. StopFrameTimer waits for a tick in
// progress, and a position posted by a stopped tick is recognised by its
// generation and ignored. Posting (never sending) means the tick never waits
// for the user-interface thread, so that thread may wait for the tick.

struct TickContext {
  Microsoft::WRL::ComPtr<IMediaSeeking> Seeking;
  HWND Window = nullptr;
  WPARAM Generation = 0;
};

TickContext* RunningTick = nullptr;  // user-interface thread only
WPARAM TickGeneration = 0;           // user-interface thread only
volatile LONG TicksRun = 0;

void OnFrameTick(WPARAM generation) {
  // Posted by a tick whose timer has been stopped since: too late.
  if (RunningTick == nullptr || generation != RunningTick->Generation) return;
  LONGLONG position = 0;
  // A position that cannot be read is not shown; the next tick tries again.
  if (RunningTick->Seeking == nullptr || FAILED(RunningTick->Seeking->GetCurrentPosition(&position))) return;
  const uint32_t p = static_cast<uint32_t>(position);
  // The last frame and the end position are left to the end of the stream.
  if (p >= OpenFrameCount - 1u) return;
  SetSliderPosition(p);
  ShowFrameNumber(p, IsKeyFrame(p) ? 1 : 0);
}

}  // namespace

// ---- public operations ------------------------------------------------------

int CreatePlaybackControls(AppContext* app) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  RegisterWindowClass(PlaybackClassName, PlaybackControlsProc, app->Instance, LTGRAY_BRUSH, CS_NOCLOSE);
  app->PlaybackWindow = CreateWindowExW(0, PlaybackClassName, L"Playback", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                        WindowPositions.PlaybackX, WindowPositions.PlaybackY, NarrowWindowWidth,
                                        WindowHeight, nullptr, nullptr, app->Instance, nullptr);
  if (app->PlaybackWindow == nullptr) return 0;
  SetWindowPos(app->PlaybackWindow, nullptr, 0, 0, Scaled(app->PlaybackWindow, NarrowWindowWidth),
               Scaled(app->PlaybackWindow, WindowHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const SharedState* shared = app->Shared;
  if (shared->LogoLargeIcon != nullptr) {
    SendMessageW(app->PlaybackWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(shared->LogoLargeIcon));
  }
  if (shared->LogoSmallIcon != nullptr) {
    SendMessageW(app->PlaybackWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(shared->LogoSmallIcon));
  }

  StartButton = CreateTransportButton(L"Start\r\nPlayback", shared->StartIcon, 3);
  PauseButton = CreateTransportButton(L"Pause", shared->PauseIcon, 106);
  BeginFileButton = CreateTransportButton(L"Beginning\r\nof File", shared->BeginFileIcon, 209);
  BackOneFrameButton = CreateTransportButton(L"Back One\r\nFrame", shared->BackOneFrameIcon, 312);
  ForwardOneFrameButton = CreateTransportButton(L"Forward\r\nOne Frame", shared->ForwardOneFrameIcon, 415);
  EndFileButton = CreateTransportButton(L"End of\r\nFile", shared->EndFileIcon, 518);
  PreviousDroppedButton = CreateDroppedButton(L"<", 621);
  NextDroppedButton = CreateDroppedButton(L">", 724);
  const int sliderMade = CreatePositionSlider(DroppedFramesControlOn);
  StatusLine = CreateChild(L"STATIC", L"", SS_LEFT | SS_CENTERIMAGE | SS_SUNKEN, 3, 156,
                           DroppedFramesControlOn != 0 ? WideLineWidth : NarrowLineWidth, 30);
  ShowFrameNumber(0, 1);
  RememberChromeDpi(app->PlaybackWindow);

  const HWND made[] = {StartButton,           PauseButton,           BeginFileButton,
                       BackOneFrameButton,    ForwardOneFrameButton, EndFileButton,
                       PreviousDroppedButton, NextDroppedButton,     StatusLine};
  for (HWND control : made) {
    if (control == nullptr) return 0;
  }
  return sliderMade != 0 ? 1 : 0;
}

int CreatePositionSlider(int wide) {
  PositionSlider =
      CreateChild(TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_TOP, 3, 106, wide != 0 ? WideLineWidth : NarrowLineWidth, 50);
  if (PositionSlider == nullptr) return 0;
  SendMessageW(PositionSlider, TBM_SETPOS, TRUE, 0);
  SendMessageW(PositionSlider, TBM_SETPAGESIZE, 0, 1);
  ShowWindow(PositionSlider, SW_SHOW);
  UpdateWindow(PositionSlider);
  return 1;
}

void EnablePlaybackControls(TransportCommand state, uint32_t nonKeyAfter, uint32_t nonKeyBefore) {
  const ControlsRow* row = RowOf(state);
  if (row != nullptr) ApplyRow(*row, nonKeyAfter, nonKeyBefore);
  if (row != nullptr) EnableSaveFrame(row == &PausedRow || row == &FirstFrameRow);
  HWND window = PlaybackWindow();
  if (window == nullptr) return;
  if (state == TransportNone) {
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, Scaled(window, NarrowWindowWidth), Scaled(window, WindowHeight),
                 SWP_NOMOVE);
    ShowWindow(window, SW_SHOW);
  }
  UpdateWindow(window);
}

void PauseOnCurrentFrame() {
  if (OpenFrameCount == 0) return;
  Neighbours n;
  const uint32_t f = static_cast<uint32_t>(Transport(TransportPause, &n.After, &n.Before));
  StopFrameTimer();
  EnableDisplayMenu(1);
  if (f != 0) SetSliderPosition(f);
  ShowFrameNumber(f, IsKeyFrame(f) ? 1 : 0);
  EnterState(TransportPause, n);
}

void PauseOnFrame(uint32_t frame) {
  if (frame >= OpenFrameCount) return;  // also: no file open
  if (PlaybackState == TransportRun) PauseOnCurrentFrame();
  SetSliderPosition(frame);
  SeekAndShow(frame, true);
}

void GoToEndOfFile() {
  Neighbours n;
  Transport(TransportSeekEnd, &n.After, &n.Before);  // also makes a later end of stream count for nothing
  StopFrameTimer();
  EnableDisplayMenu(1);  // greyed only while playing
  SetSliderPosition(OpenFrameCount);
  ShowFrameNumber(OpenFrameCount, 1);
  EnterState(TransportSeekEnd, n);
}

void EnterNoFileState() {
  Neighbours n;
  Transport(TransportNone, &n.After, &n.Before);
  StopFrameTimer();
  SetSliderPosition(0);
  EnterState(TransportNone, n);
}

void ShowFrameNumber(uint32_t frame, int isKeyFrame) {
  const uint32_t dropped =
      TheGraph != nullptr && TheGraph->DroppedFrameCount > 0 ? static_cast<uint32_t>(TheGraph->DroppedFrameCount) : 0;
  ComposeFrameNumberText(reinterpret_cast<char16_t*>(FrameNumberText), FrameNumberTextUnits, OpenFrameCount, dropped,
                         DroppedFramesControlOn, frame, isKeyFrame);
  // The frame's time from the start of the recording follows its number.
  char16_t time[FrameTimeTextUnits];
  if (OpenFrameCount != 0 && TheGraph != nullptr &&
      ComposeFrameTime(time, FrameTimeTextUnits, frame, TheGraph->FrameRate, TheGraph->FrameScale)) {
    AppendText(FrameNumberText, L"  ");
    AppendText(FrameNumberText, reinterpret_cast<const wchar_t*>(time));
  }
  if (OpenFrameCount != 0) {
    AppendPlaybackSpeedText(reinterpret_cast<char16_t*>(FrameNumberText), FrameNumberTextUnits, PlaybackSpeedIndex);
  }
  if (StatusLine == nullptr) return;
  SetWindowTextW(StatusLine, FrameNumberText);
  SendMessageW(StatusLine, WM_SETFONT, reinterpret_cast<WPARAM>(PlaybackFont(FontTahoma22)), TRUE);
  ShowWindow(StatusLine, SW_SHOW);
  UpdateWindow(StatusLine);
  BringWindowToTop(StatusLine);
}

void EnableDisplayMenu(int enabled) {
  if (TheApp == nullptr || TheApp->MainMenu == nullptr) return;
  const UINT state = enabled != 0 ? MF_ENABLED : MF_GRAYED;
  EnableMenuItem(TheApp->MainMenu, DisplayMenuPosition, MF_BYPOSITION | state);
  // Dropped Frames Control changes the slider and the steps under a paused
  // video; while playing it waits, as Display does (the item is there only
  // for files with dropped frames).
  if (TheApp->OptionsMenu != nullptr) EnableMenuItem(TheApp->OptionsMenu, DroppedFramesControlId, MF_BYCOMMAND | state);
  DrawMenuBar(TheApp->MainWindow);
}

void SetSliderPosition(uint32_t frame) {
  if (PositionSlider != nullptr) SendMessageW(PositionSlider, TBM_SETPOS, TRUE, static_cast<LPARAM>(frame));
}

void StartFrameTimer() {
  StopFrameTimer();  // never two ticks at once, never a lost timer
  if (TheApp == nullptr) return;
  TickContext* tick = new TickContext;
  if (TheGraph != nullptr) tick->Seeking = TheGraph->MediaSeeking;
  tick->Window = TheApp->PlaybackWindow;
  tick->Generation = ++TickGeneration;

  HANDLE queue = CreateTimerQueue();
  HANDLE timer = nullptr;
  if (queue == nullptr || !CreateTimerQueueTimer(&timer, queue, FrameTimerTick, tick, FrameTickMilliseconds,
                                                 FrameTickMilliseconds, WT_EXECUTEDEFAULT)) {
    if (queue != nullptr) DeleteTimerQueueEx(queue, INVALID_HANDLE_VALUE);
    delete tick;
    return;
  }
  TheApp->FrameTimerQueue = queue;
  TheApp->FrameTimer = timer;
  RunningTick = tick;
}

void StopFrameTimer() {
  if (TheApp == nullptr) return;
  // INVALID_HANDLE_VALUE: return only once a tick in progress has finished.
  if (TheApp->FrameTimerQueue != nullptr) {
    if (TheApp->FrameTimer != nullptr) {
      DeleteTimerQueueTimer(TheApp->FrameTimerQueue, TheApp->FrameTimer, INVALID_HANDLE_VALUE);
    }
    DeleteTimerQueueEx(TheApp->FrameTimerQueue, INVALID_HANDLE_VALUE);
  }
  TheApp->FrameTimer = nullptr;
  TheApp->FrameTimerQueue = nullptr;
  delete RunningTick;  // no tick can be using it any more
  RunningTick = nullptr;
  ++TickGeneration;
  // Positions already posted by the stopped tick would only be ignored; take
  // them out of the queue, so that nothing of the tick is left behind (the
  // message after a close would otherwise be one of them).
  if (TheApp->PlaybackWindow != nullptr) {
    MSG stale;
    while (PeekMessageW(&stale, TheApp->PlaybackWindow, FrameTickMessage, FrameTickMessage, PM_REMOVE)) {
    }
  }
}

// On a thread of the timer queue, outside the window thread's apartment: the
// graph's interfaces belong to that apartment, so the tick only asks the
// window thread to read the position.
VOID CALLBACK FrameTimerTick(PVOID parameter, BOOLEAN) {
  InterlockedIncrement(&TicksRun);
  const TickContext* tick = static_cast<const TickContext*>(parameter);
  if (tick == nullptr) return;
  PostMessageW(tick->Window, FrameTickMessage, tick->Generation, 0);
}

LONG FrameTicksRun() { return InterlockedCompareExchange(&TicksRun, 0, 0); }

LRESULT CALLBACK PlaybackControlsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(wParam, lParam);
    case WM_HSCROLL:
      return OnSliderScroll(wParam, lParam);
    case WM_MOVE:
      OnMove(window);
      return 0;
    case WM_CLOSE:
      return 1;  // the window stays; it cannot be closed
    case WM_DPICHANGED:
      OnDpiChanged(window, wParam, reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_TIMER:
      return 0;
    case FrameTickMessage:
      OnFrameTick(wParam);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
