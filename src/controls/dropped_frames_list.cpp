#include "controls/dropped_frames_list.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_context.h"
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

std::vector<DropRun> Runs;  // of the open file
uint64_t DroppedTotal = 0;

std::wstring FrameTimeText(uint32_t frame) {
  char16_t text[FrameTimeTextUnits];
  const uint32_t rate = TheGraph != nullptr ? TheGraph->FrameRate : 0;
  const uint32_t scale = TheGraph != nullptr ? TheGraph->FrameScale : 0;
  ComposeFrameTime(text, FrameTimeTextUnits, frame, rate, scale);
  return reinterpret_cast<const wchar_t*>(text);
}

void SetCell(int row, int column, const std::wstring& text) {
  LVITEMW item = {};
  item.iItem = row;
  item.iSubItem = column;
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  if (column == 0) {
    SendMessageW(DroppedFramesListView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  } else {
    SendMessageW(DroppedFramesListView, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
}

void FillList() {
  if (DroppedFramesListView == nullptr) return;
  SendMessageW(DroppedFramesListView, WM_SETREDRAW, FALSE, 0);
  SendMessageW(DroppedFramesListView, LVM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < Runs.size(); ++i) {
    const int row = static_cast<int>(i);
    SetCell(row, 0, std::to_wstring(Runs[i].First));
    SetCell(row, 1, std::to_wstring(Runs[i].Last));
    SetCell(row, 2, std::to_wstring(Runs[i].Length));
    SetCell(row, 3, FrameTimeText(Runs[i].First));
  }
  SendMessageW(DroppedFramesListView, WM_SETREDRAW, TRUE, 0);
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
  if (header->code == NM_DBLCLK) {
    JumpToRun(reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem);
  } else if (header->code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_RETURN) {
    JumpToRun(static_cast<int>(SendMessageW(DroppedFramesListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                            LVNI_SELECTED)));
  }
  return 0;
}

void Layout(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  MoveWindow(DroppedFramesListView, 0, 0, client.right, client.bottom - TotalLineHeight, TRUE);
  MoveWindow(DroppedFramesTotalLine, 4, client.bottom - TotalLineHeight + 4, client.right - 8, TotalLineHeight - 6,
             TRUE);
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
  DroppedFramesListView =
      CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 0, 0,
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
    column.cx = widths[i];
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
