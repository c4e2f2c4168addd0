#include "avi/avi_stream_layout.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t Fourcc(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

constexpr uint32_t ListId = Fourcc('L', 'I', 'S', 'T');
constexpr uint32_t RiffId = Fourcc('R', 'I', 'F', 'F');

uint16_t U16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t U32At(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// The position after a chunk of this size that starts at position: RIFF
// chunks are padded to an even size.
uint64_t AfterChunk(uint64_t position, uint32_t size) { return position + 8 + size + (size & 1u); }

// The header list starts at 12 ("LIST", its size, "hdrl"); its chunks from 24.
constexpr uint64_t HeaderListStart = 12;
constexpr uint64_t HeaderListChunks = 24;

// Reads the fields of one stream list [begin, end) of the header bytes into
// stream when it describes video; false otherwise.
bool ReadVideoStreamList(const uint8_t* h, uint64_t begin, uint64_t end, AviVideoStream& stream) {
  bool video = false;
  for (uint64_t at = begin; at + 8 <= end; at = AfterChunk(at, U32At(h + at + 4))) {
    const uint32_t id = U32At(h + at);
    const uint64_t data = at + 8;
    const uint64_t size = std::min<uint64_t>(U32At(h + at + 4), end - data);
    if (id == Fourcc('s', 't', 'r', 'h')) {
      // fccType, handler, then scale, rate, start and length at 20 to 35.
      if (size < 36 || U32At(h + data) != Fourcc('v', 'i', 'd', 's')) return false;
      video = true;
      stream.Handler = U32At(h + data + 4);
      stream.Scale = U32At(h + data + 20);
      stream.Rate = U32At(h + data + 24);
      stream.Length = U32At(h + data + 32);
    } else if (id == Fourcc('s', 't', 'r', 'f') && video) {
      if (size >= 20) {
        const int32_t height = static_cast<int32_t>(U32At(h + data + 8));
        stream.BitmapWidth = U32At(h + data + 4);
        stream.BitmapHeight = height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
        stream.BitCount = U16At(h + data + 14);
        stream.Compression = U32At(h + data + 16);
      }
      if (size >= 4) stream.FormatEnd = data + U32At(h + data);
    } else if (id == Fourcc('i', 'n', 'd', 'x') && video) {
      stream.SuperIndex = at;
    }
  }
  return video;
}

// Reads the file through a window of WindowSize bytes, so that walking many
// small chunk headers costs one read of the file for many of them.
class WindowedReader {
 public:
  static constexpr uint32_t WindowSize = 64u << 10;

  WindowedReader(AviByteSource& source, uint64_t fileSize) : Source(source), FileSize(fileSize) {}

  // count bytes (at most a chunk header's 12) at offset; the caller has
  // checked that they lie inside the file.
  AviCount Read(uint64_t offset, uint8_t* buffer, uint32_t count) {
    if (offset < Start || offset + count > Start + Held) {
      if (Window.empty()) Window.assign(WindowSize, 0);
      const uint32_t ask = static_cast<uint32_t>(std::min<uint64_t>(WindowSize, FileSize - offset));
      uint32_t got = 0;
      Held = 0;
      const AviReadStatus status = Source.ReadAt(offset, Window.data(), ask, &got);
      if (status == AviReadStatus::SeekFailed) return AviCount::SeekFailed;
      if (status != AviReadStatus::Ok || got < count) return AviCount::ReadFailed;
      Start = offset;
      Held = got;
    }
    std::memcpy(buffer, Window.data() + (offset - Start), count);
    return AviCount::Counted;
  }

 private:
  AviByteSource& Source;
  const uint64_t FileSize;
  std::vector<uint8_t> Window;
  uint64_t Start = 0;
  uint32_t Held = 0;
};

// What the top-level walk finds of the movie data.
struct MovieLists {
  std::vector<uint64_t> Lists;  // positions of each segment's "LIST" "movi"
  uint64_t Idx1 = 0;            // the first segment's idx1 chunk, 0 when none
  uint32_t Idx1Size = 0;
  bool Extended = false;  // AVIX segments follow the first
};

// A file of hostile layout could hold millions of tiny top-level chunks; a
// real one has a handful per segment.
constexpr uint32_t MostTopLevelChunks = 4096;

// Walks the top-level chunks of the RIFF segment at riff, whose data ends at
// end, noting its movie list and idx1.
AviCount WalkSegment(WindowedReader& reader, uint64_t riff, uint64_t end, bool first, MovieLists& found) {
  uint32_t chunks = 0;
  for (uint64_t at = riff + 12; at + 12 <= end && chunks < MostTopLevelChunks; ++chunks) {
    uint8_t head[12];
    const AviCount read = reader.Read(at, head, 12);
    if (read != AviCount::Counted) return read;
    const uint32_t size = U32At(head + 4);
    if (U32At(head) == ListId && U32At(head + 8) == Fourcc('m', 'o', 'v', 'i')) {
      found.Lists.push_back(at);
    } else if (first && U32At(head) == Fourcc('i', 'd', 'x', '1') && found.Idx1 == 0) {
      found.Idx1 = at;
      found.Idx1Size = size;
    }
    at = AfterChunk(at, size);
  }
  return AviCount::Counted;
}

AviCount FindMovieLists(WindowedReader& reader, uint64_t fileSize, MovieLists& found) {
  uint64_t riff = 0;
  for (uint32_t segment = 0; riff + 12 <= fileSize && segment < MostTopLevelChunks; ++segment) {
    uint8_t head[12];
    const AviCount read = reader.Read(riff, head, 12);
    if (read != AviCount::Counted) return read;
    if (U32At(head) != RiffId) break;
    if (segment > 0 && U32At(head + 8) != Fourcc('A', 'V', 'I', 'X')) break;
    if (segment > 0) found.Extended = true;
    // A writer that stopped early may have left the segment's size at 0 or
    // past the end: the segment then runs to the end of the file.
    const uint32_t size = U32At(head + 4);
    const uint64_t end = size < 4 || AfterChunk(riff, size) > fileSize ? fileSize : AfterChunk(riff, size);
    const AviCount walked = WalkSegment(reader, riff, end, segment == 0, found);
    if (walked != AviCount::Counted) return walked;
    riff = end;
  }
  return AviCount::Counted;
}

// The chunk ids of video stream number ("00dc" and "00db" for stream 0).
struct VideoChunkIds {
  explicit VideoChunkIds(uint32_t number) {
    const char tens = static_cast<char>('0' + number / 10 % 10), ones = static_cast<char>('0' + number % 10);
    Compressed = Fourcc(tens, ones, 'd', 'c');
    Uncompressed = Fourcc(tens, ones, 'd', 'b');
  }
  bool Match(uint32_t id) const { return id == Compressed || id == Uncompressed; }
  uint32_t Compressed, Uncompressed;
};

// Counts from idx1: entries of the stream whose chunk lies whole inside the
// file. Offsets count from the "movi" code of the movie list, or from the
// start of the file when the first entry's offset says so.
AviCount CountFromIdx1(AviByteSource& source, uint64_t fileSize, const MovieLists& found, const VideoChunkIds& ids,
                       uint32_t limit, uint32_t& frames) {
  constexpr uint32_t EntryBytes = 16;
  constexpr uint32_t BlockEntries = (1u << 20) / EntryBytes;
  const uint64_t entries = found.Idx1 + 8;
  const uint64_t count = std::min<uint64_t>(found.Idx1Size, fileSize - std::min(fileSize, entries)) / EntryBytes;
  const uint64_t movieCode = found.Lists.front() + 8;
  std::vector<uint8_t> block;
  uint64_t base = 0;
  bool baseKnown = false;
  for (uint64_t first = 0; first < count && frames < limit; first += BlockEntries) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(BlockEntries, count - first));
    block.assign(static_cast<std::size_t>(n) * EntryBytes, 0);
    uint32_t got = 0;
    const AviReadStatus status = source.ReadAt(entries + first * EntryBytes, block.data(), n * EntryBytes, &got);
    if (status == AviReadStatus::SeekFailed) return AviCount::SeekFailed;
    if (status != AviReadStatus::Ok || got != n * EntryBytes) return AviCount::ReadFailed;
    for (uint32_t i = 0; i < n && frames < limit; ++i) {
      const uint8_t* e = block.data() + static_cast<std::size_t>(i) * EntryBytes;
      const uint64_t offset = U32At(e + 8);
      if (!baseKnown) {
        base = offset >= movieCode ? 0 : movieCode;
        baseKnown = true;
      }
      if (!ids.Match(U32At(e))) continue;
      if (base + offset + 8 + U32At(e + 12) > fileSize) return AviCount::Counted;
      ++frames;
    }
  }
  return AviCount::Counted;
}

// Counts from the chunk headers of each movie list, entering "rec " lists;
// the count ends at the first chunk that does not lie whole inside the file.
AviCount CountFromChunks(WindowedReader& reader, uint64_t fileSize, const MovieLists& found, const VideoChunkIds& ids,
                         uint32_t limit, uint32_t& frames) {
  for (uint64_t list : found.Lists) {
    uint8_t head[12];
    AviCount read = reader.Read(list, head, 12);
    if (read != AviCount::Counted) return read;
    const uint32_t listSize = U32At(head + 4);
    const uint64_t end = listSize < 4 || list + 8 + listSize > fileSize ? fileSize : list + 8 + listSize;
    for (uint64_t at = list + 12; at + 8 <= end && frames < limit;) {
      read = reader.Read(at, head, 8);
      if (read != AviCount::Counted) return read;
      const uint32_t id = U32At(head), size = U32At(head + 4);
      if (id == ListId) {
        at += 12;  // into the list: its chunks follow its type
        continue;
      }
      if (at + 8 + static_cast<uint64_t>(size) > fileSize) return AviCount::Counted;
      if (ids.Match(id)) ++frames;
      at = AfterChunk(at, size);
    }
  }
  return AviCount::Counted;
}

}  // namespace

uint64_t HeaderListEnd(const uint8_t* header) { return HeaderListStart + 8 + U32At(header + HeaderListStart + 4); }

bool FindVideoStream(const uint8_t* header, uint32_t headerBytes, AviVideoStream& stream) {
  const uint64_t end = std::min<uint64_t>(HeaderListEnd(header), headerBytes);
  uint32_t number = 0;
  for (uint64_t at = HeaderListChunks; at + 12 <= end; at = AfterChunk(at, U32At(header + at + 4))) {
    if (U32At(header + at) != ListId || U32At(header + at + 8) != Fourcc('s', 't', 'r', 'l')) continue;
    AviVideoStream candidate;
    candidate.Number = number++;
    const uint64_t listEnd = std::min<uint64_t>(AfterChunk(at, U32At(header + at + 4)), end);
    if (ReadVideoStreamList(header, at + 12, listEnd, candidate)) {
      stream = candidate;
      return true;
    }
  }
  return false;
}

AviCount CountFramesPresent(AviByteSource& source, uint64_t fileSize, uint32_t streamNumber, uint32_t limit,
                            uint32_t& frames) {
  frames = 0;
  WindowedReader reader(source, fileSize);
  MovieLists found;
  const AviCount walked = FindMovieLists(reader, fileSize, found);
  if (walked != AviCount::Counted) return walked;
  if (found.Lists.empty()) return AviCount::NotCounted;
  const VideoChunkIds ids(streamNumber);
  if (found.Idx1 != 0 && !found.Extended) return CountFromIdx1(source, fileSize, found, ids, limit, frames);
  return CountFromChunks(reader, fileSize, found, ids, limit, frames);
}
