#include "messages/log_files.h"

#include <windows.h>

#include <richedit.h>
#include <shlwapi.h>

#include <new>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/main_window.h"
#include "app/reports.h"
#include "base/bounded_text.h"
#include "base/file_write.h"
#include "base/win_handles.h"
#include "messages/log_text.h"
#include "messages/user_messages.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "window text is UTF-16");

wchar_t LogFileName[LogFileNameUnits];
LogSaveStep ForcedLogFailure = LogSaveStep::None;

namespace {

// The name the current save is meant to have, kept even when the directory
// could not be made, so that a failure message can name the file.
wchar_t PlannedLogFileName[LogFileNameUnits];
// Why the "LogFiles" directory could not be made (a system error code).
DWORD DirectoryError = 0;

// How many "_n" names a save tries before it gives up.
constexpr int MaxNameAttempts = 100;
// Above this many units of text, clearing replaces the edit control instead
// of deleting its text (see ClearMessages).
constexpr size_t LargeTextUnits = 32768;
// Capacity of a failure reason, terminator included.
constexpr size_t ReasonUnits = 256;

const wchar_t* AsWide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
const char16_t* AsUtf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// Sets reason to what went wrong in words: the caller's text, then the
// system's description of error in parentheses, without its final period.
void SetReason(wchar_t* reason, const wchar_t* what, DWORD error) {
  CopyText(reason, ReasonUnits, what);
  wchar_t system[160] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, system, 160,
                           nullptr);
  if (n >= 160) n = 159;
  while (n > 0 &&
         (system[n - 1] == L'\r' || system[n - 1] == L'\n' || system[n - 1] == L' ' || system[n - 1] == L'.')) {
    system[--n] = L'\0';
  }
  AppendText(reason, ReasonUnits, L" (");
  if (n == 0) {
    AppendText(reason, ReasonUnits, L"system error ");
    AppendText(reason, ReasonUnits, std::to_wstring(error).c_str());
  } else {
    AppendText(reason, ReasonUnits, system);
  }
  AppendText(reason, ReasonUnits, L")");
}

bool LogFilesIsDirectory() {
  const DWORD attributes = GetFileAttributesW(L"LogFiles");
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The whole text of the edit control with "\r\n" line ends. False when no
// copy could be made.
bool ReadWindowText(HWND edit, std::vector<wchar_t>* text, wchar_t* reason) {
  GETTEXTLENGTHEX lengthQuery = {};
  lengthQuery.flags = GTL_USECRLF | GTL_NUMCHARS;
  lengthQuery.codepage = 1200;
  LRESULT length = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&lengthQuery), 0);
  if (length < 0) length = 0;
  if (static_cast<unsigned long long>(length) >= 0x7FFFFFFFull) {
    CopyText(reason, ReasonUnits, L"the window holds more text than one save can copy");
    return false;
  }
  text->assign(static_cast<size_t>(length) + 1, L'\0');

  GETTEXTEX query = {};
  query.cb = static_cast<DWORD>(text->size() * sizeof(wchar_t));
  query.flags = GT_USECRLF;
  query.codepage = 1200;
  query.lpDefaultChar = nullptr;
  query.lpUsedDefChar = nullptr;
  LRESULT copied =
      SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(text->data()));
  if (copied < 0) copied = 0;
  if (copied > length) copied = length;
  text->resize(static_cast<size_t>(copied));
  return true;
}

// Creates a new file for this save. The planned name is used when it is free;
// a file of an earlier save in the same second keeps its contents and this
// save takes the next free "_n" name. LogFileName receives the name used.
HANDLE CreateLogFile(wchar_t* reason) {
  const std::u16string planned = AsUtf16(LogFileName);
  DWORD error = ERROR_FILE_EXISTS;
  for (int attempt = 1; attempt <= MaxNameAttempts; ++attempt) {
    const std::u16string name = DistinctLogFileName(planned, attempt);
    if (name.size() >= LogFileNameUnits) break;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (ForcedLogFailure == LogSaveStep::OpenFile) {
      SetLastError(ERROR_ACCESS_DENIED);
    } else {
      file = CreateFileW(AsWide(name.c_str()), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (file != INVALID_HANDLE_VALUE) {
      CopyText(LogFileName, AsWide(name.c_str()));
      return file;
    }
    error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  if (!LogFilesIsDirectory()) {
    CopyText(reason, ReasonUnits, L"\"LogFiles\" is not a directory");
  } else {
    SetReason(reason, L"cannot create the file", error);
  }
  return INVALID_HANDLE_VALUE;
}

// Writes all bytes; on failure leaves the system's error code in *error.
bool WriteAll(HANDLE file, const std::string& bytes, DWORD* error) {
  if (ForcedLogFailure == LogSaveStep::WriteText) {
    // Half the text reaches the disk, then it is full.
    WriteAllBytes(file, bytes.data(), bytes.size() / 2);
    *error = ERROR_DISK_FULL;
    return false;
  }
  *error = WriteAllBytes(file, bytes.data(), bytes.size());
  return *error == 0;
}

// Writes the window text to a new log file. False, with the reason, when the
// text did not reach the file whole; an incomplete file is removed.
bool WriteLogFile(HWND edit, wchar_t* reason, size_t* replaced, size_t* savedUnits) {
  if (LogFileName[0] == L'\0') {
    SetReason(reason, L"cannot create the \"LogFiles\" directory", DirectoryError);
    return false;
  }

  std::string bytes;
  {
    std::vector<wchar_t> text;
    if (!ReadWindowText(edit, &text, reason)) return false;
    *savedUnits = text.size();
    bytes = MakeLogFileBytes(AsUtf16(text.data()), text.size(), replaced);
  }

  UniqueHandle file(CreateLogFile(reason));
  if (!file) return false;

  DWORD error = 0;
  const bool written = WriteAll(file.Get(), bytes, &error);
  if (!file.Close() && written) {
    error = GetLastError();
    SetReason(reason, L"cannot finish the file", error);
    DeleteFileW(LogFileName);
    return false;
  }
  if (!written) {
    SetReason(reason, L"cannot write the file", error);
    DeleteFileW(LogFileName);
    return false;
  }
  return true;
}

// Empties the User Messages window. A long text is not deleted but dropped
// with its control, which is replaced by a new, empty one: some rich edit
// implementations take time that grows with the square of the text to delete
// it (minutes for a few thousand messages), while destroying a control is
// quick whatever it holds.
void ClearMessages(HWND edit, size_t textUnits) {
  if (textUnits > LargeTextUnits && TheApp != nullptr) {
    const bool hadFocus = GetFocus() == edit;
    if (CreateMessagesEdit(TheApp) == S_OK) {
      ShowWindow(TheApp->MessagesEdit, SW_SHOW);
      if (hadFocus) SetFocus(TheApp->MessagesEdit);
      DestroyWindow(edit);
      return;
    }
    TheApp->MessagesEdit = edit;  // keep the old control and empty it in place
  }
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

void PostSaveWarning(const wchar_t* reason, int clearAfter) {
  CopyText(MessageText, L"WARNING: user messages not saved in file \"");
  AppendText(MessageText, LogFileName[0] != L'\0' ? LogFileName : PlannedLogFileName);
  AppendText(MessageText, L"\": ");
  AppendText(MessageText, reason);
  AppendText(MessageText, clearAfter != 0 ? L"; nothing was cleared, all messages stay in this window\r\n"
                                          : L"; all messages stay in this window\r\n");
  RouteUserMessage(MessageText, 1);
}

void SaveMessagesOrWarn(int clearAfter) {
  MakeLogFileName();
  HWND edit = TheApp != nullptr ? TheApp->MessagesEdit : nullptr;
  if (edit == nullptr) return;

  wchar_t reason[ReasonUnits] = {};
  size_t replaced = 0;
  size_t savedUnits = 0;
  if (!WriteLogFile(edit, reason, &replaced, &savedUnits)) {
    PostSaveWarning(reason, clearAfter);
    return;
  }

  CopyText(MessageText, L"User messages saved in file \"");
  AppendText(MessageText, LogFileName);
  AppendText(MessageText, clearAfter != 0 ? L"\" and all messages cleared\r\n" : L"\"\r\n");
  if (replaced > 0) {
    AppendText(MessageText, L"INFO: ");
    AppendText(MessageText, std::to_wstring(replaced).c_str());
    AppendText(MessageText, replaced == 1 ? L" character beyond Latin-1 was written to the file as \"?\"\r\n"
                                          : L" characters beyond Latin-1 were written to the file as \"?\"\r\n");
  }

  if (clearAfter != 0) ClearMessages(edit, savedUnits);
  RouteUserMessage(MessageText, 1);
}

}  // namespace

void MakeLogFileName() {
  SYSTEMTIME local = {};
  GetLocalTime(&local);
  LogTime time;
  time.Year = local.wYear;
  time.Month = local.wMonth;
  time.Day = local.wDay;
  time.Hour = local.wHour;
  time.Minute = local.wMinute;
  time.Second = local.wSecond;
  const std::u16string name = FormatLogFileName(AddMinutes(time, UtcBiasMinutes));
  CopyText(PlannedLogFileName, AsWide(name.c_str()));

  LogFileName[0] = L'\0';
  DirectoryError = 0;
  if (!PathFileExistsW(L"LogFiles")) {
    BOOL made = FALSE;
    if (ForcedLogFailure == LogSaveStep::MakeDirectory) {
      SetLastError(ERROR_ACCESS_DENIED);
    } else {
      made = CreateDirectoryW(L"LogFiles", nullptr);
    }
    // Another program may have made it in the meantime: that is as good.
    if (!made && GetLastError() != ERROR_ALREADY_EXISTS) {
      DirectoryError = GetLastError();
      RouteUserMessage(
          L"\r\nUnable to create \"LogFiles\" directory under the process directory.  Check security settings.\r\n", 1);
      return;
    }
  }
  CopyText(LogFileName, PlannedLogFileName);
}

void SaveMessages(int clearAfter) {
  try {
    SaveMessagesOrWarn(clearAfter);
  } catch (const std::bad_alloc&) {
    PostSaveWarning(L"not enough memory to copy the messages", clearAfter);
  }
}
