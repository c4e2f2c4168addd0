#include "avi/avi_header_parser.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "avi/avi_text_format.h"
#include "messages/message_route.h"

int FromCaptureProgram = 0;

void SetAviIndexConstants(AviIndexConstants& constants) {
  constants.SuperIndexEntryOffset = 32;
  constants.StandardIndexEntryOffset = 32;
  constants.DeltaFrameMask = 0x80000000u;
}

namespace {

// The first 8,192 bytes hold every header field the checks and facts need.
constexpr uint32_t HeaderReadSize = 8192;
// The chunk after the header list is read in one piece to find the artist tag.
constexpr uint32_t InfoReadSize = 4096;
// Every working buffer has 32 zero bytes after the largest read into it.
constexpr uint32_t BufferSlack = 32;
// Index entries are read in blocks of at most this many bytes, so that memory
// stays at the flag array and one block however large the index claims to be.
constexpr uint32_t IndexBlockSize = 1u << 20;
// Only the first 32 bytes of a standard index chunk (its header) are needed
// before its entries.
constexpr uint32_t StandardIndexHeaderSize = 32;

// A file whose size cannot be learnt may still claim any stream length; its
// flag array is held to 64 MB (six days of frames at 30 per second).
constexpr uint32_t MaxFramesOfUnknownSize = 1u << 24;

constexpr char CaptureProgramArtist[] = "ORVO Video Capture";

constexpr uint32_t Fourcc(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

uint16_t U16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t U32At(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

uint64_t U64At(const uint8_t* p) { return static_cast<uint64_t>(U32At(p)) | static_cast<uint64_t>(U32At(p + 4)) << 32; }

void Report(const char16_t* text) { RouteMessage(text, 1); }

// The header checks in file order: the offset of each FOURCC, its value and
// the message that refuses a file where it is missing.
struct HeaderCheck {
  uint32_t Offset;
  uint32_t Expected;
  const char16_t* Message;
};

const HeaderCheck HeaderChecks[] = {
    {0, Fourcc('R', 'I', 'F', 'F'), u"WARNING: AVI file header is not RIFF formatted; file open aborted\r\n"},
    {8, Fourcc('A', 'V', 'I', ' '), u"WARNING: AVI file header FOURCC code is not \"AVI \"; file open aborted\r\n"},
    {12, Fourcc('L', 'I', 'S', 'T'),
     u"WARNING: AVI file header chunk is not followed by a LIST structure; file open aborted\r\n"},
    {20, Fourcc('h', 'd', 'r', 'l'),
     u"WARNING: AVI file header LIST structure list type is not \"hdrl\"; file open aborted\r\n"},
    {88, Fourcc('L', 'I', 'S', 'T'),
     u"WARNING: AVI file main header structure is not followed by a LIST structure; file open aborted\r\n"},
    {96, Fourcc('s', 't', 'r', 'l'), u"WARNING: LIST structure list type is not \"strl\"; file open aborted\r\n"},
    {100, Fourcc('s', 't', 'r', 'h'),
     u"WARNING: stream header structure FOURCC code is not \"strh\"; file open aborted\r\n"},
    {164, Fourcc('s', 't', 'r', 'f'),
     u"WARNING: stream format structure FOURCC code is not \"strf\"; file open aborted\r\n"},
};

// Header fields.
constexpr uint32_t HeaderListSizeOffset = 16;
constexpr uint32_t FrameWidthOffset = 64;
constexpr uint32_t FrameHeightOffset = 68;
constexpr uint32_t HandlerOffset = 112;
constexpr uint32_t ScaleOffset = 128;
constexpr uint32_t RateOffset = 132;
constexpr uint32_t StreamLengthOffset = 140;
constexpr uint32_t BitmapHeaderOffset = 172;

const char16_t* const SizeUnknownInfo =
    u"INFO: cannot determine file size, thus cannot determine if file is created by ORVO Video Capture\r\n";
const char16_t* const CaptureSeekFailed = u"SEVERE: cannot set file pointer in file created by ORVO Video Capture\r\n";
const char16_t* const CaptureReadFailed = u"SEVERE: cannot read from file created by ORVO Video Capture\r\n";
const char16_t* const OpenedFileReadFailed = u"SEVERE: unable to read from the opened file\r\n";

// Reads count bytes at offset for the index walk. The walk only reads ranges
// already checked against the file size, so a short read means the file is not
// what its size said: it fails like any other read.
[[nodiscard]] bool ReadIndexBytes(AviByteSource& source, uint64_t offset, uint8_t* buffer, uint32_t count) {
  uint32_t got = 0;
  AviReadStatus status = source.ReadAt(offset, buffer, count, &got);
  if (status == AviReadStatus::SeekFailed) {
    Report(CaptureSeekFailed);
    return false;
  }
  if (status != AviReadStatus::Ok || got != count) {
    Report(CaptureReadFailed);
    return false;
  }
  return true;
}

// The standard index chunks' small reads (a chunk's header, then its entries)
// come through a read-ahead window, so that many small chunks lying close
// together cost one read of the file between them rather than two each. A
// miss reads the window's size from the requested position, clipped to the
// file end: 64 KB holds hundreds of small chunks lying among short frames, and
// where chunks lie megabytes apart among frame data a 64 KB read costs about
// what the 32-byte read it replaces did (a disk or the system's own read-ahead
// fetches that much for one read anyway). Only a chunk's header read fills the
// window: an entry block takes what the window holds and reads the rest
// straight into the caller's buffer, since a chunk's entries end where the
// chunk ends and whatever follows is frame data, not index. Failures report as
// ReadIndexBytes reports them.
class IndexReadAhead {
 public:
  static constexpr uint32_t WindowSize = 64u << 10;

  IndexReadAhead(AviByteSource& source, uint64_t fileSize) : Source(source), FileSize(fileSize) {}

  // Reads count bytes at offset into buffer, a miss filling the window when
  // readAhead; false (message reported) on a failed or short read.
  [[nodiscard]] bool Read(uint64_t offset, uint8_t* buffer, uint32_t count, bool readAhead) {
    if (offset >= Start && offset - Start < Held) {
      const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(count, Start + Held - offset));
      std::memcpy(buffer, Window.data() + (offset - Start), take);
      offset += take;
      buffer += take;
      count -= take;
      if (count == 0) return true;
    }
    if (!readAhead || count > WindowSize) return ReadIndexBytes(Source, offset, buffer, count);
    // The window's first use makes it; it is kept for the rest of the walk.
    if (Window.empty()) Window.assign(WindowSize, 0);
    // A range reaching past the file end is asked for whole, so its short
    // read fails as it always did.
    const uint32_t ask = offset < FileSize && FileSize - offset >= count
                             ? static_cast<uint32_t>(std::min<uint64_t>(WindowSize, FileSize - offset))
                             : count;
    Held = 0;
    uint32_t got = 0;
    const AviReadStatus status = Source.ReadAt(offset, Window.data(), ask, &got);
    if (status == AviReadStatus::SeekFailed) {
      Report(CaptureSeekFailed);
      return false;
    }
    if (status != AviReadStatus::Ok || got < count) {
      Report(CaptureReadFailed);
      return false;
    }
    Start = offset;
    Held = got;
    std::memcpy(buffer, Window.data(), count);
    return true;
  }

 private:
  AviByteSource& Source;
  const uint64_t FileSize;
  std::vector<uint8_t> Window;
  uint64_t Start = 0;  // the file position of Window[0]
  uint32_t Held = 0;   // the bytes of Window read from the file
};

// Whether a range of the file [offset, offset + length) lies inside it.
bool InsideFile(uint64_t offset, uint64_t length, uint64_t fileSize) {
  return offset <= fileSize && length <= fileSize - offset;
}

// Appends the key flags of n standard-index entries (size word at offset 4,
// entries entrySize bytes apart) to flags and counts the key frames among the
// frames below frames (the spare slots past the stream's end are not frames).
// The flags go through a small local batch so that the large array is
// written once, in order.
void AppendKeyFlags(const uint8_t* entries, uint32_t n, uint32_t entrySize, uint32_t delta, uint32_t frames,
                    std::vector<uint32_t>& flags, uint32_t& keyFrames) {
  constexpr uint32_t Batch = 1024;
  uint32_t batch[Batch];
  const uint8_t* p = entries + 4;
  for (uint32_t done = 0; done < n;) {
    const uint32_t m = std::min(Batch, n - done);
    uint32_t keys = 0;
    const std::size_t at = flags.size();
    for (uint32_t i = 0; i < m; ++i, p += entrySize) {
      const uint32_t key = (U32At(p) & delta) == 0 ? 1u : 0u;
      batch[i] = key;
      if (at + i < frames) keys += key;
    }
    flags.insert(flags.end(), batch, batch + m);
    keyFrames += keys;
    done += m;
  }
}

// Walks the OpenDML index of a capture-program file: the super index at
// superIndex (inside the header bytes), each standard index it lists, each
// frame entry in order, appending one flag per frame to flags (empty, with
// room reserved for slots entries) and counting the key frames among the
// stream's frames. The work is bounded by the flag array, not by what the
// super index claims: a standard index that is empty, lies before the end of
// the previous one (a repeat), or has more entries than the array has slots
// left marks the index as damaged. Returns 0 or AviParseReadFailed (message
// reported).
[[nodiscard]] int32_t WalkOpenDmlIndex(AviByteSource& source, const AviIndexConstants& constants,
                                       const uint8_t* superIndex, uint64_t superIndexPosition, uint64_t fileSize,
                                       std::size_t slots, uint32_t frames, std::vector<uint32_t>& flags,
                                       uint32_t& keyFrames) {
  const uint32_t superEntrySize = static_cast<uint16_t>(U16At(superIndex + 8) * 4u);
  const uint32_t superCount = U32At(superIndex + 12);
  if (superCount == 0) return AviParseSucceeded;

  // An entry must hold the chunk offset (8 bytes) and size (4 bytes), and
  // every entry must lie inside the file.
  const uint64_t superEntries = superIndexPosition + constants.SuperIndexEntryOffset;
  if (superEntrySize < 12 || superIndexPosition > fileSize || constants.SuperIndexEntryOffset > fileSize ||
      !InsideFile(superEntries, static_cast<uint64_t>(superCount) * superEntrySize, fileSize)) {
    Report(CaptureReadFailed);
    return AviParseReadFailed;
  }

  std::vector<uint8_t> superBlock;
  std::vector<uint8_t> entryBlock;
  IndexReadAhead chunkReads(source, fileSize);
  uint8_t chunkHeader[StandardIndexHeaderSize + BufferSlack];
  const uint32_t delta = constants.DeltaFrameMask;
  uint64_t previousEnd = 0;

  const uint32_t superPerBlock = std::max<uint32_t>(1, IndexBlockSize / superEntrySize);
  for (uint32_t first = 0; first < superCount; first += superPerBlock) {
    const uint32_t inBlock = std::min(superPerBlock, superCount - first);
    const uint32_t blockBytes = inBlock * superEntrySize;
    superBlock.assign(static_cast<std::size_t>(blockBytes) + BufferSlack, 0);
    if (!ReadIndexBytes(source, superEntries + static_cast<uint64_t>(first) * superEntrySize, superBlock.data(),
                        blockBytes))
      return AviParseReadFailed;

    for (uint32_t s = 0; s < inBlock; ++s) {
      const uint8_t* entry = superBlock.data() + static_cast<std::size_t>(s) * superEntrySize;
      const uint64_t chunkOffset = U64At(entry);
      const uint32_t chunkSize = U32At(entry + 8);
      if (!InsideFile(chunkOffset, chunkSize, fileSize)) {
        Report(CaptureReadFailed);
        return AviParseReadFailed;
      }
      // The chunk's header fields as far as the chunk's own size reaches.
      std::memset(chunkHeader, 0, sizeof chunkHeader);
      const uint32_t headerBytes = std::min(chunkSize, StandardIndexHeaderSize);
      if (headerBytes > 0 && !chunkReads.Read(chunkOffset, chunkHeader, headerBytes, true)) return AviParseReadFailed;
      const uint32_t entrySize = static_cast<uint16_t>(U16At(chunkHeader + 8) * 4u);
      const uint32_t count = U32At(chunkHeader + 12);
      // An entry holds the frame's offset and its size word (8 bytes).
      const uint64_t entries = chunkOffset + constants.StandardIndexEntryOffset;
      if (count == 0 || chunkOffset < previousEnd || count > slots - flags.size() || entrySize < 8 ||
          constants.StandardIndexEntryOffset > fileSize ||
          !InsideFile(entries, static_cast<uint64_t>(count) * entrySize, fileSize)) {
        Report(CaptureReadFailed);
        return AviParseReadFailed;
      }

      previousEnd = chunkOffset + chunkSize;
      const uint32_t perBlock = std::max<uint32_t>(1, IndexBlockSize / entrySize);
      for (uint32_t e0 = 0; e0 < count; e0 += perBlock) {
        const uint32_t n = std::min(perBlock, count - e0);
        const uint32_t bytes = n * entrySize;
        if (entryBlock.size() < static_cast<std::size_t>(bytes) + BufferSlack)
          entryBlock.assign(static_cast<std::size_t>(bytes) + BufferSlack, 0);
        if (!chunkReads.Read(entries + static_cast<uint64_t>(e0) * entrySize, entryBlock.data(), bytes, false))
          return AviParseReadFailed;
        AppendKeyFlags(entryBlock.data(), n, entrySize, delta, frames, flags, keyFrames);
      }
    }
  }
  return AviParseSucceeded;
}

// The first 8,192 bytes of the file; a shorter file leaves the rest zero.
// false (message reported) when the read fails.
[[nodiscard]] bool ReadHeaderBytes(AviByteSource& source, std::vector<uint8_t>& buffer, uint32_t& bytesRead) {
  buffer.assign(HeaderReadSize + BufferSlack, 0);
  bytesRead = 0;
  if (source.ReadAt(0, buffer.data(), HeaderReadSize, &bytesRead) != AviReadStatus::Ok) {
    Report(u"WARNING: unable to read data from AVI file; file open aborted\r\n");
    return false;
  }
  return true;
}

// The RIFF "AVI " chunk layout the player relies on, checked in file order:
// false (message reported) at the first FOURCC that is not where it belongs.
[[nodiscard]] bool CheckRiffAviLayout(const uint8_t* h) {
  for (const HeaderCheck& check : HeaderChecks) {
    if (U32At(h + check.Offset) != check.Expected) {
      Report(check.Message);
      return false;
    }
  }
  return true;
}

// The file size; false (messages reported) when it is unknown or zero. A
// known size is written into info as grouped digits.
[[nodiscard]] bool LearnFileSize(AviByteSource& source, AviFileInfo& info, uint64_t& fileSize) {
  fileSize = 0;
  if (!source.GetSize(&fileSize)) {
    Report(u"WARNING: unable to obtain the opened file size\r\n");
    Report(SizeUnknownInfo);
    return false;
  }
  if (fileSize == 0) {
    Report(SizeUnknownInfo);
    return false;
  }
  const char16_t separator[2] = {UserThousandsSeparator(), 0};
  FormatGroupedFileSize(info.FileSizeText, AviFileSizeTextUnits, fileSize, separator);
  return true;
}

// Looks for the capture program's artist tag in the chunk right after the
// header list and sets FromCaptureProgram when it is there. Returns 0 or
// AviParseReadFailed (message reported).
[[nodiscard]] int32_t FindCaptureArtistTag(AviByteSource& source, const uint8_t* h, uint64_t fileSize) {
  const uint64_t headerListEnd = static_cast<uint64_t>(U32At(h + HeaderListSizeOffset)) + 12;
  if (headerListEnd >= fileSize) return AviParseSucceeded;
  std::vector<uint8_t> infoBuffer(InfoReadSize + BufferSlack, 0);
  uint32_t got = 0;
  AviReadStatus status = source.ReadAt(headerListEnd + 8, infoBuffer.data(), InfoReadSize, &got);
  if (status == AviReadStatus::SeekFailed) {
    Report(u"SEVERE: unable to set the file pointer in the opened file\r\n");
    return AviParseReadFailed;
  }
  if (status != AviReadStatus::Ok) {
    Report(OpenedFileReadFailed);
    return AviParseReadFailed;
  }
  const uint8_t* chunk = infoBuffer.data();
  if (U32At(chunk) == Fourcc('L', 'I', 'S', 'T') && U32At(chunk + 8) == Fourcc('I', 'N', 'F', 'O') &&
      U32At(chunk + 12) == Fourcc('I', 'A', 'R', 'T')) {
    // The buffer ends in zeros, so the compare stops inside it whatever
    // length the file gives.
    const uint32_t artistLength = U32At(chunk + 16);
    if (std::strncmp(reinterpret_cast<const char*>(chunk + 20), CaptureProgramArtist, artistLength) == 0)
      FromCaptureProgram = 1;
  }
  return AviParseSucceeded;
}

// Reads the stream length into facts and makes room for its flag array
// (StreamLength + 8 slots). Every frame takes at least its 8-byte chunk header
// in the file, so a longer stream than the file can hold is a damaged header;
// it is refused before a flag array of its length is made. Without the file size
// the length is held to MaxFramesOfUnknownSize. Returns 0 or
// AviParseReadFailed (message reported).
[[nodiscard]] int32_t ReadStreamLength(const uint8_t* h, bool sizeKnown, uint64_t fileSize, AviFrameFacts& facts) {
  const uint32_t streamLength = U32At(h + StreamLengthOffset);
  facts.TotalFrames = streamLength;
  facts.StreamLength = streamLength;
  facts.KeyFrameFlags = std::vector<uint32_t>();
  if (sizeKnown ? streamLength > fileSize / 8 : streamLength > MaxFramesOfUnknownSize) {
    Report(OpenedFileReadFailed);
    return AviParseReadFailed;
  }
  try {
    facts.KeyFrameFlags.reserve(static_cast<std::size_t>(streamLength) + 8);
  } catch (const std::bad_alloc&) {
    Report(OpenedFileReadFailed);
    return AviParseReadFailed;
  }
  return AviParseSucceeded;
}

// Fills the key-frame flags. Other programs' files count every frame as a key
// frame (entries 0 to StreamLength set); a capture-program file has its
// OpenDML index walked from the super index, which stands right after the
// stream format's bitmap header and must lie inside the header bytes read.
// The flags are written in frame order and the array is zero-filled to its
// full length at the end (also when the walk fails), so each entry is
// written once. Returns 0 or AviParseReadFailed (message reported).
[[nodiscard]] int32_t FindKeyFrames(AviByteSource& source, const AviIndexConstants& constants, const uint8_t* h,
                                    uint32_t headerBytes, uint64_t fileSize, AviFrameFacts& facts,
                                    uint32_t& keyFrames) {
  const uint32_t streamLength = facts.StreamLength;
  const std::size_t slots = static_cast<std::size_t>(streamLength) + 8;
  std::vector<uint32_t>& flags = facts.KeyFrameFlags;
  if (!FromCaptureProgram) {
    flags.assign(static_cast<std::size_t>(streamLength) + 1, 1u);
    flags.resize(slots, 0);
    keyFrames = streamLength;
    return AviParseSucceeded;
  }
  const uint64_t superIndexPosition = BitmapHeaderOffset + static_cast<uint64_t>(U32At(h + BitmapHeaderOffset));
  int32_t walked = AviParseSucceeded;
  if (superIndexPosition + 16 > headerBytes || U32At(h + superIndexPosition) != Fourcc('i', 'n', 'd', 'x')) {
    Report(u"SEVERE: problem reading FOURCC value in file created by ORVO Video Capture\r\n");
    walked = AviParseReadFailed;
  } else {
    walked = WalkOpenDmlIndex(source, constants, h + superIndexPosition, superIndexPosition, fileSize, slots,
                              streamLength, flags, keyFrames);
  }
  flags.resize(slots, 0);
  return walked;
}

// The frame size, rate, scale and handler of the main and first stream headers.
AviHeaderFacts ReadHeaderFacts(const uint8_t* h) {
  AviHeaderFacts header;
  header.FrameWidth = U32At(h + FrameWidthOffset);
  header.FrameHeight = U32At(h + FrameHeightOffset);
  // A size no picture has (or none at all) is left to the renderer's
  // connection to tell.
  if (!IsPictureSize(header.FrameWidth, header.FrameHeight)) header.FrameWidth = header.FrameHeight = 0;
  header.Rate = U32At(h + RateOffset);
  header.Scale = U32At(h + ScaleOffset);
  header.HandlerFourcc = U32At(h + HandlerOffset);
  header.Codec.Handler = header.HandlerFourcc;
  header.Codec.Compression = U32At(h + BitmapHeaderOffset + 16);
  header.Codec.BitCount = U16At(h + BitmapHeaderOffset + 14);
  return header;
}

// The texts of the file facts: frame rate, codec and, for capture-program
// files, the key and dropped frame counts ("unknown" for other files).
void FillInfoTexts(const AviHeaderFacts& header, const AviFrameFacts& facts, AviFileInfo& info) {
  FormatFrameRate(info, header.Rate, header.Scale);
  FormatCodecName(info, header.Codec);
  if (FromCaptureProgram) {
    FormatUnsignedText(info.KeyFramesText, AviCountTextUnits, facts.KeyFrameCount);
    FormatSignedText(info.DroppedFramesText, AviCountTextUnits, facts.DroppedFrameCount);
  } else {
    CopyFieldText(info.KeyFramesText, AviCountTextUnits, u"unknown");
    CopyFieldText(info.DroppedFramesText, AviCountTextUnits, u"unknown");
  }
}

}  // namespace

int32_t ParseAviHeader(AviByteSource& source, const AviIndexConstants& constants, AviFileInfo& info,
                       AviFrameFacts& facts, AviHeaderFacts& header) {
  // A parse starts from a clear record.
  std::memset(&info, 0, sizeof info);
  facts.DroppedFrameCount = 0;
  facts.KeyFrameCount = 0;
  FromCaptureProgram = 0;

  std::vector<uint8_t> headerBuffer;
  uint32_t headerBytes = 0;
  if (!ReadHeaderBytes(source, headerBuffer, headerBytes)) return AviParseRefused;
  const uint8_t* h = headerBuffer.data();
  if (!CheckRiffAviLayout(h)) return AviParseRefused;

  uint64_t fileSize = 0;
  const bool sizeKnown = LearnFileSize(source, info, fileSize);
  if (sizeKnown) {
    const int32_t tagged = FindCaptureArtistTag(source, h, fileSize);
    if (tagged != AviParseSucceeded) return tagged;
  }

  int32_t result = ReadStreamLength(h, sizeKnown, fileSize, facts);
  if (result != AviParseSucceeded) return result;
  uint32_t keyFrames = 0;
  result = FindKeyFrames(source, constants, h, headerBytes, fileSize, facts, keyFrames);
  if (result != AviParseSucceeded) return result;
  facts.KeyFrameCount = keyFrames;

  header = ReadHeaderFacts(h);
  // Dropped frames: the frames that are not key frames.
  facts.DroppedFrameCount = static_cast<int32_t>(facts.StreamLength - keyFrames);
  FillInfoTexts(header, facts, info);
  return AviParseSucceeded;
}
