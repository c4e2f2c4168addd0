// Frame <-> media-time arithmetic for frame seeking, and the picture size of each magnify level.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "graph/frame_time.h"
#include "graph/video_size.h"

namespace {

// Every frame from first to last survives frame -> time -> frame.
void ExpectRoundTrip(uint32_t rate, uint32_t scale, uint32_t last, uint32_t first = 0) {
  ASSERT_TRUE(FrameTimingUsable(rate, scale, last)) << rate << "/" << scale;
  for (uint32_t f = first;; ++f) {
    int64_t time = -1;
    ASSERT_TRUE(FrameToMediaTime(rate, scale, f, &time)) << f;
    ASSERT_EQ(MediaTimeToFrame(rate, scale, time), f) << rate << "/" << scale << " time " << time;
    if (f == last) break;
  }
}

}  // namespace

TEST(FrameTime, RoundTripsEveryFrameFromCommonRatesToTheExtremes) {
  // {rate, scale, last frame}: 29.97, 30, 25, 30.00003 as the capture program writes it, ..., 7/3 (intervals of
  // 4285714.28...), one frame every 2^32 - 1 s (only 214 frames fit 64 bits), huge rates and scales whose products
  // pass 64 bits, and two units a frame: the shortest frame whose middle stays inside it.
  const uint32_t cases[][3] = {{30000, 1001, 20000}, {30, 1, 20000},   {25, 1, 1000},      {10000000, 333333, 20000},
                               {2997, 100, 5000},    {1, 1, 1000},     {7, 3, 5000},       {1, ~0u, 214},
                               {~0u, ~0u, 5000},     {~1u, ~0u, 5000}, {5000000, 1, 10000}};
  for (const auto& c : cases) ExpectRoundTrip(c[0], c[1], c[2]);
  ExpectRoundTrip(30000, 1001, ~0u, ~0u - 15);  // the last frames of the longest stream
  int64_t time = 77;
  EXPECT_FALSE(FrameTimingUsable(1, ~0u, 215) || FrameToMediaTime(1, ~0u, 215, &time));
  EXPECT_FALSE(FrameTimingUsable(5000001, 1, 10) || FrameTimingUsable(0, 1, 10) || FrameTimingUsable(30, 0, 10));
  EXPECT_FALSE(FrameToMediaTime(0, 1, 5, &time) || FrameToMediaTime(30, 0, 5, &time) ||
               FrameToMediaTime(30, 1, -1, &time));
  EXPECT_EQ(time, 77) << "a refused conversion leaves the output alone";
}

TEST(FrameTime, FrameMiddlesIntervalEdgesAndTimesOutOfRange) {
  int64_t t0 = 0, t3 = 0, t1 = 0;
  ASSERT_TRUE(FrameToMediaTime(25, 1, 0, &t0) && FrameToMediaTime(25, 1, 3, &t3) &&
              FrameToMediaTime(30000, 1001, 1, &t1));
  EXPECT_EQ(std::to_string(t0) + " " + std::to_string(t3) + " " + std::to_string(t1), "200000 1400000 500500");
  // {rate, scale, time, frame}: the last and first units of frames, the end, times out of range.
  const int64_t cases[][4] = {{25, 1, 1199999, 2},      {25, 1, 1200000, 3},
                              {30000, 1001, 333666, 0}, {30000, 1001, 333667, 1},
                              {30, 1, 10000000, 30},    {30, 1, 9999999, 29},
                              {30, 1, -5000000, 0},     {0, 1, 5000000, 0},
                              {30, 0, 5000000, 0},      {30, 1, INT64_MAX, 27670116110564LL}};
  for (const auto& c : cases)
    EXPECT_EQ(MediaTimeToFrame(static_cast<uint32_t>(c[0]), static_cast<uint32_t>(c[1]), c[2]), c[3]) << c[2];
}

TEST(MagnifiedSide, FollowsTheLevelsTruncatesAndStaysWithinARendererRectangle) {
  std::string sides;
  for (uint32_t level : {MagnifyHalf, MagnifyThreeQuarters, MagnifyOneAndHalf, MagnifyDouble, MagnifyNone, 5u, ~0u})
    for (uint32_t side : {720u, 721u, 0u, 0xFFFFFFFFu}) sides += std::to_string(MagnifiedSide(level, side)) + " ";
  EXPECT_EQ(sides,
            "360 360 0 2147483647 540 540 0 2147483647 1080 1081 0 2147483647 1440 1442 0 2147483647 "
            "720 721 0 2147483647 720 721 0 2147483647 720 721 0 2147483647 ");
  EXPECT_EQ(MagnifiedSide(MagnifyDouble, 0x80000000u), LargestDisplayedSide);
}
