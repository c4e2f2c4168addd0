#include "aviinfo_report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "messages/message_route.h"

const char AviInfoUsage[] =
    "usage: orvo-aviinfo [--dropped] [--histogram SECONDS | --json | --csv] [-r] FILE|FOLDER...\n"
    "Prints, for each AVI file, what the player's file information report shows:\n"
    "codec, total, key and dropped frames, frame size, frame rate, file size, and\n"
    "whether ORVO Video Capture wrote the file. A FOLDER stands for the .avi files\n"
    "in it (any letter case), in name order; a FILE is read whatever its name.\n"
    "  --dropped     also list the dropped frame numbers (runs as 17-19)\n"
    "  --histogram SECONDS  also print the dropped frames per bin of SECONDS seconds\n"
    "                (a whole number, 1 to 4294967295), one line per bin from the\n"
    "                start of the recording, empty bins too, as the bin's start and\n"
    "                end, a tab and the count: \"    00:12:00-00:12:10<TAB>37\"; not with\n"
    "                --json or --csv\n"
    "  --json        print a JSON array with one object per file\n"
    "  --csv         print a header row and one row per file with the same fields\n"
    "                as the JSON objects (empty where JSON has null or no member)\n"
    "  -r, --recursive  also the .avi files in the subfolders of each FOLDER\n"
    "At the end a summary line: files inspected, refused (unreadable or refused by\n"
    "the parser), total frames and dropped frames of the files read; with --json or\n"
    "--csv it goes to standard error, so that standard output stays JSON or CSV.\n"
    "Exit status: 0 all files read, 1 some file refused, 2 some file unreadable,\n"
    "3 bad command line.\n";

namespace {

std::vector<std::u16string>* CapturedMessages = nullptr;

void CaptureMessage(const char16_t* text, int) {
  if (CapturedMessages != nullptr && text != nullptr) CapturedMessages->emplace_back(text);
}

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

void AppendJsonString(std::string& out, const std::string& text) {
  out += '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

std::string HandlerText(uint32_t fourcc) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    char c = static_cast<char>((fourcc >> (8 * i)) & 0xFF);
    text += (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return text;
}

struct PictureSize {
  uint32_t Width = 0, Height = 0;
};

// The picture size the player shows: the main header's, or else the video
// format's (the player asks the decoder's connection first, which this tool
// has not got).
PictureSize SizeOf(const AviHeaderFacts& header) {
  if (header.FrameWidth != 0) return {header.FrameWidth, header.FrameHeight};
  return {header.FormatWidth, header.FormatHeight};
}

const char* StatusName(AviInfoStatus status) {
  switch (status) {
    case AviInfoStatus::Parsed:
      return "parsed";
    case AviInfoStatus::Refused:
      return "refused";
    default:
      return "unreadable";
  }
}

}  // namespace

std::string Utf16ToUtf8(const char16_t* text) {
  std::string out;
  for (std::size_t i = 0; text[i] != 0; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void InspectAviFile(const std::string& path, AviByteSource* source, const std::string& openError,
                    AviInfoResult& result) {
  result.Path = path;
  result.Messages.clear();
  result.OpenError = openError;
  if (source == nullptr) {
    result.Status = AviInfoStatus::Unreadable;
    return;
  }
  std::vector<std::u16string> messages;
  CapturedMessages = &messages;
  MessageSink previous = SetMessageSink(CaptureMessage);
  AviIndexConstants constants;
  SetAviIndexConstants(constants);
  result.Code = ParseAviHeader(*source, constants, result.Info, result.Facts, result.Header);
  SetMessageSink(previous);
  CapturedMessages = nullptr;
  result.FromCapture = FromCaptureProgram != 0;
  result.SizeKnown = source->GetSize(&result.FileSize) && result.FileSize > 0;
  result.Status = result.Code == AviParseSucceeded ? AviInfoStatus::Parsed : AviInfoStatus::Refused;
  for (const std::u16string& m : messages) result.Messages.push_back(WithoutLineEnd(Utf16ToUtf8(m.c_str())));
}

// The file's runs of dropped frames, as the player's list shows them.
std::vector<DropRun> DroppedRunsOf(const AviInfoResult& r) {
  return FindDropRuns(r.Facts.KeyFrameFlags, r.Facts.TotalFrames, nullptr);
}

std::string DroppedFrameRunsText(const std::vector<DropRun>& runs) {
  std::string text;
  for (const DropRun& run : runs) {
    if (!text.empty()) text += ", ";
    text += std::to_string(run.First);
    if (run.Last != run.First) text += "-" + std::to_string(run.Last);
  }
  return text;
}

namespace {

void AppendHistogram(const AviInfoResult& r, uint64_t seconds, std::string& out) {
  const char* head = "  Histogram           ";
  if (!r.FromCapture) {
    out += std::string(head) + "unknown\n";
    return;
  }
  const uint32_t rate = r.Header.Rate, scale = r.Header.Scale;
  const uint64_t recording = RecordingSeconds(r.Facts.TotalFrames, rate, scale);
  if (recording == 0) {
    out += std::string(head) + "none (no frames or no frame rate)\n";
    return;
  }
  const uint64_t bins = recording / seconds + (recording % seconds != 0 ? 1 : 0);
  if (bins > AviInfoHistogramMaxBins) {
    out += std::string(head) + "not printed: " + std::to_string(bins) + " bins of " + std::to_string(seconds) +
           " s, more than " + std::to_string(AviInfoHistogramMaxBins) + "\n";
    return;
  }
  const DropHistogram h =
      MakeDropHistogramOfWidth(DroppedRunsOf(r), r.Facts.TotalFrames, rate, scale, seconds, AviInfoHistogramMaxBins);
  out += std::string(head) + "dropped frames per " + std::to_string(seconds) + " s\n";
  for (std::size_t b = 0; b < h.Counts.size(); ++b) {
    char16_t range[BinRangeTextUnits];
    ComposeBinRange(range, BinRangeTextUnits, h, b);
    out += "    " + Utf16ToUtf8(range) + "\t" + std::to_string(h.Counts[b]) + "\n";
  }
}

}  // namespace

std::string TextReport(const AviInfoResult& r, bool listDropped, uint64_t histogramSeconds) {
  std::string out = r.Path + "\n";
  if (r.Status == AviInfoStatus::Unreadable) {
    out += "  cannot open the file: " + r.OpenError + "\n";
    return out;
  }
  if (r.Status == AviInfoStatus::Refused) {
    out += "  refused:\n";
    for (const std::string& m : r.Messages) out += "    " + m + "\n";
    return out;
  }
  for (const std::string& m : r.Messages) out += "  note: " + m + "\n";
  const AviFileInfo& i = r.Info;
  auto line = [&out](const char* label, const std::string& value) {
    char head[32];
    std::snprintf(head, sizeof head, "  %-20s", label);
    out += head + value + "\n";
  };
  line("Codec", Utf16ToUtf8(i.CodecName));
  line("Total Frames", std::to_string(r.Facts.TotalFrames));
  line("Key Frames", Utf16ToUtf8(i.KeyFramesText));
  line("Dropped Frames", Utf16ToUtf8(i.DroppedFramesText));
  const PictureSize size = SizeOf(r.Header);
  line("Frame size", std::to_string(size.Width) + " x " + std::to_string(size.Height));
  line("Frame rate", Utf16ToUtf8(i.FrameRateText) + " fps");
  line("File size (bytes)", i.FileSizeText[0] != 0 ? Utf16ToUtf8(i.FileSizeText) : "unknown");
  line("ORVO Video Capture", r.FromCapture ? "yes" : "no");
  if (listDropped) {
    if (!r.FromCapture) {
      line("Dropped frame list", "unknown");
    } else {
      std::string runs = DroppedFrameRunsText(DroppedRunsOf(r));
      line("Dropped frame list", runs.empty() ? "none" : runs);
    }
  }
  if (histogramSeconds != 0) AppendHistogram(r, histogramSeconds, out);
  return out;
}

std::vector<AviInfoField> ReportFields(const AviInfoResult& r, bool listDropped) {
  std::vector<AviInfoField> fields;
  // A string field: quoted and escaped in JSON, as it stands in CSV.
  auto text = [&fields](const char* name, const std::string& value) {
    std::string json;
    AppendJsonString(json, value);
    fields.push_back({name, json, value});
  };
  // A number, true/false or null: the same in both, null an empty CSV cell.
  auto plain = [&fields](const char* name, const std::string& value) {
    fields.push_back({name, value, value == "null" ? std::string() : value});
  };
  text("file", r.Path);
  text("status", StatusName(r.Status));
  if (r.Status == AviInfoStatus::Unreadable) {
    text("error", r.OpenError);
    return fields;
  }
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(r.Code));
  text("result", code);
  AviInfoField messages{"messages", "[", ""};
  for (std::size_t m = 0; m < r.Messages.size(); ++m) {
    if (m > 0) {
      messages.Json += ", ";
      messages.Csv += "\n";
    }
    AppendJsonString(messages.Json, r.Messages[m]);
    messages.Csv += r.Messages[m];
  }
  messages.Json += "]";
  fields.push_back(messages);
  if (r.Status == AviInfoStatus::Refused) return fields;
  const AviFileInfo& i = r.Info;
  text("codec", Utf16ToUtf8(i.CodecName));
  text("handler", HandlerText(r.Header.HandlerFourcc));
  plain("total_frames", std::to_string(r.Facts.TotalFrames));
  plain("key_frames", r.FromCapture ? std::to_string(r.Facts.KeyFrameCount) : "null");
  plain("dropped_frames", r.FromCapture ? std::to_string(r.Facts.DroppedFrameCount) : "null");
  const PictureSize size = SizeOf(r.Header);
  plain("frame_width", std::to_string(size.Width));
  plain("frame_height", std::to_string(size.Height));
  text("frame_rate", Utf16ToUtf8(i.FrameRateText));
  plain("rate", std::to_string(r.Header.Rate));
  plain("scale", std::to_string(r.Header.Scale));
  plain("file_size", r.SizeKnown ? std::to_string(r.FileSize) : "null");
  text("file_size_text", Utf16ToUtf8(i.FileSizeText));
  plain("from_capture_program", r.FromCapture ? "true" : "false");
  if (listDropped) {
    // JSON: [[first, last], ...]; CSV: the text form "17-19, 25".
    AviInfoField runs{"dropped_frame_runs", "null", ""};
    if (r.FromCapture) {
      const std::vector<DropRun> list = DroppedRunsOf(r);
      runs.Json = "[";
      for (const auto& run : list) {
        if (runs.Json.size() > 1) runs.Json += ", ";
        runs.Json += "[" + std::to_string(run.First) + ", " + std::to_string(run.Last) + "]";
      }
      runs.Json += "]";
      runs.Csv = DroppedFrameRunsText(list);
    }
    fields.push_back(runs);
  }
  return fields;
}

std::string JsonReport(const AviInfoResult& r, bool listDropped) {
  std::string out = "{";
  for (const AviInfoField& f : ReportFields(r, listDropped)) {
    if (out.size() > 1) out += ", ";
    out += "\"" + std::string(f.Name) + "\": " + f.Json;
  }
  return out + "}";
}

namespace {

// Every column a CSV report has, in the order of the JSON members.
const char* const CsvColumns[] = {"file",
                                  "status",
                                  "error",
                                  "result",
                                  "messages",
                                  "codec",
                                  "handler",
                                  "total_frames",
                                  "key_frames",
                                  "dropped_frames",
                                  "frame_width",
                                  "frame_height",
                                  "frame_rate",
                                  "rate",
                                  "scale",
                                  "file_size",
                                  "file_size_text",
                                  "from_capture_program",
                                  "dropped_frame_runs"};

// One CSV cell: quoted (quotes doubled) when it holds a comma, a quote or a line end.
void AppendCsvCell(std::string& out, const std::string& cell) {
  if (cell.find_first_of(",\"\r\n") == std::string::npos) {
    out += cell;
    return;
  }
  out += '"';
  for (char c : cell) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  out += '"';
}

std::size_t CsvColumnCount(bool listDropped) {
  return sizeof CsvColumns / sizeof CsvColumns[0] - (listDropped ? 0 : 1);
}

}  // namespace

std::string CsvHeader(bool listDropped) {
  std::string out;
  for (std::size_t c = 0; c < CsvColumnCount(listDropped); ++c) out += (c > 0 ? "," : "") + std::string(CsvColumns[c]);
  return out + "\n";
}

std::string CsvReport(const AviInfoResult& r, bool listDropped) {
  const std::vector<AviInfoField> fields = ReportFields(r, listDropped);
  std::string out;
  for (std::size_t c = 0; c < CsvColumnCount(listDropped); ++c) {
    if (c > 0) out += ',';
    for (const AviInfoField& f : fields)
      if (std::strcmp(f.Name, CsvColumns[c]) == 0) AppendCsvCell(out, f.Csv);
  }
  return out + "\n";
}

int CombineExitStatus(int status, AviInfoStatus fileStatus) {
  int file = fileStatus == AviInfoStatus::Parsed    ? AviInfoExitParsed
             : fileStatus == AviInfoStatus::Refused ? AviInfoExitRefused
                                                    : AviInfoExitUnreadable;
  return file > status ? file : status;
}
