// Helpers of the AVI tests: generated recordings, a byte source that fails on
// demand, and one parse with the messages it routed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "avi/avi_byte_source.h"
#include "avi/avi_header_parser.h"
#include "avi_generator.h"
#include "messages/message_route.h"

#ifndef _WIN32
#include <unistd.h>
#endif

// A memory image or another source whose read number FailRead (from 0) and size
// query fail as told.
class FaultyByteSource final : public AviByteSource {
 public:
  explicit FaultyByteSource(const std::vector<uint8_t>& bytes) : Memory(bytes), Inner(&Memory) {}
  explicit FaultyByteSource(AviByteSource& inner) : Memory(nullptr, 0), Inner(&inner) {}
  AviReadStatus ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) override {
    Offsets.push_back(offset);
    if (Reads++ == FailRead) return *bytesRead = 0, Failure;
    return Inner->ReadAt(offset, buffer, count, bytesRead);
  }
  bool GetSize(uint64_t* size) override { return SizeZero ? (*size = 0, true) : !SizeFails && Inner->GetSize(size); }
  int FailRead = -1;
  AviReadStatus Failure = AviReadStatus::ReadFailed;
  bool SizeFails = false, SizeZero = false;
  int Reads = 0;
  std::vector<uint64_t> Offsets;  // of every read asked for

 private:
  AviMemoryByteSource Memory;
  AviByteSource* Inner;
};

struct ParseOutcome {
  int32_t Code = 0;
  AviFileInfo Info{};
  AviFrameFacts Facts;
  AviHeaderFacts Header;
  bool FromCapture = false;
  std::vector<std::u16string> Messages;  // "(no time stamp)" added for each message routed without one
};

inline std::vector<std::u16string>* RecordedMessages = nullptr;

// Parses into out's records as they stand (a parse must clear what an earlier one left).
inline ParseOutcome ParseWith(AviByteSource& source, ParseOutcome out = ParseOutcome()) {
  out.Messages.clear();
  RecordedMessages = &out.Messages;
  MessageSink previous = SetMessageSink([](const char16_t* text, int stamp) {
    RecordedMessages->emplace_back(text);
    if (stamp != 1) RecordedMessages->emplace_back(u"(no time stamp)");
  });
  AviIndexConstants constants{0, 0, 0};
  SetAviIndexConstants(constants);
  out.Code = ParseAviHeader(source, constants, out.Info, out.Facts, out.Header);
  out.FromCapture = FromCaptureProgram != 0;
  SetMessageSink(previous);
  return out;
}

inline ParseOutcome ParseBytes(const std::vector<uint8_t>& bytes, ParseOutcome out = ParseOutcome()) {
  AviMemoryByteSource source(bytes);
  return ParseWith(source, out);
}

inline std::vector<uint8_t> Generate(const AviGenOptions& options) {
  std::string error;
  std::vector<uint8_t> bytes = GenerateAviBytes(options, &error);
  if (bytes.empty()) std::fprintf(stderr, "generator: %s\n", error.c_str()), std::abort();
  return bytes;
}

// 40 frames 80x60 DIB, 8 entries per standard index, frames 17-19 and 25
// dropped as zero-length chunks.
inline AviGenOptions SmallCaptureOptions() {
  AviGenOptions o;
  o.Width = 80;
  o.Height = 60;
  o.FrameCount = 40;
  o.IndexEntriesPerChunk = 8;
  o.DroppedFrames = {17, 18, 19, 25};
  return o;
}

// The flags a capture file of frames frames with these dropped must get.
inline std::vector<uint32_t> ExpectedFlags(uint32_t frames, const std::vector<uint32_t>& dropped) {
  std::vector<uint32_t> flags(frames + 8, 0);
  for (uint32_t f = 0; f < frames; ++f) flags[f] = 1;
  for (uint32_t f : dropped) flags[f] = 0;
  return flags;
}

// A temporary file path, removed with the object.
struct TempFile {
  explicit TempFile(const std::string& name) {
#ifdef _WIN32
    const char* dir = std::getenv("TEMP");
    Path = std::string(dir != nullptr ? dir : ".") + "\\orvo-avi-" + name;
#else
    const char* dir = std::getenv("TMPDIR");
    Path = std::string(dir != nullptr ? dir : "/tmp") + "/orvo-avi-" + std::to_string(getpid()) + "-" + name;
#endif
  }
  ~TempFile() { std::remove(Path.c_str()); }
  std::string Path;
};

inline std::string U8(const char16_t* text) {
  std::string out;
  for (; *text != 0; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}
