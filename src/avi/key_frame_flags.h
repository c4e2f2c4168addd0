// KeyFrameFlagRuns: the key-frame flags of a file, one entry per frame slot
// (1 = key frame, 0 = non-key, that is dropped), held as the sorted runs of
// 0 entries rather than as an array. A file without drops costs a few bytes
// whatever its length, a capture file costs one run per gap the capture
// program left, and every question the player asks of the flags (is this
// frame a key frame, where is the next or previous one of either kind) is a
// binary search over the runs.
//
// Platform-neutral: no <windows.h>.
//
// The flags model an array of Size() entries, read as Entry(i). Entries at or
// past Size() read as 1, as a frame past the flags always counted as a key
// frame. Runs are held with 32-bit frame numbers: entries past 0xFFFFFFFF
// (only the spare slots after a stream of 2^32 - 8 frames or more can lie
// there) are not held and read as 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Consecutive dropped frames first..last (inclusive); Length = last - first + 1.
struct DropRun {
  uint32_t First;
  uint32_t Last;
  uint32_t Length;
};

class KeyFrameFlagRuns {
 public:
  // The flags of an array of count entries (non-zero = key frame).
  static KeyFrameFlagRuns FromEntries(const uint32_t* entries, uint64_t count);

  uint64_t Size() const { return Count; }
  // Entry i: 0 inside a run of non-key entries, 1 anywhere else.
  uint32_t Entry(uint64_t i) const;

  // The runs of 0 entries, in order; none touches the next.
  std::size_t RunCount() const { return Runs.size(); }
  DropRun Run(std::size_t i) const;
  // The index of the last run starting at or before frame, or -1.
  int64_t RunAtOrBefore(uint64_t frame) const;

  // Builders, as on an array: one entry more at the end; n entries of value
  // at the end; the size made n, cutting entries off or adding 0 entries.
  void Append(bool key) {
    if (key) {
      ++Count;
    } else {
      AppendEntries(false, 1);
    }
  }
  void AppendEntries(bool key, uint64_t n);
  void Resize(uint64_t n);
  void Clear();

  bool operator==(const KeyFrameFlagRuns& other) const;
  bool operator!=(const KeyFrameFlagRuns& other) const { return !(*this == other); }

 private:
  struct Span {
    uint32_t First;
    uint32_t Last;
  };
  std::vector<Span> Runs;
  uint64_t Count = 0;
};
