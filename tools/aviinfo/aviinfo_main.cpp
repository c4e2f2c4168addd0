// orvo-aviinfo: the player's file facts for AVI files, from the command line
// (see AviInfoUsage). Natively files are read through the C library, on
// Windows through the same handle-based byte source as the player.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "aviinfo_report.h"

#ifdef _WIN32
#include <windows.h>

#include "avi/handle_byte_source.h"
#include "base/win_handles.h"

namespace {

std::string WideToUtf8(const wchar_t* text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
  return Utf16ToUtf8(reinterpret_cast<const char16_t*>(text));
}

void InspectPath(const wchar_t* path, AviInfoResult& result) {
  UniqueHandle file(
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    InspectAviFile(WideToUtf8(path), nullptr, "Windows error " + std::to_string(GetLastError()), result);
    return;
  }
  HandleByteSource source(file.Get());
  InspectAviFile(WideToUtf8(path), &source, std::string(), result);
}

}  // namespace

using ArgumentChar = wchar_t;
#define ORVO_ARG(text) L##text
#define ORVO_ARGCMP std::wcscmp
#else
namespace {

void InspectPath(const char* path, AviInfoResult& result) {
  AviStdioByteSource source;
  if (!source.Open(path)) {
    InspectAviFile(path, nullptr, std::strerror(errno), result);
    return;
  }
  InspectAviFile(path, &source, std::string(), result);
}

}  // namespace

using ArgumentChar = char;
#define ORVO_ARG(text) text
#define ORVO_ARGCMP std::strcmp
#endif

namespace {

int Run(int argc, ArgumentChar** argv) {
  bool listDropped = false, json = false, options = true;
  std::vector<ArgumentChar*> files;
  for (int i = 1; i < argc; ++i) {
    ArgumentChar* a = argv[i];
    if (options && ORVO_ARGCMP(a, ORVO_ARG("--dropped")) == 0) {
      listDropped = true;
    } else if (options && ORVO_ARGCMP(a, ORVO_ARG("--json")) == 0) {
      json = true;
    } else if (options && (ORVO_ARGCMP(a, ORVO_ARG("--help")) == 0 || ORVO_ARGCMP(a, ORVO_ARG("-h")) == 0)) {
      std::fputs(AviInfoUsage, stdout);
      return AviInfoExitParsed;
    } else if (options && ORVO_ARGCMP(a, ORVO_ARG("--")) == 0) {
      options = false;
    } else if (options && a[0] == '-' && a[1] != 0) {
      std::fputs("orvo-aviinfo: unknown option\n", stderr);
      std::fputs(AviInfoUsage, stderr);
      return AviInfoExitUsage;
    } else {
      files.push_back(a);
    }
  }
  if (files.empty()) {
    std::fputs(AviInfoUsage, stderr);
    return AviInfoExitUsage;
  }

  int status = AviInfoExitParsed;
  if (json) std::fputs("[\n", stdout);
  for (std::size_t f = 0; f < files.size(); ++f) {
    // One result at a time: a file's flag array is freed before the next one.
    AviInfoResult result;
    InspectPath(files[f], result);
    status = CombineExitStatus(status, result.Status);
    std::string text;
    if (json) {
      text = "  " + JsonReport(result, listDropped) + (f + 1 < files.size() ? ",\n" : "\n");
    } else {
      text = TextReport(result, listDropped);
      if (f + 1 < files.size()) text += "\n";
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  if (json) std::fputs("]\n", stdout);
  return std::fflush(stdout) == 0 ? status : AviInfoExitUnreadable;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return Run(argc, argv); }
#else
int main(int argc, char** argv) { return Run(argc, argv); }
#endif
