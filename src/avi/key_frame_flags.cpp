#include "avi/key_frame_flags.h"

#include <algorithm>

namespace {

constexpr uint64_t LastHeldFrame = 0xFFFFFFFFu;

}  // namespace

KeyFrameFlagRuns KeyFrameFlagRuns::FromEntries(const uint32_t* entries, uint64_t count) {
  KeyFrameFlagRuns flags;
  for (uint64_t i = 0; i < count; ++i) flags.Append(entries[i] != 0);
  return flags;
}

uint32_t KeyFrameFlagRuns::Entry(uint64_t i) const {
  const int64_t r = RunAtOrBefore(i);
  return r >= 0 && i <= Runs[static_cast<std::size_t>(r)].Last ? 0u : 1u;
}

DropRun KeyFrameFlagRuns::Run(std::size_t i) const {
  const Span& s = Runs[i];
  return {s.First, s.Last, s.Last - s.First + 1};
}

int64_t KeyFrameFlagRuns::RunAtOrBefore(uint64_t frame) const {
  const auto after = std::upper_bound(Runs.begin(), Runs.end(), frame,
                                      [](uint64_t f, const Span& s) { return f < s.First; });
  return static_cast<int64_t>(after - Runs.begin()) - 1;
}

void KeyFrameFlagRuns::AppendEntries(bool key, uint64_t n) {
  const uint64_t first = Count;
  Count += n;
  if (key || n == 0 || first > LastHeldFrame) return;
  const uint32_t last = static_cast<uint32_t>(std::min(Count - 1, LastHeldFrame));
  if (!Runs.empty() && static_cast<uint64_t>(Runs.back().Last) + 1 == first) {
    Runs.back().Last = last;
  } else {
    Runs.push_back({static_cast<uint32_t>(first), last});
  }
}

void KeyFrameFlagRuns::Resize(uint64_t n) {
  if (n >= Count) {
    AppendEntries(false, n - Count);
    return;
  }
  Count = n;
  while (!Runs.empty() && Runs.back().First >= n) Runs.pop_back();
  if (!Runs.empty() && Runs.back().Last >= n) Runs.back().Last = static_cast<uint32_t>(n - 1);
}

void KeyFrameFlagRuns::Clear() {
  std::vector<Span>().swap(Runs);
  Count = 0;
}

bool KeyFrameFlagRuns::operator==(const KeyFrameFlagRuns& other) const {
  if (Count != other.Count || Runs.size() != other.Runs.size()) return false;
  for (std::size_t i = 0; i < Runs.size(); ++i)
    if (Runs[i].First != other.Runs[i].First || Runs[i].Last != other.Runs[i].Last) return false;
  return true;
}
