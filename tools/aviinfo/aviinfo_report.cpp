#include "aviinfo_report.h"

#include <algorithm>
#include <cstdio>

#include "messages/message_route.h"

const char AviInfoUsage[] =
    "usage: orvo-aviinfo [--dropped] [--json] FILE...\n"
    "Prints, for each AVI file, what the player's file information report shows:\n"
    "codec, total, key and dropped frames, frame size, frame rate, file size, and\n"
    "whether ORVO Video Capture wrote the file.\n"
    "  --dropped   also list the dropped frame numbers (runs as 17-19)\n"
    "  --json      print a JSON array with one object per file\n"
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

std::vector<std::pair<uint32_t, uint32_t>> DroppedFrameRuns(const std::vector<uint32_t>& flags, uint32_t totalFrames) {
  std::vector<std::pair<uint32_t, uint32_t>> runs;
  const uint32_t end = static_cast<uint32_t>(std::min<uint64_t>(totalFrames, flags.size()));
  for (uint32_t f = 0; f < end; ++f) {
    if (flags[f] != 0) continue;
    if (!runs.empty() && runs.back().second + 1 == f)
      runs.back().second = f;
    else
      runs.emplace_back(f, f);
  }
  return runs;
}

std::string DroppedFrameRunsText(const std::vector<std::pair<uint32_t, uint32_t>>& runs) {
  std::string text;
  for (const auto& run : runs) {
    if (!text.empty()) text += ", ";
    text += std::to_string(run.first);
    if (run.second != run.first) text += "-" + std::to_string(run.second);
  }
  return text;
}

std::string TextReport(const AviInfoResult& r, bool listDropped) {
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
  line("Codec", Utf16ToUtf8(i.CodecName) + " (" + HandlerText(r.Header.HandlerFourcc) + ")");
  line("Total Frames", std::to_string(r.Facts.TotalFrames));
  line("Key Frames", Utf16ToUtf8(i.KeyFramesText));
  line("Dropped Frames", Utf16ToUtf8(i.DroppedFramesText));
  line("Frame size", std::to_string(r.Header.FrameWidth) + " x " + std::to_string(r.Header.FrameHeight));
  line("Frame rate", Utf16ToUtf8(i.FrameRateText) + " fps");
  line("File size (bytes)", i.FileSizeText[0] != 0 ? Utf16ToUtf8(i.FileSizeText) : "unknown");
  line("ORVO Video Capture", r.FromCapture ? "yes" : "no");
  if (listDropped) {
    if (!r.FromCapture) {
      line("Dropped frame list", "unknown");
    } else {
      std::string runs = DroppedFrameRunsText(DroppedFrameRuns(r.Facts.KeyFrameFlags, r.Facts.TotalFrames));
      line("Dropped frame list", runs.empty() ? "none" : runs);
    }
  }
  return out;
}

std::string JsonReport(const AviInfoResult& r, bool listDropped) {
  std::string out = "{\"file\": ";
  AppendJsonString(out, r.Path);
  out += ", \"status\": \"";
  out += StatusName(r.Status);
  out += "\"";
  if (r.Status == AviInfoStatus::Unreadable) {
    out += ", \"error\": ";
    AppendJsonString(out, r.OpenError);
    return out + "}";
  }
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(r.Code));
  out += ", \"result\": \"";
  out += code;
  out += "\", \"messages\": [";
  for (std::size_t m = 0; m < r.Messages.size(); ++m) {
    if (m > 0) out += ", ";
    AppendJsonString(out, r.Messages[m]);
  }
  out += "]";
  if (r.Status == AviInfoStatus::Refused) return out + "}";
  const AviFileInfo& i = r.Info;
  out += ", \"codec\": ";
  AppendJsonString(out, Utf16ToUtf8(i.CodecName));
  out += ", \"handler\": ";
  AppendJsonString(out, HandlerText(r.Header.HandlerFourcc));
  out += ", \"total_frames\": " + std::to_string(r.Facts.TotalFrames);
  if (r.FromCapture) {
    out += ", \"key_frames\": " + std::to_string(r.Facts.KeyFrameCount);
    out += ", \"dropped_frames\": " + std::to_string(r.Facts.DroppedFrameCount);
  } else {
    out += ", \"key_frames\": null, \"dropped_frames\": null";
  }
  out += ", \"frame_width\": " + std::to_string(r.Header.FrameWidth);
  out += ", \"frame_height\": " + std::to_string(r.Header.FrameHeight);
  out += ", \"frame_rate\": ";
  AppendJsonString(out, Utf16ToUtf8(i.FrameRateText));
  out += ", \"rate\": " + std::to_string(r.Header.Rate);
  out += ", \"scale\": " + std::to_string(r.Header.Scale);
  out += ", \"file_size\": " + (r.SizeKnown ? std::to_string(r.FileSize) : std::string("null"));
  out += ", \"file_size_text\": ";
  AppendJsonString(out, Utf16ToUtf8(i.FileSizeText));
  out += ", \"from_capture_program\": ";
  out += r.FromCapture ? "true" : "false";
  if (listDropped) {
    out += ", \"dropped_frame_runs\": ";
    if (!r.FromCapture) {
      out += "null";
    } else {
      out += "[";
      bool first = true;
      for (const auto& run : DroppedFrameRuns(r.Facts.KeyFrameFlags, r.Facts.TotalFrames)) {
        if (!first) out += ", ";
        first = false;
        out += "[" + std::to_string(run.first) + ", " + std::to_string(run.second) + "]";
      }
      out += "]";
    }
  }
  return out + "}";
}

int CombineExitStatus(int status, AviInfoStatus fileStatus) {
  int file = fileStatus == AviInfoStatus::Parsed    ? AviInfoExitParsed
             : fileStatus == AviInfoStatus::Refused ? AviInfoExitRefused
                                                    : AviInfoExitUnreadable;
  return file > status ? file : status;
}
