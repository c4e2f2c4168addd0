// Where the transport's frame steps land and which neighbour flags they report,
// on key-frame patterns with dropped frames at the start, at the end, in runs,
// none and all.
#include "graph/frame_navigation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A file described by a pattern: 'K' a key frame, '.' a dropped (non-key)
// frame, '?' a frame past the end of the flags (trailing only).
std::vector<uint32_t> Flags(const std::string& pattern) {
  std::vector<uint32_t> flags;
  for (char c : pattern)
    if (c != '?') flags.push_back(c == 'K' ? 1u : 0u);
  return flags;
}

// Applies a step repeatedly from a start until it stops moving: the positions visited.
std::string Walk(const std::string& pattern, FrameStep step, int64_t from) {
  const std::vector<uint32_t> flags = Flags(pattern);
  const FrameFlags frames{flags.data(), flags.size(), static_cast<int64_t>(pattern.size())};
  std::string visited;
  for (int64_t next; (next = FindStepTarget(frames, step, from)) != from && visited.size() < 1000; from = next)
    visited += (visited.empty() ? "" : " ") + std::to_string(next);
  return visited;
}

// The non-key neighbours of position p: "after before".
std::string Neighbours(const std::string& pattern, int64_t p, uint32_t after = 0, uint32_t before = 0) {
  const std::vector<uint32_t> flags = Flags(pattern);
  FindNonKeyNeighbours({flags.data(), flags.size(), static_cast<int64_t>(pattern.size())}, p, &after, &before);
  return std::to_string(after) + " " + std::to_string(before);
}

constexpr FrameStep Next = FrameStep::NextNonKey, Back = FrameStep::PreviousNonKey, NextKey = FrameStep::NextKey,
                    BackKey = FrameStep::PreviousKey;

}  // namespace

// Frame 0 is always the last stop back, even when dropped, and the end
// position the last stop forward. From positions outside the file only real
// frames count, and nothing is read past the flags; frames past the flags
// count as key frames.
TEST(FrameSteps, WalksOverDropPatternsEndAtFrameZeroAndTheEndPosition) {
  const struct {
    const char* Pattern;
    FrameStep Step;
    int64_t From;
    const char* Visited;
  } cases[] = {// clang-format off
      {"KK..KKK.KK...", Next, 0, "2 3 7 10 11 12 13"}, {"KK..KKK.KK...", Back, 13, "12 11 10 7 3 2 0"},
      {"KK..KKK.KK...", NextKey, 0, "1 4 5 6 8 9 13"},  {"KK..KKK.KK...", BackKey, 13, "9 8 6 5 4 1 0"},
      {"...KK.KK", Next, 0, "1 2 5 8"},   {"...KK.KK", Back, 8, "5 2 1 0"},   {"KKKK..", Next, 0, "4 5 6"},
      {"KKKKKKKKKK", Next, 4, "10"},      {"KKKKKKKKKK", Back, 9, "0"},       {"......", Next, 0, "1 2 3 4 5 6"},
      {"......", Back, 6, "5 4 3 2 1 0"}, {"KK...KK..K", NextKey, 3, "5 6 9 10"}, {"KK...KK..K", BackKey, 3, "1 0"},
      {".KKK", BackKey, 3, "2 1 0"},      {"KKKKK", NextKey, 4, "5"},         {"KKKKK", BackKey, 0, ""},
      {"K.....", NextKey, 0, "6"},        {"K.....", BackKey, 6, "0"},        {"", NextKey, 0, ""},
      {"", Next, 0, ""},                  {"", BackKey, 0, ""},               {"", Back, 0, ""},
      {"K.K.", NextKey, 9, ""},           {"K.K.", BackKey, 9, "2 0"},        {"K.K.", Back, 9, "3 1 0"},
      {"K.K.", BackKey, -3, ""},          {"K.K.", Next, -3, "1 3 4"},        {"K.K.", NextKey, INT64_MAX, ""},
      {"K.K.", BackKey, INT64_MIN, ""},   {"K.K?????", Next, 0, "1 8"},       {"????????", Next, 0, "8"},
      {"K.K?????", BackKey, 8, "7 6 5 4 3 2 0"}};
  // clang-format on
  for (const auto& c : cases)
    EXPECT_EQ(Walk(c.Pattern, c.Step, c.From), c.Visited) << c.Pattern << " step " << int(c.Step) << " from " << c.From;
}

TEST(NonKeyNeighbours, DropsOnEachSideOfAPositionButNotAtIt) {
  // Outside the file ("????????", far positions) only real frames count.
  // clang-format off
  const std::pair<const char*, std::vector<int64_t>> cases[] = {
      {"K..KKKK.KK", {0, 5, 8, 10}}, {"KK.KK", {2}}, {".KKK.", {1, 3, 5}}, {"KKKKKK", {0, 3, 6}}, {"......", {1, 4}},
      {"????????", {4}}, {"K.KK", {1000, -5, INT64_MAX, INT64_MIN}}};
  // clang-format on
  std::string found;
  for (const auto& [pattern, positions] : cases)
    for (int64_t p : positions) found += Neighbours(pattern, p) + (p == positions.back() ? "|" : ",");
  EXPECT_EQ(found, "1 0,1 1,0 1,0 1|0 0|1 1,1 1,0 1|0 0,0 0,0 0|1 1,1 1|0 0|0 1,1 0,0 1,1 0|");
  // Flags are only set, never cleared; a null flag is not written.
  EXPECT_EQ(Neighbours("KKKK", 2, 1, 1), "1 1");
  const std::vector<uint32_t> flags = Flags("K.K.K");
  uint32_t after = 0;
  FindNonKeyNeighbours({flags.data(), flags.size(), 5}, 2, &after, nullptr);
  EXPECT_EQ(after, 1u);
}
