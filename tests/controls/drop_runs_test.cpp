// Drop runs, frame clock texts and thinned slider ticks, case by case.
#include "controls/drop_runs.h"

#include <gtest/gtest.h>

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
