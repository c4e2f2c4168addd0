// The key-frame flags held as runs read as the array they stand for, through
// every way the parser builds them.
#include "avi/key_frame_flags.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

TEST(KeyFrameFlagRuns, ReadAsTheArrayTheyStandFor) {
  std::mt19937 random(20);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint32_t> model;
    KeyFrameFlagRuns flags;
    for (int op = 0; op < 12; ++op) {
      const uint32_t n = random() % 6;
      const bool key = random() % 2 == 0;
      switch (random() % 3) {
        case 0:  // runs of either kind, of lengths 0 up, meeting or not
          flags.AppendEntries(key, n);
          model.insert(model.end(), n, key ? 1u : 0u);
          break;
        case 1: {  // cut inside a run, at its ends, or grown with 0 entries
          const std::size_t size = model.size() + n < 3 ? 0 : model.size() + n - 3;
          flags.Resize(size);
          model.resize(size, 0);
          break;
        }
        default:
          flags.Append(key);
          model.push_back(key ? 1u : 0u);
      }
    }
    ASSERT_EQ(flags.Size(), model.size());
    for (uint64_t i = 0; i < model.size() + 3; ++i)  // past the end: key frames
      ASSERT_EQ(flags.Entry(i), i < model.size() ? model[i] : 1u) << round << " " << i;
    for (std::size_t r = 1; r < flags.RunCount(); ++r) ASSERT_LT(flags.Run(r - 1).Last + 1, flags.Run(r).First);
    EXPECT_EQ(flags, KeyFrameFlagRuns::FromEntries(model.data(), model.size()));
  }
}
