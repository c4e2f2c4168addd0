// Drop runs, frame clock texts, thinned slider ticks, the runs as a table and
// the dropped frames per time bin.
#include "controls/drop_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

TEST(DropRuns, RunsTotalsTimesAndTicks) {
  struct RunCase {
    std::string Pattern;  // 'k' key, 'd' dropped, one letter per frame
    uint64_t FlagCount;   // flags that may be read
    uint32_t Total;       // frames of the file
    std::string Runs;
  } runCases[] = {
      {"kkddkdkkkddd", 12, 12, "2-3/2 5-5/1 9-11/3 "}, {"dddk", 4, 4, "0-2/3 "}, {"kkkk", 4, 4, ""},
      {"kkdddd", 4, 6, "2-3/2 "},  // flags beyond flagCount count as key frames
      {"kkdddd", 6, 4, "2-3/2 "},  // and frames beyond the file are not read
  };
  for (const RunCase& c : runCases) {
    std::vector<uint32_t> flags;
    for (char k : c.Pattern) flags.push_back(k == 'k' ? 1u : 0u);
    // From the flag array and from the flags' runs alike.
    uint64_t dropped[2] = {0, 0};
    const std::vector<DropRun> found[2] = {
        FindDropRuns(flags.data(), c.FlagCount, c.Total, &dropped[0]),
        FindDropRuns(KeyFrameFlagRuns::FromEntries(flags.data(), c.FlagCount), c.Total, &dropped[1])};
    for (int way = 0; way < 2; ++way) {
      std::string text;
      uint64_t total = 0;
      for (const DropRun& r : found[way]) {
        text += std::to_string(r.First) + "-" + std::to_string(r.Last) + "/" + std::to_string(r.Length) + " ";
        total += r.Length;
      }
      EXPECT_EQ(c.Runs, text) << c.Pattern << " way " << way;
      EXPECT_EQ(total, dropped[way]) << c.Pattern << " way " << way;
    }
  }

  struct TimeCase {
    uint64_t Frame;
    uint32_t Rate, Scale;
    std::u16string Text;
  } timeCases[] = {
      {0, 30, 1, u"00:00:00.000"}, {17, 30, 1, u"00:00:00.566"},  // 566.67 ms, cut
      {30, 30000, 1001, u"00:00:01.001"}, {90061 * 25 + 12, 25, 1, u"25:01:01.480"},
      {4294967295u, 1, 4294967u, u"5124095221695:37:45.000"}, {4294967295u, 1, 4294967295u, u""},  // > 64 bits
      {5, 0, 1, u""}, {5, 25, 0, u""},
  };
  for (const TimeCase& c : timeCases) {
    char16_t text[FrameTimeTextUnits];
    EXPECT_EQ(!c.Text.empty(), ComposeFrameTime(text, FrameTimeTextUnits, c.Frame, c.Rate, c.Scale));
    EXPECT_EQ(c.Text, std::u16string(text)) << c.Frame;
  }

  struct TickCase {
    std::vector<DropRun> Runs;
    uint32_t RangeMax;
    int Width;
    std::vector<uint32_t> Ticks;
  } tickCases[] = {
      {{{2, 3, 2}, {9, 9, 1}}, 10, 800, {2, 3, 9}},  // room for every dropped frame
      // 1000 frames on 11 pixels: frames 0-99 share pixel 0, 100-199 pixel 1, ...
      {{{5, 250, 246}, {260, 261, 2}, {999, 999, 1}}, 1000, 11, {5, 100, 200, 999}},
      {{{5, 6, 2}}, 1000, 0, {}}, {{{5, 6, 2}}, 0, 100, {}}};
  for (const TickCase& c : tickCases) EXPECT_EQ(c.Ticks, ThinnedTickPositions(c.Runs, c.RangeMax, c.Width));
  // A long recording dropping nearly everything: one tick on each pixel it covers (0 to 612).
  EXPECT_EQ(613u, ThinnedTickPositions({{1, 3999999, 3999999}}, 4000000, 614).size());
}

TEST(DropRuns, TablesAndBinsAgreeWithTheFrames) {
  const std::vector<DropRun> runs = {{5, 7, 3}, {120, 120, 1}, {4000000000u, 4000000001u, 2}};
  EXPECT_EQ(
      "First Frame\tLast Frame\tLength\tTime of First Frame\r\n5\t7\t3\t00:00:00.166\r\n"
      "4000000000\t4000000001\t2\t37037:02:13.333\r\n",
      ComposeDropRunsTable(runs, {0, 2, 9}, 30, 1, '\t'));
  EXPECT_EQ("First Frame,Last Frame,Length,Time of First Frame\r\n120,120,1,\r\n",
            ComposeDropRunsTable(runs, {1}, 0, 1, ','));

  // Random runs on random timings: every bin holds what a count frame by frame
  // gives, with the first run and frame, and the width is the smallest that fits.
  std::mt19937 random(21);
  for (int round = 0; round < 300; ++round) {
    const uint32_t total = 1 + random() % 3000, rate = 1 + random() % 60000, scale = 1 + random() % 3000;
    const int maxBins = 1 + static_cast<int>(random() % 400);
    std::vector<DropRun> r;
    for (uint32_t f = random() % 50; f < total + 20; f += 1 + random() % 200) {
      const uint32_t length = 1 + random() % 120;
      r.push_back({f, f + length - 1, length});
      f += length;
    }
    const DropHistogram h = MakeDropHistogram(r, total, rate, scale, maxBins);
    const uint64_t seconds = (static_cast<uint64_t>(total) - 1) * scale / rate + 1;
    ASSERT_LE(h.Counts.size(), static_cast<size_t>(maxBins));
    ASSERT_EQ((seconds + h.BinSeconds - 1) / h.BinSeconds, h.Counts.size());
    if (h.BinSeconds > 1) {  // one second narrower: too many bins
      EXPECT_GT((seconds + h.BinSeconds - 2) / (h.BinSeconds - 1), static_cast<uint64_t>(maxBins));
    }
    std::vector<uint32_t> counts(h.Counts.size());
    std::vector<size_t> firstRuns(h.Counts.size(), r.size());
    std::vector<uint32_t> firstFrames(h.Counts.size());
    for (size_t i = 0; i < r.size(); ++i) {
      for (uint32_t f = r[i].First; f <= r[i].Last && f < total; ++f) {
        const size_t bin = static_cast<size_t>(static_cast<uint64_t>(f) * scale / rate / h.BinSeconds);
        if (counts[bin]++ == 0) firstRuns[bin] = i, firstFrames[bin] = f;
      }
    }
    ASSERT_EQ(counts, h.Counts) << round;
    for (size_t b = 0; b < counts.size(); ++b) {
      if (counts[b] == 0) continue;
      EXPECT_EQ(firstRuns[b], h.FirstRuns[b]) << round << " bin " << b;
      EXPECT_EQ(firstFrames[b], h.FirstFrames[b]) << round << " bin " << b;
    }
    EXPECT_EQ(counts.empty() ? 0u : *std::max_element(counts.begin(), counts.end()), h.Tallest);
  }

  // Edges: no timing, no frames, no room; a fixed width; the longest timing.
  EXPECT_TRUE(MakeDropHistogram(runs, 300, 0, 1, 100).Counts.empty());
  EXPECT_TRUE(MakeDropHistogram(runs, 300, 30, 0, 100).Counts.empty());
  EXPECT_TRUE(MakeDropHistogram(runs, 0, 30, 1, 100).Counts.empty());
  EXPECT_TRUE(MakeDropHistogram(runs, 300, 30, 1, 0).Counts.empty());
  const DropHistogram ten = MakeDropHistogramOfWidth(runs, 300, 30, 1, 4, 100);  // 10 s in 3 bins
  EXPECT_EQ((std::vector<uint32_t>{3, 1, 0}), ten.Counts);                       // frame 120 starts second 4
  EXPECT_TRUE(MakeDropHistogramOfWidth(runs, 300, 30, 1, 4, 2).Counts.empty()) << "more bins than allowed";
  const DropHistogram longest = MakeDropHistogram({{0, 4294967294u, 4294967295u}}, 4294967295u, 1, 4294967295u, 1000);
  ASSERT_EQ(1000u, longest.Counts.size());
  EXPECT_EQ(4294968u, longest.Counts[0]);
  char16_t text[BinRangeTextUnits];
  EXPECT_TRUE(ComposeBinRange(text, BinRangeTextUnits, ten, 2));
  EXPECT_EQ(u"00:00:08-00:00:12", std::u16string(text));
  EXPECT_TRUE(ComposeBinRange(text, BinRangeTextUnits, longest, 999));
  EXPECT_EQ(u"5118971476878840:22:30-5124095572451291:40:00", std::u16string(text));
  EXPECT_FALSE(ComposeBinRange(text, BinRangeTextUnits, ten, 3));
}
