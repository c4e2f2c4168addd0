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

}  // namespace

bool ComposeFrameTime(char16_t* buffer, std::size_t capacity, uint64_t frame, uint32_t rate, uint32_t scale) {
  CopyText(buffer, capacity, u"");
  if (rate == 0 || scale == 0) return false;
  // Milliseconds = frame x scale x 1000 / rate; scale x 1000 fits 64 bits.
  uint64_t ms = 0;
  if (!MultiplyDivide(frame, static_cast<uint64_t>(scale) * 1000u, rate, &ms)) return false;
  AppendPadded(buffer, capacity, ms / 3600000u, 2);
  AppendText(buffer, capacity, u":");
  AppendPadded(buffer, capacity, ms / 60000u % 60u, 2);
  AppendText(buffer, capacity, u":");
  AppendPadded(buffer, capacity, ms / 1000u % 60u, 2);
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
