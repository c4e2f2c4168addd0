// A short, repeatable fuzzing pass over the parser: seeded mutations of
// generated recordings fed to the libFuzzer target's entry point, which checks
// the rules every result keeps. A broken rule or a sanitizer report ends the program.
#include <gtest/gtest.h>

#include <cstring>

#include "avi_header_fuzz.h"
#include "avi_test_support.h"

TEST(AviHeaderFuzzPass, ThreeThousandSeededMutations) {
  std::vector<std::vector<uint8_t>> seeds;
  for (const char* kind :
       {"", " --format yuy2 --drop-style repeat --segment-size 300", " --artist none", " --index-entries 1"})
    seeds.push_back(Recording(std::string("--size 8x4 --frames 24 --index-entries 5 --drop 2,3,11,23") + kind));
  AviHeaderFuzzOne(nullptr, 0);
  std::mt19937 random(20240611);  // the standard fixes its sequence: the same mutations everywhere
  auto below = [&random](std::size_t n) { return n == 0 ? 0 : static_cast<uint32_t>(random() % n); };
  std::size_t walked = 0;
  for (int i = 0; i < 3000; ++i) {
    std::vector<uint8_t> b = seeds[below(seeds.size())];
    // Places worth hitting: the header fields the parser reads and the fields of every index chunk.
    std::vector<uint32_t> hot = {0, 4, 8, 12, 16, 20, 64, 68, 88, 96, 100, 112, 128, 132, 140, 164, 168, 172};
    for (uint32_t at = 0; at + 4 <= b.size(); ++at)
      if (std::memcmp(&b[at], "indx", 4) == 0 || std::memcmp(&b[at], "ix00", 4) == 0 ||
          std::memcmp(&b[at], "IART", 4) == 0)
        for (uint32_t d : {4u, 8u, 12u, 32u, 36u, 40u, 44u}) hot.push_back(at + d);
    const uint32_t size = static_cast<uint32_t>(b.size());
    const uint32_t values[] = {0, 1, 8, 31, 32, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF, size - 1, size + 1, 8192 - 172};
    for (uint32_t c = 1 + below(4); c > 0 && !b.empty(); --c) {
      const uint32_t at = below(3) == 0 ? below(b.size()) : hot[below(hot.size())];
      const uint32_t value = below(2) == 0 ? values[below(std::size(values))] : static_cast<uint32_t>(random());
      for (uint32_t k = 0; k < 4 && at + k < b.size(); ++k) b[at + k] = static_cast<uint8_t>(value >> (8 * k));
      if (below(8) == 0) b.resize(below(b.size() + 1));
    }
    AviHeaderFuzzOne(b.data(), b.size());
    walked += FromCaptureProgram;
  }
  EXPECT_GT(walked, 300u);  // the mutations still reach the index walk often
}
