#include "messages/user_messages.h"

#include <richedit.h>

#include <vector>

#include "app/app_context.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "base/bounded_text.h"
#include "messages/log_files.h"

namespace {

// Every post is built whole here and handed to the control in one piece.
wchar_t Composition[MessageCompositionUnits];

// Copies of the messages raised before the edit control existed, in order.
// Kept for the whole run: start-up flushes them once.
std::vector<std::vector<wchar_t>> PendingMessages;

// Appends "HH:MM:SS (UTC)\r\n" for the current UTC time.
void AppendTimeLine() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  size_t used = BoundedLength(Composition, MessageCompositionUnits);
  int room = static_cast<int>(MessageCompositionUnits - 1 - used);
  if (room > 0) {
    int written = GetTimeFormatEx(nullptr, TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT, &now, L"HH':'mm':'ss",
                                  Composition + used, room);
    if (written == 0) Composition[used] = L'\0';
  }
  AppendText(Composition, L" (UTC)\r\n");
}

int CountLineFeeds(const wchar_t* text) {
  int count = 0;
  for (; *text != L'\0'; ++text) {
    if (*text == L'\n') ++count;
  }
  return count;
}

}  // namespace

void PostUserMessage(const wchar_t* text, int withTimeStamp) {
  HWND edit = TheApp != nullptr ? TheApp->MessagesEdit : nullptr;
  if (edit == nullptr) return;

  CopyText(Composition, L"\r\n");
  if (withTimeStamp != 0) AppendTimeLine();
  if (text != nullptr) AppendText(Composition, text);  // cut at the buffer's end

  // The caret to the end of the text without asking for its length, which the
  // control counts afresh each time (the cost would grow with the log).
  CHARRANGE end = {-1, -1};
  SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Composition));

  // Keep the newest text in view, but only when the control can scroll.
  SCROLLINFO scroll = {};
  scroll.cbSize = sizeof scroll;
  scroll.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
  if (GetScrollInfo(edit, SB_VERT, &scroll)) {
    SendMessageW(edit, EM_LINESCROLL, 0, CountLineFeeds(Composition));
  }
  UpdateWindow(edit);
}

void QueuePendingMessage(const wchar_t* text) {
  std::vector<wchar_t> copy(PendingMessageUnits, L'\0');
  if (text != nullptr) CopyText(copy.data(), copy.size(), text);  // cut at 4095 units
  PendingMessages.push_back(std::move(copy));
}

void RouteUserMessage(const wchar_t* text, int withTimeStamp) {
  if (MessagesReady == 1) {
    PostUserMessage(text, withTimeStamp);
  } else {
    QueuePendingMessage(text);
  }
}

void FlushPendingMessages() {
  int withTimeStamp = 1;
  for (const std::vector<wchar_t>& message : PendingMessages) {
    RouteUserMessage(message.data(), withTimeStamp);
    withTimeStamp = 0;  // the whole batch shares one time line
  }
}

HRESULT CreateMessagesEdit(AppContext* app) {
  RECT client = {};
  GetClientRect(app->MessagesWindow, &client);
  app->MessagesEdit = CreateWindowExW(
      0, L"RICHEDIT50W", L"", WS_CHILD | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0,
      client.right - client.left, client.bottom - client.top, app->MessagesWindow, nullptr, app->Instance, nullptr);
  if (app->MessagesEdit == nullptr) return E_ABORT;
  HWND edit = app->MessagesEdit;

  SendMessageW(edit, EM_SETPAGEROTATE, EPR_0, 0);
  SendMessageW(edit, EM_SETBKGNDCOLOR, 0, RGB(225, 225, 225));
  SendMessageW(edit, EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(7, 0));

  PARAFORMAT2 paragraph = {};
  paragraph.cbSize = sizeof paragraph;
  paragraph.dwMask = PFM_SPACEBEFORE | PFM_SPACEAFTER | PFM_LINESPACING;
  paragraph.dySpaceBefore = 0;
  paragraph.dySpaceAfter = 0;
  paragraph.bLineSpacingRule = 0;
  paragraph.dyLineSpacing = 1;
  SendMessageW(edit, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));

  CHARFORMATW character = {};
  character.cbSize = sizeof character;
  character.dwMask = CFM_FACE | CFM_SIZE;
  character.yHeight = 200;  // twips: 10 points
  CopyText(character.szFaceName, L"Tahoma");
  SendMessageW(edit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&character));

  SendMessageW(edit, EM_SETSEL, 0, GetWindowTextLengthW(edit));
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));

  // A rich edit control holds 32,767 characters unless told otherwise; the
  // messages of a long session must never be turned away.
  SendMessageW(edit, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  return S_OK;
}

namespace {

void OnMessagesMove(HWND window) {
  if (InClamp == 1) return;
  RECT r;
  GetWindowRect(window, &r);
  ClampToWorkArea(window, r.left, r.top, r.right, r.bottom);
}

void OnMessagesSize(HWND window) {
  if (InLayout != 1) {
    RECT r;
    GetWindowRect(window, &r);
    LayoutRect rect = {r.left, r.top, r.right, r.bottom};
    const bool cut = CutToWorkArea(&rect, WorkAreaOf(r));
    if (cut) LayoutMainWindow(window, rect.Left, rect.Top, rect.Right, rect.Bottom);
  }
  if (TheApp != nullptr && TheApp->MessagesEdit != nullptr) {
    RECT client;
    GetClientRect(window, &client);
    SetWindowPos(TheApp->MessagesEdit, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOZORDER);
  }
}

void OnMessagesCommand(WPARAM wParam) {
  const UINT id = LOWORD(wParam);
  HWND edit = TheApp != nullptr ? TheApp->MessagesEdit : nullptr;
  if (id == SaveMessagesId) {
    SaveMessages(0);
  } else if (id == SaveMessagesAndClearId) {
    SaveMessages(1);
  } else if (id == MessagesCopyId && edit != nullptr) {
    SendMessageW(edit, WM_COPY, 0, 0);
  } else if (id == MessagesSelectAllId && edit != nullptr) {
    CHARRANGE all = {0, -1};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  }
}

// A right click on the messages (or Shift+F10, Menu key) offers Copy and
// Select All. The control hands the click on to this window.
void OnMessagesContextMenu(HWND window, LPARAM lParam) {
  HWND edit = TheApp != nullptr ? TheApp->MessagesEdit : nullptr;
  if (edit == nullptr) return;
  POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (lParam == -1) {  // from the keyboard: at the control's top left
    at = {0, 0};
    ClientToScreen(edit, &at);
  }
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  CHARRANGE selection = {};
  SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  const UINT copy = MF_STRING | (selection.cpMin == selection.cpMax ? MF_GRAYED : 0u);
  AppendMenuW(menu, copy, MessagesCopyId, L"&Copy\tCtrl+C");
  AppendMenuW(menu, MF_STRING, MessagesSelectAllId, L"Select &All\tCtrl+A");
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  DestroyMenu(menu);
}

}  // namespace

LRESULT CALLBACK MessagesWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOVE:
      OnMessagesMove(window);
      return 0;
    case WM_SIZE:
      OnMessagesSize(window);
      return 0;
    case WM_COMMAND:
      OnMessagesCommand(wParam);
      return 0;
    case WM_CONTEXTMENU:
      OnMessagesContextMenu(window, lParam);
      return 0;
    case WM_DPICHANGED: {
      // The control fills the client area again on WM_SIZE.
      const RECT* r = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
