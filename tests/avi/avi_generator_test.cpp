// The recording generator: the frame code reads back from every view of the
// picture the tests look at, its command line, and a sparse recording past
// 4 GB whose standard indexes the parser must reach through 64-bit offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>

#include "avi_test_support.h"
#include "frame_picture.h"

namespace {

// Parses a blank-separated command line into *o; false with the reason when refused.
bool Parse(const std::string& line, AviGenOptions* o, std::string* path = nullptr) {
  std::istringstream in(line);
  std::vector<std::string> arguments{std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
  std::string out, error;
  bool help = false;
  return ParseAviGenArguments(arguments, o, path != nullptr ? path : &out, &help, &error);
}

}  // namespace

TEST(FrameCode, ReadsBackFromTheStoredFormsAndFromAScaledBrightenedView) {
  for (uint32_t n : {0u, 9u, 65535u, 123456789u, 0xFFFFFFFFu}) {
    for (uint32_t width : {76u, 161u, 640u}) {
      AviGenOptions o;
      o.Width = width;
      o.Height = width * 3 / 4;
      o.Format = width % 2 ? AviGenFormat::Dib24 : AviGenFormat::Yuy2;
      std::vector<uint8_t> picture;
      GenerateFramePicture(o, n, picture);
      uint32_t read = 0;
      EXPECT_TRUE(width % 2 ? ReadFrameCodeFromDib24(picture.data(), o.Width, o.Height, &read)
                            : ReadFrameCodeFromYuy2(picture.data(), o.Width, o.Height, &read));
      EXPECT_EQ(read, n) << width;
    }
  }
  std::vector<uint8_t> luma, view(241 * 181);
  DrawFramePicture(4242, 160, 120, luma);
  for (int y = 0; y < 181; ++y)  // scaled to 241 x 181, brighter and with less contrast
    for (int x = 0; x < 241; ++x)
      view[y * 241 + x] = static_cast<uint8_t>(luma[y * 120 / 181 * 160 + x * 160 / 241] * 2 / 5 + 80);
  uint32_t read = 0;
  EXPECT_TRUE(ReadFrameCode(view.data(), 241, 181, 241, 1, &read) && read == 4242u);
  // No code in a flat picture or in one with a wrong parity cell.
  EXPECT_FALSE(ReadFrameCode(std::vector<uint8_t>(160 * 120, 96).data(), 160, 120, 160, 1, &read));
  for (uint32_t y = 0; y < 20; ++y)
    for (uint32_t x = 160 * 37 / 38 + 1; x < 160; ++x) luma[y * 160 + x] ^= 0xFF;
  EXPECT_FALSE(ReadFrameCode(luma.data(), 160, 120, 160, 1, &read));
}

TEST(AviGenerator, CommandLine) {
  AviGenOptions o;
  std::string path;
  ASSERT_TRUE(
      Parse("--format yuy2 --size 64x32 --frames 50 --rate 30000/1001 --artist none --drop 3,7-9 "
            "--drop-style repeat --segment-size 4096 --chunk-offset 0x100000000 --std-count 7 out.avi",
            &o, &path));
  EXPECT_EQ(path, "out.avi");
  EXPECT_TRUE(o.Format == AviGenFormat::Yuy2 && o.DropStyle == AviGenDropStyle::Repeat && !o.HasArtist);
  EXPECT_EQ(std::vector<uint64_t>({o.Width, o.Height, o.FrameCount, o.Rate, o.Scale, o.SegmentLimit}),
            std::vector<uint64_t>({64, 32, 50, 30000, 1001, 4096}));
  EXPECT_EQ(o.DroppedFrames, (std::vector<uint32_t>{3, 7, 8, 9}));
  EXPECT_TRUE(o.FirstChunkOffsetHigh.Value == 1 && o.FirstChunkOffsetLow.Set && o.FirstChunkOffsetLow.Value == 0);
  EXPECT_TRUE(o.FirstStdIndexCount.Set && o.FirstStdIndexCount.Value == 7);
  // --drop-percent picks about that share of the frames, the same for the same seed.
  AviGenOptions p, q;
  ASSERT_TRUE(Parse("--frames 100000 --drop-percent 1 x.avi", &p) && Parse("--frames 100000 --drop-percent 1 x", &q));
  EXPECT_TRUE(p.DroppedFrames.size() > 800 && p.DroppedFrames.size() < 1200 && p.DroppedFrames == q.DroppedFrames);
  for (const char* bad : {"--size 64 x.avi", "--frames -1 x.avi", "--bogus x.avi", "a.avi b.avi", "", "--frames",
                          "--drop 9-3 x.avi", "--frames 5 --drop 5 x.avi", "--index-entries 0 x.avi",
                          "--format yuy2 --size 81x60 x.avi", "--bad-fourcc 4 x.avi", "--rate 30/x x.avi"}) {
    AviGenOptions r;
    EXPECT_FALSE(Parse(bad, &r)) << bad;
  }
}

#ifndef _WIN32
TEST(AviGenerator, SparseRecordingPastFourGigabytesIsWalkedThroughItsSegments) {
  AviGenOptions o;
  o.Width = 1920;
  o.Height = 1080;
  o.FrameCount = 720;
  o.Sparse = true;
  o.SegmentLimit = 1ull << 30;
  o.IndexEntriesPerChunk = 50;
  for (uint32_t f = 1; f < 720; f += 97) o.DroppedFrames.push_back(f);
  TempFile file("large.avi");
  std::string error;
  ASSERT_TRUE(GenerateAviFile(o, file.Path, &error)) << error;
  AviStdioByteSource source;
  ASSERT_TRUE(source.Open(file.Path.c_str()));
  FaultyByteSource watched(source);
  ParseOutcome r = ParseWith(watched);
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_EQ(r.Facts.KeyFrameFlags, ExpectedFlags(720, o.DroppedFrames));
  EXPECT_GT(*std::max_element(watched.Offsets.begin(), watched.Offsets.end()), 4ull << 30);  // standard indexes
}
#endif
