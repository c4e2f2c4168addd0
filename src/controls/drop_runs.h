// Where a capture recording dropped frames, from its key-frame flags:
// the runs of consecutive dropped frames, the time of a frame as a clock text,
// the position slider's tick marks, at most one per pixel of its channel, the
// runs as a table for the clipboard or a CSV file, and the dropped frames per
// time bin that the Dropped Frames window's strip and orvo-aviinfo show.
//
// Platform-neutral: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "avi/key_frame_flags.h"  // DropRun

// The runs of dropped (flag 0) frames among frames 0..totalFrames - 1, in
// order. Only the first flagCount flags are read; frames beyond them, and
// every frame when flags is null, count as key frames. *droppedTotal (when
// not null) receives the number of dropped frames.
std::vector<DropRun> FindDropRuns(const uint32_t* flags, uint64_t flagCount, uint32_t totalFrames,
                                  uint64_t* droppedTotal);
// The same from the flags' own runs, in time proportional to the runs.
std::vector<DropRun> FindDropRuns(const KeyFrameFlagRuns& flags, uint32_t totalFrames, uint64_t* droppedTotal);

// Room for "hh:mm:ss.mmm" with any 64-bit hour count, and the terminator.
constexpr std::size_t FrameTimeTextUnits = 32;

// The start of frame (frame x scale / rate seconds, cut to the millisecond)
// as "hh:mm:ss.mmm"; hours take more than two digits when needed. With a
// zero rate or scale, or a time past 64 bits of milliseconds, the text is
// empty and the result false. Never writes past capacity.
bool ComposeFrameTime(char16_t* buffer, std::size_t capacity, uint64_t frame, uint32_t rate, uint32_t scale);

// The slider positions to mark for the runs on a slider ranged 0..rangeMax
// whose channel is pixelWidth pixels wide: each dropped frame, except that of
// the frames falling on one pixel (pixel = frame x (pixelWidth - 1) /
// rangeMax) only the first is kept. Ascending; empty for a zero width or
// range.
std::vector<uint32_t> ThinnedTickPositions(const std::vector<DropRun>& runs, uint32_t rangeMax, int pixelWidth);

// The runs as a table with a header line of the list's column titles ("First
// Frame", "Last Frame", "Length", "Time of First Frame"), cells separated by
// separator (a tab for the clipboard, a comma for CSV: no cell holds either),
// every line ended by CR LF. rows: the indexes of the runs to write, in
// order; those past the end are skipped. The time is empty for a zero rate or
// scale. ASCII only.
std::string ComposeDropRunsTable(const std::vector<DropRun>& runs, const std::vector<std::size_t>& rows, uint32_t rate,
                                 uint32_t scale, char separator);

// The dropped frames per time bin across a recording. Frame f lies in second
// floor(f x scale / rate); bin i holds seconds i x BinSeconds to
// (i + 1) x BinSeconds - 1, and the bins cover every second holding a frame
// of the recording (0 .. floor((totalFrames - 1) x scale / rate)).
struct DropHistogram {
  uint64_t BinSeconds = 0;             // 0: no bins
  std::vector<uint32_t> Counts;        // dropped frames of each bin
  std::vector<std::size_t> FirstRuns;  // of a bin with drops: the first run with a frame in it
  std::vector<uint32_t> FirstFrames;   // of a bin with drops: its first dropped frame
  uint32_t Tallest = 0;                // the largest count
};

// The seconds of the recording holding a frame: 0 for no frames, a zero rate
// or scale.
uint64_t RecordingSeconds(uint32_t totalFrames, uint32_t rate, uint32_t scale);

// The bins of binSeconds each (none for a zero width, a zero rate or scale, no
// frames, or more than maxBins bins). Made from the runs, in time
// proportional to the runs plus the bins: a run spanning bins is split by
// frame arithmetic. Runs past totalFrames are cut there.
DropHistogram MakeDropHistogramOfWidth(const std::vector<DropRun>& runs, uint32_t totalFrames, uint32_t rate,
                                       uint32_t scale, uint64_t binSeconds, uint64_t maxBins);
// The same with the smallest whole-second width that makes at most maxBins
// bins (none when maxBins < 1).
DropHistogram MakeDropHistogram(const std::vector<DropRun>& runs, uint32_t totalFrames, uint32_t rate, uint32_t scale,
                                int maxBins);

// Room for "hh:mm:ss-hh:mm:ss" with any 64-bit hour counts, and the terminator.
constexpr std::size_t BinRangeTextUnits = 64;

// Bin bin's start and end as "hh:mm:ss-hh:mm:ss" (the end is the start of the
// next bin); hours take more than two digits when needed. Empty and false for
// no bins or an end past 64 bits of seconds. Never writes past capacity.
bool ComposeBinRange(char16_t* buffer, std::size_t capacity, const DropHistogram& histogram, std::size_t bin);
