// Where the transport's frame steps land and which neighbour flags they report,
// on key-frame patterns with dropped frames at the start, at the end, in runs,
// none and all.
#include "graph/frame_navigation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A file described by a pattern: 'K' a key frame, '.' a dropped (non-key) frame.
std::vector<uint32_t> Flags(const std::string& pattern) {
  std::vector<uint32_t> flags;
  for (char c : pattern) flags.push_back(c == 'K' ? 1u : 0u);
  return flags;
}

// Applies a step repeatedly from a start until it stops moving: the positions visited.
std::string Walk(const std::string& pattern, FrameStep step, int64_t from) {
  const std::vector<uint32_t> flags = Flags(pattern);
  const FrameFlags frames{flags.data(), flags.size(), static_cast<int64_t>(flags.size())};
  std::string visited;
  for (int64_t next; (next = FindStepTarget(frames, step, from)) != from && visited.size() < 1000; from = next)
    visited += (visited.empty() ? "" : " ") + std::to_string(next);
  return visited;
}

// The non-key neighbours of position p: "after before".
std::string Neighbours(const std::string& pattern, int64_t p, uint32_t after = 0, uint32_t before = 0) {
  const std::vector<uint32_t> flags = Flags(pattern);
  FindNonKeyNeighbours({flags.data(), flags.size(), static_cast<int64_t>(flags.size())}, p, &after, &before);
  return std::to_string(after) + " " + std::to_string(before);
}

constexpr FrameStep Next = FrameStep::NextNonKey, Back = FrameStep::PreviousNonKey, NextKey = FrameStep::NextKey,
                    BackKey = FrameStep::PreviousKey;

}  // namespace

TEST(FrameSteps, WalksOverDropPatternsEndAtFrameZeroAndTheEndPosition) {
  const struct {
    const char* Pattern;
    FrameStep Step;
    int64_t From;
    const char* Visited;
  } cases[] = {{"KK..KKK.KK...", Next, 0, "2 3 7 10 11 12 13"},
               {"KK..KKK.KK...", Back, 13, "12 11 10 7 3 2 0"},
               {"KK..KKK.KK...", NextKey, 0, "1 4 5 6 8 9 13"},
               {"KK..KKK.KK...", BackKey, 13, "9 8 6 5 4 1 0"},
               {"...KK.KK", Next, 0, "1 2 5 8"},
               {"...KK.KK", Back, 8, "5 2 1 0"},  // frame 0 is the last stop
               {"KKKK..", Next, 0, "4 5 6"},
               {"KKKKKKKKKK", Next, 4, "10"},
               {"KKKKKKKKKK", Back, 9, "0"},
               {"......", Next, 0, "1 2 3 4 5 6"},
               {"......", Back, 6, "5 4 3 2 1 0"},
               {"KK...KK..K", NextKey, 3, "5 6 9 10"},
               {"KK...KK..K", BackKey, 3, "1 0"},
               {".KKK", BackKey, 3, "2 1 0"},  // 0 even when dropped
               {"KKKKK", NextKey, 4, "5"},
               {"KKKKK", BackKey, 0, ""},
               {"K.....", NextKey, 0, "6"},
               {"K.....", BackKey, 6, "0"},
               {"", NextKey, 0, ""},
               {"", Next, 0, ""},
               {"", BackKey, 0, ""},
               {"", Back, 0, ""},
               // Positions outside the file: only real frames count, and nothing is read past the flags.
               {"K.K.", NextKey, 9, ""},
               {"K.K.", BackKey, 9, "2 0"},
               {"K.K.", Back, 9, "3 1 0"},
               {"K.K.", BackKey, -3, ""},
               {"K.K.", Next, -3, "1 3 4"},
               {"K.K.", NextKey, INT64_MAX, ""},
               {"K.K.", BackKey, INT64_MIN, ""}};
  for (const auto& c : cases)
    EXPECT_EQ(Walk(c.Pattern, c.Step, c.From), c.Visited) << c.Pattern << " step " << int(c.Step) << " from " << c.From;
}

TEST(FrameSteps, FlagsShorterThanTheFileCountTheMissingFramesAsKeyFrames) {
  const std::vector<uint32_t> flags{1, 0, 1};
  const FrameFlags frames{flags.data(), flags.size(), 8}, none{nullptr, 0, 8};
  EXPECT_EQ(FindStepTarget(frames, Next, 1), 8);
  EXPECT_EQ(FindStepTarget(frames, BackKey, 8), 7);
  EXPECT_EQ(FindStepTarget(none, Next, 0), 8);
  uint32_t after = 0, before = 0;
  FindNonKeyNeighbours(none, 4, &after, &before);
  EXPECT_EQ(after + before, 0u);
}

TEST(NonKeyNeighbours, DropsOnEachSideOfAPositionButNotAtIt) {
  const std::pair<int64_t, const char*> cases[] = {{0, "1 0"}, {5, "1 1"}, {8, "0 1"}, {10, "0 1"}};
  for (const auto& [p, expected] : cases) EXPECT_EQ(Neighbours("K..KKKK.KK", p), expected) << p;
  EXPECT_EQ(Neighbours("KK.KK", 2), "0 0");
  EXPECT_EQ(Neighbours(".KKK.", 1) + "|" + Neighbours(".KKK.", 3) + "|" + Neighbours(".KKK.", 5), "1 1|1 1|0 1");
  EXPECT_EQ(Neighbours("KKKKKK", 0) + Neighbours("KKKKKK", 3) + Neighbours("KKKKKK", 6), "0 00 00 0");
  EXPECT_EQ(Neighbours("......", 1) + Neighbours("......", 4), "1 11 1");
  // Flags are only set, never cleared; a null flag is not written.
  EXPECT_EQ(Neighbours("KKKK", 2, 1, 1), "1 1");
  const std::vector<uint32_t> flags = Flags("K.K.K");
  uint32_t after = 0;
  FindNonKeyNeighbours({flags.data(), flags.size(), 5}, 2, &after, nullptr);
  EXPECT_EQ(after, 1u);
  // Positions outside the file look only at real frames.
  EXPECT_EQ(Neighbours("K.KK", 1000) + "|" + Neighbours("K.KK", -5) + "|" + Neighbours("K.KK", INT64_MAX) + "|" +
                Neighbours("K.KK", INT64_MIN),
            "0 1|1 0|0 1|1 0");
}
