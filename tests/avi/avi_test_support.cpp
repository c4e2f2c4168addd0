#include "avi_test_support.h"

#include <cstdio>
#include <cstdlib>

#include "messages/message_route.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {
MessageRecorder* CurrentRecorder = nullptr;
MessageSink PreviousSink = nullptr;

void Record(const char16_t* text, int stamp) {
  if (CurrentRecorder == nullptr) return;
  CurrentRecorder->Texts.emplace_back(text != nullptr ? text : u"");
  CurrentRecorder->Stamps.push_back(stamp);
}
}  // namespace

MessageRecorder::MessageRecorder() {
  CurrentRecorder = this;
  PreviousSink = SetMessageSink(Record);
}

MessageRecorder::~MessageRecorder() {
  SetMessageSink(PreviousSink);
  CurrentRecorder = nullptr;
}

AviReadStatus FaultyByteSource::ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) {
  Offsets.push_back(offset);
  if (Reads++ == FailReadNumber) {
    *bytesRead = 0;
    return Failure;
  }
  return Memory.ReadAt(offset, buffer, count, bytesRead);
}

bool FaultyByteSource::GetSize(uint64_t* size) {
  if (SizeFails) return false;
  if (SizeIsZero) {
    *size = 0;
    return true;
  }
  return Memory.GetSize(size);
}

ParseOutcome ParseWith(AviByteSource& source) {
  ParseOutcome out;
  MessageRecorder recorder;
  AviIndexConstants constants;
  SetAviIndexConstants(constants);
  out.Code = ParseAviHeader(source, constants, out.Info, out.Facts, out.Header);
  out.FromCapture = FromCaptureProgram != 0;
  out.Messages = recorder.Texts;
  for (int stamp : recorder.Stamps)
    if (stamp != 1) out.Messages.push_back(u"(message without time stamp)");
  return out;
}

ParseOutcome ParseBytes(const std::vector<uint8_t>& bytes) {
  AviMemoryByteSource source(bytes);
  return ParseWith(source);
}

std::vector<uint8_t> Generate(const AviGenOptions& options) {
  std::string error;
  std::vector<uint8_t> bytes = GenerateAviBytes(options, &error);
  if (bytes.empty()) {
    std::fprintf(stderr, "generator: %s\n", error.c_str());
    std::abort();
  }
  return bytes;
}

AviGenOptions SmallCaptureOptions() {
  AviGenOptions o;
  o.Width = 80;
  o.Height = 60;
  o.FrameCount = 40;
  o.IndexEntriesPerChunk = 8;
  o.DroppedFrames = {17, 18, 19, 25};
  return o;
}

TempFile::TempFile(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
#ifdef _WIN32
  if (dir == nullptr) dir = std::getenv("TEMP");
  std::string base = dir != nullptr ? dir : ".";
  Name = base + "\\orvo-avi-" + name;
#else
  std::string base = dir != nullptr ? dir : "/tmp";
  Name = base + "/orvo-avi-" + std::to_string(getpid()) + "-" + name;
#endif
}

TempFile::~TempFile() { std::remove(Name.c_str()); }

std::string U8(const char16_t* text) {
  std::string out;
  for (; *text != 0; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}

std::string RunCommand(const std::string& command, int* status) {
  std::string out;
#ifdef _WIN32
  (void)command;
  *status = -1;
#else
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return out;
  }
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  return out;
}

bool HaveProgram(const char* name) {
#ifdef _WIN32
  (void)name;
  return false;
#else
  int status = 0;
  RunCommand(std::string("command -v ") + name + " >/dev/null 2>&1", &status);
  return status == 0;
#endif
}
