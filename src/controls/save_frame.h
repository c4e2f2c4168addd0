// File > Save Frame As...: the frame on show saved as a PNG picture, as the
// renderer holds it: the decoded frame at its native size, with the current
// brightness and contrast and without magnify.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Enables the menu items (File > Save Frame As..., Display > Copy Frame) while
// a file is open and its video paused on a frame (paused is false while
// playing, at the end and with no file open).
void EnableSaveFrame(bool paused);

// The command: proposes "<recording name>_frame<N>.png" beside the recording,
// writes the picture and posts the outcome to User Messages.
void SaveFrameAs();

// Display > Copy Frame: the same picture as Save Frame As takes, put on the
// clipboard as a device-independent bitmap (CF_DIB, 24-bit, bottom-up), with
// the outcome in User Messages.
void CopyFrameToClipboard();

// How the command asks for the file: S_OK with *path set (CoTaskMemAlloc'd)
// or left null when no dialog could be made; E_ABORT when cancelled.
// proposed: the full path offered. ShowSaveFrameDialog is the real dialog;
// tests put a stand-in here.
using ChooseSavePathFunction = HRESULT (*)(const wchar_t* proposed, wchar_t** path);
HRESULT ShowSaveFrameDialog(const wchar_t* proposed, wchar_t** path);
// The common save dialog behind it, for one file type (typeName, files
// "*.<extension>"), owned by the main window on the window thread.
HRESULT ShowSaveDialog(const wchar_t* proposed, const wchar_t* typeName, const wchar_t* extension, wchar_t** path);
extern ChooseSavePathFunction ChooseFramePath;

// Writes a packed DIB (see VideoDisplay::GetCurrentImage) as a 24-bit PNG at
// path. The picture goes to a temporary file in the same folder, renamed to
// path only when complete: a failure leaves neither file behind.
HRESULT WriteDibAsPng(const std::vector<BYTE>& dib, const wchar_t* path);

// Writes a file at path through write, which is handed a temporary file made
// empty in the same folder: renamed to path (replacing it) only when write
// succeeds, deleted otherwise, so that path is never left half-written.
HRESULT WriteFileInPlace(const wchar_t* path, const std::function<HRESULT(const wchar_t* temporary)>& write);

// The recording's path without its extension: the start of the names the
// saves propose beside it.
std::wstring RecordingStem(const std::wstring& recording);

// Asks choose for a path to save to, offering proposed: its result, with
// *path the chosen path ("" for none).
HRESULT ChooseSavePath(ChooseSavePathFunction choose, const std::wstring& proposed, std::wstring* path);

// Puts memory (movable global memory) on the clipboard as format, owner
// holding it open; false when the clipboard is in use, and memory is then
// still the caller's to free.
bool PutOnClipboard(HWND owner, UINT format, HGLOBAL memory);

// hr as "0x80070005", for the warnings.
std::wstring ErrorCodeText(HRESULT hr);
