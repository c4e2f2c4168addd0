// AVI test helpers: generated recordings, a byte source that fails on demand, one parse.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "avi/avi_byte_source.h"
#include "avi/avi_header_parser.h"
#include "avi_header_fuzz.h"
#include "avi_generator.h"
#include "messages/message_route.h"

// Memory or another source whose read number FailRead (from 0) and size query fail as told.
class FaultyByteSource final : public AviByteSource {
 public:
  explicit FaultyByteSource(const std::vector<uint8_t>& bytes) : Memory(bytes), Inner(&Memory) {}
  explicit FaultyByteSource(AviByteSource& inner) : Memory(nullptr, 0), Inner(&inner) {}
  AviReadStatus ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) override {
    Offsets.push_back(offset);
    *bytesRead = 0;
    return Reads++ == FailRead ? Failure : Inner->ReadAt(offset, buffer, count, bytesRead);
  }
  bool GetSize(uint64_t* size) override { return SizeZero ? (*size = 0, true) : !SizeFails && Inner->GetSize(size); }
  int FailRead = -1, Reads = 0;
  AviReadStatus Failure = AviReadStatus::ReadFailed;
  bool SizeFails = false, SizeZero = false;
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
  std::vector<std::u16string> Messages;  // "(no time stamp)" follows a message routed without one
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

// Checks the fuzzer's rules on bytes (key and dropped counts that match the flags, and the like; a broken
// rule aborts) and parses them.
inline ParseOutcome ParseBytes(const std::vector<uint8_t>& bytes, ParseOutcome out = ParseOutcome()) {
  AviHeaderFuzzOne(bytes.data(), bytes.size());
  AviMemoryByteSource source(bytes);
  return ParseWith(source, out);
}

// The options of an orvo-avigen command line; an option's value may hold blanks ("--artist ORVO Video").
inline AviGenOptions Options(const std::string& line) {
  std::vector<std::string> arguments;
  for (std::size_t at = 0, end = 0; at < line.size(); at = end + 1) {
    end = std::min(line.find(" --", at), line.size());
    const std::size_t blank = line.find(' ', at);
    arguments.push_back(line.substr(at, std::min(blank, end) - at));
    if (blank < end) arguments.push_back(line.substr(blank + 1, end - blank - 1));
  }
  arguments.push_back("x.avi");
  AviGenOptions o;
  std::string path, error;
  bool help = false;
  EXPECT_TRUE(ParseAviGenArguments(arguments, &o, &path, &help, &error)) << line << ": " << error;
  return o;
}

inline std::vector<uint8_t> Recording(const std::string& line) { return GenerateAviBytes(Options(line)); }

// A small capture-program recording: 40 frames 80x60 DIB, 8 entries per
// standard index, frames 17-19 and 25 dropped as zero-length chunks.
inline const std::string Small = "--size 80x60 --frames 40 --index-entries 8 --drop 17-19,25";

// The flags a capture file of frames frames with these dropped must get.
inline std::vector<uint32_t> ExpectedFlags(uint32_t frames, const std::vector<uint32_t>& dropped) {
  std::vector<uint32_t> flags(frames, 1u);
  for (uint32_t f : dropped) flags[f] = 0;
  flags.resize(frames + 8, 0);
  return flags;
}

// The flags of a parse as the array they stand for, to compare and print.
inline std::vector<uint32_t> Entries(const KeyFrameFlagRuns& flags) {
  std::vector<uint32_t> entries;
  for (uint64_t i = 0; i < flags.Size(); ++i) entries.push_back(flags.Entry(i));
  return entries;
}

// A temporary file path, removed with the object.
struct TempFile {
  explicit TempFile(const std::string& name)
      : Path((std::filesystem::temp_directory_path() / (std::to_string(std::random_device()()) + name)).string()) {}
  ~TempFile() { std::remove(Path.c_str()); }
  std::string Path;
};

inline std::string U8(const char16_t* text) {
  std::string out;
  for (; *text != 0; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}
