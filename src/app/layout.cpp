#include "app/layout.h"

#include <commctrl.h>

#include "app/app_context.h"
#include "app/dpi_scale.h"
#include "app/main_window.h"
#include "controls/display_windows.h"
#include "controls/dropped_frames_list.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "options/window_positions.h"

int InLayout = 0;
int InClamp = 0;
int32_t MainFrameWidth = 0, MainFrameHeight = 0;
int32_t ClipFrameWidth = 0, ClipFrameHeight = 0;
int32_t MainWindowX = 0, MainWindowY = 0;
int32_t MainWindowWidth = 0, MainWindowHeight = 0;

namespace {

// Puts the clip window where the layout says: inside the scrolling host, or
// directly in the main window.
void PlaceVideo(const MainLayout& layout) {
  AppContext* app = TheApp;
  if (app->ClipWindow == nullptr) return;
  if (layout.Scrolling && app->ScrollWindow != nullptr) {
    if (GetParent(app->ClipWindow) != app->ScrollWindow) SetParent(app->ClipWindow, app->ScrollWindow);
    SetWindowPos(app->ScrollWindow, HWND_NOTOPMOST, 0, 0, layout.ScrollWidth, layout.ScrollHeight, SWP_NOZORDER);
    ShowWindow(app->ScrollWindow, SW_SHOW);
    UpdateWindow(app->ScrollWindow);
  } else {
    if (GetParent(app->ClipWindow) != app->MainWindow) {
      SetParent(app->ClipWindow, app->MainWindow);
      UpdateWindow(app->MainWindow);
    }
    if (app->ScrollWindow != nullptr) ShowWindow(app->ScrollWindow, SW_HIDE);
  }
  SetWindowPos(app->ClipWindow, nullptr, 0, 0, layout.VideoWidth, layout.VideoHeight, SWP_NOZORDER);
  // The host keeps its size when a second large picture comes, and then gets
  // no WM_SIZE: its limits and bars are fitted here as well.
  if (layout.Scrolling) UpdateScrollHost();
  UpdateWindow(app->ClipWindow);
}

}  // namespace

LayoutRect WorkAreaOf(const RECT& rect) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  HMONITOR on = MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST);
  if (on == nullptr || !GetMonitorInfoW(on, &monitor)) return ToLayoutRect(WorkArea);
  return ToLayoutRect(monitor.rcWork);
}

void OnWorkAreasChanged() {
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &WorkArea, 0)) WorkArea = RECT{};
  AppContext* app = TheApp;
  if (app == nullptr) return;
  RECT r;
  if (app->MainWindow != nullptr && GetWindowRect(app->MainWindow, &r)) {
    LayoutMainWindow(app->MainWindow, r.left, r.top, r.right, r.bottom);
  }
  if (app->MessagesWindow != nullptr && GetWindowRect(app->MessagesWindow, &r)) {
    LayoutRect rect = ToLayoutRect(r);
    if (CutToWorkArea(&rect, WorkAreaOf(r))) {
      LayoutMainWindow(app->MessagesWindow, rect.Left, rect.Top, rect.Right, rect.Bottom);
    } else {
      ClampToWorkArea(app->MessagesWindow, r.left, r.top, r.right, r.bottom);
    }
  }
  for (HWND window : {app->PlaybackWindow, app->BrightnessContrastWindow, app->MagnifyWindow}) {
    if (window != nullptr && GetWindowRect(window, &r)) ClampToWorkArea(window, r.left, r.top, r.right, r.bottom);
  }
}

void LayoutMainWindow(HWND window, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  AppContext* app = TheApp;
  if (app == nullptr || window == nullptr) return;
  if (window != app->MainWindow && window != app->MessagesWindow) return;
  const LayoutRect requested = {left, top, right, bottom};
  if (IsMinimised(requested)) return;

  int32_t x = left, y = top, w = right - left, h = bottom - top;
  InLayout = 1;
  if (window == app->MainWindow) {
    const FrameMetrics frames = {MainFrameWidth, MainFrameHeight, ClipFrameWidth, ClipFrameHeight};
    const MainLayout layout =
        ComputeMainLayout(requested, WorkAreaOf(RECT{left, top, right, bottom}), frames,
                          static_cast<int32_t>(app->Shared->DisplayWidth),
                          static_cast<int32_t>(app->Shared->DisplayHeight), WindowDpi(window));
    x = layout.X;
    y = layout.Y;
    w = layout.Width;
    h = layout.Height;
    PlaceVideo(layout);
  }
  SetWindowPos(window, HWND_NOTOPMOST, x, y, w, h, SWP_NOZORDER);
  ClampToWorkArea(window, x, y, x + w, y + h);
  InLayout = 0;
}

void ClampToWorkArea(HWND window, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  const LayoutRect rect = {left, top, right, bottom};
  if (IsMinimised(rect)) return;
  InClamp = 1;
  const ClampedPosition at = ClampPosition(rect, WorkAreaOf(RECT{left, top, right, bottom}));
  SetWindowPos(window, HWND_NOTOPMOST, at.X, at.Y, 0, 0, SWP_NOSIZE);
  InClamp = 0;
}

void MeasureWindowFrames() {
  AppContext* app = TheApp;
  RECT outer, client;
  if (app->MainWindow != nullptr && GetWindowRect(app->MainWindow, &outer) && GetClientRect(app->MainWindow, &client)) {
    MainFrameWidth = (outer.right - outer.left) - (client.right - client.left);
    MainFrameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
  }
  if (app->ClipWindow != nullptr && GetWindowRect(app->ClipWindow, &outer) && GetClientRect(app->ClipWindow, &client)) {
    ClipFrameWidth = (outer.right - outer.left) - (client.right - client.left);
    ClipFrameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
  }
}

void PaintMainBackground() {
  // Start-up moves the main window (WM_MOVE) before it is stored.
  HWND main = TheApp != nullptr ? TheApp->MainWindow : nullptr;
  if (main == nullptr) return;
  PAINTSTRUCT paint;
  BeginPaint(main, &paint);
  RECT client;
  GetClientRect(main, &client);
  HRGN region = CreateRectRgnIndirect(&client);
  if (region != nullptr) {
    FillRgn(paint.hdc, region, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    DeleteObject(region);
  }
  EndPaint(main, &paint);
  UpdateWindow(main);
}

void ResizePlaybackWindow(int wide) {
  HWND window = TheApp->PlaybackWindow;
  if (window == nullptr) return;
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, Scaled(window, wide != 0 ? 842 : 636), Scaled(window, 230), SWP_NOMOVE);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
}

void ResetPlaybackWindowSize() { ResizePlaybackWindow(0); }

void RebuildPositionSlider(int wide) {
  if (TheApp->PlaybackWindow == nullptr) return;
  if (PositionSlider != nullptr) DestroyWindow(PositionSlider);
  PositionSlider = nullptr;
  if (CreatePositionSlider(wide) == 0 || OpenFrameCount == 0) return;
  // While the video plays the slider stays off, as the other controls do.
  if (PlaybackState == TransportRun) EnableWindow(PositionSlider, FALSE);
  SendMessageW(PositionSlider, TBM_SETRANGEMIN, FALSE, 0);
  SendMessageW(PositionSlider, TBM_SETRANGEMAX, FALSE, static_cast<LPARAM>(OpenFrameCount));
  SendMessageW(PositionSlider, TBM_SETPOS, TRUE, static_cast<LPARAM>(CurrentFramePosition()));
  SetDroppedFrameTicks();
}

void ResizeStatusLine(int wide) {
  if (StatusLine == nullptr) return;
  HWND window = TheApp->PlaybackWindow;
  SetWindowPos(StatusLine, nullptr, 0, 0, Scaled(window, wide != 0 ? 820 : 614), Scaled(window, 30),
               SWP_NOMOVE | SWP_NOZORDER);
  UpdateWindow(TheApp->PlaybackWindow);
}

namespace {

// A window's rectangle, or nothing for a missing or minimised window.
bool CapturableRect(HWND window, RECT* r) {
  if (window == nullptr || !GetWindowRect(window, r)) return false;
  return r->left != MinimisedPosition && r->top != MinimisedPosition;
}

}  // namespace

void CaptureWindowPositions() {
  AppContext* app = TheApp;
  RECT r;
  if (CapturableRect(app->MainWindow, &r)) {
    WindowPositions.MainX = r.left;
    WindowPositions.MainY = r.top;
    MainWindowX = r.left;
    MainWindowY = r.top;
  }
  if (CapturableRect(app->PlaybackWindow, &r)) {
    WindowPositions.PlaybackX = r.left;
    WindowPositions.PlaybackY = r.top;
  }
  if (CapturableRect(app->MessagesWindow, &r)) {
    WindowPositions.MessagesX = r.left;
    WindowPositions.MessagesY = r.top;
    WindowPositions.MessagesWidth = r.right - r.left;
    WindowPositions.MessagesHeight = r.bottom - r.top;
  }
  if (CapturableRect(app->BrightnessContrastWindow, &r)) {
    WindowPositions.BrightnessContrastX = r.left;
    WindowPositions.BrightnessContrastY = r.top;
  }
  if (CapturableRect(app->MagnifyWindow, &r)) {
    WindowPositions.MagnifyX = r.left;
    WindowPositions.MagnifyY = r.top;
  }
}
