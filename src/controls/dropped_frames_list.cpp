#include "controls/dropped_frames_list.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/dpi_scale.h"
#include "app/main_window.h"
#include "base/window_class.h"
#include "controls/drop_runs.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"

HWND DroppedFramesWindow = nullptr;
HWND DroppedFramesListView = nullptr;
HWND DroppedFramesTotalLine = nullptr;

namespace {

const wchar_t ListClassName[] = L"OrvoDroppedFramesList";
constexpr int WindowWidth = 420, WindowHeight = 320;
constexpr int TotalLineHeight = 24;
UINT WindowDpiBefore = 0;  // the DPI the list was laid out for

std::vector<DropRun> Runs;  // of the open file
uint64_t DroppedTotal = 0;

// The text of one cell of the list: the run's first frame, last frame,
// length, or the time of its first frame. Never writes past capacity.
void ComposeCell(wchar_t* buffer, int capacity, size_t row, int column) {
  if (buffer == nullptr || capacity <= 0) return;
  buffer[0] = L'\0';
  if (row >= Runs.size()) return;
  const DropRun& run = Runs[row];
  if (column == 3) {
    char16_t text[FrameTimeTextUnits];
    const uint32_t rate = TheGraph != nullptr ? TheGraph->FrameRate : 0;
    const uint32_t scale = TheGraph != nullptr ? TheGraph->FrameScale : 0;
    ComposeFrameTime(text, FrameTimeTextUnits, run.First, rate, scale);
    lstrcpynW(buffer, reinterpret_cast<const wchar_t*>(text), capacity);
    return;
  }
  const uint32_t value = column == 0 ? run.First : column == 1 ? run.Last : run.Length;
  lstrcpynW(buffer, std::to_wstring(value).c_str(), capacity);
}

// The list view holds no items of its own (LVS_OWNERDATA): it is told how
// many runs there are and asks for the text of each cell it draws, so that
// filling, emptying and destroying it cost the same for any number of runs.
void FillList() {
  if (DroppedFramesListView == nullptr) return;
  SendMessageW(DroppedFramesListView, LVM_DELETEALLITEMS, 0, 0);  // the selection goes with the old runs
  SendMessageW(DroppedFramesListView, LVM_SETITEMCOUNT, static_cast<WPARAM>(Runs.size()), 0);
  const std::wstring total = L"Total: " + std::to_wstring(DroppedTotal) + L" dropped frames in " +
                             std::to_wstring(Runs.size()) + (Runs.size() == 1 ? L" run" : L" runs");
  SetWindowTextW(DroppedFramesTotalLine, Runs.empty() ? L"" : total.c_str());
}

// Double-click or Enter on a run: the video pauses on its first frame.
void JumpToRun(int row) {
  if (row < 0 || static_cast<size_t>(row) >= Runs.size() || OpenFrameCount == 0) return;
  PauseOnFrame(Runs[static_cast<size_t>(row)].First);
}

LRESULT OnNotify(const NMHDR* header) {
  if (header->hwndFrom != DroppedFramesListView) return 0;
  if (header->code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header))->item;
    if ((item.mask & LVIF_TEXT) != 0 && item.iItem >= 0) {
      ComposeCell(item.pszText, item.cchTextMax, static_cast<size_t>(item.iItem), item.iSubItem);
    }
  } else if (header->code == NM_DBLCLK) {
    JumpToRun(reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem);
  } else if (header->code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_RETURN) {
    JumpToRun(
        static_cast<int>(SendMessageW(DroppedFramesListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
  }
  return 0;
}

// The list fills the window above the total line; lengths at 96 DPI scaled
// to the window's.
void Layout(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  const int line = Scaled(window, TotalLineHeight), margin = Scaled(window, 4);
  MoveWindow(DroppedFramesListView, 0, 0, client.right, client.bottom - line, TRUE);
  MoveWindow(DroppedFramesTotalLine, margin, client.bottom - line + margin, client.right - 2 * margin,
             line - Scaled(window, 6), TRUE);
}

// Moved to a monitor of another scale: the suggested size, the columns
// widened or narrowed with it.
void OnListDpiChanged(HWND window, WPARAM wParam, const RECT* suggested) {
  const int from = static_cast<int>(WindowDpiBefore);
  const int to = LOWORD(wParam);
  WindowDpiBefore = static_cast<UINT>(to);
  SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  for (int i = 0; i < 4 && from != 0; ++i) {
    const int width = static_cast<int>(SendMessageW(DroppedFramesListView, LVM_GETCOLUMNWIDTH, i, 0));
    SendMessageW(DroppedFramesListView, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(MulDiv(width, to, from), 0));
  }
  Layout(window);
}

LRESULT CALLBACK DroppedFramesProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_SIZE:
      if (DroppedFramesListView != nullptr) Layout(window);
      return 0;
    case WM_CLOSE:
      ShowWindow(window, SW_HIDE);  // hidden, kept for the next time
      return 0;
    case WM_DPICHANGED:
      if (DroppedFramesListView != nullptr) OnListDpiChanged(window, wParam, reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

bool CreateListWindow() {
  AppContext* app = TheApp;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  RegisterWindowClass(ListClassName, DroppedFramesProc, app->Instance, LTGRAY_BRUSH, 0);
  RECT playback = {};
  if (app->PlaybackWindow != nullptr) GetWindowRect(app->PlaybackWindow, &playback);
  DroppedFramesWindow = CreateWindowExW(WS_EX_TOOLWINDOW, ListClassName, L"Dropped Frames",
                                        WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, playback.left, playback.bottom,
                                        WindowWidth, WindowHeight, app->MainWindow, nullptr, app->Instance, nullptr);
  if (DroppedFramesWindow == nullptr) return false;
  WindowDpiBefore = WindowDpi(DroppedFramesWindow);
  SetWindowPos(DroppedFramesWindow, nullptr, 0, 0, Scaled(DroppedFramesWindow, WindowWidth),
               Scaled(DroppedFramesWindow, WindowHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  DroppedFramesListView = CreateWindowExW(
      WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 0, 0, 0, 0,
      DroppedFramesWindow, nullptr, app->Instance, nullptr);
  DroppedFramesTotalLine = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0,
                                           DroppedFramesWindow, nullptr, app->Instance, nullptr);
  if (DroppedFramesListView == nullptr || DroppedFramesTotalLine == nullptr) return false;
  SendMessageW(DroppedFramesListView, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  const wchar_t* titles[] = {L"First Frame", L"Last Frame", L"Length", L"Time of First Frame"};
  const int widths[] = {90, 90, 70, 150};
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    column.fmt = i < 3 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = Scaled(DroppedFramesWindow, widths[i]);
    column.iSubItem = i;
    column.pszText = const_cast<wchar_t*>(titles[i]);
    SendMessageW(DroppedFramesListView, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
  Layout(DroppedFramesWindow);
  return true;
}

}  // namespace

void RefreshDroppedFrames() {
  Runs.clear();
  DroppedTotal = 0;
  if (OpenFrameCount != 0 && TheGraph != nullptr && TheGraph->DroppedFrameCount > 0) {
    Runs = FindDropRuns(TheGraph->KeyFrameFlags, OpenFrameCount, &DroppedTotal);
  }
  FillList();
  SetDroppedFrameTicks();
  if (Runs.empty() && DroppedFramesWindow != nullptr) ShowWindow(DroppedFramesWindow, SW_HIDE);
  if (TheApp != nullptr && TheApp->DisplayMenu != nullptr) {
    EnableMenuItem(TheApp->DisplayMenu, DroppedFramesListId, MF_BYCOMMAND | (Runs.empty() ? MF_GRAYED : MF_ENABLED));
  }
}

void SetDroppedFrameTicks() {
  if (PositionSlider == nullptr) return;
  SendMessageW(PositionSlider, TBM_CLEARTICS, TRUE, 0);
  RECT channel = {};
  SendMessageW(PositionSlider, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  const uint32_t rangeMax = static_cast<uint32_t>(SendMessageW(PositionSlider, TBM_GETRANGEMAX, 0, 0));
  for (uint32_t tick : ThinnedTickPositions(Runs, rangeMax, channel.right - channel.left)) {
    SendMessageW(PositionSlider, TBM_SETTIC, 0, static_cast<LPARAM>(tick));
  }
  InvalidateRect(PositionSlider, nullptr, TRUE);
}

void ShowDroppedFramesList() {
  if (Runs.empty()) return;
  if (DroppedFramesWindow == nullptr) {
    if (!CreateListWindow()) return;
    FillList();
  }
  ShowWindow(DroppedFramesWindow, SW_SHOW);
  BringWindowToTop(DroppedFramesWindow);
  SetFocus(DroppedFramesListView);
}
