// The recording generator: the frame code reads back from any view of the
// picture, the file layout holds together, and independent readers (ffprobe
// and ffmpeg, when installed) agree with the player's parser about frames,
// key frames and dropped frames, on generated files and on ffmpeg's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

#include "avi_test_support.h"
#include "frame_picture.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& b, uint64_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::string Fourcc(const std::vector<uint8_t>& b, uint64_t at) {
  return std::string(reinterpret_cast<const char*>(&b[at]), 4);
}

// Nearest-neighbour scaling of a grey picture, with a brightness/contrast change.
std::vector<uint8_t> Transform(const std::vector<uint8_t>& luma, uint32_t w, uint32_t h, uint32_t w2, uint32_t h2,
                               int offset, int percent) {
  std::vector<uint8_t> out(static_cast<std::size_t>(w2) * h2);
  for (uint32_t y = 0; y < h2; ++y)
    for (uint32_t x = 0; x < w2; ++x) {
      int v = luma[static_cast<std::size_t>(y * h / h2) * w + x * w / w2] * percent / 100 + offset;
      out[static_cast<std::size_t>(y) * w2 + x] = static_cast<uint8_t>(std::min(255, std::max(0, v)));
    }
  return out;
}

// The frames ffprobe reads from a file, by frame number: 1 key, 0 not key;
// frames it reads no packet for stay 0. Empty when ffprobe failed.
std::vector<uint32_t> FfprobeKeyFlags(const std::string& path, uint32_t frames) {
  int status = 0;
  std::string out = RunCommand(
      "ffprobe -v error -select_streams v:0 -show_entries packet=pts,flags -of csv=p=0 '" + path + "'", &status);
  if (status != 0) return {};
  std::vector<uint32_t> flags(frames, 0);
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t comma = line.find(',');
    if (comma == std::string::npos) continue;
    unsigned long pts = std::strtoul(line.c_str(), nullptr, 10);
    if (pts < frames) flags[pts] = line.compare(comma + 1, 1, "K") == 0 ? 1 : 0;
  }
  return flags;
}

std::vector<uint32_t> OurKeyFlags(const std::string& path, uint32_t* frames) {
  AviStdioByteSource source;
  EXPECT_TRUE(source.Open(path.c_str()));
  ParseOutcome r = ParseWith(source);
  EXPECT_EQ(r.Code, AviParseSucceeded);
  EXPECT_TRUE(r.FromCapture);
  *frames = r.Facts.TotalFrames;
  if (r.Facts.KeyFrameFlags.size() < r.Facts.TotalFrames) return {};
  return std::vector<uint32_t>(r.Facts.KeyFrameFlags.begin(), r.Facts.KeyFrameFlags.begin() + r.Facts.TotalFrames);
}

void ExpectSameAsFfprobe(const std::string& path) {
  uint32_t frames = 0;
  std::vector<uint32_t> ours = OurKeyFlags(path, &frames);
  std::vector<uint32_t> theirs = FfprobeKeyFlags(path, frames);
  ASSERT_EQ(theirs.size(), frames) << "ffprobe failed on " << path;
  EXPECT_EQ(ours, theirs) << path;
}

#define SKIP_WITHOUT(program) \
  if (!HaveProgram(program)) GTEST_SKIP() << program " is not installed"

}  // namespace

TEST(FrameCode, ReadsBackFromEveryStoredForm) {
  const uint32_t numbers[] = {0, 1, 2, 9, 10, 255, 65535, 1000000, 123456789, 0x80000000u, 0xFFFFFFFFu};
  const uint32_t sizes[][2] = {{76, 12}, {80, 60}, {161, 121}, {640, 480}};
  for (const auto& size : sizes) {
    for (uint32_t n : numbers) {
      AviGenOptions o;
      o.Width = size[0];
      o.Height = size[1];
      std::vector<uint8_t> picture;
      GenerateFramePicture(o, n, picture);
      uint32_t read = 0;
      ASSERT_TRUE(ReadFrameCodeFromDib24(picture.data(), o.Width, o.Height, &read)) << size[0] << " " << n;
      EXPECT_EQ(read, n);
      if (o.Width % 2 == 0) {
        o.Format = AviGenFormat::Yuy2;
        GenerateFramePicture(o, n, picture);
        ASSERT_TRUE(ReadFrameCodeFromYuy2(picture.data(), o.Width, o.Height, &read));
        EXPECT_EQ(read, n);
      }
    }
  }
}

TEST(FrameCode, SurvivesScalingAndBrightnessContrast) {
  std::vector<uint8_t> luma;
  DrawFramePicture(4242, 160, 120, luma);
  const uint32_t views[][2] = {{160, 120}, {320, 240}, {241, 181}, {96, 72}, {800, 300}};
  for (const auto& v : views) {
    for (int offset : {0, -60, 80}) {
      for (int percent : {100, 40, 180}) {
        std::vector<uint8_t> view = Transform(luma, 160, 120, v[0], v[1], offset, percent);
        uint32_t read = 0;
        bool ok = ReadFrameCode(view.data(), v[0], v[1], v[0], 1, &read);
        ASSERT_TRUE(ok) << v[0] << "x" << v[1] << " " << offset << " " << percent;
        EXPECT_EQ(read, 4242u);
      }
    }
  }
}

TEST(FrameCode, PicturesWithoutACodeAreNotMisread) {
  std::vector<uint8_t> luma;
  DrawFramePicture(77, 60, 40, luma);  // too narrow for the code
  uint32_t read = 0;
  EXPECT_FALSE(ReadFrameCode(luma.data(), 60, 40, 60, 1, &read));
  std::vector<uint8_t> flat(160 * 120, 96);
  EXPECT_FALSE(ReadFrameCode(flat.data(), 160, 120, 160, 1, &read));
  // A wrong parity cell is refused.
  DrawFramePicture(5, 160, 120, luma);
  for (uint32_t y = 0; y < 20; ++y)
    for (uint32_t x = 160 * 37 / 38 + 1; x < 160; ++x) luma[y * 160 + x] ^= 0xFF;
  EXPECT_FALSE(ReadFrameCode(luma.data(), 160, 120, 160, 1, &read));
}

TEST(AviGenerator, SegmentsIndexesAndHeaderCountsHoldTogether) {
  AviGenOptions o;
  o.Width = 32;
  o.Height = 16;
  o.FrameCount = 1000;
  o.IndexEntriesPerChunk = 100;
  o.SegmentLimit = 200000;
  o.DroppedFrames = {0, 1, 500, 999};
  std::vector<uint8_t> b = Generate(o);

  // The top-level chunks: one RIFF "AVI ", then RIFF "AVIX" to the end.
  uint64_t at = 0;
  std::vector<uint64_t> riffs;
  while (at + 12 <= b.size()) {
    ASSERT_EQ(Fourcc(b, at), "RIFF");
    ASSERT_EQ(Fourcc(b, at + 8), riffs.empty() ? "AVI " : "AVIX");
    riffs.push_back(at);
    at += 8 + U32(b, at + 4);
  }
  EXPECT_EQ(at, b.size());
  EXPECT_GE(riffs.size(), 5u);

  // Main header: frames of the first segment; stream header: all frames.
  const uint32_t firstSegmentFrames = U32(b, 48);
  EXPECT_LT(firstSegmentFrames, 1000u);
  EXPECT_EQ(U32(b, 140), 1000u);
  // idx1 closes the first RIFF with one entry per frame of its movie list.
  std::vector<std::string> chunks;
  uint64_t idx1 = 0;
  for (uint64_t c = 12; c < riffs[1]; c += 8 + ((U32(b, c + 4) + 1) & ~1u)) {
    chunks.push_back(Fourcc(b, c) == "LIST" ? Fourcc(b, c + 8) : Fourcc(b, c));
    if (chunks.back() == "idx1") idx1 = c;
  }
  EXPECT_EQ(chunks, (std::vector<std::string>{"hdrl", "INFO", "movi", "idx1"}));
  ASSERT_NE(idx1, 0u);
  EXPECT_EQ(U32(b, idx1 + 4), 16 * firstSegmentFrames);
  EXPECT_EQ(U32(b, idx1 + 8 + 4), 0u);          // frame 0 dropped: no key flag
  EXPECT_EQ(U32(b, idx1 + 8 + 32 + 4), 0x10u);  // frame 2 key

  // The super index lists every standard index; their durations add up.
  ASSERT_EQ(Fourcc(b, 212), "indx");
  const uint32_t indexes = U32(b, 212 + 12);
  uint64_t frames = 0;
  for (uint32_t i = 0; i < indexes; ++i) {
    const uint64_t e = 212 + 32 + 16 * i;
    const uint64_t offset = U32(b, e) | static_cast<uint64_t>(U32(b, e + 4)) << 32;
    ASSERT_EQ(Fourcc(b, offset), "ix00");
    EXPECT_EQ(U32(b, e + 8), 8 + U32(b, offset + 4));
    EXPECT_EQ(U32(b, offset + 12), U32(b, e + 12));
    frames += U32(b, e + 12);
  }
  EXPECT_EQ(frames, 1000u);
  EXPECT_GT(indexes, 10u);
}

TEST(AviGenerator, RejectsOptionsThatCannotMakeAFile) {
  std::string error;
  AviGenOptions o;
  o.Format = AviGenFormat::Yuy2;
  o.Width = 81;
  EXPECT_FALSE(CheckAviGenOptions(o, &error));
  o = AviGenOptions();
  o.DroppedFrames = {30};
  EXPECT_FALSE(CheckAviGenOptions(o, &error));
  o = AviGenOptions();
  o.BadFourccOffset = 4;
  EXPECT_FALSE(CheckAviGenOptions(o, &error));
  o = AviGenOptions();
  o.IndexEntriesPerChunk = 0;
  EXPECT_FALSE(CheckAviGenOptions(o, &error));
}

TEST(AviGenerator, CommandLine) {
  AviGenOptions o;
  std::string path, error;
  bool help = false;
  ASSERT_TRUE(ParseAviGenArguments(
      {"--format", "yuy2", "--size", "64x32", "--frames", "50", "--rate", "30000/1001", "--artist", "none", "--drop",
       "3,7-9", "--drop-style", "repeat", "--segment-size", "4096", "--chunk-offset", "0x100000000", "out.avi"},
      &o, &path, &help, &error))
      << error;
  EXPECT_EQ(path, "out.avi");
  EXPECT_EQ(o.Format, AviGenFormat::Yuy2);
  EXPECT_EQ(o.Width, 64u);
  EXPECT_EQ(o.Height, 32u);
  EXPECT_EQ(o.Rate, 30000u);
  EXPECT_EQ(o.Scale, 1001u);
  EXPECT_FALSE(o.HasArtist);
  EXPECT_EQ(o.DroppedFrames, (std::vector<uint32_t>{3, 7, 8, 9}));
  EXPECT_EQ(o.DropStyle, AviGenDropStyle::Repeat);
  EXPECT_EQ(o.SegmentLimit, 4096u);
  EXPECT_EQ(o.FirstChunkOffsetHigh.Value, 1u);
  EXPECT_EQ(o.FirstChunkOffsetLow.Value, 0u);

  AviGenOptions p;
  ASSERT_TRUE(ParseAviGenArguments({"--frames", "100000", "--drop-percent", "1", "x.avi"}, &p, &path, &help, &error));
  EXPECT_GT(p.DroppedFrames.size(), 800u);
  EXPECT_LT(p.DroppedFrames.size(), 1200u);
  AviGenOptions q;
  ASSERT_TRUE(ParseAviGenArguments({"--frames", "100000", "--drop-percent", "1", "x.avi"}, &q, &path, &help, &error));
  EXPECT_EQ(p.DroppedFrames, q.DroppedFrames);

  for (std::vector<std::string> bad :
       std::vector<std::vector<std::string>>{{"--size", "64", "x.avi"},
                                             {"--frames", "-1", "x.avi"},
                                             {"--bogus", "x.avi"},
                                             {"a.avi", "b.avi"},
                                             {},
                                             {"--drop", "9-3", "x.avi"},
                                             {"--frames", "5", "--drop", "5", "x.avi"}}) {
    AviGenOptions r;
    EXPECT_FALSE(ParseAviGenArguments(bad, &r, &path, &help, &error)) << (bad.empty() ? "" : bad[0]);
  }
}

TEST(AviGenerator, FfmpegDecodesEveryFrameWithItsCode) {
#ifdef _WIN32
  GTEST_SKIP() << "ffmpeg runs natively only";
#endif
  SKIP_WITHOUT("ffmpeg");
  for (AviGenFormat format : {AviGenFormat::Dib24, AviGenFormat::Yuy2}) {
    for (AviGenDropStyle style : {AviGenDropStyle::Repeat, AviGenDropStyle::ZeroLength}) {
      AviGenOptions o;
      o.Format = format;
      o.Width = 96;
      o.Height = 48;
      o.FrameCount = 60;
      o.IndexEntriesPerChunk = 16;
      o.DroppedFrames = {0, 10, 11, 12, 59};
      o.DropStyle = style;
      TempFile file("decode.avi");
      std::string error;
      ASSERT_TRUE(GenerateAviFile(o, file.Path(), &error)) << error;
      int status = 0;
      std::string raw = RunCommand(
          "ffmpeg -v error -i '" + file.Path() + "' -fps_mode passthrough -f rawvideo -pix_fmt gray -", &status);
      ASSERT_EQ(status, 0);
      const std::size_t frameBytes = 96 * 48;
      ASSERT_EQ(raw.size() % frameBytes, 0u);
      std::vector<uint32_t> shown;
      for (std::size_t at = 0; at < raw.size(); at += frameBytes) {
        uint32_t n = 0;
        const uint8_t* p = reinterpret_cast<const uint8_t*>(raw.data() + at);
        if (ReadFrameCode(p, 96, 48, 96, 1, &n))
          shown.push_back(n);
        else
          shown.push_back(0xFFFFFFFFu);  // the blank picture of a dropped first frame
      }
      std::vector<uint32_t> expected;
      std::set<uint32_t> dropped(o.DroppedFrames.begin(), o.DroppedFrames.end());
      uint32_t last = 0xFFFFFFFFu;
      for (uint32_t f = 0; f < 60; ++f) {
        if (!dropped.count(f)) last = f;
        if (!dropped.count(f) || style == AviGenDropStyle::Repeat) expected.push_back(last);
      }
      EXPECT_EQ(shown, expected) << (format == AviGenFormat::Dib24 ? "DIB" : "YUY2")
                                 << (style == AviGenDropStyle::Repeat ? " repeat" : " zero");
    }
  }
}

TEST(AviGenerator, FfprobeFindsTheSameKeyAndDroppedFrames) {
#ifdef _WIN32
  GTEST_SKIP() << "ffprobe runs natively only";
#endif
  SKIP_WITHOUT("ffprobe");
  // Zero-length dropped frames: ffprobe reads no packet for them. (ffprobe
  // marks every packet of uncompressed video as key, so repeats of the
  // previous frame cannot be told apart by it.)
  struct Case {
    AviGenFormat Format;
    uint64_t Segment;
    uint32_t Entries;
    bool Idx1;
  } cases[] = {
      {AviGenFormat::Dib24, 0, 1000, true},
      {AviGenFormat::Yuy2, 0, 13, true},
      {AviGenFormat::Dib24, 300000, 50, true},
      {AviGenFormat::Yuy2, 100000, 64, false},
  };
  for (const Case& c : cases) {
    AviGenOptions o;
    o.Format = c.Format;
    o.Width = 64;
    o.Height = 48;
    o.FrameCount = 500;
    o.SegmentLimit = c.Segment;
    o.IndexEntriesPerChunk = c.Entries;
    o.WriteIdx1 = c.Idx1;
    for (uint32_t f = 3; f < 500; f += 29) o.DroppedFrames.push_back(f);
    o.DroppedFrames.push_back(100);
    o.DroppedFrames.push_back(101);
    o.DroppedFrames.push_back(499);
    TempFile file("probe.avi");
    std::string error;
    ASSERT_TRUE(GenerateAviFile(o, file.Path(), &error)) << error;
    ExpectSameAsFfprobe(file.Path());
  }
}

TEST(AviGenerator, RecordingOverFourGigabytesWithSegments) {
#ifdef _WIN32
  GTEST_SKIP() << "the sparse file is made natively only";
#endif
  // A sparse file: the pictures are holes, only headers and indexes are
  // written. Standard indexes lie past 4 GB.
  AviGenOptions o;
  o.Width = 1920;
  o.Height = 1080;
  o.FrameCount = 720;
  o.Sparse = true;
  o.SegmentLimit = 1ull << 30;
  o.IndexEntriesPerChunk = 50;
  for (uint32_t f = 1; f < 720; f += 97) o.DroppedFrames.push_back(f);
  o.DroppedFrames.push_back(700);
  TempFile file("large.avi");
  std::string error;
  ASSERT_TRUE(GenerateAviFile(o, file.Path(), &error)) << error;
  AviStdioByteSource source;
  ASSERT_TRUE(source.Open(file.Path().c_str()));
  uint64_t size = 0;
  ASSERT_TRUE(source.GetSize(&size));
  ASSERT_GT(size, 4ull << 30);
  // The last standard index lies past 4 GB.
  uint8_t super[16];
  uint32_t got = 0;
  ASSERT_EQ(source.ReadAt(212 + 12, super, 4, &got), AviReadStatus::Ok);
  const uint32_t indexes = super[0] | super[1] << 8 | super[2] << 16 | static_cast<uint32_t>(super[3]) << 24;
  ASSERT_EQ(source.ReadAt(212 + 32 + 16ull * (indexes - 1), super, 16, &got), AviReadStatus::Ok);
  EXPECT_GE(super[4] | super[5] << 8, 1);  // the high word of its offset
  ParseOutcome r = ParseWith(source);
  ASSERT_EQ(r.Code, AviParseSucceeded);
  std::vector<uint32_t> flags(728, 0);
  for (uint32_t f = 0; f < 720; ++f) flags[f] = 1;
  for (uint32_t f : o.DroppedFrames) flags[f] = 0;
  EXPECT_EQ(r.Facts.KeyFrameFlags, flags);
  EXPECT_EQ(r.Facts.DroppedFrameCount, static_cast<int32_t>(o.DroppedFrames.size()));
  if (HaveProgram("ffprobe")) ExpectSameAsFfprobe(file.Path());
}

TEST(OtherMuxers, FfmpegRecordingsWithAndWithoutTheCaptureTag) {
#ifdef _WIN32
  GTEST_SKIP() << "ffmpeg runs natively only";
#endif
  SKIP_WITHOUT("ffmpeg");
  // One RIFF: ffmpeg writes no super index, only a JUNK chunk in its place.
  TempFile small("ffmpeg-small.avi");
  int status = 0;
  RunCommand(
      "ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=25 -frames:v 30 -c:v mpeg4 -g 7 '" + small.Path() + "'",
      &status);
  ASSERT_EQ(status, 0);
  AviStdioByteSource source;
  ASSERT_TRUE(source.Open(small.Path().c_str()));
  ParseOutcome r = ParseWith(source);
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_FALSE(r.FromCapture);
  EXPECT_EQ(r.Facts.TotalFrames, 30u);
  EXPECT_EQ(U8(r.Info.FrameRateText), "25.00");
  EXPECT_EQ(U8(r.Info.CodecName), "Decompressor fourcc code: TBD");

  RunCommand(
      "ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=25 -frames:v 30 -c:v mpeg4 -g 7 "
      "-metadata artist='ORVO Video Capture' '" +
          small.Path() + "'",
      &status);
  ASSERT_EQ(status, 0);
  AviStdioByteSource tagged;
  ASSERT_TRUE(tagged.Open(small.Path().c_str()));
  r = ParseWith(tagged);
  EXPECT_EQ(r.Code, AviParseReadFailed);
  EXPECT_EQ(r.Messages, std::vector<std::u16string>{
                            u"SEVERE: problem reading FOURCC value in file created by ORVO Video Capture\r\n"});
}

TEST(OtherMuxers, FfmpegOpenDmlRecordingMatchesFfprobe) {
#ifdef _WIN32
  GTEST_SKIP() << "ffmpeg runs natively only";
#endif
  SKIP_WITHOUT("ffmpeg");
  SKIP_WITHOUT("ffprobe");
  if (std::getenv("ORVO_SKIP_LARGE_TESTS") != nullptr) GTEST_SKIP() << "ORVO_SKIP_LARGE_TESTS is set";
  // ffmpeg goes OpenDML past 1 GB of data: key frames every 12, the rest
  // delta frames, which a capture-tagged file counts as dropped.
  TempFile big("ffmpeg-odml.avi");
  int status = 0;
  RunCommand(
      "ffmpeg -v error -y -f lavfi -i 'testsrc2=size=1280x720:rate=25,noise=alls=100:allf=t' "
      "-frames:v 800 -c:v mpeg4 -q:v 1 -g 12 -bf 0 -metadata artist='ORVO Video Capture' '" +
          big.Path() + "'",
      &status);
  ASSERT_EQ(status, 0);
  ExpectSameAsFfprobe(big.Path());
}
