// The File > Open dialog: the common item dialog, filtered to AVI files.
#include <shobjidl.h>
#include <wrl/client.h>

#include "graph/playback_graph.h"

using Microsoft::WRL::ComPtr;

ChooseFileFunction ChooseVideoFile = ShowOpenFileDialog;

HRESULT ShowOpenFileDialog(wchar_t** path) {
  *path = nullptr;
  ComPtr<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&dialog)))) {
    return S_OK;  // no dialog, no path
  }
  const COMDLG_FILTERSPEC aviFiles = {L"Audio Video Interleave", L"*.avi"};
  dialog->SetFileTypes(1, &aviFiles);
  dialog->SetOptions(FOS_STRICTFILETYPES);
  if (FAILED(dialog->Show(nullptr))) return E_ABORT;  // cancelled
  ComPtr<IShellItem> item;
  if (SUCCEEDED(dialog->GetResult(&item)) && FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path))) {
    *path = nullptr;
    return E_ACCESSDENIED;
  }
  return S_OK;
}
