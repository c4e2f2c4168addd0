// ParseAviHeader on generated recordings: refusals with their messages and
// results, the capture-program detection, the OpenDML index walk, and the
// bounds that keep a damaged file from reading or allocating out of reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "avi/avi_text_format.h"
#include "avi_test_support.h"

namespace {

const std::u16string CaptureReadFailed = u"SEVERE: cannot read from file created by ORVO Video Capture\r\n";
const std::u16string CaptureSeekFailed = u"SEVERE: cannot set file pointer in file created by ORVO Video Capture\r\n";
const std::u16string FourccProblem = u"SEVERE: problem reading FOURCC value in file created by ORVO Video Capture\r\n";
const std::u16string OpenedFileReadFailed = u"SEVERE: unable to read from the opened file\r\n";
const std::u16string SizeUnknownInfo =
    u"INFO: cannot determine file size, thus cannot determine if file is created by ORVO Video Capture\r\n";

std::vector<std::u16string> Only(const std::u16string& text) { return {text}; }

// The flags a capture file with these dropped frames must have.
std::vector<uint32_t> ExpectedFlags(uint32_t frames, const std::vector<uint32_t>& dropped) {
  std::vector<uint32_t> flags(frames + 8, 0);
  for (uint32_t f = 0; f < frames; ++f) flags[f] = 1;
  for (uint32_t f : dropped) flags[f] = 0;
  return flags;
}

std::string FileSizeText(uint64_t size) {
  char16_t separator[2] = {UserThousandsSeparator(), 0};
  char16_t field[AviFileSizeTextUnits];
  FormatGroupedFileSize(field, AviFileSizeTextUnits, size, separator);
  return U8(field);
}

}  // namespace

TEST(AviIndexConstants, SetByConstruction) {
  AviIndexConstants c{0, 0, 0};
  SetAviIndexConstants(c);
  EXPECT_EQ(c.SuperIndexEntryOffset, 32u);
  EXPECT_EQ(c.StandardIndexEntryOffset, 32u);
  EXPECT_EQ(c.DeltaFrameMask, 0x80000000u);
}

TEST(AviHeaderParser, CaptureRecordingFillsEveryFact) {
  AviGenOptions o = SmallCaptureOptions();
  std::vector<uint8_t> bytes = Generate(o);
  ParseOutcome r = ParseBytes(bytes);
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_TRUE(r.Messages.empty());
  EXPECT_TRUE(r.FromCapture);
  EXPECT_EQ(r.Facts.TotalFrames, 40u);
  EXPECT_EQ(r.Facts.StreamLength, 40u);
  EXPECT_EQ(r.Facts.KeyFrameCount, 36u);
  EXPECT_EQ(r.Facts.DroppedFrameCount, 4);
  EXPECT_EQ(r.Facts.KeyFrameFlags, ExpectedFlags(40, o.DroppedFrames));
  EXPECT_EQ(r.Header.FrameWidth, 80u);
  EXPECT_EQ(r.Header.FrameHeight, 60u);
  EXPECT_EQ(U8(r.Info.CodecName), "NONE (DIB internal decoder)");
  EXPECT_EQ(U8(r.Info.FrameRateText), "30.00");
  EXPECT_EQ(U8(r.Info.KeyFramesText), "36");
  EXPECT_EQ(U8(r.Info.DroppedFramesText), "4");
  EXPECT_EQ(U8(r.Info.FileSizeText), FileSizeText(bytes.size()));
  // Fields the parser does not own stay empty.
  EXPECT_EQ(r.Info.FilePath[0], 0);
  EXPECT_EQ(r.Info.FrameSizeText[0], 0);
  EXPECT_EQ(r.Info.TotalFramesText[0], 0);
}

TEST(AviHeaderParser, YuyvRecordingAndNamedRate) {
  AviGenOptions o = SmallCaptureOptions();
  o.Format = AviGenFormat::Yuy2;
  o.Rate = 30000;
  o.Scale = 1001;
  o.DropStyle = AviGenDropStyle::Repeat;
  ParseOutcome r = ParseBytes(Generate(o));
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_EQ(U8(r.Info.CodecName), "NONE (YUY2 internal decoder)");
  EXPECT_EQ(U8(r.Info.FrameRateText), "29.97");
  EXPECT_EQ(r.Facts.KeyFrameFlags, ExpectedFlags(40, o.DroppedFrames));
}

TEST(AviHeaderParser, OtherFilesCountEveryFrameAsKey) {
  for (const char* artist : {"", "Some Other Program", "ORVO Video"}) {
    AviGenOptions o = SmallCaptureOptions();
    o.HasArtist = artist[0] != 0;
    o.ArtistText = artist;
    ParseOutcome r = ParseBytes(Generate(o));
    ASSERT_EQ(r.Code, AviParseSucceeded) << artist;
    EXPECT_TRUE(r.Messages.empty());
    EXPECT_FALSE(r.FromCapture);
    EXPECT_EQ(r.Facts.DroppedFrameCount, 0);
    EXPECT_EQ(r.Facts.KeyFrameCount, 40u);
    std::vector<uint32_t> flags(48, 1);
    std::fill(flags.begin() + 41, flags.end(), 0u);  // entries 0 to TotalFrames are set
    EXPECT_EQ(r.Facts.KeyFrameFlags, flags);
    EXPECT_EQ(U8(r.Info.KeyFramesText), "unknown");
    EXPECT_EQ(U8(r.Info.DroppedFramesText), "unknown");
  }
}

TEST(AviHeaderParser, ArtistCompareStopsAtTheLengthInTheFile) {
  struct Case {
    const char* Text;
    int64_t Length;  // -1: text length + NUL
    bool Capture;
  } cases[] = {
      {"ORVO Video Capture", -1, true},
      {"ORVO Video Capture", 18, true},
      {"ORVO Video Capture Pro", 18, true},
      {"ORVO Video Capture Pro", -1, false},
      {"Anything at all", 0, true},
      {"ORVO Video Capture", 0xFFFFFFFF, true},
      {"ORVO Video", -1, false},
      {"orvo video capture", -1, false},
  };
  for (const Case& c : cases) {
    AviGenOptions o = SmallCaptureOptions();
    o.ArtistText = c.Text;
    if (c.Length >= 0) o.ArtistLength = AviGenOverride{true, static_cast<uint32_t>(c.Length)};
    ParseOutcome r = ParseBytes(Generate(o));
    EXPECT_EQ(r.Code, AviParseSucceeded) << c.Text << " " << c.Length;
    EXPECT_EQ(r.FromCapture, c.Capture) << c.Text << " " << c.Length;
  }
}

TEST(AviHeaderParser, EachHeaderFourccRefusesWithItsMessage) {
  struct Case {
    int32_t Offset;
    const char16_t* Message;
  } cases[] = {
      {0, u"WARNING: AVI file header is not RIFF formatted; file open aborted\r\n"},
      {8, u"WARNING: AVI file header FOURCC code is not \"AVI \"; file open aborted\r\n"},
      {12, u"WARNING: AVI file header chunk is not followed by a LIST structure; file open aborted\r\n"},
      {20, u"WARNING: AVI file header LIST structure list type is not \"hdrl\"; file open aborted\r\n"},
      {88, u"WARNING: AVI file main header structure is not followed by a LIST structure; file open aborted\r\n"},
      {96, u"WARNING: LIST structure list type is not \"strl\"; file open aborted\r\n"},
      {100, u"WARNING: stream header structure FOURCC code is not \"strh\"; file open aborted\r\n"},
      {164, u"WARNING: stream format structure FOURCC code is not \"strf\"; file open aborted\r\n"},
  };
  for (const Case& c : cases) {
    AviGenOptions o = SmallCaptureOptions();
    o.BadFourccOffset = c.Offset;
    ParseOutcome r = ParseBytes(Generate(o));
    EXPECT_EQ(r.Code, AviParseRefused) << c.Offset;
    EXPECT_EQ(r.Messages, Only(c.Message)) << c.Offset;
    // Nothing after the refusal was filled.
    EXPECT_EQ(r.Info.FileSizeText[0], 0);
    EXPECT_EQ(r.Info.CodecName[0], 0);
  }
}

TEST(AviHeaderParser, EmptyAndTruncatedHeadersFailOnTheFirstMissingChunk) {
  ParseOutcome empty = ParseBytes({});
  EXPECT_EQ(empty.Code, AviParseRefused);
  EXPECT_EQ(empty.Messages, Only(u"WARNING: AVI file header is not RIFF formatted; file open aborted\r\n"));

  std::vector<uint8_t> full = Generate(SmallCaptureOptions());
  struct Case {
    std::size_t Size;
    const char16_t* Message;
  } cases[] = {
      {4, u"WARNING: AVI file header FOURCC code is not \"AVI \"; file open aborted\r\n"},
      {16, u"WARNING: AVI file header LIST structure list type is not \"hdrl\"; file open aborted\r\n"},
      {60, u"WARNING: AVI file main header structure is not followed by a LIST structure; file open aborted\r\n"},
      {99, u"WARNING: LIST structure list type is not \"strl\"; file open aborted\r\n"},
      {100, u"WARNING: stream header structure FOURCC code is not \"strh\"; file open aborted\r\n"},
      {120, u"WARNING: stream format structure FOURCC code is not \"strf\"; file open aborted\r\n"},
  };
  for (const Case& c : cases) {
    ParseOutcome r = ParseBytes(std::vector<uint8_t>(full.begin(), full.begin() + c.Size));
    EXPECT_EQ(r.Code, AviParseRefused) << c.Size;
    EXPECT_EQ(r.Messages, Only(c.Message)) << c.Size;
  }
}

TEST(AviHeaderParser, HeaderListReachingTheFileEndMeansNotACaptureFile) {
  // Cut inside the header list: the header passes, the artist tag lies past
  // the end, so the file is taken as another program's, without a message.
  std::vector<uint8_t> full = Generate(SmallCaptureOptions());
  ParseOutcome r = ParseBytes(std::vector<uint8_t>(full.begin(), full.begin() + 240));
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_TRUE(r.Messages.empty());
  EXPECT_FALSE(r.FromCapture);
  EXPECT_EQ(U8(r.Info.KeyFramesText), "unknown");
}

TEST(AviHeaderParser, TruncatedCaptureRecordingIsRefusedWhereItsIndexIsMissing) {
  // The standard indexes follow the frames they list: cut before them, the
  // super index points past the end of the file.
  AviGenOptions o = SmallCaptureOptions();
  std::vector<uint8_t> full = Generate(o);
  ParseOutcome r = ParseBytes(std::vector<uint8_t>(full.begin(), full.begin() + full.size() / 2));
  EXPECT_EQ(r.Code, AviParseReadFailed);
  EXPECT_EQ(r.Messages, Only(CaptureReadFailed));
  EXPECT_TRUE(r.FromCapture);
  EXPECT_NE(r.Info.FileSizeText[0], 0);
  EXPECT_EQ(r.Info.CodecName[0], 0);
}

TEST(AviHeaderParser, FirstReadFailureRefusesTheFile) {
  std::vector<uint8_t> bytes = Generate(SmallCaptureOptions());
  for (AviReadStatus failure : {AviReadStatus::ReadFailed, AviReadStatus::SeekFailed}) {
    FaultyByteSource source(bytes);
    source.FailReadNumber = 0;
    source.Failure = failure;
    ParseOutcome r = ParseWith(source);
    EXPECT_EQ(r.Code, AviParseRefused);
    EXPECT_EQ(r.Messages, Only(u"WARNING: unable to read data from AVI file; file open aborted\r\n"));
  }
}

TEST(AviHeaderParser, UnknownOrZeroSizeSkipsTheCaptureDetection) {
  std::vector<uint8_t> bytes = Generate(SmallCaptureOptions());
  FaultyByteSource failing(bytes);
  failing.SizeFails = true;
  ParseOutcome r = ParseWith(failing);
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_EQ(r.Messages,
            (std::vector<std::u16string>{u"WARNING: unable to obtain the opened file size\r\n", SizeUnknownInfo}));
  EXPECT_FALSE(r.FromCapture);
  EXPECT_EQ(r.Info.FileSizeText[0], 0);
  EXPECT_EQ(U8(r.Info.DroppedFramesText), "unknown");
  EXPECT_EQ(failing.Reads, 1);

  FaultyByteSource zero(bytes);
  zero.SizeIsZero = true;
  r = ParseWith(zero);
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_EQ(r.Messages, Only(SizeUnknownInfo));
  EXPECT_FALSE(r.FromCapture);
}

TEST(AviHeaderParser, ArtistChunkReadFailures) {
  std::vector<uint8_t> bytes = Generate(SmallCaptureOptions());
  FaultyByteSource seek(bytes);
  seek.FailReadNumber = 1;
  seek.Failure = AviReadStatus::SeekFailed;
  ParseOutcome r = ParseWith(seek);
  EXPECT_EQ(r.Code, AviParseReadFailed);
  EXPECT_EQ(r.Messages, Only(u"SEVERE: unable to set the file pointer in the opened file\r\n"));

  FaultyByteSource read(bytes);
  read.FailReadNumber = 1;
  r = ParseWith(read);
  EXPECT_EQ(r.Code, AviParseReadFailed);
  EXPECT_EQ(r.Messages, Only(OpenedFileReadFailed));
  // The INFO chunk is read right after the header list.
  ASSERT_GE(read.Offsets.size(), 2u);
  EXPECT_EQ(read.Offsets[1], bytes[16] + (bytes[17] << 8) + 20u);
}

TEST(AviHeaderParser, EveryIndexReadFailureIsReported) {
  std::vector<uint8_t> bytes = Generate(SmallCaptureOptions());
  FaultyByteSource counting(bytes);
  ASSERT_EQ(ParseWith(counting).Code, AviParseSucceeded);
  // Read 0 is the header, read 1 the INFO chunk; the rest walk the index.
  for (int n = 2; n < counting.Reads; ++n) {
    for (AviReadStatus failure : {AviReadStatus::ReadFailed, AviReadStatus::SeekFailed}) {
      FaultyByteSource source(bytes);
      source.FailReadNumber = n;
      source.Failure = failure;
      ParseOutcome r = ParseWith(source);
      EXPECT_EQ(r.Code, AviParseReadFailed) << n;
      EXPECT_EQ(r.Messages, Only(failure == AviReadStatus::SeekFailed ? CaptureSeekFailed : CaptureReadFailed)) << n;
    }
  }
}

TEST(AviHeaderParser, MissingOrEmptySuperIndex) {
  AviGenOptions o = SmallCaptureOptions();
  o.NoIndx = true;
  ParseOutcome r = ParseBytes(Generate(o));
  EXPECT_EQ(r.Code, AviParseReadFailed);
  EXPECT_EQ(r.Messages, Only(FourccProblem));

  o = SmallCaptureOptions();
  o.EmptyIndx = true;
  r = ParseBytes(Generate(o));
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_EQ(r.Facts.KeyFrameCount, 0u);
  EXPECT_EQ(r.Facts.DroppedFrameCount, 40);
  EXPECT_EQ(U8(r.Info.KeyFramesText), "0");
  EXPECT_EQ(U8(r.Info.DroppedFramesText), "40");
  EXPECT_EQ(r.Facts.KeyFrameFlags, std::vector<uint32_t>(48, 0));
}

TEST(AviHeaderParser, SuperIndexOutsideTheHeaderBytesIsNotLookedFor) {
  for (uint32_t size : {8020u, 8192u, 0xFFFFFF00u, 0xFFFFFFFFu}) {
    AviGenOptions o = SmallCaptureOptions();
    o.BitmapHeaderSize = AviGenOverride{true, size};
    ParseOutcome r = ParseBytes(Generate(o));
    EXPECT_EQ(r.Code, AviParseReadFailed) << size;
    EXPECT_EQ(r.Messages, Only(FourccProblem)) << size;
  }
}

TEST(AviHeaderParser, IndexCountsAndSizesBeyondTheFileAreRefused) {
  struct Case {
    const char* Name;
    void (*Damage)(AviGenOptions&);
  } cases[] = {
      {"super count",
       [](AviGenOptions& o) {
         o.SuperIndexCount = {true, 0xFFFFFFFFu};
       }},
      {"super count just past",
       [](AviGenOptions& o) {
         o.SuperIndexCount = {true, 100000};
       }},
      {"super entry 8 bytes",
       [](AviGenOptions& o) {
         o.SuperIndexEntryWords = {true, 2};
       }},
      {"super entry 0 bytes",
       [](AviGenOptions& o) {
         o.SuperIndexEntryWords = {true, 0};
       }},
      {"super entry wraps to 0",
       [](AviGenOptions& o) {
         o.SuperIndexEntryWords = {true, 0x4000};
       }},
      {"chunk offset",
       [](AviGenOptions& o) {
         o.FirstChunkOffsetLow = {true, 0x7FFFFFF0};
       }},
      {"chunk offset 64-bit",
       [](AviGenOptions& o) {
         o.FirstChunkOffsetHigh = {true, 0xFFFFFFFF};
       }},
      {"chunk size",
       [](AviGenOptions& o) {
         o.FirstChunkSize = {true, 0xFFFFFFFFu};
       }},
      {"std count",
       [](AviGenOptions& o) {
         o.FirstStdIndexCount = {true, 0x7FFFFFFF};
       }},
      {"std count overflow",
       [](AviGenOptions& o) {
         o.FirstStdIndexCount = {true, 0xFFFFFFFFu};
       }},
      {"std entry 4 bytes",
       [](AviGenOptions& o) {
         o.FirstStdIndexEntryWords = {true, 1};
       }},
      {"std entry 0 bytes",
       [](AviGenOptions& o) {
         o.FirstStdIndexEntryWords = {true, 0};
       }},
      {"std entry huge",
       [](AviGenOptions& o) {
         o.FirstStdIndexEntryWords = {true, 0x3FFF};
       }},
  };
  for (const Case& c : cases) {
    AviGenOptions o = SmallCaptureOptions();
    c.Damage(o);
    std::vector<uint8_t> bytes = Generate(o);
    FaultyByteSource source(bytes);
    ParseOutcome r = ParseWith(source);
    EXPECT_EQ(r.Code, AviParseReadFailed) << c.Name;
    EXPECT_EQ(r.Messages, Only(CaptureReadFailed)) << c.Name;
    // Nothing was asked for beyond the end of the file.
    for (uint64_t offset : source.Offsets) EXPECT_LT(offset, bytes.size()) << c.Name;
  }
}

TEST(AviHeaderParser, SmallStandardIndexChunkSizeLeavesItsFieldsZero) {
  // A chunk size below the header's 32 bytes: the fields past it read as 0,
  // so the chunk lists no frame and the frame numbers of the next chunks
  // start at 0.
  AviGenOptions o = SmallCaptureOptions();
  o.FirstChunkSize = {true, 8};
  ParseOutcome r = ParseBytes(Generate(o));
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_EQ(r.Facts.KeyFrameCount, 28u);
  std::vector<uint32_t> flags(48, 0);
  for (uint32_t f = 0; f < 32; ++f) flags[f] = (f == 9 || f == 10 || f == 11 || f == 17) ? 0 : 1;
  EXPECT_EQ(r.Facts.KeyFrameFlags, flags);
}

TEST(AviHeaderParser, StreamLongerThanTheFileIsRefusedBeforeAllocating) {
  AviGenOptions o = SmallCaptureOptions();
  o.StreamLength = {true, 0xFFFFFFFFu};
  ParseOutcome r = ParseBytes(Generate(o));
  EXPECT_EQ(r.Code, AviParseReadFailed);
  EXPECT_EQ(r.Messages, Only(OpenedFileReadFailed));
  EXPECT_TRUE(r.Facts.KeyFrameFlags.empty());

  o.HasArtist = false;  // the same for any file
  r = ParseBytes(Generate(o));
  EXPECT_EQ(r.Code, AviParseReadFailed);
  EXPECT_EQ(r.Messages, Only(OpenedFileReadFailed));
}

TEST(AviHeaderParser, IndexEntriesPastTheFlagArrayAreNeitherWrittenNorCounted) {
  // 40 frames in the index, a stream length of 20: slots for 28 entries.
  AviGenOptions o = SmallCaptureOptions();
  o.StreamLength = {true, 20};
  o.DroppedFrames = {3, 25, 30};
  ParseOutcome r = ParseBytes(Generate(o));
  ASSERT_EQ(r.Code, AviParseSucceeded);
  ASSERT_EQ(r.Facts.KeyFrameFlags.size(), 28u);
  EXPECT_EQ(r.Facts.KeyFrameCount, 26u);  // frames 0-27 without 3 and 25
  EXPECT_EQ(r.Facts.KeyFrameFlags[3], 0u);
  EXPECT_EQ(r.Facts.KeyFrameFlags[25], 0u);
  EXPECT_EQ(r.Facts.KeyFrameFlags[27], 1u);
  EXPECT_EQ(r.Facts.DroppedFrameCount, 20 - 26);
}

TEST(AviHeaderParser, FewerIndexEntriesThanFramesLeaveTheRestDropped) {
  AviGenOptions o = SmallCaptureOptions();
  o.StreamLength = {true, 45};
  ParseOutcome r = ParseBytes(Generate(o));
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_EQ(r.Facts.KeyFrameCount, 36u);
  EXPECT_EQ(r.Facts.DroppedFrameCount, 9);
  for (uint32_t f = 40; f < 53; ++f) EXPECT_EQ(r.Facts.KeyFrameFlags[f], 0u) << f;
}

TEST(AviHeaderParser, ManyChunksAndSegmentsAreWalkedInOrder) {
  AviGenOptions o;
  o.Width = 16;
  o.Height = 8;
  o.FrameCount = 3000;
  o.IndexEntriesPerChunk = 7;
  o.SegmentLimit = 100000;  // AVIX segments every ~250 frames
  std::set<uint32_t> dropped;
  for (uint32_t f = 5; f < o.FrameCount; f += 37) dropped.insert(f);
  for (uint32_t f = 1000; f < 1010; ++f) dropped.insert(f);
  o.DroppedFrames.assign(dropped.begin(), dropped.end());
  for (AviGenDropStyle style : {AviGenDropStyle::ZeroLength, AviGenDropStyle::Repeat}) {
    o.DropStyle = style;
    ParseOutcome r = ParseBytes(Generate(o));
    ASSERT_EQ(r.Code, AviParseSucceeded);
    EXPECT_EQ(r.Facts.KeyFrameFlags, ExpectedFlags(3000, o.DroppedFrames));
    EXPECT_EQ(r.Facts.DroppedFrameCount, static_cast<int32_t>(dropped.size()));
  }
}

TEST(AviHeaderParser, ANewParseStartsFromAClearRecord) {
  ParseOutcome first = ParseBytes(Generate(SmallCaptureOptions()));
  ASSERT_TRUE(first.FromCapture);
  AviGenOptions bad = SmallCaptureOptions();
  bad.BadFourccOffset = 96;
  std::vector<uint8_t> bytes = Generate(bad);
  AviMemoryByteSource source(bytes);
  AviIndexConstants constants;
  MessageRecorder recorder;
  ASSERT_EQ(ParseAviHeader(source, constants, first.Info, first.Facts, first.Header), AviParseRefused);
  EXPECT_EQ(FromCaptureProgram, 0);
  EXPECT_EQ(first.Facts.DroppedFrameCount, 0);
  const char16_t* units = reinterpret_cast<const char16_t*>(&first.Info);
  for (std::size_t i = 0; i < sizeof(AviFileInfo) / 2; ++i) ASSERT_EQ(units[i], 0) << i;
}
