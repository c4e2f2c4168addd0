// ParseAviHeader on generated recordings: facts, index flags, refusals, and bounds on damaged files.
#include <gtest/gtest.h>

#include <cstring>

#include "avi_test_support.h"

namespace {

using Texts = std::vector<std::u16string>;
const char16_t CaptureRead[] = u"SEVERE: cannot read from file created by ORVO Video Capture\r\n";
const char16_t CaptureSeek[] = u"SEVERE: cannot set file pointer in file created by ORVO Video Capture\r\n";
const char16_t OpenedRead[] = u"SEVERE: unable to read from the opened file\r\n";
const char16_t SizeInfo[] =
    u"INFO: cannot determine file size, thus cannot determine if file is created by ORVO Video Capture\r\n";

// The facts and texts of a parse in one line.
std::string Summary(const ParseOutcome& r) {
  return std::to_string(r.Code) + (r.FromCapture ? " capture " : " other ") + std::to_string(r.Facts.TotalFrames) +
         "/" + std::to_string(r.Facts.StreamLength) + " frames " + std::to_string(r.Facts.KeyFrameCount) + " keys " +
         std::to_string(r.Facts.DroppedFrameCount) + " dropped " + std::to_string(r.Header.FrameWidth) + "x" +
         std::to_string(r.Header.FrameHeight) + " " + U8(r.Info.CodecName) + " " + U8(r.Info.FrameRateText) + " " +
         U8(r.Info.KeyFramesText) + "/" + U8(r.Info.DroppedFramesText);
}

}  // namespace

TEST(AviHeaderParser, CaptureRecordingsFillEveryFactAndFlagEveryFrameOverAnyIndexLayout) {
  const std::vector<uint8_t> bytes = Recording(Small);
  const ParseOutcome r = ParseBytes(bytes);
  EXPECT_EQ(Summary(r), "0 capture 40/40 frames 36 keys 4 dropped 80x60 NONE (DIB internal decoder) 30.00 36/4");
  EXPECT_TRUE(r.Messages.empty());
  std::string digits = U8(r.Info.FileSizeText);  // the file size, grouped as the user's locale groups digits
  digits.erase(std::remove_if(digits.begin(), digits.end(), [](char c) { return c < '0' || c > '9'; }), digits.end());
  EXPECT_EQ(digits, std::to_string(bytes.size()));
  // Drops at both ends, none, runs; one chunk per frame; AVIX segments every ~250 frames; large chunks.
  for (const char* layout :
       {"--frames 40 --drop 17-19,25 --format yuy2 --drop-style repeat", "--frames 40 --index-entries 1 --drop 0,1,39",
        "--frames 40", "--frames 3000 --index-entries 7 --segment-size 100000 --drop 1000-1009 --drop-percent 3",
        "--frames 3000 --index-entries 7 --segment-size 100000 --drop-percent 5 --format yuy2 "
        "--drop-style repeat",
        // Chunks larger than the parser's 64 KB read-ahead: their entries run past it.
        "--frames 12000 --index-entries 9000 --drop-percent 2 --format yuy2"}) {
    const AviGenOptions o = Options(std::string("--size 16x8 ") + layout);
    const ParseOutcome p = ParseBytes(GenerateAviBytes(o));
    ASSERT_EQ(p.Code, AviParseSucceeded) << layout;
    EXPECT_EQ(Entries(p.Facts.KeyFrameFlags), ExpectedFlags(o.FrameCount, o.DroppedFrames)) << layout;
  }
}

TEST(AviHeaderParser, OnlyTheCaptureArtistTagUpToItsLengthInTheFileMakesACaptureFile) {
  for (const char* capture : {"", " --artist ORVO Video Capture Pro --artist-length 18",
                              " --artist Anything --artist-length 0", " --artist-length 0xFFFFFFFF"})
    EXPECT_TRUE(ParseBytes(Recording(Small + capture)).FromCapture) << capture;
  for (const char* other :
       {" --artist ORVO Video Capture Pro", " --artist ORVO Video", " --artist orvo video capture", " --artist none"}) {
    EXPECT_EQ(Summary(ParseBytes(Recording(Small + other))),
              "0 other 40/40 frames 40 keys 0 dropped 80x60 NONE (DIB internal decoder) 30.00 unknown/unknown");
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
  // A wrong FOURCC at each place, then files cut short before each (message number, bytes kept).
  const int badFourcc[] = {0, 8, 12, 20, 88, 96, 100, 164};
  const int cut[][2] = {{0, 0}, {1, 4}, {3, 16}, {4, 60}, {5, 99}, {6, 100}, {7, 120}};
  const std::vector<uint8_t> good = Recording(Small);
  const ParseOutcome filled = ParseBytes(good);
  for (int n = 0; n < 15; ++n) {
    const int message = n < 8 ? n : cut[n - 8][0];
    const ParseOutcome r = ParseBytes(n < 8 ? Recording(Small + " --bad-fourcc " + std::to_string(badFourcc[n]))
                                            : std::vector<uint8_t>(good.begin(), good.begin() + cut[n - 8][1]),
                                      filled);
    EXPECT_EQ(r.Code, AviParseRefused) << n;
    EXPECT_EQ(r.Messages, Texts{messages[message]}) << n;
    EXPECT_FALSE(r.FromCapture || r.Facts.DroppedFrameCount != 0);
    const char16_t* units = reinterpret_cast<const char16_t*>(&r.Info);
    for (std::size_t i = 0; i < sizeof(AviFileInfo) / 2; ++i) ASSERT_EQ(units[i], 0) << i;
  }
}

TEST(AviHeaderParser, ReadAndSizeFailuresEachHaveTheirMessage) {
  const std::vector<uint8_t> bytes = Recording(Small);
  FaultyByteSource counting(bytes);
  ASSERT_EQ(ParseWith(counting).Code, AviParseSucceeded);
  const char16_t* expected[] = {u"WARNING: unable to read data from AVI file; file open aborted\r\n", OpenedRead,
                                u"SEVERE: unable to set the file pointer in the opened file\r\n", CaptureRead,
                                CaptureSeek};
  for (int n = 0; n < counting.Reads * 2; ++n) {
    FaultyByteSource source(bytes);
    source.FailRead = n / 2;
    source.Failure = n % 2 ? AviReadStatus::SeekFailed : AviReadStatus::ReadFailed;
    const ParseOutcome r = ParseWith(source);
    EXPECT_EQ(r.Code, n < 2 ? AviParseRefused : AviParseReadFailed) << n;
    EXPECT_EQ(r.Messages, Texts{expected[n < 2 ? 0 : std::min(n - 1, 3 + n % 2)]}) << n;
  }
  // Without a file size the capture detection is skipped.
  for (bool fails : {true, false}) {
    FaultyByteSource source(bytes);
    source.SizeFails = fails;
    source.SizeZero = !fails;
    const ParseOutcome r = ParseWith(source);
    EXPECT_EQ(Summary(r).substr(0, 8), "0 other ");
    EXPECT_EQ(r.Messages,
              fails ? Texts({u"WARNING: unable to obtain the opened file size\r\n", SizeInfo}) : Texts({SizeInfo}));
    EXPECT_EQ(r.Info.FileSizeText[0] + source.Reads, 1);
  }
}

TEST(AviHeaderParser, DamagedIndexesAndLengthsAreRefusedByWhatIsWrongWithoutReadingPastTheFile) {
  const std::pair<const char16_t*, std::vector<const char*>> cases[] = {
      {u"SEVERE: the super index of the file created by ORVO Video Capture has entries too short to locate a "
       u"standard index; file open aborted\r\n",
       {"--super-entry-words 2 --index-entries 64", "--super-entry-words 0", "--super-entry-words 16384"}},
      {u"SEVERE: the super index of the file created by ORVO Video Capture lists more entries than the file can "
       u"hold; file open aborted\r\n",
       {"--super-count 0xFFFFFFFF", "--super-count 100000"}},
      {u"SEVERE: the index of the file created by ORVO Video Capture lists no frame inside the file; file open "
       u"aborted\r\n",
       {"--chunk-offset 0x7FFFFFF0", "--chunk-offset 0xFFFFFFFF00000000"}},
      {u"SEVERE: a standard index of the file created by ORVO Video Capture is too small to hold its header; file "
       u"open aborted\r\n",
       {"--chunk-size 8"}},
      {u"SEVERE: a standard index of the file created by ORVO Video Capture lists more entries than its chunk "
       u"holds; file open aborted\r\n",
       {"--std-count 0x7FFFFFFF", "--std-count 0xFFFFFFFF", "--std-entry-words 16383"}},
      {u"SEVERE: a standard index of the file created by ORVO Video Capture has entries too short to hold a "
       u"frame's size; file open aborted\r\n",
       {"--std-entry-words 1", "--std-entry-words 0"}},
      {u"SEVERE: the index of the file created by ORVO Video Capture lists more frames than the video stream's "
       u"length; file open aborted\r\n",
       {"--stream-length 20"}},
      {u"SEVERE: a standard index of the file created by ORVO Video Capture lists no frames; file open aborted\r\n",
       {"--std-count 0"}},
      {u"SEVERE: the super index of the file created by ORVO Video Capture lists a standard index twice or out of "
       u"order; file open aborted\r\n",
       {"--repeat-first-chunk", "--same-chunk"}},
      // The super index missing or outside the header bytes.
      {u"SEVERE: problem reading FOURCC value in file created by ORVO Video Capture\r\n",
       {"--no-indx", "--bih-size 8020", "--bih-size 0xFFFFFFFF"}},
      // A stream longer than the file can hold (8 bytes a frame), refused before its flags are allocated.
      {u"SEVERE: the video stream's length of 4294967295 frames is more than the file can hold; file open "
       u"aborted\r\n",
       {"--stream-length 0xFFFFFFFF"}},
      {u"SEVERE: the video stream's length of 100000 frames is more than the file can hold; file open aborted\r\n",
       {"--stream-length 100000"}}};
  for (const auto& [message, damages] : cases) {
    for (const char* damage : damages) {
      const std::vector<uint8_t> bytes = Recording(Small + " " + damage);
      FaultyByteSource source(bytes);
      const ParseOutcome r = ParseWith(source);
      EXPECT_EQ(r.Code, AviParseReadFailed) << damage;
      EXPECT_EQ(r.Messages, Texts{message}) << damage;
      EXPECT_LT(*std::max_element(source.Offsets.begin(), source.Offsets.end()), bytes.size()) << damage;
      AviHeaderFuzzOne(bytes.data(), bytes.size());  // the fuzzer's rules, also with a failing read; aborts if broken
    }
  }
  // A chunk size in the super index larger than the file does not matter: the chunk's entries are all there.
  EXPECT_EQ(Summary(ParseBytes(Recording(Small + " --chunk-size 0xFFFFFFFF"))).substr(0, 17), "0 capture 40/40 f");
}

// Key and dropped counts are of the stream's frames only: never more keys than
// frames, never a negative dropped count.
TEST(AviHeaderParser, IndexesThatDoNotMatchTheStreamAreWalkedAsFarAsTheyGo) {
  const std::pair<const char*, std::vector<uint32_t>> cases[] = {
      {"--stream-length 34", ExpectedFlags(40, {17, 18, 19, 25})},  // 40 listed, 34 frames: 6 spare slots used
      {"--empty-indx", {}}};  // nothing flagged: every frame in the movie data counts as dropped
  for (auto [damage, flags] : cases) {
    const ParseOutcome r = ParseBytes(Recording(Small + " " + damage));
    ASSERT_EQ(r.Code, AviParseSucceeded) << damage;
    EXPECT_EQ(r.Facts.TotalFrames, std::string(damage) == "--stream-length 34" ? 34u : 40u) << damage;
    flags.resize(r.Facts.StreamLength + 8, 0);
    EXPECT_EQ(Entries(r.Facts.KeyFrameFlags), flags) << damage;  // the counts follow the flags: ParseBytes checks that
    EXPECT_LE(r.Facts.KeyFrameCount, r.Facts.StreamLength) << damage;
    EXPECT_GE(r.Facts.DroppedFrameCount, 0) << damage;
    EXPECT_TRUE(r.Messages.empty()) << damage;
  }
}

namespace {

// Where the n-th (from 0) chunk of an id stands in bytes; a frame chunk is
// told from the id's other uses by its size, that of an 80 x 60 picture.
std::size_t NthChunk(const std::vector<uint8_t>& bytes, const char* id, int n) {
  const bool frame = id[2] == 'd';
  for (std::size_t at = 0; at + 8 <= bytes.size(); ++at) {
    if (std::memcmp(bytes.data() + at, id, 4) != 0) continue;
    const uint32_t size = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | bytes[at + 7] << 24;
    if ((!frame || size == 80 * 60 * 3) && n-- == 0) return at;
  }
  ADD_FAILURE() << "no chunk " << id << " number " << n;
  return bytes.size();
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, std::size_t size) {
  bytes.resize(std::min(size, bytes.size()));
  return bytes;
}

std::u16string FewerFrames(uint32_t present, uint32_t header) {
  const std::string text = "WARNING: the file holds " + std::to_string(present) + " video frames, fewer than the " +
                           std::to_string(header) +
                           " its header gives (it may have been cut short); only the frames present are shown\r\n";
  return std::u16string(text.begin(), text.end());
}

}  // namespace

// A recording cut short (the writer stopped, the disk filled) or whose header
// claims more than was written shows the frames it holds, and says so.
TEST(AviHeaderParser, FilesHoldingFewerFramesThanTheirHeaderShowTheFramesPresent) {
  // Capture files: the frames their index lists inside the file (8 to an index chunk, after its frames).
  const std::vector<uint8_t> capture = Recording(Small);
  const std::size_t third = NthChunk(capture, "ix00", 2);  // lists frames 16 to 23
  // Other writers' files: from idx1 when it is there, else from the frame chunks that fit.
  const std::vector<uint8_t> other = Recording("--size 80x60 --frames 40 --artist none");
  const std::vector<uint8_t> sound = Recording("--size 80x60 --frames 40 --artist none --audio-first");
  const std::vector<uint8_t> bare = Recording("--size 80x60 --frames 40 --artist none --no-idx1 --no-indx");
  const struct {
    const char* Name;
    std::vector<uint8_t> Bytes;
    uint32_t Frames;
    uint32_t Header = 40;
  } cases[] = {
      {"capture cut after its third index chunk", Cut(capture, third + 32 + 64), 24},
      {"capture cut inside its third index chunk", Cut(capture, third + 32 + 8 + 4), 17},
      {"capture cut before its third index chunk", Cut(capture, third + 16), 16},
      {"capture whose header claims 45 frames", Recording(Small + " --stream-length 45"), 40, 45},
      {"capture cut short", Recording(Small + " --truncate 300000"), 16},
      {"other cut inside frame 30", Cut(other, NthChunk(other, "00dc", 30) + 100), 30},
      {"other cut after frame 30", Cut(other, NthChunk(other, "00dc", 31)), 31},
      {"other with idx1, header claiming 60", Recording("--size 80x60 --frames 40 --artist none --stream-length 60"),
       40, 60},
      // Never finished (written to a pipe): the length is more than the file could hold.
      {"other, header claiming 2^32 - 1", Recording("--size 80x60 --frames 40 --artist none --stream-length 0xFFFFFFFF"),
       40, 0xFFFFFFFFu},
      {"sound first, idx1, header claiming 60",
       Recording("--size 80x60 --frames 40 --artist none --audio-first --stream-length 60"), 40, 60},
      {"sound first cut inside frame 12", Cut(sound, NthChunk(sound, "01dc", 12) + 9), 12},
      {"no index, cut inside frame 5", Cut(bare, NthChunk(bare, "00dc", 5) + 9), 5},
  };
  for (const auto& c : cases) {
    const ParseOutcome r = ParseBytes(c.Bytes);
    ASSERT_EQ(r.Code, AviParseSucceeded) << c.Name;
    EXPECT_EQ(r.Facts.TotalFrames, c.Frames) << c.Name;
    EXPECT_EQ(r.Messages, Texts{FewerFrames(c.Frames, c.Header)}) << c.Name;
    EXPECT_EQ(U8(r.Info.CodecName), "NONE (DIB internal decoder)") << c.Name;
  }
  // Whole files tell nothing; one that holds no frame at all is refused.
  for (const std::vector<uint8_t>* whole : {&capture, &other, &sound, &bare}) EXPECT_TRUE(ParseBytes(*whole).Messages.empty());
  const std::vector<uint8_t> ten = Recording("--size 80x60 --frames 10 --artist none --no-idx1 --no-indx");
  const ParseOutcome empty = ParseBytes(Cut(ten, NthChunk(ten, "00dc", 0) + 9));
  EXPECT_EQ(empty.Code, AviParseRefused);
  EXPECT_EQ(empty.Messages,
            Texts{u"WARNING: the file holds none of the 10 video frames its header gives; file open aborted\r\n"});
}

// Other writers often put a sound stream first: the facts are the video's.
TEST(AviHeaderParser, TheVideoStreamIsFoundWhereverItStandsInTheHeaderList) {
  for (const char* file : {"", " --artist none", " --format yuy2 --rate 30000/1001"}) {
    const ParseOutcome plain = ParseBytes(Recording(Small + file));
    const ParseOutcome sound = ParseBytes(Recording(Small + file + " --audio-first"));
    ASSERT_EQ(sound.Code, AviParseSucceeded) << file;
    EXPECT_EQ(Summary(sound), Summary(plain)) << file;
    EXPECT_EQ(sound.Facts.KeyFrameFlags, plain.Facts.KeyFrameFlags) << file;
  }
  // A header list without a video stream: the only stream made a sound stream.
  std::vector<uint8_t> bytes = Recording(Small + " --artist none");
  std::memcpy(bytes.data() + 108, "auds", 4);
  const ParseOutcome r = ParseBytes(bytes);
  EXPECT_EQ(r.Code, AviParseRefused);
  EXPECT_EQ(r.Messages, Texts{u"WARNING: AVI file contains no video stream; file open aborted\r\n"});
}

#ifndef _WIN32
TEST(AviHeaderParser, SparseRecordingPastFourGigabytesIsWalkedThroughItsSegments) {
  const AviGenOptions o = Options("--size 1920x1080 --frames 720 --sparse --odml --index-entries 50 --drop-percent 2");
  ASSERT_GT(o.DroppedFrames.size(), 5u);
  TempFile file("large.avi");
  std::string error;
  ASSERT_TRUE(GenerateAviFile(o, file.Path, &error)) << error;
  AviStdioByteSource source;
  ASSERT_TRUE(source.Open(file.Path.c_str()));
  FaultyByteSource watched(source);
  ParseOutcome r = ParseWith(watched);
  ASSERT_EQ(r.Code, AviParseSucceeded);
  EXPECT_EQ(Entries(r.Facts.KeyFrameFlags), ExpectedFlags(720, o.DroppedFrames));
  EXPECT_GT(*std::max_element(watched.Offsets.begin(), watched.Offsets.end()), 4ull << 30);  // standard indexes
}
#endif
