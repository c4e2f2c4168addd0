#include "app/keyboard.h"

#include "app/app_context.h"
#include "app/inspection_commands.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"

namespace {

// Made once, after the menu command identifiers are fixed, and kept for the
// whole run like the menus.
HACCEL ShortcutTable() {
  static HACCEL table = nullptr;
  if (table != nullptr || OpenId == 0) return table;
  ACCEL keys[] = {
      {FVIRTKEY, VK_SPACE, StartOrPauseKeyId},
      {FVIRTKEY, VK_LEFT, BackOneFrameKeyId},
      {FVIRTKEY, VK_RIGHT, ForwardOneFrameKeyId},
      {FVIRTKEY | FCONTROL, VK_LEFT, PreviousDroppedKeyId},
      {FVIRTKEY | FCONTROL, VK_RIGHT, NextDroppedKeyId},
      {FVIRTKEY, VK_PRIOR, PreviousDroppedKeyId},
      {FVIRTKEY, VK_NEXT, NextDroppedKeyId},
      {FVIRTKEY, VK_HOME, BeginFileKeyId},
      {FVIRTKEY, VK_END, EndFileKeyId},
      {FVIRTKEY | FCONTROL, 'O', static_cast<WORD>(OpenId)},
      {FVIRTKEY | FCONTROL, 'W', static_cast<WORD>(CloseId)},
      {FVIRTKEY | FCONTROL, 'I', static_cast<WORD>(InformationId)},
      {FVIRTKEY | FCONTROL, 'G', static_cast<WORD>(GoToFrameId)},
      {FVIRTKEY | FCONTROL, 'S', static_cast<WORD>(SaveFrameAsId)},
      {FVIRTKEY | FCONTROL | FSHIFT, 'C', static_cast<WORD>(CopyFrameId)},
      {FVIRTKEY, VK_OEM_4, SlowerKeyId},  // "[" on US keyboards
      {FVIRTKEY, VK_OEM_6, FasterKeyId},  // "]"
  };
  table = CreateAcceleratorTableW(keys, static_cast<int>(sizeof keys / sizeof keys[0]));
  return table;
}

bool IsWindowOrChild(HWND target, HWND window) {
  return window != nullptr && (target == window || IsChild(window, target));
}

// Keys belong to the program's shortcuts only in the main window (and the
// picture inside it) and the playback controls.
bool TakesShortcuts(HWND target) {
  const AppContext* app = TheApp;
  if (app == nullptr || target == nullptr) return false;
  return IsWindowOrChild(target, app->MainWindow) || IsWindowOrChild(target, app->PlaybackWindow);
}

// The playback button a key stands for, or null for the menu commands.
HWND ButtonOfKey(UINT id) {
  switch (id) {
    case StartOrPauseKeyId:
      return StartButton != nullptr && IsWindowEnabled(StartButton) ? StartButton : PauseButton;
    case BackOneFrameKeyId:
      return BackOneFrameButton;
    case ForwardOneFrameKeyId:
      return ForwardOneFrameButton;
    // "<" and ">" are seen only with Dropped Frames Control on; without it
    // their keys do nothing, as a user cannot press them either.
    case PreviousDroppedKeyId:
      return DroppedFramesControlOn != 0 ? PreviousDroppedButton : nullptr;
    case NextDroppedKeyId:
      return DroppedFramesControlOn != 0 ? NextDroppedButton : nullptr;
    case BeginFileKeyId:
      return BeginFileButton;
    case EndFileKeyId:
      return EndFileButton;
    default:
      return nullptr;
  }
}

bool IsButtonKey(UINT id) { return id >= StartOrPauseKeyId && id <= EndFileKeyId; }

}  // namespace

void DispatchProgramMessage(MSG* message) {
  const AppContext* app = TheApp;
  const UINT code = message->message;
  if ((code >= WM_KEYFIRST && code <= WM_KEYLAST) || (code >= WM_MOUSEFIRST && code <= WM_MOUSELAST) ||
      (code >= WM_NCMOUSEMOVE && code <= WM_NCXBUTTONDBLCLK) || code == WM_COMMAND) {
    FinishOpeningFile();  // the open is complete before any input is handled
  }
  if (app != nullptr && (code == WM_KEYDOWN || code == WM_SYSKEYDOWN) && TakesShortcuts(message->hwnd)) {
    HACCEL table = ShortcutTable();
    if (table != nullptr && TranslateAcceleratorW(app->MainWindow, table, message) != 0) return;
  }
  TranslateMessage(message);
  DispatchMessageW(message);
}

bool HandleShortcutCommand(UINT id) {
  const AppContext* app = TheApp;
  if (app == nullptr) return true;
  if (IsButtonKey(id)) {
    // The button's own click, without moving the keyboard focus to it.
    HWND button = ButtonOfKey(id);
    if (button != nullptr && IsWindowEnabled(button) && app->PlaybackWindow != nullptr) {
      SendMessageW(app->PlaybackWindow, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
    }
    return true;
  }
  if (id == SlowerKeyId || id == FasterKeyId) {
    StepPlaybackSpeed(id == SlowerKeyId ? -1 : 1);
    return true;
  }
  const UINT state = GetMenuState(app->MainMenu, id, MF_BYCOMMAND);
  return state == static_cast<UINT>(-1) || (state & (MF_GRAYED | MF_DISABLED)) != 0;
}
