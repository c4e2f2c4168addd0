// ParseAviHeader on generated recordings: the facts it fills, key and dropped
// frames over the OpenDML index, every refusal with its message and result,
// and the bounds that keep a damaged file from reading or allocating out of reach.
#include <gtest/gtest.h>

#include "avi/avi_text_format.h"
#include "avi_test_support.h"

namespace {

using Texts = std::vector<std::u16string>;
const char16_t CaptureRead[] = u"SEVERE: cannot read from file created by ORVO Video Capture\r\n";
const char16_t CaptureSeek[] = u"SEVERE: cannot set file pointer in file created by ORVO Video Capture\r\n";
const char16_t Fourcc[] = u"SEVERE: problem reading FOURCC value in file created by ORVO Video Capture\r\n";
const char16_t OpenedRead[] = u"SEVERE: unable to read from the opened file\r\n";
const char16_t SizeInfo[] =
    u"INFO: cannot determine file size, thus cannot determine if file is created by ORVO Video Capture\r\n";

}  // namespace

TEST(AviHeaderParser, CaptureRecordingFillsEveryFact) {
  const std::vector<uint8_t> bytes = Generate(SmallCaptureOptions());
  ParseOutcome r = ParseBytes(bytes);
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_TRUE(r.Messages.empty());
  EXPECT_TRUE(r.FromCapture);
  EXPECT_EQ(r.Facts.TotalFrames + r.Facts.StreamLength, 80u);
  EXPECT_EQ(r.Facts.KeyFrameCount, 36u);
  EXPECT_EQ(r.Facts.DroppedFrameCount, 4);
  EXPECT_EQ(r.Facts.KeyFrameFlags, ExpectedFlags(40, {17, 18, 19, 25}));
  EXPECT_EQ(r.Header.FrameWidth * 1000 + r.Header.FrameHeight, 80060u);
  EXPECT_EQ(U8(r.Info.CodecName), "NONE (DIB internal decoder)");
  EXPECT_EQ(U8(r.Info.FrameRateText), "30.00");
  EXPECT_EQ(U8(r.Info.KeyFramesText) + "/" + U8(r.Info.DroppedFramesText), "36/4");
  const char16_t separator[2] = {UserThousandsSeparator(), 0};
  char16_t size[AviFileSizeTextUnits];
  FormatGroupedFileSize(size, AviFileSizeTextUnits, bytes.size(), separator);
  EXPECT_EQ(U8(r.Info.FileSizeText), U8(size));
  EXPECT_EQ(r.Info.FilePath[0] + r.Info.FrameSizeText[0] + r.Info.TotalFramesText[0], 0);  // not the parser's
}

TEST(AviHeaderParser, KeyAndDroppedFramesOverEveryIndexLayout) {
  struct Case {
    uint32_t Frames, EntriesPerChunk;
    uint64_t Segment;  // AVIX segments every ~250 frames with 100000
    bool Yuy2Repeats;
    std::vector<uint32_t> Dropped;
  } cases[] = {{40, 8, 0, true, {17, 18, 19, 25}},
               {30, 1, 0, false, {0, 1, 29}},
               {30, 1000, 0, false, {}},
               {3000, 7, 100000, false, {}},
               {3000, 7, 100000, true, {}}};
  for (Case& c : cases) {
    for (uint32_t f = 5; c.Frames == 3000 && f < 3000; f += f >= 1000 && f < 1010 ? 1 : 37) c.Dropped.push_back(f);
    AviGenOptions o = SmallCaptureOptions();
    o.Width = 16;
    o.Height = 8;
    o.FrameCount = c.Frames;
    o.IndexEntriesPerChunk = c.EntriesPerChunk;
    o.SegmentLimit = c.Segment;
    o.Format = c.Yuy2Repeats ? AviGenFormat::Yuy2 : AviGenFormat::Dib24;
    o.DropStyle = c.Yuy2Repeats ? AviGenDropStyle::Repeat : AviGenDropStyle::ZeroLength;
    o.DroppedFrames = c.Dropped;
    ParseOutcome r = ParseBytes(Generate(o));
    ASSERT_EQ(r.Code, AviParseSucceeded) << c.Frames;
    EXPECT_EQ(r.Facts.KeyFrameFlags, ExpectedFlags(c.Frames, c.Dropped)) << c.Frames;
    EXPECT_EQ(r.Facts.DroppedFrameCount, static_cast<int32_t>(c.Dropped.size())) << c.Frames;
  }
}

TEST(AviHeaderParser, OnlyTheCaptureArtistTagUpToItsLengthInTheFileMakesACaptureFile) {
  struct Case {
    const char* Text;
    int64_t Length;  // -1: text length + NUL; -2: no tag
    bool Capture;
  } cases[] = {{"ORVO Video Capture", -1, true},
               {"ORVO Video Capture Pro", 18, true},
               {"Anything", 0, true},
               {"ORVO Video Capture", 0xFFFFFFFF, true},
               {"ORVO Video Capture Pro", -1, false},
               {"ORVO Video", -1, false},
               {"orvo video capture", -1, false},
               {"", -2, false}};
  for (const Case& c : cases) {
    AviGenOptions o = SmallCaptureOptions();
    o.ArtistText = c.Text;
    o.HasArtist = c.Length != -2;
    if (c.Length >= 0) o.ArtistLength = AviGenOverride{true, static_cast<uint32_t>(c.Length)};
    ParseOutcome r = ParseBytes(Generate(o));
    ASSERT_EQ(r.Code, AviParseSucceeded) << c.Text;
    EXPECT_EQ(r.FromCapture, c.Capture) << c.Text << " " << c.Length;
    if (c.Capture) continue;
    // Other files: every frame a key frame, entries 0 to TotalFrames set, counts unknown.
    std::vector<uint32_t> flags = ExpectedFlags(41, {});
    flags.pop_back();
    EXPECT_EQ(r.Facts.KeyFrameFlags, flags);
    EXPECT_EQ(r.Facts.KeyFrameCount * 100 + r.Facts.DroppedFrameCount, 4000u);
    EXPECT_EQ(U8(r.Info.KeyFramesText) + U8(r.Info.DroppedFramesText), "unknownunknown");
  }
}

TEST(AviHeaderParser, EveryHeaderRefusalHasItsMessageAndLeavesAClearRecord) {
  const char16_t* const messages[] = {
      u"WARNING: AVI file header is not RIFF formatted; file open aborted\r\n",
      u"WARNING: AVI file header FOURCC code is not \"AVI \"; file open aborted\r\n",
      u"WARNING: AVI file header chunk is not followed by a LIST structure; file open aborted\r\n",
      u"WARNING: AVI file header LIST structure list type is not \"hdrl\"; file open aborted\r\n",
      u"WARNING: AVI file main header structure is not followed by a LIST structure; file open aborted\r\n",
      u"WARNING: LIST structure list type is not \"strl\"; file open aborted\r\n",
      u"WARNING: stream header structure FOURCC code is not \"strh\"; file open aborted\r\n",
      u"WARNING: stream format structure FOURCC code is not \"strf\"; file open aborted\r\n"};
  struct Case {
    int32_t BadFourcc;  // or -1
    std::size_t Keep;   // bytes kept of the file, 0 all
    int Message;
  } cases[] = {{0, 0, 0},  {8, 0, 1},  {12, 0, 2},  {20, 0, 3},  {88, 0, 4},  {96, 0, 5},   {100, 0, 6}, {164, 0, 7},
               {-1, 1, 0}, {-1, 4, 1}, {-1, 16, 3}, {-1, 60, 4}, {-1, 99, 5}, {-1, 100, 6}, {-1, 120, 7}};
  const std::vector<uint8_t> good = Generate(SmallCaptureOptions());
  const ParseOutcome filled = ParseBytes(good);
  for (const Case& c : cases) {
    AviGenOptions o = SmallCaptureOptions();
    o.BadFourccOffset = c.BadFourcc;
    std::vector<uint8_t> bytes = c.Keep != 0 ? std::vector<uint8_t>(good.begin(), good.begin() + c.Keep) : Generate(o);
    ParseOutcome r = ParseBytes(c.Keep == 1 ? std::vector<uint8_t>() : bytes, filled);
    EXPECT_EQ(r.Code, AviParseRefused) << c.BadFourcc << " " << c.Keep;
    EXPECT_EQ(r.Messages, Texts{messages[c.Message]}) << c.BadFourcc << " " << c.Keep;
    EXPECT_FALSE(r.FromCapture);
    EXPECT_EQ(r.Facts.DroppedFrameCount, 0);
    const char16_t* units = reinterpret_cast<const char16_t*>(&r.Info);
    for (std::size_t i = 0; i < sizeof(AviFileInfo) / 2; ++i) ASSERT_EQ(units[i], 0) << i;
  }
}

TEST(AviHeaderParser, ReadAndSizeFailuresEachHaveTheirMessage) {
  const std::vector<uint8_t> bytes = Generate(SmallCaptureOptions());
  FaultyByteSource counting(bytes);
  ASSERT_EQ(ParseWith(counting).Code, AviParseSucceeded);
  // Read 0 is the header, read 1 the INFO chunk after the header list; the rest walk the index.
  EXPECT_EQ(counting.Offsets[1], bytes[16] + (bytes[17] << 8) + 20u);
  for (int n = 0; n < counting.Reads * 2; ++n) {
    FaultyByteSource source(bytes);
    source.FailRead = n / 2;
    source.Failure = n % 2 ? AviReadStatus::SeekFailed : AviReadStatus::ReadFailed;
    const char16_t* expected[] = {u"WARNING: unable to read data from AVI file; file open aborted\r\n",
                                  u"WARNING: unable to read data from AVI file; file open aborted\r\n",
                                  OpenedRead,
                                  u"SEVERE: unable to set the file pointer in the opened file\r\n",
                                  CaptureRead,
                                  CaptureSeek};
    ParseOutcome r = ParseWith(source);
    EXPECT_EQ(r.Code, n < 2 ? AviParseRefused : AviParseReadFailed) << n;
    EXPECT_EQ(r.Messages, Texts{expected[std::min(n, 4 + n % 2)]}) << n;
  }
  // Without a file size the capture detection is skipped.
  for (bool fails : {true, false}) {
    FaultyByteSource source(bytes);
    source.SizeFails = fails;
    source.SizeZero = !fails;
    ParseOutcome r = ParseWith(source);
    ASSERT_EQ(r.Code, AviParseSucceeded);
    EXPECT_EQ(r.Messages,
              fails ? Texts({u"WARNING: unable to obtain the opened file size\r\n", SizeInfo}) : Texts({SizeInfo}));
    EXPECT_FALSE(r.FromCapture);
    EXPECT_EQ(r.Info.FileSizeText[0], 0);
    EXPECT_EQ(source.Reads, 1);
  }
}

// Damaged index fields and lengths: refused without a read past the end of the
// file, or walked as far as they make sense.
TEST(AviHeaderParser, DamagedIndexesAndLengths) {
  const uint32_t Cut = 0, NoIndx = 1, EmptyIndx = 2;  // Value of the cases without a Field
  struct Case {
    AviGenOverride AviGenOptions::*Field;
    uint32_t Value;
    const char16_t* Message;  // null: parsed, with these key frames
    uint32_t Keys = 0;
    std::vector<uint32_t> Flags = {};
  } cases[] = {{&AviGenOptions::SuperIndexCount, 0xFFFFFFFFu, CaptureRead},
               {&AviGenOptions::SuperIndexCount, 100000, CaptureRead},
               {&AviGenOptions::SuperIndexEntryWords, 2, CaptureRead},  // 8-byte entries
               {&AviGenOptions::SuperIndexEntryWords, 0, CaptureRead},
               {&AviGenOptions::SuperIndexEntryWords, 0x4000, CaptureRead},  // wraps to 0 bytes
               {&AviGenOptions::FirstChunkOffsetLow, 0x7FFFFFF0, CaptureRead},
               {&AviGenOptions::FirstChunkOffsetHigh, 0xFFFFFFFF, CaptureRead},
               {&AviGenOptions::FirstChunkSize, 0xFFFFFFFFu, CaptureRead},
               {&AviGenOptions::FirstStdIndexCount, 0x7FFFFFFF, CaptureRead},
               {&AviGenOptions::FirstStdIndexCount, 0xFFFFFFFFu, CaptureRead},
               {&AviGenOptions::FirstStdIndexEntryWords, 1, CaptureRead},  // 4-byte entries
               {&AviGenOptions::FirstStdIndexEntryWords, 0, CaptureRead},
               {&AviGenOptions::FirstStdIndexEntryWords, 0x3FFF, CaptureRead},
               {&AviGenOptions::BitmapHeaderSize, 8020, Fourcc},  // super index outside the header bytes
               {&AviGenOptions::BitmapHeaderSize, 0xFFFFFFFFu, Fourcc},
               {&AviGenOptions::StreamLength, 0xFFFFFFFFu, OpenedRead},  // refused before allocating
               {nullptr, NoIndx, Fourcc},
               {nullptr, Cut, CaptureRead},  // cut before the standard indexes
               // 40 frames listed, 28 slots: the walk ends at the last slot.
               {&AviGenOptions::StreamLength, 20, nullptr, 24, ExpectedFlags(28, {17, 18, 19, 25})},
               // Fewer entries than frames: the rest count as dropped.
               {&AviGenOptions::StreamLength, 45, nullptr, 36, ExpectedFlags(40, {17, 18, 19, 25})},
               // A chunk smaller than its own header lists nothing; later frames number from 0.
               {&AviGenOptions::FirstChunkSize, 8, nullptr, 28, ExpectedFlags(32, {9, 10, 11, 17})},
               {nullptr, EmptyIndx, nullptr, 0, {}}};
  for (Case& c : cases) {
    AviGenOptions o = SmallCaptureOptions();
    if (c.Field != nullptr) o.*c.Field = AviGenOverride{true, c.Value};
    o.NoIndx = c.Field == nullptr && c.Value == NoIndx;
    o.EmptyIndx = c.Field == nullptr && c.Value == EmptyIndx;
    std::vector<uint8_t> bytes = Generate(o);
    if (c.Field == nullptr && c.Value == Cut) bytes.resize(bytes.size() / 2);
    FaultyByteSource source(bytes);
    ParseOutcome r = ParseWith(source);
    for (uint64_t offset : source.Offsets) EXPECT_LT(offset, bytes.size()) << c.Value;
    if (c.Message != nullptr) {
      EXPECT_EQ(r.Code, AviParseReadFailed) << c.Value;
      EXPECT_EQ(r.Messages, Texts{c.Message}) << c.Value;
      continue;
    }
    ASSERT_EQ(r.Code, AviParseSucceeded) << c.Value;
    c.Flags.resize(r.Facts.StreamLength + 8, 0);
    EXPECT_EQ(r.Facts.KeyFrameFlags, c.Flags) << c.Value;
    EXPECT_EQ(r.Facts.KeyFrameCount, c.Keys) << c.Value;
    EXPECT_EQ(r.Facts.DroppedFrameCount, static_cast<int32_t>(r.Facts.StreamLength - c.Keys)) << c.Value;
  }
  AviGenOptions other = SmallCaptureOptions();  // any file's length is bounded
  other.HasArtist = false;
  other.StreamLength = {true, 0xFFFFFFFFu};
  EXPECT_EQ(ParseBytes(Generate(other)).Messages, Texts{OpenedRead});
}
