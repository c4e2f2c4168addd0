#include "controls/display_windows.h"

#include <commctrl.h>

#include <algorithm>

#include "app/app_context.h"
#include "app/dpi_scale.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "base/window_class.h"
#include "controls/playback_controls.h"
#include "controls/scroll_math.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "options/window_positions.h"

int32_t ScrollOffsetX = 0, ScrollOffsetY = 0;
int32_t ScrollLimitX = 0, ScrollLimitY = 0;

namespace {

SCROLLINFO HorizontalBar = {};
SCROLLINFO VerticalBar = {};

struct MagnifyChoice {
  HWND AppContext::*button;
  const wchar_t* text;
  UINT id;
  int y;
  uint32_t level;
};

// In the order the buttons are created, top to bottom.
const MagnifyChoice MagnifyChoices[] = {
    {&AppContext::MagnifyHalfButton, L" x 0.5", MagnifyHalfId, 20, 1},
    {&AppContext::MagnifyThreeQuarterButton, L" x 0.75", MagnifyThreeQuarterId, 50, 2},
    {&AppContext::MagnifyNoneButton, L" None", MagnifyNoneId, 80, 0},
    {&AppContext::MagnifyOneAndHalfButton, L" x 1.5", MagnifyOneAndHalfId, 110, 3},
    {&AppContext::MagnifyDoubleButton, L" x 2.0", MagnifyDoubleId, 140, 4},
};

// The main window's rectangle at its home position around the displayed picture.
void LayoutAroundPicture() {
  const SharedState* shared = TheApp->Shared;
  LayoutMainWindow(TheApp->MainWindow, MainWindowX, MainWindowY,
                   MainWindowX + static_cast<int32_t>(shared->DisplayWidth) + ClipFrameWidth + MainFrameWidth,
                   MainWindowY + static_cast<int32_t>(shared->DisplayHeight) + ClipFrameHeight + MainFrameHeight);
}

}  // namespace

int CreateClipWindow(AppContext* app) {
  RegisterWindowClass(L"OrvoVideoPlaybackClipWindow", ClipWindowProc, app->Instance, GRAY_BRUSH);
  app->ClipWindow = CreateWindowExW(0, L"OrvoVideoPlaybackClipWindow", L"", WS_CHILD | WS_DLGFRAME, 0, 0, 400, 400,
                                    app->MainWindow, nullptr, app->Instance, nullptr);
  if (app->ClipWindow == nullptr) return 0;
  RECT outer, client;
  GetWindowRect(app->ClipWindow, &outer);
  GetClientRect(app->ClipWindow, &client);
  ClipFrameWidth = (outer.right - outer.left) - (client.right - client.left);
  ClipFrameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
  return 1;
}

int CreateScrollWindow(AppContext* app) {
  RegisterWindowClass(L"OrvoVideoScrollWindow", ScrollWindowProc, app->Instance, GRAY_BRUSH);
  app->ScrollWindow =
      CreateWindowExW(0, L"OrvoVideoScrollWindow", L"", WS_CHILD | WS_DLGFRAME | WS_HSCROLL | WS_VSCROLL, 0, 0, 100,
                      100, app->MainWindow, nullptr, app->Instance, nullptr);
  return app->ScrollWindow != nullptr ? 1 : 0;
}

int CreateMagnifyWindow(AppContext* app) {
  RegisterWindowClass(L"Magnify", MagnifyProc, app->Instance, LTGRAY_BRUSH);
  app->MagnifyWindow = CreateWindowExW(0, L"Magnify", L"Video Magnify", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                       WindowPositions.MagnifyX, WindowPositions.MagnifyY, 270, 230, nullptr, nullptr,
                                       app->Instance, nullptr);
  HWND window = app->MagnifyWindow;
  if (window == nullptr) return 0;
  SetWindowPos(window, nullptr, 0, 0, Scaled(window, 270), Scaled(window, 230),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HFONT font = FontForDpi(FontTahoma20, WindowDpi(window));
  bool first = true;
  for (const MagnifyChoice& choice : MagnifyChoices) {
    const DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (first ? WS_GROUP : 0);
    HWND button = CreateWindowExW(0, L"BUTTON", choice.text, style, Scaled(window, 50), Scaled(window, choice.y),
                                  Scaled(window, 100), Scaled(window, 25), window,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(choice.id)), app->Instance, nullptr);
    app->*choice.button = button;
    if (button != nullptr && font != nullptr) SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    first = false;
  }
  RememberChromeDpi(window);
  return 1;
}

namespace {

void ApplyMagnifyToGraph() {
  if (TheApp->Graph != nullptr) TheApp->Graph->ApplyMagnify();
}

}  // namespace

void ApplyMagnifySelection() {
  PauseOnCurrentFrame();
  ApplyMagnifyToGraph();
  LayoutAroundPicture();
}

void CloseMagnify(int relayout) {
  AppContext* app = TheApp;
  app->Shared->MagnifyOn = 0;
  app->Shared->MagnifyLevel = 0;
  ApplyMagnifyToGraph();
  CheckMenuItem(app->DisplayMenu, MagnifyId, MF_BYCOMMAND | MF_UNCHECKED);
  ShowWindow(app->MagnifyWindow, SW_HIDE);
  UpdateWindow(app->MagnifyWindow);
  if (relayout != 0) LayoutAroundPicture();
}

LRESULT CALLBACK ClipWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    if (TheGraph != nullptr && TheGraph->DisplayControl != nullptr) TheGraph->DisplayControl->RepaintVideo();
    // The renderer draws the picture; mark the window painted so that the
    // system does not ask again at once.
    ValidateRect(window, nullptr);
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

namespace {

void SetBar(SCROLLINFO* bar, int which, HWND window, int32_t maximum, int32_t page, int32_t position) {
  bar->cbSize = sizeof *bar;
  bar->fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  bar->nMin = 0;
  bar->nMax = maximum;
  bar->nPage = static_cast<UINT>(page);
  bar->nPos = position;
  SetScrollInfo(window, which, bar, TRUE);
}

void FitScrollBars(HWND window) {
  const SharedState* shared = TheApp->Shared;
  const int32_t displayWidth = static_cast<int32_t>(shared->DisplayWidth);
  const int32_t displayHeight = static_cast<int32_t>(shared->DisplayHeight);
  RECT client;
  GetClientRect(window, &client);
  ScrollLimitX = ScrollLimit(displayWidth, client.right);
  ScrollLimitY = ScrollLimit(displayHeight, client.bottom);
  ScrollOffsetX = std::min(ScrollOffsetX, ScrollLimitX);
  ScrollOffsetY = std::min(ScrollOffsetY, ScrollLimitY);
  // The bars and the picture stay where the (clamped) offsets say, so a
  // resized host never shows bars at 0 for a scrolled picture.
  SetBar(&HorizontalBar, SB_HORZ, window, displayWidth, client.right, ScrollOffsetX);
  SetBar(&VerticalBar, SB_VERT, window, displayHeight, client.bottom, ScrollOffsetY);
  if (TheApp->ClipWindow != nullptr && GetParent(TheApp->ClipWindow) == window) {
    SetWindowPos(TheApp->ClipWindow, nullptr, -ScrollOffsetX, -ScrollOffsetY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
}

}  // namespace

void UpdateScrollHost() {
  HWND window = TheApp != nullptr ? TheApp->ScrollWindow : nullptr;
  static bool updating = false;
  if (window == nullptr || updating) return;
  // A bar that appears or goes away changes the client area and sends
  // WM_SIZE from inside SetScrollInfo; that nested call must not be undone by
  // the rest of this one. The layout calls this again once the host has its
  // size, which fits everything to the client area the bars leave.
  updating = true;
  FitScrollBars(window);
  updating = false;
}

namespace {

// The thumb's position for a thumb request. The message carries only its low
// 16 bits; the bar's own track position has all 32, and is taken when it
// agrees with the message (a message sent without a drag carries its own).
int32_t ThumbPosition(HWND window, bool horizontal, WPARAM wParam) {
  const WORD low = HIWORD(wParam);
  SCROLLINFO info = {sizeof info, SIF_TRACKPOS};
  if (GetScrollInfo(window, horizontal ? SB_HORZ : SB_VERT, &info) && static_cast<WORD>(info.nTrackPos) == low) {
    return info.nTrackPos;
  }
  return static_cast<int16_t>(low);
}

// Returns true when the offset changed and the picture moved.
bool OnScroll(HWND window, bool horizontal, WPARAM wParam) {
  int32_t& offset = horizontal ? ScrollOffsetX : ScrollOffsetY;
  const int32_t limit = horizontal ? ScrollLimitX : ScrollLimitY;
  const int32_t target = ScrollTarget(LOWORD(wParam), ThumbPosition(window, horizontal, wParam), offset, limit);
  if (target == offset) return false;
  const int32_t old = offset;
  offset = target;
  if (horizontal) {
    ScrollWindowEx(window, old - target, 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  } else {
    ScrollWindowEx(window, 0, old - target, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  }
  UpdateWindow(window);
  SCROLLINFO& bar = horizontal ? HorizontalBar : VerticalBar;
  bar.cbSize = sizeof bar;
  bar.fMask = SIF_POS;
  bar.nPos = target;
  SetScrollInfo(window, horizontal ? SB_HORZ : SB_VERT, &bar, TRUE);
  SetWindowPos(TheApp->ClipWindow, nullptr, -ScrollOffsetX, -ScrollOffsetY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return true;
}

}  // namespace

LRESULT CALLBACK ScrollWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      UpdateScrollHost();
      return 0;
    case WM_HSCROLL:
      if (OnScroll(window, true, wParam)) return 0;
      break;
    case WM_VSCROLL:
      if (OnScroll(window, false, wParam)) return 0;
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK MagnifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      for (const MagnifyChoice& choice : MagnifyChoices) {
        if (LOWORD(wParam) == choice.id) {
          TheApp->Shared->MagnifyLevel = choice.level;
          ApplyMagnifySelection();
        }
      }
      return 1;
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, RGB(0xC0, 0xC0, 0xC0));
      return reinterpret_cast<LRESULT>(StaticBackgroundBrush);
    }
    case WM_MOVE:
      if (InClamp == 0) {
        RECT r;
        GetWindowRect(window, &r);
        ClampToWorkArea(window, r.left, r.top, r.right, r.bottom);
      }
      return 0;
    case WM_CLOSE:
      CloseMagnify(1);
      return 1;
    case WM_DPICHANGED:
      OnDpiChanged(window, wParam, reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
