#include "controls/drop_runs.h"

#include "base/bounded_text.h"
#include "graph/frame_time.h"

std::vector<DropRun> FindDropRuns(const uint32_t* flags, uint64_t flagCount, uint32_t totalFrames,
                                  uint64_t* droppedTotal) {
  std::vector<DropRun> runs;
  uint64_t total = 0;
  const uint64_t readable = flags == nullptr ? 0 : (flagCount < totalFrames ? flagCount : totalFrames);
  for (uint64_t f = 0; f < readable; ++f) {
    if (flags[f] != 0) continue;
    const uint32_t frame = static_cast<uint32_t>(f);
    if (!runs.empty() && runs.back().Last + 1 == frame) {
      runs.back().Last = frame;
      ++runs.back().Length;
    } else {
      runs.push_back({frame, frame, 1});
    }
    ++total;
  }
  if (droppedTotal != nullptr) *droppedTotal = total;
  return runs;
}

std::vector<DropRun> FindDropRuns(const KeyFrameFlagRuns& flags, uint32_t totalFrames, uint64_t* droppedTotal) {
  std::vector<DropRun> runs;
  uint64_t total = 0;
  const std::size_t count = flags.RunCount();
  for (std::size_t i = 0; i < count; ++i) {
    DropRun run = flags.Run(i);
    if (run.First >= totalFrames) break;
    if (run.Last >= totalFrames) run = {run.First, totalFrames - 1, totalFrames - run.First};
    runs.push_back(run);
    total += run.Length;
  }
  if (droppedTotal != nullptr) *droppedTotal = total;
  return runs;
}

namespace {

// value in decimal, at least minDigits digits (zeros in front).
void AppendPadded(char16_t* buffer, std::size_t capacity, uint64_t value, int minDigits) {
  char16_t digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0 && n < 20);
  while (n < minDigits) digits[n++] = u'0';
  char16_t text[24];
  for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
  text[n] = u'\0';
  AppendText(buffer, capacity, text);
}

// seconds as "hh:mm:ss"; the hours take more digits when needed.
void AppendClock(char16_t* buffer, std::size_t capacity, uint64_t seconds) {
  AppendPadded(buffer, capacity, seconds / 3600u, 2);
  AppendText(buffer, capacity, u":");
  AppendPadded(buffer, capacity, seconds / 60u % 60u, 2);
  AppendText(buffer, capacity, u":");
  AppendPadded(buffer, capacity, seconds % 60u, 2);
}

}  // namespace

bool ComposeFrameTime(char16_t* buffer, std::size_t capacity, uint64_t frame, uint32_t rate, uint32_t scale) {
  CopyText(buffer, capacity, u"");
  if (rate == 0 || scale == 0) return false;
  // Milliseconds = frame x scale x 1000 / rate; scale x 1000 fits 64 bits.
  uint64_t ms = 0;
  if (!MultiplyDivide(frame, static_cast<uint64_t>(scale) * 1000u, rate, &ms)) return false;
  AppendClock(buffer, capacity, ms / 1000u);
  AppendText(buffer, capacity, u".");
  AppendPadded(buffer, capacity, ms % 1000u, 3);
  return true;
}

std::vector<uint32_t> ThinnedTickPositions(const std::vector<DropRun>& runs, uint32_t rangeMax, int pixelWidth) {
  std::vector<uint32_t> ticks;
  if (rangeMax == 0 || pixelWidth <= 0) return ticks;
  const uint64_t span = static_cast<uint64_t>(pixelWidth) - 1;
  bool anyPixel = false;
  uint64_t lastPixel = 0;
  for (const DropRun& run : runs) {
    uint64_t f = run.First;
    while (f <= run.Last && f <= rangeMax) {
      const uint64_t pixel = f * span / rangeMax;
      if (!anyPixel || pixel != lastPixel) {
        ticks.push_back(static_cast<uint32_t>(f));
        anyPixel = true;
        lastPixel = pixel;
      }
      // The first frame on the next pixel: ceil((pixel + 1) x rangeMax / span).
      if (span == 0) break;
      const uint64_t next = ((lastPixel + 1) * rangeMax + span - 1) / span;
      f = next > f ? next : f + 1;
    }
  }
  return ticks;
}

std::string ComposeDropRunsTable(const std::vector<DropRun>& runs, const std::vector<std::size_t>& rows, uint32_t rate,
                                 uint32_t scale, char separator) {
  const std::string sep(1, separator);
  std::string table = "First Frame" + sep + "Last Frame" + sep + "Length" + sep + "Time of First Frame\r\n";
  for (std::size_t row : rows) {
    if (row >= runs.size()) continue;
    const DropRun& run = runs[row];
    char16_t time[FrameTimeTextUnits];
    ComposeFrameTime(time, FrameTimeTextUnits, run.First, rate, scale);
    table += std::to_string(run.First) + sep + std::to_string(run.Last) + sep + std::to_string(run.Length) + sep;
    for (const char16_t* c = time; *c != u'\0'; ++c) table += static_cast<char>(*c);  // digits, ':' and '.'
    table += "\r\n";
  }
  return table;
}

uint64_t RecordingSeconds(uint32_t totalFrames, uint32_t rate, uint32_t scale) {
  if (totalFrames == 0 || rate == 0 || scale == 0) return 0;
  // (2^32 - 2) x (2^32 - 1) fits 64 bits.
  return static_cast<uint64_t>(totalFrames - 1) * scale / rate + 1;
}

DropHistogram MakeDropHistogramOfWidth(const std::vector<DropRun>& runs, uint32_t totalFrames, uint32_t rate,
                                       uint32_t scale, uint64_t binSeconds, uint64_t maxBins) {
  DropHistogram h;
  const uint64_t seconds = RecordingSeconds(totalFrames, rate, scale);
  if (seconds == 0 || binSeconds == 0) return h;
  const uint64_t bins = seconds / binSeconds + (seconds % binSeconds != 0 ? 1 : 0);
  if (bins > maxBins) return h;
  h.BinSeconds = binSeconds;
  h.Counts.assign(static_cast<std::size_t>(bins), 0);
  h.FirstRuns.assign(static_cast<std::size_t>(bins), runs.size());
  h.FirstFrames.assign(static_cast<std::size_t>(bins), 0);
  const uint64_t total = totalFrames;
  // The first frame of bin k: the smallest f with f x scale >= k x binSeconds
  // x rate, or totalFrames when no frame of the recording lies that late.
  auto firstFrameOf = [&](uint64_t k) -> uint64_t {
    if (k > UINT64_MAX / binSeconds) return total;
    const uint64_t second = k * binSeconds;
    uint64_t f = 0;
    if (!MultiplyDivide(second, rate, scale, &f) || f >= total) return total;
    if (f * scale / rate < second) ++f;  // f < 2^32: the product fits
    return f;
  };
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].First >= total || runs[i].Last < runs[i].First) continue;
    const uint64_t last = runs[i].Last < total ? runs[i].Last : total - 1;
    const std::size_t lastBin = static_cast<std::size_t>(last * scale / rate / binSeconds);
    uint64_t f = runs[i].First;
    // One step per bin the run touches: the frames up to the next bin's first.
    while (f <= last) {
      const std::size_t k = static_cast<std::size_t>(f * scale / rate / binSeconds);
      const uint64_t next = k == lastBin ? last + 1 : firstFrameOf(k + 1);
      const uint64_t end = next < last + 1 ? next : last + 1;
      h.Counts[k] += static_cast<uint32_t>(end - f);
      if (h.FirstRuns[k] == runs.size()) {
        h.FirstRuns[k] = i;
        h.FirstFrames[k] = static_cast<uint32_t>(f);
      }
      if (h.Counts[k] > h.Tallest) h.Tallest = h.Counts[k];
      f = end;
    }
  }
  return h;
}

DropHistogram MakeDropHistogram(const std::vector<DropRun>& runs, uint32_t totalFrames, uint32_t rate, uint32_t scale,
                                int maxBins) {
  const uint64_t seconds = RecordingSeconds(totalFrames, rate, scale);
  if (maxBins < 1 || seconds == 0) return DropHistogram();
  const uint64_t most = static_cast<uint64_t>(maxBins);
  const uint64_t width = seconds / most + (seconds % most != 0 ? 1 : 0);
  return MakeDropHistogramOfWidth(runs, totalFrames, rate, scale, width, most);
}

bool ComposeBinRange(char16_t* buffer, std::size_t capacity, const DropHistogram& histogram, std::size_t bin) {
  CopyText(buffer, capacity, u"");
  const uint64_t width = histogram.BinSeconds;
  if (width == 0 || bin >= histogram.Counts.size() || bin + 1 > UINT64_MAX / width) return false;
  AppendClock(buffer, capacity, bin * width);
  AppendText(buffer, capacity, u"-");
  AppendClock(buffer, capacity, (bin + 1) * width);
  return true;
}
