// The File > Open dialog: the common item dialog, filtered to AVI files.
#include <shobjidl.h>
#include <wrl/client.h>

#include "app/app_context.h"
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
  // Added to the dialog's defaults, never in their place. Those the program
  // relies on are named as well: without FOS_FILEMUSTEXIST a mistyped name
  // would be handed back, and the open would close the recording that is open
  // before it finds nothing there; the open needs a file-system path; and the
  // options file, the icons and the log files are found in the working
  // directory, which the dialog must leave alone.
  FILEOPENDIALOGOPTIONS options = 0;
  if (FAILED(dialog->GetOptions(&options))) options = 0;
  dialog->SetOptions(options | FOS_STRICTFILETYPES | FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST | FOS_FORCEFILESYSTEM |
                     FOS_NOCHANGEDIR);
  // Owned by the main window: modal to the program, which goes on painting
  // and answering while the dialog is up (the window thread is a
  // single-threaded apartment, so the dialog runs on it).
  const HWND owner = TheApp != nullptr ? TheApp->MainWindow : nullptr;
  if (FAILED(dialog->Show(owner))) return E_ABORT;  // cancelled
  ComPtr<IShellItem> item;
  if (SUCCEEDED(dialog->GetResult(&item)) && FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, path))) {
    *path = nullptr;
    return E_ACCESSDENIED;
  }
  return S_OK;
}
