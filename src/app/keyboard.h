// The program's shortcut keys. While the main window (with the picture), the
// playback controls or one of their controls has the keyboard:
//   Space              Start Playback or Pause, whichever is enabled
//   Left / Right       Back One Frame / Forward One Frame
//   Ctrl+Left / Ctrl+Right, Page Up / Page Down
//                      "<" / ">" (while Dropped Frames Control shows them)
//   Home / End         Beginning of File / End of File
//   Ctrl+O, Ctrl+W, Ctrl+I, Ctrl+G, Ctrl+S
//                      File > Open, Close, Information, Go to Frame...,
//                      Save Frame As...
//   [ / ]              Display > Playback Speed: the next slower / faster
//   Ctrl+Shift+C       Display > Copy Frame
// A key does what its button or menu item does, and only while that button or
// item is enabled. Keys typed into other windows (the User Messages text, the
// tool windows) are theirs.
#pragma once

#include <windows.h>

// Command codes of the keys that stand for playback buttons; they are not
// menu items.
constexpr UINT StartOrPauseKeyId = 32840;
constexpr UINT BackOneFrameKeyId = 32841;
constexpr UINT ForwardOneFrameKeyId = 32842;
constexpr UINT PreviousDroppedKeyId = 32843;
constexpr UINT NextDroppedKeyId = 32844;
constexpr UINT BeginFileKeyId = 32845;
constexpr UINT EndFileKeyId = 32846;
// The speed keys step through Display > Playback Speed's items.
constexpr UINT SlowerKeyId = 32847;
constexpr UINT FasterKeyId = 32848;

// One message of the GUI thread's loop: a shortcut key becomes the main
// window's WM_COMMAND (code 1); everything else is translated and dispatched.
void DispatchProgramMessage(MSG* message);

// The main window's WM_COMMAND from a shortcut key. Clicks the playback button
// that the key stands for when that button is enabled; for a menu command,
// refuses it while its item is greyed. True when nothing more is to be done,
// false when the command is to run as though chosen from the menu.
[[nodiscard]] bool HandleShortcutCommand(UINT id);
