#include "controls/dropped_frames_list.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/dpi_scale.h"
#include "app/main_window.h"
#include "base/file_write.h"
#include "base/win_handles.h"
#include "base/window_class.h"
#include "controls/drop_runs.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "messages/user_messages.h"

HWND DroppedFramesWindow = nullptr;
HWND DroppedFramesListView = nullptr;
HWND DroppedFramesTotalLine = nullptr;
HWND DroppedFramesStrip = nullptr;
HWND DroppedFramesStripTip = nullptr;

ChooseSavePathFunction ChooseCsvPath = ShowSaveCsvDialog;

namespace {

const wchar_t ListClassName[] = L"OrvoDroppedFramesList";
const wchar_t StripClassName[] = L"OrvoDroppedFramesStrip";
constexpr int WindowWidth = 420, WindowHeight = 320;
constexpr int TotalLineHeight = 24;
constexpr int StripHeight = 48, StripLabelHeight = 14;
UINT WindowDpiBefore = 0;  // the DPI the list was laid out for

std::vector<DropRun> Runs;  // of the open file
uint64_t DroppedTotal = 0;
DropHistogram StripBins;  // the runs per time bin, at most one bin per pixel of the strip
int StripHoverBin = -1;   // the bin the tooltip names

uint32_t FrameRateOfFile() { return TheGraph != nullptr ? TheGraph->FrameRate : 0; }
uint32_t FrameScaleOfFile() { return TheGraph != nullptr ? TheGraph->FrameScale : 0; }
void PostListMessage(const std::wstring& text) { RouteUserMessage(text.c_str(), 1); }

// The text of one cell of the list: the run's first frame, last frame,
// length, or the time of its first frame. Never writes past capacity.
void ComposeCell(wchar_t* buffer, int capacity, size_t row, int column) {
  if (buffer == nullptr || capacity <= 0) return;
  buffer[0] = L'\0';
  if (row >= Runs.size()) return;
  const DropRun& run = Runs[row];
  if (column == 3) {
    char16_t text[FrameTimeTextUnits];
    ComposeFrameTime(text, FrameTimeTextUnits, run.First, FrameRateOfFile(), FrameScaleOfFile());
    lstrcpynW(buffer, reinterpret_cast<const wchar_t*>(text), capacity);
    return;
  }
  const uint32_t value = column == 0 ? run.First : column == 1 ? run.Last : run.Length;
  lstrcpynW(buffer, std::to_wstring(value).c_str(), capacity);
}

// The strip's bins again, for the runs and the strip's width.
void RefreshStrip() {
  if (DroppedFramesStrip == nullptr) return;
  RECT client = {};
  GetClientRect(DroppedFramesStrip, &client);
  StripBins = MakeDropHistogram(Runs, OpenFrameCount, FrameRateOfFile(), FrameScaleOfFile(), client.right);
  StripHoverBin = -1;
  InvalidateRect(DroppedFramesStrip, nullptr, FALSE);
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
  RefreshStrip();
}

// Double-click or Enter on a run: the video pauses on its first frame.
void JumpToRun(int row) {
  if (row < 0 || static_cast<size_t>(row) >= Runs.size() || OpenFrameCount == 0) return;
  PauseOnFrame(Runs[static_cast<size_t>(row)].First);
}

// The rows Copy and Save as CSV write: those selected, else all.
std::vector<size_t> RowsToWrite() {
  std::vector<size_t> rows;
  for (int row = -1; DroppedFramesListView != nullptr;) {
    row =
        static_cast<int>(SendMessageW(DroppedFramesListView, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
    if (row < 0 || static_cast<size_t>(row) >= Runs.size()) break;
    rows.push_back(static_cast<size_t>(row));
  }
  if (rows.empty()) {
    rows.resize(Runs.size());
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = i;
  }
  return rows;
}

std::wstring RunsText(size_t count) {
  return std::to_wstring(count) + (count == 1 ? L" dropped frame run" : L" dropped frame runs");
}

// Ctrl+C / Copy: the rows as tab-separated Unicode text.
void CopyRuns() {
  if (Runs.empty()) return;
  const std::vector<size_t> rows = RowsToWrite();
  const std::string table = ComposeDropRunsTable(Runs, rows, FrameRateOfFile(), FrameScaleOfFile(), '\t');
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (table.size() + 1) * sizeof(wchar_t));
  wchar_t* text = memory != nullptr ? static_cast<wchar_t*>(GlobalLock(memory)) : nullptr;
  if (text == nullptr) {
    if (memory != nullptr) GlobalFree(memory);
    PostListMessage(L"WARNING: the dropped frame runs could not be copied: out of memory\r\n");
    return;
  }
  for (size_t i = 0; i < table.size(); ++i) text[i] = static_cast<wchar_t>(static_cast<unsigned char>(table[i]));
  text[table.size()] = L'\0';
  GlobalUnlock(memory);
  if (!PutOnClipboard(DroppedFramesWindow, CF_UNICODETEXT, memory)) {
    GlobalFree(memory);  // the clipboard owns it only once taken
    PostListMessage(
        L"WARNING: the dropped frame runs could not be copied: the clipboard is in use by another "
        L"program\r\n");
    return;
  }
  PostListMessage(RunsText(rows.size()) + L" copied to the clipboard\r\n");
}

HRESULT WriteBytes(const wchar_t* path, const std::string& bytes) {
  UniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return HRESULT_FROM_WIN32(GetLastError());
  const DWORD error = WriteAllBytes(file.Get(), bytes.data(), bytes.size());
  if (!file.Close() && error == 0) return HRESULT_FROM_WIN32(GetLastError());
  return HRESULT_FROM_WIN32(error);
}

// Save as CSV...: the rows Copy would take, written through the save dialog
// beside the recording as "<recording name>_dropped_frames.csv".
void SaveRunsAsCsv() {
  if (Runs.empty() || TheGraph == nullptr) return;
  const std::wstring proposed =
      RecordingStem(reinterpret_cast<const wchar_t*>(TheGraph->FileInfo.FilePath)) + L"_dropped_frames.csv";
  std::wstring path;
  const HRESULT choice = ChooseSavePath(ChooseCsvPath, proposed, &path);
  if (choice == E_ABORT) return;  // cancelled
  if (FAILED(choice) || path.empty()) {
    PostListMessage(L"WARNING: no file name was chosen; the dropped frame runs were not saved\r\n");
    return;
  }
  const std::vector<size_t> rows = RowsToWrite();
  const std::string table = ComposeDropRunsTable(Runs, rows, FrameRateOfFile(), FrameScaleOfFile(), ',');
  const HRESULT hr =
      WriteFileInPlace(path.c_str(), [&table](const wchar_t* temporary) { return WriteBytes(temporary, table); });
  if (SUCCEEDED(hr)) {
    PostListMessage(RunsText(rows.size()) + L" saved as \"" + path + L"\"\r\n");
  } else {
    PostListMessage(L"WARNING: the dropped frame runs could not be saved as \"" + path + L"\" (error " +
                    ErrorCodeText(hr) + L")\r\n");
  }
}

// A right click on the list or the strip (or Shift+F10, the Menu key).
void OnListContextMenu(HWND window, LPARAM lParam) {
  POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (lParam == -1) {  // from the keyboard: at the focused run, else the list's top left
    RECT r = {LVIR_BOUNDS};
    const int focused =
        static_cast<int>(SendMessageW(DroppedFramesListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    at = {0, 0};
    if (focused >= 0 && SendMessageW(DroppedFramesListView, LVM_GETITEMRECT, static_cast<WPARAM>(focused),
                                     reinterpret_cast<LPARAM>(&r)) != 0) {
      at = {r.left, r.bottom};
    }
    ClientToScreen(DroppedFramesListView, &at);
  }
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  const UINT state = MF_STRING | (Runs.empty() ? MF_GRAYED : 0u);
  AppendMenuW(menu, state, DroppedRunsCopyId, L"&Copy\tCtrl+C");
  AppendMenuW(menu, state, DroppedRunsSaveCsvId, L"Save as &CSV...");
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  DestroyMenu(menu);
}

// The bin under x of the strip, -1 for none.
int StripBinAt(int x) {
  RECT client = {};
  GetClientRect(DroppedFramesStrip, &client);
  const size_t bins = StripBins.Counts.size();
  if (x < 0 || x >= client.right || bins == 0) return -1;
  const size_t bin = static_cast<size_t>(x) * bins / static_cast<size_t>(client.right);
  return bin < bins ? static_cast<int>(bin) : -1;
}

// The tooltip names the bin under the mouse: "00:12:00-00:12:10: 37 dropped".
void OnStripMouseMove(int x) {
  const int bin = StripBinAt(x);
  if (bin == StripHoverBin || DroppedFramesStripTip == nullptr) return;
  StripHoverBin = bin;
  std::wstring text;
  char16_t range[BinRangeTextUnits];
  if (bin >= 0 && ComposeBinRange(range, BinRangeTextUnits, StripBins, static_cast<size_t>(bin))) {
    text = reinterpret_cast<const wchar_t*>(range);
    text += L": " + std::to_wstring(StripBins.Counts[static_cast<size_t>(bin)]) + L" dropped";
  }
  TTTOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = DroppedFramesWindow;
  tool.uId = reinterpret_cast<UINT_PTR>(DroppedFramesStrip);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(DroppedFramesStripTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// A click on a bin with drops selects (and shows) its first run and pauses on
// the bin's first dropped frame; elsewhere nothing happens.
void OnStripClick(int x) {
  const int bin = StripBinAt(x);
  if (bin < 0 || StripBins.Counts[static_cast<size_t>(bin)] == 0) return;
  const size_t run = StripBins.FirstRuns[static_cast<size_t>(bin)];
  if (run >= Runs.size()) return;
  ListView_SetItemState(DroppedFramesListView, -1, 0, LVIS_SELECTED);
  const UINT on = LVIS_SELECTED | LVIS_FOCUSED;
  ListView_SetItemState(DroppedFramesListView, static_cast<int>(run), on, on);
  ListView_EnsureVisible(DroppedFramesListView, static_cast<int>(run), FALSE);
  if (OpenFrameCount != 0) PauseOnFrame(StripBins.FirstFrames[static_cast<size_t>(bin)]);
}

// One bar per bin, as high as its count against the tallest, which is
// labelled with its count; drawn off screen and copied in one go.
void PaintStrip(HWND strip) {
  PAINTSTRUCT paint;
  HDC target = BeginPaint(strip, &paint);
  RECT client = {};
  GetClientRect(strip, &client);
  HDC dc = CreateCompatibleDC(target);
  HBITMAP bitmap = dc != nullptr ? CreateCompatibleBitmap(target, client.right, client.bottom) : nullptr;
  if (bitmap == nullptr) {
    if (dc != nullptr) DeleteDC(dc);
    EndPaint(strip, &paint);
    return;
  }
  HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  const size_t bins = StripBins.Counts.size();
  const int label = Scaled(strip, StripLabelHeight), baseline = client.bottom - 1;
  const int room = baseline - label;
  HBRUSH bar = CreateSolidBrush(RGB(192, 32, 32));
  size_t tallest = bins;
  for (size_t b = 0; b < bins && room > 0; ++b) {
    const uint32_t count = StripBins.Counts[b];
    if (count == 0) continue;
    if (tallest == bins && count == StripBins.Tallest) tallest = b;
    const int left = static_cast<int>(b * static_cast<size_t>(client.right) / bins);
    int right = static_cast<int>((b + 1) * static_cast<size_t>(client.right) / bins);
    if (right - left >= 3) --right;  // a gap between wide bars
    const int height = static_cast<int>(static_cast<uint64_t>(count) * static_cast<uint64_t>(room) / StripBins.Tallest);
    RECT r = {left, baseline - (height > 0 ? height : 1), right, baseline};
    FillRect(dc, &r, bar);
  }
  DeleteObject(bar);
  RECT line = {0, baseline, client.right, client.bottom};
  FillRect(dc, &line, GetSysColorBrush(COLOR_GRAYTEXT));
  if (tallest < bins) {
    const std::wstring count = std::to_wstring(StripBins.Tallest);
    const int middle = static_cast<int>((2 * tallest + 1) * static_cast<size_t>(client.right) / (2 * bins));
    const int half = Scaled(strip, 40);
    RECT r = {middle - half, 0, middle + half, label};
    if (r.left < 0) OffsetRect(&r, -r.left, 0);
    if (r.right > client.right) OffsetRect(&r, client.right - r.right, 0);
    HFONT font = FontTahoma16 != nullptr ? FontForDpi(FontTahoma16, WindowDpi(strip)) : nullptr;
    HGDIOBJ previousFont = font != nullptr ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(dc, count.c_str(), -1, &r, DT_CENTER | DT_BOTTOM | DT_SINGLELINE | DT_NOPREFIX);
    if (previousFont != nullptr) SelectObject(dc, previousFont);
  }
  BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(dc, previousBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
  EndPaint(strip, &paint);
}

LRESULT CALLBACK StripProc(HWND strip, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintStrip(strip);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers it all
    case WM_SIZE:
      RefreshStrip();
      return 0;
    case WM_MOUSEMOVE:
      OnStripMouseMove(static_cast<short>(LOWORD(lParam)));
      return 0;
    case WM_LBUTTONDOWN:
      OnStripClick(static_cast<short>(LOWORD(lParam)));
      return 0;
    default:
      return DefWindowProcW(strip, message, wParam, lParam);
  }
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
  } else if (header->code == LVN_KEYDOWN) {
    const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey;
    if (key == VK_RETURN) {  // on the focused run, of those selected
      JumpToRun(static_cast<int>(
          SendMessageW(DroppedFramesListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
    } else if (key == 'C' && GetKeyState(VK_CONTROL) < 0) {
      CopyRuns();
    }
  }
  return 0;
}

// The strip across the top, the list below it down to the total line;
// lengths at 96 DPI scaled to the window's.
void Layout(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  const int line = Scaled(window, TotalLineHeight), margin = Scaled(window, 4);
  const int strip = Scaled(window, StripHeight);
  MoveWindow(DroppedFramesStrip, 0, 0, client.right, strip, TRUE);
  MoveWindow(DroppedFramesListView, 0, strip, client.right, client.bottom - line - strip, TRUE);
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
    case WM_CONTEXTMENU:
      if (DroppedFramesListView != nullptr) OnListContextMenu(window, lParam);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == DroppedRunsCopyId) CopyRuns();
      if (LOWORD(wParam) == DroppedRunsSaveCsvId) SaveRunsAsCsv();
      return 0;
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

// The strip's tooltip: one tool over the whole strip, its text set as the
// mouse moves from bin to bin.
void CreateStripTip(HINSTANCE instance) {
  DroppedFramesStripTip =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, DroppedFramesWindow, nullptr, instance, nullptr);
  if (DroppedFramesStripTip == nullptr) return;
  TTTOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = DroppedFramesWindow;
  tool.uId = reinterpret_cast<UINT_PTR>(DroppedFramesStrip);
  tool.lpszText = const_cast<wchar_t*>(L"");
  SendMessageW(DroppedFramesStripTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

bool CreateListWindow() {
  AppContext* app = TheApp;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  RegisterWindowClass(ListClassName, DroppedFramesProc, app->Instance, LTGRAY_BRUSH, 0);
  RegisterWindowClass(StripClassName, StripProc, app->Instance, -1, 0);
  RECT playback = {};
  if (app->PlaybackWindow != nullptr) GetWindowRect(app->PlaybackWindow, &playback);
  DroppedFramesWindow = CreateWindowExW(WS_EX_TOOLWINDOW, ListClassName, L"Dropped Frames",
                                        WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, playback.left, playback.bottom,
                                        WindowWidth, WindowHeight, app->MainWindow, nullptr, app->Instance, nullptr);
  if (DroppedFramesWindow == nullptr) return false;
  WindowDpiBefore = WindowDpi(DroppedFramesWindow);
  SetWindowPos(DroppedFramesWindow, nullptr, 0, 0, Scaled(DroppedFramesWindow, WindowWidth),
               Scaled(DroppedFramesWindow, WindowHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  DroppedFramesListView =
      CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 0, 0, 0, 0,
                      DroppedFramesWindow, nullptr, app->Instance, nullptr);
  DroppedFramesStrip = CreateWindowExW(0, StripClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, DroppedFramesWindow,
                                       nullptr, app->Instance, nullptr);
  DroppedFramesTotalLine = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0,
                                           DroppedFramesWindow, nullptr, app->Instance, nullptr);
  if (DroppedFramesListView == nullptr || DroppedFramesTotalLine == nullptr || DroppedFramesStrip == nullptr) {
    return false;
  }
  CreateStripTip(app->Instance);
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

HRESULT ShowSaveCsvDialog(const wchar_t* proposed, wchar_t** path) {
  return ShowSaveDialog(proposed, L"Comma-separated values", L"csv", path);
}

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
