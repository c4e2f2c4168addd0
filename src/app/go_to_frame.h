// File > Go to Frame...: a small modal dialog asks for a frame number; on OK
// the video pauses on that frame.
#pragma once

#include <windows.h>

// Shows the dialog, owned by owner, for the open file; nothing happens while
// no file is open. Entries that are no frame of the file are explained in the
// dialog, which stays up; Cancel leaves the video where it was.
void GoToFrameFromMenu(HWND owner);

// The dialog's controls.
constexpr int GoToFrameEditId = 100;  // the frame number typed by the user
constexpr int GoToFrameTextId = 101;  // the prompt, or what was wrong with the entry

// Test seam: when set, called with the dialog once its controls exist (during
// its WM_INITDIALOG), so that a test can type into it and press its buttons.
extern void (*GoToFrameDialogShown)(HWND dialog);
