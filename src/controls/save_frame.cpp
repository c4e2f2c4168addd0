#include "controls/save_frame.h"

#include <shobjidl.h>
#include <wrl/client.h>

#include <string>

#include "app/app_context.h"
#include "app/main_window.h"
#include "base/png_file.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "messages/user_messages.h"

using Microsoft::WRL::ComPtr;

ChooseSavePathFunction ChooseFramePath = ShowSaveFrameDialog;

namespace {

// The folder part of path ("" when it has none).
std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The picture as top-down 24-bit rows, drawn by GDI from whatever the DIB
// holds (palette, masks, either row order).
bool ToBgr24(const std::vector<BYTE>& dib, UINT* width, UINT* height, UINT* stride, std::vector<BYTE>* rows) {
  const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  const LONG w = info->bmiHeader.biWidth;
  const LONG h = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
  BITMAPINFO target = {};
  target.bmiHeader.biSize = sizeof target.bmiHeader;
  target.bmiHeader.biWidth = w;
  target.bmiHeader.biHeight = -h;
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 24;
  target.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = memory != nullptr ? CreateDIBSection(memory, &target, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  bool drawn = false;
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    drawn = StretchDIBits(memory, 0, 0, w, h, 0, 0, w, h, PackedDibBits(info), info, DIB_RGB_COLORS, SRCCOPY) != 0;
    GdiFlush();
    *width = static_cast<UINT>(w);
    *height = static_cast<UINT>(h);
    *stride = (static_cast<UINT>(w) * 3 + 3) & ~3u;
    const BYTE* start = static_cast<const BYTE*>(bits);
    if (drawn) rows->assign(start, start + static_cast<size_t>(*stride) * *height);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  if (memory != nullptr) DeleteDC(memory);
  return drawn;
}

void PostSaveResult(const std::wstring& text) { RouteUserMessage(text.c_str(), 1); }

}  // namespace

HRESULT WriteDibAsPng(const std::vector<BYTE>& dib, const wchar_t* path) {
  if (CheckedDib(dib) != S_OK) return E_FAIL;
  UINT width = 0, height = 0, stride = 0;
  std::vector<BYTE> rows;
  if (!ToBgr24(dib, &width, &height, &stride, &rows)) return E_FAIL;
  return WriteFileInPlace(path, [&](const wchar_t* temporary) {
    return WritePngBgr24(temporary, width, height, stride, rows.data(), static_cast<UINT>(rows.size()));
  });
}

HRESULT WriteFileInPlace(const wchar_t* path, const std::function<HRESULT(const wchar_t* temporary)>& write) {
  // A temporary name in the target's folder (made there, empty), so that the
  // finished file is only renamed into place.
  wchar_t temporary[MAX_PATH + 16];
  std::wstring folder = FolderOf(path);
  if (folder.empty()) folder = L".";
  if (folder.size() >= MAX_PATH - 14 || GetTempFileNameW(folder.c_str(), L"orv", 0, temporary) == 0) {
    return HRESULT_FROM_WIN32(GetLastError() != 0 ? GetLastError() : ERROR_PATH_NOT_FOUND);
  }
  HRESULT hr = write(temporary);
  if (SUCCEEDED(hr) && !MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    hr = HRESULT_FROM_WIN32(GetLastError());
  }
  if (FAILED(hr)) DeleteFileW(temporary);
  return hr;
}

std::wstring ErrorCodeText(HRESULT hr) {
  std::wstring code = L"0x";
  for (int shift = 28; shift >= 0; shift -= 4) code += L"0123456789ABCDEF"[(static_cast<DWORD>(hr) >> shift) & 15u];
  return code;
}

HRESULT ShowSaveDialog(const wchar_t* proposed, const wchar_t* typeName, const wchar_t* extension, wchar_t** path) {
  *path = nullptr;
  ComPtr<IFileSaveDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&dialog)))) return S_OK;
  const std::wstring pattern = std::wstring(L"*.") + extension;
  const COMDLG_FILTERSPEC files = {typeName, pattern.c_str()};
  dialog->SetFileTypes(1, &files);
  dialog->SetDefaultExtension(extension);
  // Added to the dialog's defaults (among them the refusal of read-only
  // files), never in their place; those the save relies on are named: the
  // overwrite prompt, an existing folder, a file-system path and the working
  // directory left alone (the options file and the log files live there).
  FILEOPENDIALOGOPTIONS options = 0;
  if (FAILED(dialog->GetOptions(&options))) options = 0;
  dialog->SetOptions(options | FOS_OVERWRITEPROMPT | FOS_PATHMUSTEXIST | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR);
  // The whole proposed path goes into the name field, folder included.
  dialog->SetFileName(proposed);
  // Owned by the main window, as File > Open's dialog is.
  if (FAILED(dialog->Show(TheApp != nullptr ? TheApp->MainWindow : nullptr))) return E_ABORT;
  ComPtr<IShellItem> item;
  if (SUCCEEDED(dialog->GetResult(&item)) && FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path))) *path = nullptr;
  return S_OK;
}

HRESULT ShowSaveFrameDialog(const wchar_t* proposed, wchar_t** path) {
  return ShowSaveDialog(proposed, L"PNG picture", L"png", path);
}

void EnableSaveFrame(bool paused) {
  if (TheApp == nullptr || TheApp->FileMenu == nullptr) return;
  const bool on = paused && OpenFrameCount != 0;
  EnableMenuItem(TheApp->FileMenu, SaveFrameAsId, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
  if (TheApp->DisplayMenu != nullptr) {
    EnableMenuItem(TheApp->DisplayMenu, CopyFrameId, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
  }
}

namespace {

// The picture as a packed bottom-up 24-bit DIB in movable global memory, as
// the clipboard takes it; null when it cannot be made.
HGLOBAL MakeClipboardDib(const std::vector<BYTE>& dib) {
  UINT width = 0, height = 0, stride = 0;
  std::vector<BYTE> rows;
  if (CheckedDib(dib) != S_OK || !ToBgr24(dib, &width, &height, &stride, &rows)) return nullptr;
  const size_t imageBytes = static_cast<size_t>(stride) * height;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + imageBytes);
  BYTE* target = memory != nullptr ? static_cast<BYTE*>(GlobalLock(memory)) : nullptr;
  if (target == nullptr) {
    if (memory != nullptr) GlobalFree(memory);
    return nullptr;
  }
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = static_cast<LONG>(width);
  header.biHeight = static_cast<LONG>(height);  // bottom-up: the form every reader takes
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(imageBytes);
  memcpy(target, &header, sizeof header);
  BYTE* bits = target + sizeof header;
  for (UINT y = 0; y < height; ++y) {
    memcpy(bits + static_cast<size_t>(height - 1 - y) * stride, rows.data() + static_cast<size_t>(y) * stride, stride);
  }
  GlobalUnlock(memory);
  return memory;
}

}  // namespace

bool PutOnClipboard(HWND owner, UINT format, HGLOBAL memory) {
  if (!OpenClipboard(owner)) return false;
  const bool put = EmptyClipboard() && SetClipboardData(format, memory) != nullptr;
  CloseClipboard();
  return put;
}

std::wstring RecordingStem(const std::wstring& recording) {
  const size_t dot = recording.find_last_of(L'.');
  const size_t slash = recording.find_last_of(L"\\/");
  return dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash) ? recording.substr(0, dot)
                                                                                   : recording;
}

HRESULT ChooseSavePath(ChooseSavePathFunction choose, const std::wstring& proposed, std::wstring* path) {
  wchar_t* chosen = nullptr;
  const HRESULT choice = choose(proposed.c_str(), &chosen);
  *path = chosen != nullptr ? chosen : L"";
  CoTaskMemFree(chosen);
  return choice;
}

void CopyFrameToClipboard() {
  PlaybackGraph* graph = TheGraph;
  if (graph == nullptr || OpenFrameCount == 0 || !graph->DisplayControl) return;
  const uint32_t frame = CurrentFramePosition();
  std::vector<BYTE> dib;
  if (FAILED(graph->DisplayControl->GetCurrentImage(&dib))) {
    PostSaveResult(L"WARNING: the frame could not be copied: the renderer gave no picture of frame " +
                   std::to_wstring(frame) + L"\r\n");
    return;
  }
  HGLOBAL memory = MakeClipboardDib(dib);
  if (memory == nullptr) {
    PostSaveResult(L"WARNING: the frame could not be copied: the picture of frame " + std::to_wstring(frame) +
                   L" could not be converted\r\n");
    return;
  }
  if (!PutOnClipboard(TheApp != nullptr ? TheApp->MainWindow : nullptr, CF_DIB, memory)) {
    GlobalFree(memory);  // the clipboard owns it only once taken
    PostSaveResult(L"WARNING: the frame could not be copied: the clipboard is in use by another program\r\n");
    return;
  }
  PostSaveResult(L"Frame " + std::to_wstring(frame) + L" copied to the clipboard\r\n");
}

void SaveFrameAs() {
  PlaybackGraph* graph = TheGraph;
  if (graph == nullptr || OpenFrameCount == 0 || !graph->DisplayControl) return;
  const uint32_t frame = CurrentFramePosition();
  const std::wstring proposed = RecordingStem(reinterpret_cast<const wchar_t*>(graph->FileInfo.FilePath)) + L"_frame" +
                                std::to_wstring(frame) + L".png";
  std::wstring path;
  const HRESULT choice = ChooseSavePath(ChooseFramePath, proposed, &path);
  if (choice == E_ABORT) {
    PostSaveResult(L"Cancelled frame save\r\n");
    return;
  }
  if (FAILED(choice) || path.empty()) {
    PostSaveResult(L"WARNING: no file name was chosen; the frame was not saved\r\n");
    return;
  }
  std::vector<BYTE> dib;
  HRESULT hr = graph->DisplayControl->GetCurrentImage(&dib);
  if (FAILED(hr)) {
    PostSaveResult(L"WARNING: the frame could not be saved: the renderer gave no picture of frame " +
                   std::to_wstring(frame) + L"\r\n");
    return;
  }
  hr = WriteDibAsPng(dib, path.c_str());
  if (SUCCEEDED(hr)) {
    PostSaveResult(L"Frame " + std::to_wstring(frame) + L" saved as \"" + path + L"\"\r\n");
  } else {
    PostSaveResult(L"WARNING: the frame could not be saved as \"" + path + L"\" (error " + ErrorCodeText(hr) +
                   L")\r\n");
  }
}
