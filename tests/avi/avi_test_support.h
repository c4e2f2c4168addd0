// Shared helpers of the AVI tests: a message sink that records what the
// parser reports, byte sources that fail on demand, and temporary files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "avi/avi_byte_source.h"
#include "avi/avi_header_parser.h"
#include "avi_generator.h"

// Records every routed message while alive; restores the previous sink.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  std::vector<std::u16string> Texts;
  std::vector<int> Stamps;
};

// A memory image whose reads, seeks and size query fail as told.
class FaultyByteSource final : public AviByteSource {
 public:
  explicit FaultyByteSource(const std::vector<uint8_t>& bytes) : Memory(bytes) {}
  AviReadStatus ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) override;
  bool GetSize(uint64_t* size) override;

  int FailReadNumber = -1;                            // the read with this number (from 0) fails ...
  AviReadStatus Failure = AviReadStatus::ReadFailed;  // ... this way
  bool SizeFails = false;
  bool SizeIsZero = false;
  int Reads = 0;
  std::vector<uint64_t> Offsets;  // of every read asked for

 private:
  AviMemoryByteSource Memory;
};

struct ParseOutcome {
  int32_t Code = 0;
  AviFileInfo Info{};
  AviFrameFacts Facts;
  AviHeaderFacts Header;
  bool FromCapture = false;
  std::vector<std::u16string> Messages;
};

ParseOutcome ParseWith(AviByteSource& source);
ParseOutcome ParseBytes(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> Generate(const AviGenOptions& options);

// A small capture-program recording: 40 frames 80x60 DIB, 8 entries per
// standard index, frames 17-19 and 25 dropped as zero-length chunks.
AviGenOptions SmallCaptureOptions();

// A path for a temporary file that is removed when the object goes away.
class TempFile {
 public:
  explicit TempFile(const std::string& name);
  ~TempFile();
  const std::string& Path() const { return Name; }

 private:
  std::string Name;
};

std::string U8(const char16_t* text);

// Runs a command and returns its standard output; *status gets its exit
// status (-1 when it could not run).
std::string RunCommand(const std::string& command, int* status);
bool HaveProgram(const char* name);
