// A short, repeatable fuzzing pass over the parser: seeded mutations of
// generated recordings fed to the same entry point as the libFuzzer target.
// Any broken rule or sanitizer report ends the test program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "avi_header_fuzz.h"
#include "avi_test_support.h"

namespace {

class Random {
 public:
  explicit Random(uint64_t seed) : State(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return State;
  }
  uint32_t Below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(Next() % n); }

 private:
  uint64_t State;
};

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  auto tiny = [] {
    AviGenOptions o;
    o.Width = 8;
    o.Height = 4;
    o.FrameCount = 24;
    o.IndexEntriesPerChunk = 5;
    o.DroppedFrames = {2, 3, 11, 23};
    return o;
  };
  seeds.push_back(Generate(tiny()));
  AviGenOptions o = tiny();
  o.Format = AviGenFormat::Yuy2;
  o.DropStyle = AviGenDropStyle::Repeat;
  o.SegmentLimit = 300;
  seeds.push_back(Generate(o));
  o = tiny();
  o.HasArtist = false;
  seeds.push_back(Generate(o));
  o = tiny();
  o.EmptyIndx = true;
  seeds.push_back(Generate(o));
  o = tiny();
  o.NoIndx = true;
  o.WriteIdx1 = false;
  seeds.push_back(Generate(o));
  o = tiny();
  o.ArtistText = "ORVO Video Capture Pro";
  o.ArtistLength = {true, 18};
  o.IndexEntriesPerChunk = 1;
  seeds.push_back(Generate(o));
  return seeds;
}

// Places worth hitting: the header fields the parser reads and the fields of
// every index chunk in the seed.
std::vector<uint32_t> HotOffsets(const std::vector<uint8_t>& seed) {
  std::vector<uint32_t> hot = {0, 4, 8, 12, 16, 20, 64, 68, 88, 96, 100, 112, 128, 132, 140, 164, 168, 172};
  for (uint32_t at = 0; at + 4 <= seed.size(); ++at) {
    if (std::memcmp(&seed[at], "indx", 4) == 0 || std::memcmp(&seed[at], "ix00", 4) == 0) {
      for (uint32_t d : {4u, 8u, 12u, 32u, 36u, 40u, 44u}) hot.push_back(at + d);
    }
    if (std::memcmp(&seed[at], "IART", 4) == 0 || std::memcmp(&seed[at], "LIST", 4) == 0) hot.push_back(at + 4);
  }
  return hot;
}

void PutU32(std::vector<uint8_t>& b, uint32_t at, uint32_t v) {
  for (uint32_t i = 0; i < 4 && at + i < b.size(); ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> Mutate(const std::vector<uint8_t>& seed, const std::vector<uint32_t>& hot, Random& random) {
  std::vector<uint8_t> b = seed;
  const uint32_t size = static_cast<uint32_t>(b.size());
  const uint32_t interesting[] = {0,          1,    7,        8,        12,         31,
                                  32,         0xFF, 0xFFFF,   0x10000,  0x7FFFFFFF, 0x80000000u,
                                  0xFFFFFFFF, size, size - 1, size + 1, size - 32,  8192 - 172};
  const uint32_t changes = 1 + random.Below(4);
  for (uint32_t c = 0; c < changes && !b.empty(); ++c) {
    switch (random.Below(7)) {
      case 0:
        b[random.Below(static_cast<uint32_t>(b.size()))] ^= static_cast<uint8_t>(1u << random.Below(8));
        break;
      case 1:
        b[random.Below(static_cast<uint32_t>(b.size()))] = static_cast<uint8_t>(random.Next());
        break;
      case 2:
      case 3:
        PutU32(b, hot[random.Below(static_cast<uint32_t>(hot.size()))],
               interesting[random.Below(sizeof interesting / sizeof interesting[0])]);
        break;
      case 4:
        PutU32(b, hot[random.Below(static_cast<uint32_t>(hot.size()))], static_cast<uint32_t>(random.Next()));
        break;
      case 5:
        b.resize(random.Below(static_cast<uint32_t>(b.size()) + 1));
        break;
      default: {
        // Copy a block over another place.
        uint32_t from = random.Below(static_cast<uint32_t>(b.size()));
        uint32_t to = random.Below(static_cast<uint32_t>(b.size()));
        uint32_t n = std::min<uint32_t>(
            {random.Below(64) + 1, static_cast<uint32_t>(b.size()) - from, static_cast<uint32_t>(b.size()) - to});
        std::memmove(&b[to], &b[from], n);
        break;
      }
    }
  }
  return b;
}

}  // namespace

TEST(AviHeaderFuzzPass, SeedsPassAsTheyAre) {
  for (const std::vector<uint8_t>& seed : Seeds()) AviHeaderFuzzOne(seed.data(), seed.size());
  AviHeaderFuzzOne(nullptr, 0);
}

TEST(AviHeaderFuzzPass, FourThousandSeededMutations) {
  const std::vector<std::vector<uint8_t>> seeds = Seeds();
  std::vector<std::vector<uint32_t>> hot;
  for (const auto& s : seeds) hot.push_back(HotOffsets(s));
  Random random(20240611);
  std::size_t parsedCapture = 0;
  for (int i = 0; i < 4000; ++i) {
    const std::size_t s = random.Below(static_cast<uint32_t>(seeds.size()));
    std::vector<uint8_t> input = Mutate(seeds[s], hot[s], random);
    AviHeaderFuzzOne(input.data(), input.size());
    if (FromCaptureProgram) ++parsedCapture;
  }
  // The mutations still reach the index walk often.
  EXPECT_GT(parsedCapture, 400u);
}
