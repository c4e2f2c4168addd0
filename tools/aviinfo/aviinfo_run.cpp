// orvo-aviinfo's command line: options, files and folders, the reports in
// turn and the summary. Files are opened natively through the C library, on
// Windows through the same handle-based byte source as the player.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "aviinfo_report.h"

#ifdef _WIN32
#include <windows.h>

#include "avi/handle_byte_source.h"
#include "base/win_handles.h"
#endif

namespace fs = std::filesystem;

namespace {

std::string PathText(const fs::path& path) {
#ifdef _WIN32
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
  return Utf16ToUtf8(reinterpret_cast<const char16_t*>(path.c_str()));
#else
  return path.string();
#endif
}

void InspectPath(const fs::path& path, AviInfoResult& result) {
#ifdef _WIN32
  UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    InspectAviFile(PathText(path), nullptr, "Windows error " + std::to_string(GetLastError()), result);
    return;
  }
  HandleByteSource source(file.Get());
#else
  AviStdioByteSource source;
  if (!source.Open(path.c_str())) {
    InspectAviFile(PathText(path), nullptr, std::strerror(errno), result);
    return;
  }
#endif
  InspectAviFile(PathText(path), &source, std::string(), result);
}

// ".avi" in any letter case.
bool HasAviExtension(const fs::path& path) {
  const fs::path extension = path.extension();
  const auto& e = extension.native();
  return e.size() == 4 && e[0] == '.' && (e[1] | 0x20) == 'a' && (e[2] | 0x20) == 'v' && (e[3] | 0x20) == 'i';
}

// Appends the .avi files of folder to files in name order, with recursive the
// files of each subfolder at its place in that order. Links to folders are not
// followed (a link loop would never end); a link to nothing is listed like a
// file and fails to open. A folder that cannot be listed takes its place in
// files with the reason as second member (empty for a file).
void ListAviFiles(const fs::path& folder, bool recursive, std::vector<std::pair<fs::path, std::string>>& files) {
  std::error_code error;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) entries.push_back(*it);
  if (error) {
    files.emplace_back(folder, error.message());
    return;
  }
  std::sort(entries.begin(), entries.end());
  for (const fs::directory_entry& entry : entries) {
    std::error_code ignored;
    const bool link = entry.is_symlink(ignored);
    if (entry.is_directory(ignored)) {
      if (recursive && !link) ListAviFiles(entry.path(), recursive, files);
    } else if (HasAviExtension(entry.path())) {
      files.emplace_back(entry.path(), std::string());
    }
  }
}

bool Is(const fs::path& argument, const char* option) { return argument.native() == fs::path(option).native(); }

// SECONDS of --histogram: a whole number from 1 to 2^32 - 1, digits only;
// 0 for anything else.
uint64_t HistogramSeconds(const fs::path& argument) {
  const auto& text = argument.native();
  uint64_t value = 0;
  if (text.empty() || text.size() > 10) return 0;
  for (auto c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value <= UINT32_MAX ? value : 0;
}

}  // namespace

int RunAviInfo(const std::vector<fs::path>& arguments, const AviInfoWriter& write) {
  bool listDropped = false, json = false, csv = false, recursive = false, options = true;
  uint64_t histogram = 0;
  std::vector<fs::path> named;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const fs::path& a = arguments[i];
    if (options && Is(a, "--histogram")) {
      histogram = i + 1 < arguments.size() ? HistogramSeconds(arguments[++i]) : 0;
      if (histogram == 0) {
        write(AviInfoErr, std::string("orvo-aviinfo: --histogram needs a whole number of seconds from 1 to "
                                      "4294967295\n") +
                              AviInfoUsage);
        return AviInfoExitUsage;
      }
    } else if (options && Is(a, "--dropped")) {
      listDropped = true;
    } else if (options && Is(a, "--json")) {
      json = true;
    } else if (options && Is(a, "--csv")) {
      csv = true;
    } else if (options && (Is(a, "-r") || Is(a, "--recursive"))) {
      recursive = true;
    } else if (options && (Is(a, "--help") || Is(a, "-h"))) {
      write(AviInfoOut, AviInfoUsage);
      return AviInfoExitParsed;
    } else if (options && Is(a, "--")) {
      options = false;
    } else if (options && a.native().size() > 1 && a.native()[0] == '-') {
      write(AviInfoErr, std::string("orvo-aviinfo: unknown option\n") + AviInfoUsage);
      return AviInfoExitUsage;
    } else {
      named.push_back(a);
    }
  }
  if (histogram != 0 && (json || csv)) {
    write(AviInfoErr,
          std::string("orvo-aviinfo: --histogram goes with the text report, not --json or --csv\n") + AviInfoUsage);
    return AviInfoExitUsage;
  }
  if (named.empty() || (json && csv)) {
    write(AviInfoErr, AviInfoUsage);
    return AviInfoExitUsage;
  }

  int status = AviInfoExitParsed;
  uint64_t inspected = 0, refused = 0, frames = 0, dropped = 0;
  auto report = [&](const AviInfoResult& result) {
    status = CombineExitStatus(status, result.Status);
    if (result.Status == AviInfoStatus::Parsed) {
      frames += result.Facts.TotalFrames;
      if (result.FromCapture) dropped += static_cast<uint32_t>(result.Facts.DroppedFrameCount);
    } else {
      ++refused;
    }
    if (json)
      write(AviInfoOut, (inspected > 0 ? ",\n  " : "  ") + JsonReport(result, listDropped));
    else if (csv)
      write(AviInfoOut, CsvReport(result, listDropped));
    else
      write(AviInfoOut, (inspected > 0 ? "\n" : "") + TextReport(result, listDropped, histogram));
    ++inspected;
  };

  if (json) write(AviInfoOut, "[\n");
  if (csv) write(AviInfoOut, CsvHeader(listDropped));
  for (const fs::path& path : named) {
    std::error_code error;
    std::vector<std::pair<fs::path, std::string>> files;
    if (fs::is_directory(path, error))
      ListAviFiles(path, recursive, files);
    else
      files.emplace_back(path, std::string());
    for (const auto& file : files) {
      // One result at a time: a file's flag array is freed before the next one.
      AviInfoResult result;
      if (file.second.empty())
        InspectPath(file.first, result);
      else
        InspectAviFile(PathText(file.first), nullptr, file.second, result);
      report(result);
    }
  }
  if (json) write(AviInfoOut, inspected > 0 ? "\n]\n" : "]\n");

  const std::string summary = "Summary: " + std::to_string(inspected) + (inspected == 1 ? " file" : " files") +
                              " inspected, " + std::to_string(refused) + " refused, " + std::to_string(frames) +
                              " frames, " + std::to_string(dropped) + " dropped frames\n";
  if (json || csv)
    write(AviInfoErr, summary);
  else
    write(AviInfoOut, "\n" + summary);
  return status;
}
