#include "app/go_to_frame.h"

#include <cstdint>
#include <vector>

#include "app/app_context.h"
#include "app/frame_entry.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"

void (*GoToFrameDialogShown)(HWND dialog) = nullptr;

namespace {

// What the dialog is asked and answers.
struct FrameRequest {
  uint32_t FrameCount = 0;
  uint32_t Frame = 0;
};

// Longest entry the edit box takes: any 32-bit number with blanks around it.
constexpr int EntryUnits = 32;

// ---- the dialog template, built in memory -----------------------------------
//
// A DLGTEMPLATE followed by its items, each item starting on a DWORD boundary
// (the vector's storage is aligned for any type).

void PushDword(std::vector<WORD>& t, DWORD value) {
  t.push_back(LOWORD(value));
  t.push_back(HIWORD(value));
}

void PushText(std::vector<WORD>& t, const wchar_t* text) {
  do {
    t.push_back(static_cast<WORD>(*text));
  } while (*text++ != L'\0');
}

void AlignToDword(std::vector<WORD>& t) {
  if (t.size() % 2 != 0) t.push_back(0);
}

// Predefined control classes by atom.
constexpr WORD ButtonClass = 0x0080;
constexpr WORD EditClass = 0x0081;
constexpr WORD StaticClass = 0x0082;

void PushItem(std::vector<WORD>& t, DWORD style, short x, short y, short cx, short cy, WORD id, WORD controlClass,
              const wchar_t* text) {
  AlignToDword(t);
  PushDword(t, style | WS_CHILD | WS_VISIBLE);
  PushDword(t, 0);  // extended style
  for (short value : {x, y, cx, cy}) t.push_back(static_cast<WORD>(value));
  t.push_back(id);
  t.push_back(0xFFFF);
  t.push_back(controlClass);
  PushText(t, text);
  t.push_back(0);  // no creation data
}

std::vector<WORD> BuildTemplate() {
  std::vector<WORD> t;
  PushDword(t, DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
  PushDword(t, 0);  // extended style
  t.push_back(4);   // items
  for (short value : {0, 0, 200, 74}) t.push_back(static_cast<WORD>(value));
  t.push_back(0);  // no menu
  t.push_back(0);  // the standard dialog class
  PushText(t, L"Go to Frame");
  t.push_back(8);
  PushText(t, L"MS Shell Dlg");
  PushItem(t, SS_LEFT, 7, 7, 186, 20, GoToFrameTextId, StaticClass, L"");
  PushItem(t, ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 30, 100, 14, GoToFrameEditId, EditClass, L"");
  PushItem(t, BS_DEFPUSHBUTTON | WS_TABSTOP, 89, 53, 50, 14, IDOK, ButtonClass, L"OK");
  PushItem(t, BS_PUSHBUTTON | WS_TABSTOP, 143, 53, 50, 14, IDCANCEL, ButtonClass, L"Cancel");
  return t;
}

// ---- the dialog procedure ---------------------------------------------------

void ShowEntryText(HWND dialog, FrameEntry entry, uint32_t frameCount) {
  char16_t text[FrameEntryTextUnits];
  ComposeFrameEntryText(text, FrameEntryTextUnits, entry, frameCount);
  SetDlgItemTextW(dialog, GoToFrameTextId, reinterpret_cast<const wchar_t*>(text));
}

// OK: a frame of the file ends the dialog; anything else is explained and
// left selected for the user to type over.
void OnOk(HWND dialog, FrameRequest* request) {
  wchar_t text[EntryUnits + 1] = L"";
  GetDlgItemTextW(dialog, GoToFrameEditId, text, EntryUnits + 1);
  const FrameEntry entry =
      ParseFrameEntry(reinterpret_cast<const char16_t*>(text), request->FrameCount, &request->Frame);
  if (entry == FrameEntry::Valid) {
    EndDialog(dialog, IDOK);
    return;
  }
  ShowEntryText(dialog, entry, request->FrameCount);
  HWND edit = GetDlgItem(dialog, GoToFrameEditId);
  SetFocus(edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
}

INT_PTR CALLBACK GoToFrameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      const FrameRequest* request = reinterpret_cast<const FrameRequest*>(lParam);
      ShowEntryText(dialog, FrameEntry::Valid, request->FrameCount);
      SendDlgItemMessageW(dialog, GoToFrameEditId, EM_LIMITTEXT, EntryUnits, 0);
      if (GoToFrameDialogShown != nullptr) GoToFrameDialogShown(dialog);
      return TRUE;  // the focus goes to the edit box
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnOk(dialog, reinterpret_cast<FrameRequest*>(GetWindowLongPtrW(dialog, DWLP_USER)));
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void GoToFrameFromMenu(HWND owner) {
  if (OpenFrameCount == 0 || TheApp == nullptr) return;
  FrameRequest request;
  request.FrameCount = OpenFrameCount;
  const std::vector<WORD> dialogTemplate = BuildTemplate();
  const INT_PTR answer =
      DialogBoxIndirectParamW(TheApp->Instance, reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.data()), owner,
                              GoToFrameProc, reinterpret_cast<LPARAM>(&request));
  // The playback window stays live while the dialog is up: the file may have
  // been closed, or another opened, in the meantime.
  if (answer != IDOK || OpenFrameCount != request.FrameCount) return;
  PauseOnFrame(request.Frame);
}
