#include "avi/avi_header_parser.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "avi/avi_stream_layout.h"
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

const char16_t* const SizeUnknownInfo =
    u"INFO: cannot determine file size, thus cannot determine if file is created by ORVO Video Capture\r\n";
const char16_t* const CaptureSeekFailed = u"SEVERE: cannot set file pointer in file created by ORVO Video Capture\r\n";
const char16_t* const CaptureReadFailed = u"SEVERE: cannot read from file created by ORVO Video Capture\r\n";
const char16_t* const OpenedFileSeekFailed = u"SEVERE: unable to set the file pointer in the opened file\r\n";
const char16_t* const OpenedFileReadFailed = u"SEVERE: unable to read from the opened file\r\n";

// What a walk of an OpenDML index found: the index read whole (or as far as
// the file goes), a failed read, or what is wrong with it.
enum class IndexWalk {
  Walked,
  SeekFailed,
  ReadFailed,
  SuperEntriesTooShort,
  SuperIndexPastFile,
  ChunkTooSmall,
  ChunkEmpty,
  ChunkRepeated,
  EntriesTooShort,
  EntriesPastChunk,
  MoreFramesThanStream,
  NothingInsideFile,
};

// The message of a damaged index of a capture-program file.
const char16_t* CaptureIndexDamage(IndexWalk walk) {
  switch (walk) {
    case IndexWalk::SuperEntriesTooShort:
      return u"SEVERE: the super index of the file created by ORVO Video Capture has entries too short to locate a "
             u"standard index; file open aborted\r\n";
    case IndexWalk::SuperIndexPastFile:
      return u"SEVERE: the super index of the file created by ORVO Video Capture lists more entries than the file "
             u"can hold; file open aborted\r\n";
    case IndexWalk::ChunkTooSmall:
      return u"SEVERE: a standard index of the file created by ORVO Video Capture is too small to hold its header; "
             u"file open aborted\r\n";
    case IndexWalk::ChunkEmpty:
      return u"SEVERE: a standard index of the file created by ORVO Video Capture lists no frames; file open "
             u"aborted\r\n";
    case IndexWalk::ChunkRepeated:
      return u"SEVERE: the super index of the file created by ORVO Video Capture lists a standard index twice or "
             u"out of order; file open aborted\r\n";
    case IndexWalk::EntriesTooShort:
      return u"SEVERE: a standard index of the file created by ORVO Video Capture has entries too short to hold a "
             u"frame's size; file open aborted\r\n";
    case IndexWalk::EntriesPastChunk:
      return u"SEVERE: a standard index of the file created by ORVO Video Capture lists more entries than its "
             u"chunk holds; file open aborted\r\n";
    case IndexWalk::MoreFramesThanStream:
      return u"SEVERE: the index of the file created by ORVO Video Capture lists more frames than the video "
             u"stream's length; file open aborted\r\n";
    case IndexWalk::NothingInsideFile:
      return u"SEVERE: the index of the file created by ORVO Video Capture lists no frame inside the file; file "
             u"open aborted\r\n";
    case IndexWalk::SeekFailed:
      return CaptureSeekFailed;
    case IndexWalk::ReadFailed:
    case IndexWalk::Walked:
      break;
  }
  return CaptureReadFailed;
}

// Reads count bytes at offset for the index walk. The walk only reads ranges
// already checked against the file size, so a short read means the file is not
// what its size said: it fails like any other read.
[[nodiscard]] IndexWalk ReadIndexBytes(AviByteSource& source, uint64_t offset, uint8_t* buffer, uint32_t count) {
  uint32_t got = 0;
  AviReadStatus status = source.ReadAt(offset, buffer, count, &got);
  if (status == AviReadStatus::SeekFailed) return IndexWalk::SeekFailed;
  if (status != AviReadStatus::Ok || got != count) return IndexWalk::ReadFailed;
  return IndexWalk::Walked;
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
// chunk ends and whatever follows is frame data, not index.
class IndexReadAhead {
 public:
  static constexpr uint32_t WindowSize = 64u << 10;

  IndexReadAhead(AviByteSource& source, uint64_t fileSize) : Source(source), FileSize(fileSize) {}

  // Reads count bytes at offset (inside the file) into buffer, a miss
  // filling the window when readAhead.
  [[nodiscard]] IndexWalk Read(uint64_t offset, uint8_t* buffer, uint32_t count, bool readAhead) {
    if (offset >= Start && offset - Start < Held) {
      const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(count, Start + Held - offset));
      std::memcpy(buffer, Window.data() + (offset - Start), take);
      offset += take;
      buffer += take;
      count -= take;
      if (count == 0) return IndexWalk::Walked;
    }
    if (!readAhead || count > WindowSize) return ReadIndexBytes(Source, offset, buffer, count);
    // The window's first use makes it; it is kept for the rest of the walk.
    if (Window.empty()) Window.assign(WindowSize, 0);
    const uint32_t ask = static_cast<uint32_t>(std::min<uint64_t>(WindowSize, FileSize - offset));
    Held = 0;
    uint32_t got = 0;
    const AviReadStatus status = Source.ReadAt(offset, Window.data(), ask, &got);
    if (status == AviReadStatus::SeekFailed) return IndexWalk::SeekFailed;
    if (status != AviReadStatus::Ok || got < count) return IndexWalk::ReadFailed;
    Start = offset;
    Held = got;
    std::memcpy(buffer, Window.data(), count);
    return IndexWalk::Walked;
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

// How many of n standard-index entries (entrySize bytes apart, each a frame's
// offset from base and its size word) list frames that lie whole inside the
// file: a file cut short ends inside its last frames.
uint32_t FramesInsideFile(const uint8_t* entries, uint32_t n, uint32_t entrySize, uint64_t base, uint32_t delta,
                          uint64_t fileSize) {
  const uint8_t* p = entries;
  for (uint32_t i = 0; i < n; ++i, p += entrySize) {
    const uint64_t end = base + U32At(p) + (U32At(p + 4) & ~delta);
    if (end < base || end > fileSize) return i;
  }
  return n;
}

// Appends the key flags of n standard-index entries (size word at offset 4,
// entries entrySize bytes apart) to flags and counts the key frames among the
// frames below frames (the spare slots past the stream's end are not frames).
void AppendKeyFlags(const uint8_t* entries, uint32_t n, uint32_t entrySize, uint32_t delta, uint32_t frames,
                    KeyFrameFlagRuns& flags, uint32_t& keyFrames) {
  const uint8_t* p = entries + 4;
  uint32_t keys = 0;
  for (uint32_t i = 0; i < n; ++i, p += entrySize) {
    const bool key = (U32At(p) & delta) == 0;
    if (key && flags.Size() < frames) ++keys;
    flags.Append(key);
  }
  keyFrames += keys;
}

// What an index walk gives: the frames it lists inside the file, and their
// key flags and key count when asked for.
struct IndexFrames {
  uint32_t Listed = 0;
  bool CutShort = false;  // the index lists frames past the end of the file
  uint32_t KeyFrames = 0;
  KeyFrameFlagRuns* Flags = nullptr;  // null: count only
};

// Walks an OpenDML index: the super index at superIndex (inside the header
// bytes), each standard index it lists, each frame entry in order, counting
// the frames that lie inside the file and, when out.Flags is given,
// appending one flag per frame and counting the key frames among the
// stream's frames. The work is bounded by slots, not by what the super index
// claims: a standard index that is empty, lies before the end of the
// previous one (a repeat), or has more entries than slots has left marks the
// index as damaged. An index chunk or frame past the end of the file ends
// the walk there: the file was cut short.
[[nodiscard]] IndexWalk WalkOpenDmlIndex(AviByteSource& source, const AviIndexConstants& constants,
                                         const uint8_t* superIndex, uint64_t superIndexPosition, uint64_t fileSize,
                                         std::size_t slots, uint32_t frames, IndexFrames& out) {
  const uint32_t superEntrySize = static_cast<uint16_t>(U16At(superIndex + 8) * 4u);
  const uint32_t superCount = U32At(superIndex + 12);
  if (superCount == 0) return IndexWalk::Walked;

  // An entry must hold the chunk offset (8 bytes) and size (4 bytes), and
  // every entry must lie inside the file.
  if (superEntrySize < 12) return IndexWalk::SuperEntriesTooShort;
  const uint64_t superEntries = superIndexPosition + constants.SuperIndexEntryOffset;
  if (superIndexPosition > fileSize || constants.SuperIndexEntryOffset > fileSize ||
      !InsideFile(superEntries, static_cast<uint64_t>(superCount) * superEntrySize, fileSize))
    return IndexWalk::SuperIndexPastFile;

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
    IndexWalk read =
        ReadIndexBytes(source, superEntries + static_cast<uint64_t>(first) * superEntrySize, superBlock.data(), blockBytes);
    if (read != IndexWalk::Walked) return read;

    for (uint32_t s = 0; s < inBlock; ++s) {
      const uint8_t* entry = superBlock.data() + static_cast<std::size_t>(s) * superEntrySize;
      const uint64_t chunkOffset = U64At(entry);
      const uint32_t chunkSize = U32At(entry + 8);
      if (chunkSize < StandardIndexHeaderSize) return IndexWalk::ChunkTooSmall;
      if (!InsideFile(chunkOffset, StandardIndexHeaderSize, fileSize)) {
        out.CutShort = true;
        return IndexWalk::Walked;
      }
      std::memset(chunkHeader, 0, sizeof chunkHeader);
      read = chunkReads.Read(chunkOffset, chunkHeader, StandardIndexHeaderSize, true);
      if (read != IndexWalk::Walked) return read;
      const uint32_t entrySize = static_cast<uint16_t>(U16At(chunkHeader + 8) * 4u);
      const uint32_t count = U32At(chunkHeader + 12);
      const uint64_t base = U64At(chunkHeader + 20);
      // An entry holds the frame's offset and its size word (8 bytes).
      if (count == 0) return IndexWalk::ChunkEmpty;
      if (chunkOffset < previousEnd) return IndexWalk::ChunkRepeated;
      if (entrySize < 8) return IndexWalk::EntriesTooShort;
      if (static_cast<uint64_t>(count) * entrySize > chunkSize) return IndexWalk::EntriesPastChunk;
      if (count > slots - out.Listed) return IndexWalk::MoreFramesThanStream;
      const uint64_t entries = chunkOffset + constants.StandardIndexEntryOffset;
      if (constants.StandardIndexEntryOffset > fileSize) return IndexWalk::SuperIndexPastFile;
      // The entries inside the file; a chunk cut by the end of the file
      // lists its frames as far as it goes.
      const uint64_t whole = entries > fileSize ? 0 : (fileSize - entries) / entrySize;
      const uint32_t inside = static_cast<uint32_t>(std::min<uint64_t>(count, whole));
      previousEnd = entries + static_cast<uint64_t>(count) * entrySize;

      const uint32_t perBlock = std::max<uint32_t>(1, IndexBlockSize / entrySize);
      for (uint32_t e0 = 0; e0 < inside; e0 += perBlock) {
        const uint32_t n = std::min(perBlock, inside - e0);
        const uint32_t bytes = n * entrySize;
        if (entryBlock.size() < static_cast<std::size_t>(bytes) + BufferSlack)
          entryBlock.assign(static_cast<std::size_t>(bytes) + BufferSlack, 0);
        read = chunkReads.Read(entries + static_cast<uint64_t>(e0) * entrySize, entryBlock.data(), bytes, false);
        if (read != IndexWalk::Walked) return read;
        const uint32_t present = FramesInsideFile(entryBlock.data(), n, entrySize, base, delta, fileSize);
        if (out.Flags != nullptr) AppendKeyFlags(entryBlock.data(), present, entrySize, delta, frames, *out.Flags, out.KeyFrames);
        out.Listed += present;
        if (present < n) {
          out.CutShort = true;
          return IndexWalk::Walked;
        }
      }
      if (inside < count) {
        out.CutShort = true;
        return IndexWalk::Walked;
      }
    }
  }
  return IndexWalk::Walked;
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

// The header bytes, grown to the whole header list when it reaches past the
// first 8,192 bytes (several streams, each with room reserved for an index,
// easily do), up to one index block. Returns 0 or AviParseReadFailed (message
// reported).
[[nodiscard]] int32_t ReadWholeHeaderList(AviByteSource& source, bool sizeKnown, uint64_t fileSize,
                                          std::vector<uint8_t>& buffer, uint32_t& headerBytes) {
  uint64_t end = std::min<uint64_t>(HeaderListEnd(buffer.data()), IndexBlockSize);
  if (sizeKnown) end = std::min(end, fileSize);
  if (headerBytes < HeaderReadSize || end <= headerBytes) return AviParseSucceeded;
  const uint32_t wanted = static_cast<uint32_t>(end);
  buffer.assign(static_cast<std::size_t>(wanted) + BufferSlack, 0);
  uint32_t got = 0;
  const AviReadStatus status = source.ReadAt(0, buffer.data(), wanted, &got);
  if (status != AviReadStatus::Ok) {
    Report(status == AviReadStatus::SeekFailed ? OpenedFileSeekFailed : OpenedFileReadFailed);
    return AviParseReadFailed;
  }
  headerBytes = got;
  return AviParseSucceeded;
}

// A text with the decimal numbers of first and second standing in for the
// marks "#1" and "#2", composed in a field of capacity units; cut at the
// field's end (the texts are far shorter).
void ComposeWithNumbers(char16_t* field, std::size_t capacity, const char16_t* text, uint64_t first,
                        uint64_t second) {
  std::size_t at = 0;
  for (const char16_t* p = text; *p != 0 && at + 1 < capacity; ++p) {
    if (p[0] == u'#' && (p[1] == u'1' || p[1] == u'2')) {
      char16_t digits[24];
      FormatUnsignedText(digits, 24, p[1] == u'1' ? first : second);
      for (const char16_t* d = digits; *d != 0 && at + 1 < capacity; ++d) field[at++] = *d;
      ++p;
    } else {
      field[at++] = *p;
    }
  }
  field[at] = 0;
}

void ReportWithNumbers(const char16_t* text, uint64_t first, uint64_t second = 0) {
  char16_t message[256];
  ComposeWithNumbers(message, 256, text, first, second);
  Report(message);
}

// Every frame takes at least its 8-byte chunk header in the file.
bool LengthFitsFile(uint32_t streamLength, bool sizeKnown, uint64_t fileSize) {
  return sizeKnown ? streamLength <= fileSize / 8 : streamLength <= MaxFramesOfUnknownSize;
}

void ReportLengthPastFile(uint32_t streamLength) {
  ReportWithNumbers(u"SEVERE: the video stream's length of #1 frames is more than the file can hold; file open "
                    u"aborted\r\n",
                    streamLength);
}

// Reads the video stream's length into facts. A longer stream than the file
// can hold is a damaged header; in a capture-program file (or one of unknown
// size) it is refused. Other writers leave such a length in files they never
// finished (written to a pipe, say): their frames are counted from the file
// instead. Without the file size the length is held to
// MaxFramesOfUnknownSize. Returns 0 or AviParseReadFailed (message reported).
[[nodiscard]] int32_t ReadStreamLength(const AviVideoStream& stream, bool sizeKnown, uint64_t fileSize,
                                       AviFrameFacts& facts) {
  const uint32_t streamLength = stream.Length;
  facts.TotalFrames = streamLength;
  facts.StreamLength = streamLength;
  facts.KeyFrameFlags.Clear();
  if (!LengthFitsFile(streamLength, sizeKnown, fileSize)) {
    if (sizeKnown && !FromCaptureProgram) return AviParseSucceeded;
    ReportLengthPastFile(streamLength);
    return AviParseReadFailed;
  }
  return AviParseSucceeded;
}

// The frames of the video stream that the file holds, as the index or the
// movie data show them; the stream length when nothing tells (a file of
// unknown size, or one without a movie list). A failed read is reported and
// gives AviParseReadFailed.
[[nodiscard]] int32_t CountFramesOfOtherWriters(AviByteSource& source, const AviIndexConstants& constants,
                                                const uint8_t* h, uint32_t headerBytes, uint64_t fileSize,
                                                const AviVideoStream& stream, uint32_t& present) {
  present = stream.Length;
  // An OpenDML index of the stream's own, when it is sound, tells the most;
  // a damaged one is passed over (it was never the player's to refuse).
  if (stream.SuperIndex != 0 && stream.SuperIndex + 16 <= headerBytes) {
    IndexFrames listed;
    const IndexWalk walk = WalkOpenDmlIndex(source, constants, h + stream.SuperIndex, stream.SuperIndex, fileSize,
                                            static_cast<std::size_t>(stream.Length) + 8, stream.Length, listed);
    if (walk == IndexWalk::SeekFailed || walk == IndexWalk::ReadFailed) {
      Report(walk == IndexWalk::SeekFailed ? OpenedFileSeekFailed : OpenedFileReadFailed);
      return AviParseReadFailed;
    }
    if (walk == IndexWalk::MoreFramesThanStream) return AviParseSucceeded;
    if (walk == IndexWalk::Walked && listed.Listed > 0) {
      present = std::min(listed.Listed, stream.Length);
      return AviParseSucceeded;
    }
  }
  uint32_t counted = 0;
  const AviCount count = CountFramesPresent(source, fileSize, stream.Number, stream.Length, counted);
  if (count == AviCount::SeekFailed || count == AviCount::ReadFailed) {
    Report(count == AviCount::SeekFailed ? OpenedFileSeekFailed : OpenedFileReadFailed);
    return AviParseReadFailed;
  }
  if (count == AviCount::Counted) present = counted;
  return AviParseSucceeded;
}

// Fills the key-frame flags and learns how many of the stream's frames the
// file holds. Other programs' files count every frame as a key frame (entries
// 0 to the frames present set); a capture-program file has its OpenDML index
// walked from the super index, which stands right after the stream format's
// bitmap header and must lie inside the header bytes read. The flags are
// written in frame order, one run per gap in the key frames, and padded with
// 0 entries to their full length at the end (also when the walk fails): their
// memory follows the drops the index lists, not the stream length. Returns 0
// or AviParseReadFailed (message reported); present is what the file holds,
// at most the stream length.
[[nodiscard]] int32_t FindKeyFrames(AviByteSource& source, const AviIndexConstants& constants, const uint8_t* h,
                                    uint32_t headerBytes, bool sizeKnown, uint64_t fileSize,
                                    const AviVideoStream& stream, AviFrameFacts& facts, uint32_t& keyFrames,
                                    uint32_t& present) {
  const uint32_t streamLength = facts.StreamLength;
  KeyFrameFlagRuns& flags = facts.KeyFrameFlags;
  present = streamLength;
  if (!FromCaptureProgram) {
    if (sizeKnown) {
      const int32_t counted =
          CountFramesOfOtherWriters(source, constants, h, headerBytes, fileSize, stream, present);
      if (counted != AviParseSucceeded) return counted;
    }
    // A length past the file that nothing could count is refused after all.
    if (!LengthFitsFile(present, sizeKnown, fileSize)) {
      ReportLengthPastFile(streamLength);
      return AviParseReadFailed;
    }
    flags.Clear();
    flags.AppendEntries(true, static_cast<uint64_t>(present) + 1);
    flags.Resize(static_cast<uint64_t>(present) + 8);
    keyFrames = present;
    return AviParseSucceeded;
  }
  const uint64_t superIndexPosition = stream.FormatEnd;
  if (superIndexPosition + 16 > headerBytes || U32At(h + superIndexPosition) != Fourcc('i', 'n', 'd', 'x')) {
    Report(u"SEVERE: problem reading FOURCC value in file created by ORVO Video Capture\r\n");
    flags.Resize(static_cast<uint64_t>(streamLength) + 8);
    return AviParseReadFailed;
  }
  IndexFrames listed;
  listed.Flags = &flags;
  IndexWalk walk = WalkOpenDmlIndex(source, constants, h + superIndexPosition, superIndexPosition, fileSize,
                                    static_cast<std::size_t>(streamLength) + 8, streamLength, listed);
  // An index whose every frame lies past the end of the file is not that of
  // a file cut short (its first frames would be there) but a damaged one.
  if (walk == IndexWalk::Walked && listed.CutShort && listed.Listed == 0) walk = IndexWalk::NothingInsideFile;
  if (walk != IndexWalk::Walked) {
    Report(CaptureIndexDamage(walk));
    flags.Resize(static_cast<uint64_t>(streamLength) + 8);
    return AviParseReadFailed;
  }
  keyFrames = listed.KeyFrames;
  if (listed.Listed == 0 && !listed.CutShort) {
    // An index with no entries in use (a capture that ended before writing
    // it) flags nothing: every frame the movie data holds counts as dropped.
    uint32_t counted = 0;
    const AviCount count = CountFramesPresent(source, fileSize, stream.Number, streamLength, counted);
    if (count == AviCount::SeekFailed || count == AviCount::ReadFailed) {
      Report(count == AviCount::SeekFailed ? CaptureSeekFailed : CaptureReadFailed);
      flags.Resize(static_cast<uint64_t>(streamLength) + 8);
      return AviParseReadFailed;
    }
    if (count == AviCount::Counted) present = counted;
  } else if (listed.Listed < streamLength) {
    present = listed.Listed;
  }
  flags.Resize(static_cast<uint64_t>(std::min(present, streamLength)) + 8);
  return AviParseSucceeded;
}

// The frames the file holds become the stream's frames when they are fewer
// than its header says, and the user is told. A file that holds none of them
// is refused. Returns 0 or AviParseRefused (message reported).
[[nodiscard]] int32_t KeepFramesPresent(uint32_t present, AviFrameFacts& facts) {
  if (present >= facts.StreamLength) return AviParseSucceeded;
  if (present == 0) {
    ReportWithNumbers(u"WARNING: the file holds none of the #1 video frames its header gives; file open aborted\r\n",
                      facts.StreamLength);
    return AviParseRefused;
  }
  ReportWithNumbers(u"WARNING: the file holds #1 video frames, fewer than the #2 its header gives (it may have been "
                    u"cut short); only the frames present are shown\r\n",
                    present, facts.StreamLength);
  facts.TotalFrames = present;
  facts.StreamLength = present;
  return AviParseSucceeded;
}

// The frame size, rate, scale and handler of the main header and the video
// stream. A size no picture has (or none at all) is given as 0 x 0: the
// renderer's connection tells it then, or else the video format.
AviHeaderFacts ReadHeaderFacts(const uint8_t* h, const AviVideoStream& stream) {
  AviHeaderFacts header;
  header.FrameWidth = U32At(h + FrameWidthOffset);
  header.FrameHeight = U32At(h + FrameHeightOffset);
  if (!IsPictureSize(header.FrameWidth, header.FrameHeight)) header.FrameWidth = header.FrameHeight = 0;
  if (IsPictureSize(stream.BitmapWidth, stream.BitmapHeight)) {
    header.FormatWidth = stream.BitmapWidth;
    header.FormatHeight = stream.BitmapHeight;
  }
  header.Rate = stream.Rate;
  header.Scale = stream.Scale;
  header.HandlerFourcc = stream.Handler;
  header.Codec.Handler = stream.Handler;
  header.Codec.Compression = stream.Compression;
  header.Codec.BitCount = stream.BitCount;
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
  if (!CheckRiffAviLayout(headerBuffer.data())) return AviParseRefused;

  uint64_t fileSize = 0;
  const bool sizeKnown = LearnFileSize(source, info, fileSize);
  if (sizeKnown) {
    const int32_t tagged = FindCaptureArtistTag(source, headerBuffer.data(), fileSize);
    if (tagged != AviParseSucceeded) return tagged;
  }

  int32_t result = ReadWholeHeaderList(source, sizeKnown, fileSize, headerBuffer, headerBytes);
  if (result != AviParseSucceeded) return result;
  const uint8_t* h = headerBuffer.data();
  AviVideoStream stream;
  if (!FindVideoStream(h, headerBytes, stream)) {
    Report(u"WARNING: AVI file contains no video stream; file open aborted\r\n");
    return AviParseRefused;
  }

  result = ReadStreamLength(stream, sizeKnown, fileSize, facts);
  if (result != AviParseSucceeded) return result;
  uint32_t keyFrames = 0, present = 0;
  try {
    result = FindKeyFrames(source, constants, h, headerBytes, sizeKnown, fileSize, stream, facts, keyFrames, present);
  } catch (const std::bad_alloc&) {
    // The runs of a long recording that drops every other frame.
    ReportWithNumbers(u"SEVERE: not enough memory for the frame flags of #1 frames; file open aborted\r\n",
                      facts.StreamLength);
    return AviParseReadFailed;
  }
  if (result != AviParseSucceeded) return result;
  result = KeepFramesPresent(present, facts);
  if (result != AviParseSucceeded) return result;
  facts.KeyFrameCount = keyFrames;

  header = ReadHeaderFacts(h, stream);
  // Dropped frames: the frames that are not key frames.
  facts.DroppedFrameCount = static_cast<int32_t>(facts.StreamLength - keyFrames);
  FillInfoTexts(header, facts, info);
  return AviParseSucceeded;
}
