#include "avi_generator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "frame_picture.h"

namespace {

// Fixed places of the layout (the player reads them at these offsets).
constexpr uint64_t FirstStreamSuperIndexPosition = 212;  // right after a 40-byte bitmap header
// The audio stream list that --audio-first puts before the video's: LIST,
// a 56-byte stream header and a 16-byte PCM format.
constexpr uint64_t AudioStreamListBytes = 12 + 8 + 56 + 8 + 16;
constexpr uint32_t SoundChunkBytes = 4;
constexpr uint32_t StdIndexHeaderBytes = 32;
constexpr uint32_t KeyFrameIdx1Flag = 0x10;  // AVIIF_KEYFRAME
constexpr uint32_t DeltaFrameBit = 0x80000000u;
constexpr uint32_t RiffLimit = 0xFFFFFFFFu;

class Bytes {
 public:
  void U8(uint8_t v) { Data.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void U64(uint64_t v) {
    U32(static_cast<uint32_t>(v));
    U32(static_cast<uint32_t>(v >> 32));
  }
  void I16(int32_t v) { U16(static_cast<uint16_t>(v)); }
  void Fourcc(const char* s) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(s[i]));
  }
  void Zeros(std::size_t n) { Data.insert(Data.end(), n, 0); }
  std::vector<uint8_t> Data;
};

void LittleEndian32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool PatchU32(AviGenSink& sink, uint64_t position, uint32_t value) {
  uint8_t b[4];
  LittleEndian32(b, value);
  return sink.WriteAt(position, b, 4);
}

bool PatchU16(AviGenSink& sink, uint64_t position, uint32_t value) {
  uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  return sink.WriteAt(position, b, 2);
}

class VectorSink final : public AviGenSink {
 public:
  bool Write(const void* data, std::size_t size) override {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    Data.insert(Data.end(), p, p + size);
    return true;
  }
  bool Skip(uint64_t size) override {
    Data.resize(Data.size() + size, 0);
    return true;
  }
  bool WriteAt(uint64_t position, const void* data, std::size_t size) override {
    if (position + size > Data.size()) return false;
    std::memcpy(Data.data() + position, data, size);
    return true;
  }
  uint64_t Position() const override { return Data.size(); }
  bool Truncate(uint64_t size) override {
    Data.resize(size);
    return true;
  }
  std::vector<uint8_t> Data;
};

bool FileSeek(std::FILE* file, uint64_t position) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<long long>(position), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

class FileSink final : public AviGenSink {
 public:
  explicit FileSink(std::FILE* file) : File(file) { std::setvbuf(File, nullptr, _IOFBF, 1 << 20); }
  bool Write(const void* data, std::size_t size) override {
    if (size > 0 && std::fwrite(data, 1, size, File) != size) return false;
    Pos += size;
    End = std::max(End, Pos);
    return true;
  }
  bool Skip(uint64_t size) override {
    Pos += size;
    End = std::max(End, Pos);
    return FileSeek(File, Pos);
  }
  bool WriteAt(uint64_t position, const void* data, std::size_t size) override {
    return FileSeek(File, position) && std::fwrite(data, 1, size, File) == size && FileSeek(File, Pos);
  }
  uint64_t Position() const override { return Pos; }
  bool Truncate(uint64_t size) override {
    if (std::fflush(File) != 0) return false;
#ifdef _WIN32
    if (_chsize_s(_fileno(File), static_cast<long long>(size)) != 0) return false;
#else
    if (ftruncate(fileno(File), static_cast<off_t>(size)) != 0) return false;
#endif
    End = Pos = size;
    return FileSeek(File, Pos);
  }
  // A file that ends in skipped bytes gets its full length.
  bool Finish() {
    if (std::fflush(File) != 0) return false;
    uint64_t written = End;
    return Truncate(written);
  }

 private:
  std::FILE* File;
  uint64_t Pos = 0;
  uint64_t End = 0;
};

uint32_t PictureBytes(const AviGenOptions& o) {
  if (o.Format == AviGenFormat::Dib24) return Dib24RowBytes(o.Width) * o.Height;
  return o.Width * 2 * o.Height;
}

struct Segment {
  uint32_t FirstFrame = 0;
  uint32_t Frames = 0;
};

struct StdEntry {
  uint32_t Offset;
  uint32_t Size;
};

struct SuperEntry {
  uint64_t Offset;
  uint32_t Size;
  uint32_t Duration;
};

bool Fail(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
  return false;
}

class Writer {
 public:
  Writer(const AviGenOptions& options, AviGenSink& sink) : O(options), Sink(sink) {}
  bool Run(std::string* error);

 private:
  bool Put(const Bytes& b) { return Sink.Write(b.Data.data(), b.Data.size()); }
  bool IsDropped(uint32_t frame) const { return Dropped[frame]; }
  // The video stream's chunk id: "00dc", or "01dc" after an audio stream.
  const char* VideoChunkId() const { return O.AudioFirst ? "01dc" : "00dc"; }
  // The header fields that --stream-length and --bih-size change, and the
  // super index, all of the video stream.
  uint64_t StreamShift() const { return O.AudioFirst ? AudioStreamListBytes : 0; }
  uint32_t FrameDataBytes(uint32_t frame) const {
    return IsDropped(frame) && O.DropStyle == AviGenDropStyle::ZeroLength ? 0 : PictureBytes(O);
  }
  std::vector<Segment> PlanSegments() const;
  bool WriteHeader(uint32_t superSlots, std::string* error);
  bool WriteFrame(uint32_t frame, bool firstSegment);
  bool FlushStdIndex();
  bool ApplyDefects(std::string* error);
  bool WriteIndexes() const { return !O.NoIndx && !O.EmptyIndx; }

  const AviGenOptions& O;
  AviGenSink& Sink;
  const uint64_t SuperIndexPosition = FirstStreamSuperIndexPosition + StreamShift();
  std::vector<bool> Dropped;
  std::vector<uint8_t> Picture, Previous;
  uint64_t MoviList = 0;  // position of the current segment's "LIST" of "movi"
  std::vector<StdEntry> Pending;
  std::vector<SuperEntry> Supers;
  std::vector<uint8_t> Idx1;
  uint64_t FirstStdIndex = 0;
  bool HaveStdIndex = false;
};

std::vector<Segment> Writer::PlanSegments() const {
  std::vector<Segment> segments(1);
  uint64_t bytes = 0;
  for (uint32_t f = 0; f < O.FrameCount; ++f) {
    uint64_t chunk = 8 + static_cast<uint64_t>(FrameDataBytes(f));
    if (O.SegmentLimit > 0 && segments.back().Frames > 0 && bytes + chunk > O.SegmentLimit) {
      segments.push_back(Segment{f, 0});
      bytes = 0;
    }
    bytes += chunk;
    ++segments.back().Frames;
  }
  return segments;
}

bool Writer::WriteHeader(uint32_t superSlots, std::string* error) {
  const uint32_t picture = PictureBytes(O);
  Bytes b;
  b.Fourcc("RIFF");
  b.U32(0);
  b.Fourcc("AVI ");
  b.Fourcc("LIST");
  b.U32(0);
  b.Fourcc("hdrl");
  // Main header.
  b.Fourcc("avih");
  b.U32(56);
  b.U32(O.Rate != 0 ? static_cast<uint32_t>(1000000ull * O.Scale / O.Rate) : 0);
  b.U32(O.Scale != 0 ? static_cast<uint32_t>(std::min<uint64_t>(RiffLimit, 1ull * picture * O.Rate / O.Scale)) : 0);
  b.U32(0);                         // padding granularity
  b.U32(O.WriteIdx1 ? 0x10u : 0u);  // AVIF_HASINDEX
  b.U32(0);                         // total frames of the first segment (later)
  b.U32(0);                         // initial frames
  b.U32(O.AudioFirst ? 2 : 1);      // streams
  b.U32(picture + 8);               // suggested buffer size
  b.U32(O.Width);
  b.U32(O.Height);
  b.Zeros(16);
  if (O.AudioFirst) {
    b.Fourcc("LIST");
    b.U32(static_cast<uint32_t>(AudioStreamListBytes - 8));
    b.Fourcc("strl");
    b.Fourcc("strh");
    b.U32(56);
    b.Fourcc("auds");
    b.U32(1);  // PCM
    b.Zeros(12);
    b.U32(1);                                    // scale
    b.U32(8000);                                 // rate: samples per second
    b.U32(0);                                    // start
    b.U32(O.FrameCount * (SoundChunkBytes / 2));  // length in samples
    b.U32(SoundChunkBytes);
    b.U32(0xFFFFFFFFu);
    b.U32(2);  // sample size
    b.Zeros(8);
    b.Fourcc("strf");
    b.U32(16);
    b.U16(1);     // WAVE_FORMAT_PCM
    b.U16(1);     // channels
    b.U32(8000);  // samples per second
    b.U32(16000);
    b.U16(2);
    b.U16(16);
  }
  // Stream list: header and format.
  const std::size_t videoList = b.Data.size();
  b.Fourcc("LIST");
  b.U32(0);
  b.Fourcc("strl");
  b.Fourcc("strh");
  b.U32(56);
  b.Fourcc("vids");
  b.Fourcc(O.Format == AviGenFormat::Dib24 ? "DIB " : "YUY2");
  b.U32(0);
  b.U16(0);
  b.U16(0);
  b.U32(0);  // flags, priority, language, initial frames
  b.U32(O.Scale);
  b.U32(O.Rate);
  b.U32(0);             // start
  b.U32(O.FrameCount);  // length
  b.U32(picture + 8);
  b.U32(0xFFFFFFFFu);  // quality
  b.U32(0);            // sample size
  b.I16(0);
  b.I16(0);
  b.I16(static_cast<int32_t>(O.Width));
  b.I16(static_cast<int32_t>(O.Height));
  b.Fourcc("strf");
  b.U32(40);
  b.U32(40);
  b.U32(O.Width);
  b.U32(O.Height);
  b.U16(1);
  b.U16(O.Format == AviGenFormat::Dib24 ? 24 : 16);
  if (O.Format == AviGenFormat::Dib24)
    b.U32(0);
  else
    b.Fourcc("YUY2");
  b.U32(picture);
  b.Zeros(16);
  if (b.Data.size() != SuperIndexPosition) return Fail(error, "internal: header layout");
  // The super index, or a JUNK chunk of the same size in its place.
  const uint32_t superBytes = 24 + 16 * superSlots;
  b.Fourcc(O.NoIndx ? "JUNK" : "indx");
  b.U32(superBytes);
  b.U16(4);  // longs per entry
  b.U8(0);   // sub type
  b.U8(0);   // AVI_INDEX_OF_INDEXES
  b.U32(0);  // entries in use (later)
  b.Fourcc(VideoChunkId());
  b.Zeros(12 + 16 * static_cast<std::size_t>(superSlots));
  const std::size_t strlEnd = b.Data.size();
  LittleEndian32(&b.Data[videoList + 4], static_cast<uint32_t>(strlEnd - videoList - 8));
  if (!O.NoIndx) {
    b.Fourcc("LIST");
    b.U32(4 + 8 + 248);
    b.Fourcc("odml");
    b.Fourcc("dmlh");
    b.U32(248);
    b.U32(O.FrameCount);
    b.Zeros(244);
  }
  LittleEndian32(&b.Data[16], static_cast<uint32_t>(b.Data.size() - 20));
  if (O.HasArtist) {
    const std::size_t textBytes = O.ArtistText.size() + 1;
    const std::size_t padded = (textBytes + 1) & ~static_cast<std::size_t>(1);
    b.Fourcc("LIST");
    b.U32(static_cast<uint32_t>(4 + 8 + padded));
    b.Fourcc("INFO");
    b.Fourcc("IART");
    b.U32(O.ArtistLength.Set ? O.ArtistLength.Value : static_cast<uint32_t>(textBytes));
    for (char c : O.ArtistText) b.U8(static_cast<uint8_t>(c));
    b.Zeros(padded - O.ArtistText.size());
  }
  return Put(b) || Fail(error, "cannot write the header");
}

bool Writer::FlushStdIndex() {
  if (Pending.empty()) return true;
  const uint32_t k = static_cast<uint32_t>(Pending.size());
  const uint64_t position = Sink.Position();
  Bytes b;
  b.Fourcc("ix00");
  b.U32(24 + 8 * k);
  b.U16(2);
  b.U8(0);
  b.U8(1);  // 2 longs per entry, AVI_INDEX_OF_CHUNKS
  b.U32(k);
  b.Fourcc(VideoChunkId());
  b.U64(MoviList);
  b.U32(0);
  for (const StdEntry& e : Pending) {
    b.U32(e.Offset);
    b.U32(e.Size);
  }
  if (!HaveStdIndex) {
    FirstStdIndex = position;
    HaveStdIndex = true;
  }
  Supers.push_back(SuperEntry{position, StdIndexHeaderBytes + 8 * k, k});
  Pending.clear();
  return Put(b);
}

bool Writer::WriteFrame(uint32_t frame, bool firstSegment) {
  const bool dropped = IsDropped(frame);
  const uint32_t size = FrameDataBytes(frame);
  const uint64_t chunk = Sink.Position();
  Bytes head;
  head.Fourcc(VideoChunkId());
  head.U32(size);
  if (!Put(head)) return false;
  if (size > 0) {
    if (O.Sparse && frame >= O.SparseFrom) {
      if (!Sink.Skip(size)) return false;
    } else {
      if (!dropped) {
        GenerateFramePicture(O, frame, Picture);
        Previous.swap(Picture);
      } else if (Previous.empty()) {
        // A dropped first frame repeats a blank picture.
        Previous.assign(size, O.Format == AviGenFormat::Dib24 ? FrameBackgroundLevel : 128);
        if (O.Format == AviGenFormat::Yuy2)
          for (uint32_t i = 0; i < size; i += 2)
            Previous[i] = static_cast<uint8_t>(16 + FrameBackgroundLevel * 219 / 255);
      }
      if (!Sink.Write(Previous.data(), size)) return false;
    }
  }
  if (WriteIndexes()) {
    Pending.push_back(StdEntry{static_cast<uint32_t>(chunk + 8 - MoviList), size | (dropped ? DeltaFrameBit : 0)});
    if (Pending.size() >= O.IndexEntriesPerChunk && !FlushStdIndex()) return false;
  }
  if (firstSegment && O.WriteIdx1) {
    Bytes e;
    e.Fourcc(VideoChunkId());
    e.U32(dropped ? 0 : KeyFrameIdx1Flag);
    e.U32(static_cast<uint32_t>(chunk - (MoviList + 8)));
    e.U32(size);
    Idx1.insert(Idx1.end(), e.Data.begin(), e.Data.end());
  }
  if (O.AudioFirst) {
    // A little silence after each frame, listed in idx1 as other writers do.
    const uint64_t sound = Sink.Position();
    Bytes a;
    a.Fourcc("00wb");
    a.U32(SoundChunkBytes);
    a.Zeros(SoundChunkBytes);
    if (!Put(a)) return false;
    if (firstSegment && O.WriteIdx1) {
      Bytes e;
      e.Fourcc("00wb");
      e.U32(KeyFrameIdx1Flag);
      e.U32(static_cast<uint32_t>(sound - (MoviList + 8)));
      e.U32(SoundChunkBytes);
      Idx1.insert(Idx1.end(), e.Data.begin(), e.Data.end());
    }
  }
  return true;
}

bool Writer::ApplyDefects(std::string* error) {
  bool ok = true;
  if (O.StreamLength.Set) ok &= PatchU32(Sink, 140 + StreamShift(), O.StreamLength.Value);
  if (O.BitmapHeaderSize.Set) ok &= PatchU32(Sink, 172 + StreamShift(), O.BitmapHeaderSize.Value);
  if (O.SuperIndexCount.Set) ok &= PatchU32(Sink, SuperIndexPosition + 12, O.SuperIndexCount.Value);
  if (O.SuperIndexEntryWords.Set) ok &= PatchU16(Sink, SuperIndexPosition + 8, O.SuperIndexEntryWords.Value);
  if (O.FirstChunkOffsetLow.Set) ok &= PatchU32(Sink, SuperIndexPosition + 32, O.FirstChunkOffsetLow.Value);
  if (O.FirstChunkOffsetHigh.Set) ok &= PatchU32(Sink, SuperIndexPosition + 36, O.FirstChunkOffsetHigh.Value);
  if (O.FirstChunkSize.Set) ok &= PatchU32(Sink, SuperIndexPosition + 40, O.FirstChunkSize.Value);
  if (O.RepeatFirstChunk) {
    if (!HaveStdIndex) return Fail(error, "the file has no standard index to list again");
    ok &= PatchU32(Sink, SuperIndexPosition + 48, static_cast<uint32_t>(FirstStdIndex)) &&
          PatchU32(Sink, SuperIndexPosition + 52, static_cast<uint32_t>(FirstStdIndex >> 32));
  }
  if (O.FirstStdIndexCount.Set || O.FirstStdIndexEntryWords.Set) {
    if (!HaveStdIndex) return Fail(error, "the file has no standard index to change");
    if (O.FirstStdIndexCount.Set) ok &= PatchU32(Sink, FirstStdIndex + 12, O.FirstStdIndexCount.Value);
    if (O.FirstStdIndexEntryWords.Set) ok &= PatchU16(Sink, FirstStdIndex + 8, O.FirstStdIndexEntryWords.Value);
  }
  if (O.BadFourccOffset >= 0) ok &= Sink.WriteAt(static_cast<uint64_t>(O.BadFourccOffset), "BAD!", 4);
  if (!ok) return Fail(error, "cannot write the defects");
  if (O.Truncate && O.TruncateSize < Sink.Position() && !Sink.Truncate(O.TruncateSize))
    return Fail(error, "cannot truncate the file");
  return true;
}

bool Writer::Run(std::string* error) {
  if (!CheckAviGenOptions(O, error)) return false;
  Dropped.assign(O.FrameCount, false);
  for (uint32_t f : O.DroppedFrames) Dropped[f] = true;

  const std::vector<Segment> segments = PlanSegments();
  uint32_t superSlots = 0;
  if (!O.EmptyIndx)
    for (const Segment& s : segments) superSlots += (s.Frames + O.IndexEntriesPerChunk - 1) / O.IndexEntriesPerChunk;
  if (!WriteHeader(superSlots, error)) return false;

  for (std::size_t si = 0; si < segments.size(); ++si) {
    const uint64_t riff = si == 0 ? 0 : Sink.Position();
    Bytes b;
    if (si > 0) {
      b.Fourcc("RIFF");
      b.U32(0);
      b.Fourcc("AVIX");
    }
    MoviList = Sink.Position() + b.Data.size();
    b.Fourcc("LIST");
    b.U32(0);
    b.Fourcc("movi");
    if (!Put(b)) return Fail(error, "cannot write the movie list");
    const Segment& s = segments[si];
    for (uint32_t f = s.FirstFrame; f < s.FirstFrame + s.Frames; ++f)
      if (!WriteFrame(f, si == 0)) return Fail(error, "cannot write a frame");
    if (!FlushStdIndex()) return Fail(error, "cannot write a standard index");
    const uint64_t moviEnd = Sink.Position();
    if (moviEnd - MoviList - 8 > RiffLimit) return Fail(error, "a segment is larger than 4 GB: give a segment size");
    if (!PatchU32(Sink, MoviList + 4, static_cast<uint32_t>(moviEnd - MoviList - 8)))
      return Fail(error, "cannot write a list size");
    if (si == 0) {
      if (!PatchU32(Sink, 48, s.Frames)) return Fail(error, "cannot write the main header");
      if (O.WriteIdx1) {
        Bytes h;
        h.Fourcc("idx1");
        h.U32(static_cast<uint32_t>(Idx1.size()));
        if (!Put(h) || !Sink.Write(Idx1.data(), Idx1.size())) return Fail(error, "cannot write idx1");
        std::vector<uint8_t>().swap(Idx1);
      }
    }
    const uint64_t riffEnd = Sink.Position();
    if (riffEnd - riff - 8 > RiffLimit) return Fail(error, "a RIFF segment is larger than 4 GB");
    if (!PatchU32(Sink, riff + 4, static_cast<uint32_t>(riffEnd - riff - 8)))
      return Fail(error, "cannot write a RIFF size");
  }

  if (WriteIndexes()) {
    Bytes e;
    for (const SuperEntry& entry : Supers) {
      const SuperEntry& s = O.SameChunk ? Supers.front() : entry;
      e.U64(s.Offset);
      e.U32(s.Size);
      e.U32(s.Duration);
    }
    if (!Sink.WriteAt(SuperIndexPosition + 32, e.Data.data(), e.Data.size()) ||
        !PatchU32(Sink, SuperIndexPosition + 12, static_cast<uint32_t>(Supers.size())))
      return Fail(error, "cannot write the super index");
  }
  return ApplyDefects(error);
}

}  // namespace

bool CheckAviGenOptions(const AviGenOptions& o, std::string* error) {
  if (o.Width == 0 || o.Height == 0 || o.Width > 16384 || o.Height > 16384)
    return Fail(error, "the frame size must be between 1x1 and 16384x16384");
  if (o.Format == AviGenFormat::Yuy2 && o.Width % 2 != 0) return Fail(error, "YUY2 needs an even width");
  if (o.IndexEntriesPerChunk == 0) return Fail(error, "a standard index needs at least one entry");
  for (uint32_t f : o.DroppedFrames)
    if (f >= o.FrameCount) return Fail(error, "a dropped frame lies past the last frame");
  static const int32_t fourccOffsets[] = {0, 8, 12, 20, 88, 96, 100, 164};
  if (o.BadFourccOffset >= 0 &&
      std::find(std::begin(fourccOffsets), std::end(fourccOffsets), o.BadFourccOffset) == std::end(fourccOffsets))
    return Fail(error, "a wrong FOURCC goes at 0, 8, 12, 20, 88, 96, 100 or 164");
  if (o.NoIndx && o.EmptyIndx) return Fail(error, "choose either no indx or an empty indx");
  return true;
}

bool GenerateAvi(const AviGenOptions& options, AviGenSink& sink, std::string* error) {
  Writer writer(options, sink);
  return writer.Run(error);
}

bool GenerateAviFile(const AviGenOptions& options, const std::string& path, std::string* error) {
  std::string reason;
  if (!CheckAviGenOptions(options, &reason)) return Fail(error, reason);
  std::FILE* file = std::fopen(path.c_str(), "w+b");
  if (file == nullptr) return Fail(error, "cannot create " + path);
  FileSink sink(file);
  bool ok = GenerateAvi(options, sink, &reason) && sink.Finish();
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    reason = "cannot write " + path;
  }
  if (!ok) {
    std::remove(path.c_str());
    return Fail(error, reason.empty() ? "cannot write " + path : reason);
  }
  return true;
}

std::vector<uint8_t> GenerateAviBytes(const AviGenOptions& options, std::string* error) {
  VectorSink sink;
  if (!GenerateAvi(options, sink, error)) return {};
  return std::move(sink.Data);
}

void GenerateFramePicture(const AviGenOptions& options, uint32_t frameNumber, std::vector<uint8_t>& picture) {
  std::vector<uint8_t> luma;
  DrawFramePicture(frameNumber, options.Width, options.Height, luma);
  if (options.Format == AviGenFormat::Dib24)
    LumaToDib24(luma, options.Width, options.Height, picture);
  else
    LumaToYuy2(luma, options.Width, options.Height, picture);
}
