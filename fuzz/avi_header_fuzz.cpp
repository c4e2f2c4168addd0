#include "avi_header_fuzz.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "avi/avi_byte_source.h"
#include "avi/avi_header_parser.h"
#include "avi/avi_text_format.h"
#include "messages/message_route.h"

namespace {

void Check(bool condition, const char* rule) {
  if (condition) return;
  std::fprintf(stderr, "AVI header fuzz: broken rule: %s\n", rule);
  std::abort();
}

std::vector<std::u16string> Messages;

void Collect(const char16_t* text, int stamp) {
  Check(text != nullptr && stamp == 1, "every message has a text and a time stamp");
  Messages.emplace_back(text);
}

bool StartsWith(const std::u16string& text, const char16_t* prefix) {
  return text.compare(0, std::char_traits<char16_t>::length(prefix), prefix) == 0;
}

// A memory image that fails one read, or the size query, as told.
class FailingSource final : public AviByteSource {
 public:
  FailingSource(const uint8_t* data, std::size_t size, int failRead, AviReadStatus failure, bool sizeFails)
      : Memory(data, size), FailRead(failRead), Failure(failure), SizeFails(sizeFails) {}
  AviReadStatus ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) override {
    Check(count <= (1u << 20), "no read is larger than one index block");
    if (Reads++ == FailRead) {
      *bytesRead = 0;
      return Failure;
    }
    return Memory.ReadAt(offset, buffer, count, bytesRead);
  }
  bool GetSize(uint64_t* size) override { return !SizeFails && Memory.GetSize(size); }
  int Reads = 0;

 private:
  AviMemoryByteSource Memory;
  int FailRead;
  AviReadStatus Failure;
  bool SizeFails;
};

template <std::size_t N>
void CheckField(const char16_t (&field)[N]) {
  bool terminated = false;
  for (std::size_t i = 0; i < N && !terminated; ++i) terminated = field[i] == 0;
  Check(terminated, "every text field ends inside its capacity");
}

void ParseAndCheck(AviByteSource& source, std::size_t size) {
  Messages.clear();
  AviFileInfo info;
  std::fill(reinterpret_cast<char*>(&info), reinterpret_cast<char*>(&info) + sizeof info, 0x55);
  AviFrameFacts facts;
  const uint32_t stale[] = {0, 1, 0};  // a previous file's flags
  facts.KeyFrameFlags = KeyFrameFlagRuns::FromEntries(stale, 3);
  AviHeaderFacts header;
  AviIndexConstants constants;
  SetAviIndexConstants(constants);
  const int32_t code = ParseAviHeader(source, constants, info, facts, header);

  Check(code == AviParseSucceeded || code == AviParseRefused || code == AviParseReadFailed,
        "the result is 0, E_ABORT or E_UNEXPECTED");
  Check(Messages.size() <= 3, "at most three messages");
  for (const std::u16string& m : Messages) {
    Check(StartsWith(m, u"WARNING: ") || StartsWith(m, u"SEVERE: ") || StartsWith(m, u"INFO: "),
          "every message carries its severity");
    Check(m.size() >= 2 && m.compare(m.size() - 2, 2, u"\r\n") == 0, "every message ends its line");
  }
  if (code == AviParseRefused)
    Check(!Messages.empty() && StartsWith(Messages.back(), u"WARNING: "), "a refusal ends with a WARNING");
  if (code == AviParseReadFailed)
    Check(!Messages.empty() && StartsWith(Messages.back(), u"SEVERE: "), "a read failure ends with a SEVERE message");
  CheckField(info.FilePath);
  CheckField(info.CodecName);
  CheckField(info.FrameSizeText);
  CheckField(info.FrameRateText);
  CheckField(info.TotalFramesText);
  CheckField(info.KeyFramesText);
  CheckField(info.DroppedFramesText);
  CheckField(info.FileSizeText);
  if (code != AviParseSucceeded) return;

  // A success tells at most that the size is unknown or that the file holds
  // fewer frames than its header says.
  Check(Messages.empty() || StartsWith(Messages.back(), u"INFO: ") ||
            StartsWith(Messages.back(), u"WARNING: the file holds "),
        "a success reports no failure");
  Check(facts.TotalFrames == facts.StreamLength, "TotalFrames equals StreamLength");
  Check(facts.TotalFrames <= size || facts.TotalFrames <= (1u << 24), "no stream longer than the file");
  const KeyFrameFlagRuns& flags = facts.KeyFrameFlags;
  Check(flags.Size() == static_cast<uint64_t>(facts.TotalFrames) + 8, "the flag array has TotalFrames + 8 entries");
  // Long arrays (only a file of unknown size can have one here): no index
  // walk wrote their spare slots.
  if (facts.TotalFrames > (1u << 16)) Check(flags.Entry(flags.Size() - 1) == 0, "the spare slots stay zero");
  // All key flags, and those of the stream's frames, from the runs of 0 entries.
  uint64_t keys = flags.Size(), frameKeys = facts.TotalFrames;
  for (std::size_t r = 0; r < flags.RunCount(); ++r) {
    const DropRun run = flags.Run(r);
    Check(run.Last < flags.Size() && (r == 0 || flags.Run(r - 1).Last + 1 < run.First),
          "the runs are in order, apart and inside the array");
    keys -= run.Length;
    if (run.First < facts.TotalFrames) frameKeys -= std::min<uint64_t>(run.Last, facts.TotalFrames - 1) - run.First + 1;
  }
  if (FromCaptureProgram) {
    Check(frameKeys == facts.KeyFrameCount, "the key count is the number of key flags of the stream's frames");
    Check(facts.DroppedFrameCount >= 0, "the dropped count is never negative");
    Check(facts.DroppedFrameCount == static_cast<int32_t>(facts.StreamLength - facts.KeyFrameCount),
          "dropped frames are the frames that are not key frames");
  } else {
    Check(keys == static_cast<uint64_t>(facts.TotalFrames) + 1, "other files have TotalFrames + 1 key flags");
    Check(facts.DroppedFrameCount == 0, "other files have no dropped frames");
    Check(info.KeyFramesText[0] == u'u' && info.DroppedFramesText[0] == u'u', "other files show unknown counts");
  }
  Check(info.CodecName[0] != 0 && info.FrameRateText[0] != 0, "codec and frame rate are filled");
}

uint32_t WordAt(const uint8_t* data, std::size_t size, std::size_t at) {
  uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(at + i < size ? data[at + i] : 0) << (8 * i);
  return v;
}

}  // namespace

int AviHeaderFuzzOne(const uint8_t* data, std::size_t size) {
  MessageSink previous = SetMessageSink(Collect);

  AviMemoryByteSource plain(data, size);
  ParseAndCheck(plain, size);

  // The same bytes through a source that fails somewhere.
  uint32_t choice = 2166136261u;
  for (std::size_t i = 0; i < size && i < 64; ++i) choice = (choice ^ data[i]) * 16777619u;
  FailingSource failing(data, size, static_cast<int>(choice % 8),
                        (choice >> 3) & 1 ? AviReadStatus::SeekFailed : AviReadStatus::ReadFailed,
                        (choice >> 4) % 32 == 0);  // rarely: arrays of unknown size are slow
  ParseAndCheck(failing, size);

  // The text writers with values taken from the data.
  char16_t rate[AviFrameRateTextUnits];
  FormatFrameRateText(rate, AviFrameRateTextUnits, WordAt(data, size, 132), WordAt(data, size, 128));
  CheckField(rate);
  char16_t sized[AviFileSizeTextUnits];
  const char16_t separator[2] = {static_cast<char16_t>(WordAt(data, size, 4) & 0xFF), 0};
  const uint64_t value = static_cast<uint64_t>(WordAt(data, size, 4)) << 32 | WordAt(data, size, 140);
  Check(FormatGroupedFileSize(sized, AviFileSizeTextUnits, value, separator), "any 64-bit size fits FileSizeText");
  CheckField(sized);

  SetMessageSink(previous);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) { return AviHeaderFuzzOne(data, size); }
