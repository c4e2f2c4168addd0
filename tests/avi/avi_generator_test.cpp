// The recording generator: its command line, and a sparse recording past
// 4 GB whose standard indexes the parser must reach through 64-bit offsets.
#include <gtest/gtest.h>

#include <algorithm>

#include "avi_test_support.h"

TEST(AviGenerator, CommandLineRefusalsSayWhy) {
  std::string errors;
  for (const char* line : {"--size 64", "--drop 9-3", "--bogus", "--frames 5 --drop 5", "--format yuy2 --size 81x60",
                           "--bad-fourcc 4", "--index-entries 0", "a.avi", ""}) {
    AviGenOptions o;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(line, &o, &error, line[0] != 0 ? "x.avi" : "")) << line;
    errors += error + "|";
  }
  EXPECT_EQ(errors,
            "--size needs WxH|--drop needs a list like 17-19,40|unknown option --bogus|a dropped frame lies past the "
            "last frame|YUY2 needs an even width|a wrong FOURCC goes at 0, 8, 12, 20, 88, 96, 100 or 164|a standard "
            "index needs at least one entry|only one output file|no output file|");
  // --drop-percent picks about that share of the frames, the same for the same seed.
  const AviGenOptions p = Options("--frames 100000 --drop-percent 1"), q = Options("--frames 100000 --drop-percent 1");
  EXPECT_TRUE(p.DroppedFrames.size() > 800 && p.DroppedFrames.size() < 1200 && p.DroppedFrames == q.DroppedFrames);
}

#ifndef _WIN32
TEST(AviGenerator, SparseRecordingPastFourGigabytesIsWalkedThroughItsSegments) {
  const AviGenOptions o = Options("--size 1920x1080 --frames 720 --sparse --odml --index-entries 50 --drop-percent 2");
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
