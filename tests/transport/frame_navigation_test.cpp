// Where frame steps land and which neighbour flags they report, over key/dropped frame patterns.
#include "graph/frame_navigation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A file described by a pattern: 'K' a key frame, '.' a dropped (non-key)
// frame, '?' a frame past the end of the flags (trailing only).
KeyFrameFlagRuns Flags(const std::string& pattern) {
  KeyFrameFlagRuns flags;
  for (char c : pattern)
    if (c != '?') flags.Append(c == 'K');
  return flags;
}

// Each step applied again and again until it stops moving, forward from first
// and back from last: "next dropped|previous dropped|next key|previous key".
std::string Walks(const std::string& pattern, int64_t first, int64_t last) {
  const KeyFrameFlagRuns flags = Flags(pattern);
  const FrameFlags frames{&flags, static_cast<int64_t>(pattern.size())};
  std::string walks;
  for (FrameStep step :
       {FrameStep::NextNonKey, FrameStep::PreviousNonKey, FrameStep::NextKey, FrameStep::PreviousKey}) {
    const bool forward = step == FrameStep::NextNonKey || step == FrameStep::NextKey;
    std::string visited;
    for (int64_t from = forward ? first : last, next;
         (next = FindStepTarget(frames, step, from)) != from && visited.size() < 200; from = next)
      visited += (visited.empty() ? "" : " ") + std::to_string(next);
    walks += (step == FrameStep::NextNonKey ? "" : "|") + visited;
  }
  return walks;
}

}  // namespace

// Frame 0 is always the last stop back, even when dropped, and the end
// position the last stop forward; frames past the flags count as key frames.
TEST(FrameSteps, WalksOverDropPatternsEndAtFrameZeroAndTheEndPosition) {
  const std::pair<std::string, const char*> cases[] = {
      {"KK..KKK.KK...", "2 3 7 10 11 12 13|12 11 10 7 3 2 0|1 4 5 6 8 9 13|9 8 6 5 4 1 0"},
      {"...KK.KK", "1 2 5 8|5 2 1 0|3 4 6 7 8|7 6 4 3 0"},
      {"......", "1 2 3 4 5 6|5 4 3 2 1 0|6|0"},
      {"K.K?????", "1 8|1 0|2 3 4 5 6 7 8|7 6 5 4 3 2 0"},
      {"????", "4|0|1 2 3 4|3 2 1 0"},
      {"KKK", "3|0|1 2 3|2 1 0"},
      {".K.", "2 3|2 0|1 3|1 0"},
      {"", "|||"}};
  for (const auto& [pattern, walks] : cases)
    EXPECT_EQ(Walks(pattern, 0, static_cast<int64_t>(pattern.size())), walks) << pattern;
  // From positions outside the file only real frames count, and nothing is read past the flags.
  EXPECT_EQ(Walks("K.K.", -3, 9), "1 3 4|3 1 0|0 2 4|2 0");
  EXPECT_EQ(Walks("K.K.", 9, -3) + Walks("K.K.", INT64_MAX, INT64_MIN), "||||||");
}

TEST(NonKeyNeighbours, DropsOnEachSideOfAPositionButNotAtIt) {
  // "after before" at each position; outside the file ("????", far positions) only real frames count.
  const std::pair<std::string, std::vector<int64_t>> cases[] = {{"K..KKKK.KK", {0, 5, 8, 10}},
                                                                {".KKK.", {1, 3, 5}},
                                                                {"......", {1, 4}},
                                                                {"????", {2}},
                                                                {"K.KK", {1000, -5, INT64_MAX, INT64_MIN}}};
  std::string found;
  for (const auto& [pattern, positions] : cases) {
    const KeyFrameFlagRuns flags = Flags(pattern);
    for (int64_t p : positions) {
      uint32_t after = 0, before = 0;
      FindNonKeyNeighbours({&flags, static_cast<int64_t>(pattern.size())}, p, &after, &before);
      found += std::to_string(after) + std::to_string(before) + (p == positions.back() ? "|" : " ");
    }
  }
  EXPECT_EQ(found, "10 11 01 01|11 11 01|11 11|00|01 10 01 10|");
  const KeyFrameFlagRuns flags = Flags("K.K.K");
  uint32_t after = 0, before = 0;
  FindNonKeyNeighbours({&flags, 5}, 2, &after, nullptr);  // a null flag is not written
  EXPECT_EQ(after, 1u);
  FindNonKeyNeighbours({nullptr, 5}, 2, &after, &before);  // without flags every frame is a key frame
  EXPECT_EQ(before, 0u);
}
