// orvo-aviinfo's inspection of one file and its two report forms (text and
// JSON). The facts are those of the player's file-information report, read by
// the player's own header parser.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "avi/avi_byte_source.h"
#include "avi/avi_file_info.h"
#include "avi/avi_header_parser.h"
#include "controls/drop_runs.h"

enum class AviInfoStatus { Parsed, Refused, Unreadable };

struct AviInfoResult {
  std::string Path;  // as given, UTF-8
  AviInfoStatus Status = AviInfoStatus::Unreadable;
  int32_t Code = 0;                   // the parser's result
  std::string OpenError;              // why the file could not be opened
  std::vector<std::string> Messages;  // the parser's messages, UTF-8, without the line end
  AviFileInfo Info{};
  AviFrameFacts Facts;
  AviHeaderFacts Header;
  bool FromCapture = false;
  bool SizeKnown = false;
  uint64_t FileSize = 0;
};

// Parses the file behind source (null when it could not be opened; openError
// then says why) and gathers its facts and messages.
void InspectAviFile(const std::string& path, AviByteSource* source, const std::string& openError,
                    AviInfoResult& result);

// Runs of dropped frames as "17-19, 40".
std::string DroppedFrameRunsText(const std::vector<DropRun>& runs);

std::string Utf16ToUtf8(const char16_t* text);

// The most bins --histogram prints for one file.
constexpr uint64_t AviInfoHistogramMaxBins = 1000000;

// The block printed for one file; with histogramSeconds (not 0) it ends with
// the dropped frames per bin of that many seconds, as the player's Dropped
// Frames window draws them: a line "Histogram" then one line per bin, empty
// bins too, "    hh:mm:ss-hh:mm:ss<TAB>count" (start and end of the bin).
std::string TextReport(const AviInfoResult& result, bool listDropped, uint64_t histogramSeconds = 0);
// The facts of the machine-readable reports, in order: what a JSON object
// holds and a CSV row shows (an unreadable file has file, status and error; a
// refused one adds result and messages; dropped_frame_runs only with listDropped).
struct AviInfoField {
  const char* Name;
  std::string Json;  // a JSON value
  std::string Csv;   // the cell's text before quoting (null: empty; messages one a line)
};
std::vector<AviInfoField> ReportFields(const AviInfoResult& result, bool listDropped);
// One JSON object (no trailing separator).
std::string JsonReport(const AviInfoResult& result, bool listDropped);
// The CSV header row and one file's row, each ending in a line end; cells with
// a comma, quote or line end are quoted, quotes doubled; columns absent from a
// file's facts are empty.
std::string CsvHeader(bool listDropped);
std::string CsvReport(const AviInfoResult& result, bool listDropped);

// Exit status of the program: 0 every file parsed, 1 some file refused by the
// parser, 2 some file could not be opened (takes precedence), 3 a bad command line.
constexpr int AviInfoExitParsed = 0;
constexpr int AviInfoExitRefused = 1;
constexpr int AviInfoExitUnreadable = 2;
constexpr int AviInfoExitUsage = 3;
int CombineExitStatus(int status, AviInfoStatus fileStatus);

extern const char AviInfoUsage[];

// Where the program's output goes: text for standard output or standard error.
constexpr int AviInfoOut = 1;
constexpr int AviInfoErr = 2;
using AviInfoWriter = std::function<void(int stream, const std::string& text)>;
// The whole program on its arguments (without the program name); returns the
// exit status.
int RunAviInfo(const std::vector<std::filesystem::path>& arguments, const AviInfoWriter& write);
