// The frame <-> media-time arithmetic behind frame-unit seeking, and the
// displayed picture size of each magnify level.

#include <gtest/gtest.h>

#include <cstdint>

#include "graph/frame_time.h"
#include "graph/video_size.h"

namespace {

// Every frame from 0 to the end position survives frame -> time -> frame, and
// the time lies inside the frame's display interval [f, f + 1) x scale x 10^7 / rate.
void ExpectRoundTrip(uint32_t rate, uint32_t scale, uint32_t totalFrames) {
  ASSERT_TRUE(FrameTimingUsable(rate, scale, totalFrames)) << rate << "/" << scale;
  const uint64_t frameUnits = static_cast<uint64_t>(scale) * MediaTimeUnitsPerSecond;
  int64_t previous = -1;
  for (uint32_t f = 0; f <= totalFrames; ++f) {
    int64_t time = -1;
    ASSERT_TRUE(FrameToMediaTime(rate, scale, f, &time)) << f;
    ASSERT_EQ(static_cast<int64_t>(f), MediaTimeToFrame(rate, scale, time))
        << "frame " << f << " at " << rate << "/" << scale << " time " << time;
    ASSERT_GT(time, previous) << "times must increase with the frame";
    previous = time;
    uint64_t start = 0;  // ceil(f x frameUnits / rate) <= time
    ASSERT_TRUE(MultiplyDivide(f, frameUnits, rate, &start));
    ASSERT_GE(static_cast<uint64_t>(time), start);
  }
}

TEST(FrameTime, RoundTripsEveryFrameAtCommonAndOddRates) {
  ExpectRoundTrip(30000, 1001, 20000);  // 29.97
  ExpectRoundTrip(30, 1, 20000);
  ExpectRoundTrip(25, 1, 1000);
  ExpectRoundTrip(10000000, 333333, 20000);  // 30.00003 as the capture program writes it
  ExpectRoundTrip(2997, 100, 5000);
  ExpectRoundTrip(1, 1, 1000);  // one frame a second
  ExpectRoundTrip(24000, 1001, 5000);
  ExpectRoundTrip(7, 3, 5000);  // intervals of 4285714.28... units
}

TEST(FrameTime, RoundTripsWithHugeScalesUpToTheLargestFittingFrame) {
  // One frame every 2^32 - 1 seconds: about 4.3 x 10^16 units a frame, so only
  // the first 214 frames have a 64-bit time.
  const uint32_t scale = 0xFFFFFFFFu;
  ExpectRoundTrip(1, scale, 214);
  EXPECT_FALSE(FrameTimingUsable(1, scale, 215));
  int64_t time = 0;
  EXPECT_FALSE(FrameToMediaTime(1, scale, 215, &time));
  ExpectRoundTrip(0xFFFFFFFFu, scale, 5000);        // huge rate and scale: 1 frame a second
  ExpectRoundTrip(0xFFFFFFFEu, 0xFFFFFFFFu, 5000);  // just above one a second
}

TEST(FrameTime, RoundTripsAtTheHighestUsableRateAndAtFrameCountsNearTheTop) {
  // Two media-time units a frame is the shortest frame whose middle stays inside it.
  ExpectRoundTrip(5000000, 1, 10000);
  EXPECT_FALSE(FrameTimingUsable(5000001, 1, 10));
  EXPECT_FALSE(FrameTimingUsable(10000000, 1, 10));
  // The last frames of the largest possible stream length.
  const uint32_t rate = 30000, scale = 1001;
  for (uint32_t f = 0xFFFFFFF0u;; ++f) {
    int64_t time = 0;
    ASSERT_TRUE(FrameToMediaTime(rate, scale, f, &time));
    EXPECT_EQ(static_cast<int64_t>(f), MediaTimeToFrame(rate, scale, time));
    if (f == 0xFFFFFFFFu) break;
  }
  EXPECT_TRUE(FrameTimingUsable(rate, scale, 0xFFFFFFFFu));
}

TEST(FrameTime, MapsExactFrameMiddlesAndIntervalEdges) {
  // 25 frames a second: 400000 units a frame, middles at 200000 + 400000 f.
  int64_t time = 0;
  ASSERT_TRUE(FrameToMediaTime(25, 1, 0, &time));
  EXPECT_EQ(200000, time);
  ASSERT_TRUE(FrameToMediaTime(25, 1, 3, &time));
  EXPECT_EQ(1400000, time);
  EXPECT_EQ(2, MediaTimeToFrame(25, 1, 1199999));  // last unit of frame 2
  EXPECT_EQ(3, MediaTimeToFrame(25, 1, 1200000));  // first unit of frame 3
  // 29.97: frame 1 starts at 333666.67 units, its middle is 500500.
  ASSERT_TRUE(FrameToMediaTime(30000, 1001, 1, &time));
  EXPECT_EQ(500500, time);
  EXPECT_EQ(0, MediaTimeToFrame(30000, 1001, 333666));
  EXPECT_EQ(1, MediaTimeToFrame(30000, 1001, 333667));
  // The end of a 30-frame recording at 30/1 is one second.
  EXPECT_EQ(30, MediaTimeToFrame(30, 1, 10000000));
  EXPECT_EQ(29, MediaTimeToFrame(30, 1, 9999999));
}

TEST(FrameTime, RefusesWhatCannotBeConverted) {
  int64_t time = 77;
  EXPECT_FALSE(FrameToMediaTime(0, 1, 5, &time));
  EXPECT_FALSE(FrameToMediaTime(30, 0, 5, &time));
  EXPECT_FALSE(FrameToMediaTime(30, 1, -1, &time));
  EXPECT_EQ(77, time) << "a refused conversion leaves the output alone";
  EXPECT_FALSE(FrameTimingUsable(0, 1, 10));
  EXPECT_FALSE(FrameTimingUsable(30, 0, 10));
  EXPECT_EQ(0, MediaTimeToFrame(30, 1, -5000000));
  EXPECT_EQ(0, MediaTimeToFrame(0, 1, 5000000));
  EXPECT_EQ(0, MediaTimeToFrame(30, 0, 5000000));
  // The largest time still maps to a frame, without overflow.
  EXPECT_EQ(27670116110564LL, MediaTimeToFrame(30, 1, INT64_MAX));
}

TEST(MultiplyDivide, AgreesWithWideArithmetic) {
  uint64_t q = 0;
  ASSERT_TRUE(MultiplyDivide(0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFFFull, &q));
  EXPECT_EQ(0xFFFFFFFFFFFFFFFFull, q);
  ASSERT_TRUE(MultiplyDivide(1ull << 40, 1ull << 40, 1ull << 30, &q));
  EXPECT_EQ(1ull << 50, q);
  EXPECT_FALSE(MultiplyDivide(1ull << 40, 1ull << 40, 1ull << 15, &q));  // 2^65
  EXPECT_FALSE(MultiplyDivide(5, 7, 0, &q));
  ASSERT_TRUE(MultiplyDivide(0, 0xFFFFFFFFFFFFFFFFull, 3, &q));
  EXPECT_EQ(0u, q);
#if defined(__SIZEOF_INT128__)
  // Against the compiler's 128-bit arithmetic over a spread of operands.
  uint64_t seed = 0x9E3779B97F4A7C15ull;
  auto next = [&seed]() {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    return seed;
  };
  for (int i = 0; i < 20000; ++i) {
    const uint64_t a = next() >> (next() % 64);
    const uint64_t b = next() >> (next() % 64);
    const uint64_t c = (next() >> (next() % 64)) | 1u;
    const unsigned __int128 exact = static_cast<unsigned __int128>(a) * b / c;
    const bool fits = (exact >> 64) == 0;
    ASSERT_EQ(fits, MultiplyDivide(a, b, c, &q)) << a << " " << b << " " << c;
    if (fits) {
      ASSERT_EQ(static_cast<uint64_t>(exact), q) << a << " " << b << " " << c;
    }
  }
#endif
}

TEST(MagnifiedSide, FollowsTheLevelsAndTruncates) {
  // 720 x 576.
  EXPECT_EQ(360u, MagnifiedSide(MagnifyHalf, 720));
  EXPECT_EQ(288u, MagnifiedSide(MagnifyHalf, 576));
  EXPECT_EQ(540u, MagnifiedSide(MagnifyThreeQuarters, 720));
  EXPECT_EQ(432u, MagnifiedSide(MagnifyThreeQuarters, 576));
  EXPECT_EQ(1080u, MagnifiedSide(MagnifyOneAndHalf, 720));
  EXPECT_EQ(864u, MagnifiedSide(MagnifyOneAndHalf, 576));
  EXPECT_EQ(1440u, MagnifiedSide(MagnifyDouble, 720));
  EXPECT_EQ(1152u, MagnifiedSide(MagnifyDouble, 576));
  EXPECT_EQ(720u, MagnifiedSide(MagnifyNone, 720));
  // Odd sizes truncate.
  EXPECT_EQ(360u, MagnifiedSide(MagnifyHalf, 721));
  EXPECT_EQ(540u, MagnifiedSide(MagnifyThreeQuarters, 721));
  EXPECT_EQ(1081u, MagnifiedSide(MagnifyOneAndHalf, 721));
  // Unknown levels keep the native size.
  EXPECT_EQ(721u, MagnifiedSide(5, 721));
  EXPECT_EQ(721u, MagnifiedSide(0xFFFFFFFFu, 721));
  EXPECT_EQ(0u, MagnifiedSide(MagnifyDouble, 0));
}

TEST(MagnifiedSide, StaysWithinARendererRectangleForAbsurdHeaderSizes) {
  EXPECT_EQ(LargestDisplayedSide, MagnifiedSide(MagnifyDouble, 0x80000000u));
  EXPECT_EQ(LargestDisplayedSide, MagnifiedSide(MagnifyOneAndHalf, 0xFFFFFFFFu));
  EXPECT_EQ(LargestDisplayedSide, MagnifiedSide(MagnifyNone, 0xFFFFFFFFu));
  EXPECT_EQ(LargestDisplayedSide, MagnifiedSide(MagnifyThreeQuarters, 0xFFFFFFFFu));  // 0xBFFFFFFF
  EXPECT_EQ(0x7FFFFFFFu, MagnifiedSide(MagnifyHalf, 0xFFFFFFFFu));
}

}  // namespace
