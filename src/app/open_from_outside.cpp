#include "app/open_from_outside.h"

#include <string>

#include "app/main_window.h"
#include "base/bounded_text.h"
#include "messages/user_messages.h"

namespace {

// The name ends in ".avi", in any case.
bool HasAviName(const wchar_t* path) {
  const size_t length = wcslen(path);
  const wchar_t extension[] = L".avi";
  const int extensionLength = 4;
  if (length <= static_cast<size_t>(extensionLength)) return false;
  return CompareStringOrdinal(path + length - extensionLength, extensionLength, extension, extensionLength, TRUE) ==
         CSTR_EQUAL;
}

void ReportManyFiles(const wchar_t* lead, unsigned count, const wchar_t* tail) {
  wchar_t number[16];
  swprintf_s(number, 16, L"%u", count);
  CopyText(MessageText, lead);
  AppendText(MessageText, number);
  AppendText(MessageText, tail);
  RouteUserMessage(MessageText, 1);
}

}  // namespace

void OpenFileFromOutside(const wchar_t* path) {
  if (path == nullptr) return;
  if (!HasAviName(path)) {
    CopyText(MessageText, L"WARNING: \"");
    AppendText(MessageText, path);
    AppendText(MessageText, L"\" is not an AVI file; only .avi files can be opened\r\n");
    RouteUserMessage(MessageText, 1);
    return;
  }
  OpenGivenFile(path);
}

void OpenDroppedFiles(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::wstring path;
  if (count == 1) {
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    path.assign(static_cast<size_t>(length) + 1, L'\0');
    path.resize(DragQueryFileW(drop, 0, &path[0], length + 1));
  }
  DragFinish(drop);
  if (count != 1) {
    ReportManyFiles(L"WARNING: ", count, L" files were dropped; drop one AVI file at a time\r\n");
    return;
  }
  OpenFileFromOutside(path.c_str());
}

void OpenFromCommandLine(const wchar_t* commandLine) {
  if (commandLine == nullptr || commandLine[0] == L'\0') return;
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
  if (arguments == nullptr) return;
  if (count == 2) {
    OpenFileFromOutside(arguments[1]);
  } else if (count > 2) {
    ReportManyFiles(L"WARNING: the command line names ", static_cast<unsigned>(count - 1),
                    L" files; give one AVI file, in double quotes when its path holds blanks\r\n");
  }
  LocalFree(arguments);
}

std::wstring StartInProgramFolder(const wchar_t* commandLine) {
  std::wstring result = commandLine != nullptr ? commandLine : L"";
  if (result.empty() || GetFileAttributesW(L"OrvoVideoIcons") != INVALID_FILE_ATTRIBUTES) return result;
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
  if (arguments == nullptr) return result;
  wchar_t path[MAX_PATH], program[MAX_PATH];
  const DWORD pathLength = count == 2 ? GetFullPathNameW(arguments[1], MAX_PATH, path, nullptr) : 0;
  LocalFree(arguments);
  const DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH);
  if (pathLength == 0 || pathLength >= MAX_PATH || programLength == 0 || programLength >= MAX_PATH) return result;
  wchar_t* name = wcsrchr(program, L'\\');
  if (name == nullptr) return result;
  *name = L'\0';
  if (!SetCurrentDirectoryW(program)) return result;
  *name = L'\\';
  return L"\"" + std::wstring(program) + L"\" \"" + path + L"\"";
}
