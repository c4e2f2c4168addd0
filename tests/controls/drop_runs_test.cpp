// Drop runs, frame clock texts and thinned slider ticks, case by case.
#include "controls/drop_runs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "k" key, "d" dropped, one letter per frame.
std::vector<uint32_t> Flags(const std::string& pattern) {
  std::vector<uint32_t> flags;
  for (char c : pattern) flags.push_back(c == 'k' ? 1u : 0u);
  return flags;
}

std::string Runs(const std::vector<DropRun>& runs) {
  std::string text;
  for (const DropRun& r : runs) {
    text += std::to_string(r.First) + "-" + std::to_string(r.Last) + "/" + std::to_string(r.Length) + " ";
  }
  return text;
}

}  // namespace

TEST(DropRuns, RunsAndTotalFromTheKeyFlags) {
  struct Case {
    std::string Pattern;
    uint64_t FlagCount;  // flags that may be read
    uint32_t Total;      // frames of the file
    std::string Runs;
    uint64_t Dropped;
  } cases[] = {
      {"kkddkdkkkddd", 12, 12, "2-3/2 5-5/1 9-11/3 ", 6},
      {"dddk", 4, 4, "0-2/3 ", 3},
      {"kkkk", 4, 4, "", 0},
      {"kkdddd", 4, 6, "2-3/2 ", 2},  // flags beyond flagCount count as key frames
      {"kkdddd", 6, 4, "2-3/2 ", 2},  // and frames beyond the file are not read
  };
  for (const Case& c : cases) {
    const std::vector<uint32_t> flags = Flags(c.Pattern);
    uint64_t dropped = 99;
    EXPECT_EQ(c.Runs, Runs(FindDropRuns(flags.data(), c.FlagCount, c.Total, &dropped))) << c.Pattern;
    EXPECT_EQ(c.Dropped, dropped) << c.Pattern;
  }
  EXPECT_TRUE(FindDropRuns(nullptr, 5, 5, nullptr).empty());
}

TEST(DropRuns, FrameTimeText) {
  struct Case {
    uint64_t Frame;
    uint32_t Rate, Scale;
    std::u16string Text;
  } cases[] = {
      {0, 30, 1, u"00:00:00.000"},
      {17, 30, 1, u"00:00:00.566"},              // 566.67 ms, cut
      {30, 30000, 1001, u"00:00:01.001"},        // NTSC rate and scale
      {90061 * 25 + 12, 25, 1, u"25:01:01.480"}, // past a day of hours
      {4294967295u, 1, 4294967u, u"5124095221695:37:45.000"},
      {4294967295u, 1, 4294967295u, u""},  // past 64 bits of milliseconds
      {5, 0, 1, u""},
      {5, 25, 0, u""},
  };
  for (const Case& c : cases) {
    char16_t text[FrameTimeTextUnits];
    EXPECT_EQ(!c.Text.empty(), ComposeFrameTime(text, FrameTimeTextUnits, c.Frame, c.Rate, c.Scale));
    EXPECT_EQ(c.Text, std::u16string(text)) << c.Frame;
  }
  char16_t small[6] = {u'#', u'#', u'#', u'#', u'#', u'#'};
  ComposeFrameTime(small, 5, 17, 30, 1);
  EXPECT_EQ(u"00:0", std::u16string(small));
  EXPECT_EQ(u'#', small[5]);
}

TEST(DropRuns, TicksThinnedToOnePerPixel) {
  struct Case {
    std::vector<DropRun> Runs;
    uint32_t RangeMax;
    int Width;
    std::vector<uint32_t> Ticks;
  } cases[] = {
      // Room for every frame: a tick on each dropped frame.
      {{{2, 3, 2}, {9, 9, 1}}, 10, 800, {2, 3, 9}},
      // 1000 frames on 11 pixels: frames 0-99 share pixel 0, 100-199 pixel 1, ...
      {{{5, 250, 246}, {260, 261, 2}, {999, 999, 1}}, 1000, 11, {5, 100, 200, 999}},
      {{{5, 6, 2}}, 1000, 0, {}},
      {{{5, 6, 2}}, 0, 100, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Ticks, ThinnedTickPositions(c.Runs, c.RangeMax, c.Width)) << c.RangeMax << " " << c.Width;
  }
  // A long recording dropping nearly everything: one tick on each pixel it covers (0 to 612).
  EXPECT_EQ(613u, ThinnedTickPositions({{1, 3999999, 3999999}}, 4000000, 614).size());
}
