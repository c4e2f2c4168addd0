#include "frame_picture.h"

#include <algorithm>

namespace {

// Seven segments: a top, b top right, c bottom right, d bottom, e bottom left,
// f top left, g middle; bit 0 is a.
const uint8_t DigitSegments[10] = {
    0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F,
};

void FillRect(std::vector<uint8_t>& luma, uint32_t width, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
              uint8_t level) {
  for (uint32_t y = y0; y < y1; ++y)
    std::fill(luma.begin() + static_cast<std::size_t>(y) * width + x0,
              luma.begin() + static_cast<std::size_t>(y) * width + x1, level);
}

uint32_t CodeBandHeight(uint32_t height) { return std::max<uint32_t>(1, height / 6); }

// The cell bits of frameNumber, marker first.
void CodeCells(uint32_t frameNumber, uint8_t (&cells)[FrameCodeCells]) {
  const uint8_t marker[FrameCodeMarkerCells] = {1, 0, 1, 1, 0};
  uint32_t ones = 0;
  for (uint32_t i = 0; i < FrameCodeMarkerCells; ++i) cells[i] = marker[i];
  for (uint32_t bit = 0; bit < 32; ++bit) {
    cells[FrameCodeMarkerCells + bit] = (frameNumber >> (31 - bit)) & 1u;
    ones += cells[FrameCodeMarkerCells + bit];
  }
  cells[FrameCodeCells - 1] = ones & 1u;
}

void DrawCode(uint32_t frameNumber, uint32_t width, uint32_t height, std::vector<uint8_t>& luma) {
  uint8_t cells[FrameCodeCells];
  CodeCells(frameNumber, cells);
  const uint32_t band = CodeBandHeight(height);
  // Each pixel column belongs to the cell that holds its centre.
  for (uint32_t x = 0; x < width; ++x) {
    uint32_t cell = static_cast<uint32_t>((2ull * x + 1) * FrameCodeCells / (2ull * width));
    uint8_t level = cells[cell] ? 255 : 0;
    for (uint32_t y = 0; y < band; ++y) luma[static_cast<std::size_t>(y) * width + x] = level;
  }
}

void DrawDigits(uint32_t frameNumber, uint32_t width, uint32_t height, uint32_t top, std::vector<uint8_t>& luma) {
  char text[12];
  int n = 0;
  do {
    text[n++] = static_cast<char>('0' + frameNumber % 10);
    frameNumber /= 10;
  } while (frameNumber != 0);
  std::reverse(text, text + n);

  const uint32_t margin = std::max<uint32_t>(1, std::min(width, height) / 16);
  if (top + 2 * margin >= height || 2 * margin >= width) return;
  const uint32_t areaWidth = width - 2 * margin;
  const uint32_t areaHeight = height - top - 2 * margin;
  const uint32_t count = static_cast<uint32_t>(n);
  uint32_t digitWidth = std::min(areaWidth / count, areaHeight / 2);
  const uint32_t gap = std::max<uint32_t>(1, digitWidth / 5);
  if (digitWidth <= gap + 2) return;
  digitWidth -= gap;  // room between digits
  const uint32_t digitHeight = 2 * digitWidth;
  const uint32_t thick = std::max<uint32_t>(1, digitWidth / 5);
  const uint32_t total = count * digitWidth + (count - 1) * gap;
  uint32_t x = margin + (areaWidth - total) / 2;
  const uint32_t y = top + margin + (areaHeight - digitHeight) / 2;
  const uint32_t mid = y + (digitHeight - thick) / 2;
  for (uint32_t i = 0; i < count; ++i, x += digitWidth + gap) {
    const uint8_t s = DigitSegments[text[i] - '0'];
    const uint32_t right = x + digitWidth;
    const uint32_t bottom = y + digitHeight;
    const uint8_t v = FrameDigitLevel;
    if (s & 0x01) FillRect(luma, width, x, y, right, y + thick, v);
    if (s & 0x02) FillRect(luma, width, right - thick, y, right, mid + thick, v);
    if (s & 0x04) FillRect(luma, width, right - thick, mid, right, bottom, v);
    if (s & 0x08) FillRect(luma, width, x, bottom - thick, right, bottom, v);
    if (s & 0x10) FillRect(luma, width, x, mid, x + thick, bottom, v);
    if (s & 0x20) FillRect(luma, width, x, y, x + thick, mid + thick, v);
    if (s & 0x40) FillRect(luma, width, x, mid, right, mid + thick, v);
  }
}

}  // namespace

void DrawFramePicture(uint32_t frameNumber, uint32_t width, uint32_t height, std::vector<uint8_t>& luma) {
  luma.assign(static_cast<std::size_t>(width) * height, FrameBackgroundLevel);
  if (width == 0 || height == 0) return;
  uint32_t top = 0;
  if (width >= FrameCodeMinWidth && height >= FrameCodeMinHeight) {
    DrawCode(frameNumber, width, height, luma);
    top = CodeBandHeight(height);
  }
  DrawDigits(frameNumber, width, height, top, luma);
}

uint32_t Dib24RowBytes(uint32_t width) { return (width * 3 + 3) & ~3u; }

void LumaToDib24(const std::vector<uint8_t>& luma, uint32_t width, uint32_t height, std::vector<uint8_t>& dib) {
  const uint32_t rowBytes = Dib24RowBytes(width);
  dib.assign(static_cast<std::size_t>(rowBytes) * height, 0);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* src = luma.data() + static_cast<std::size_t>(height - 1 - y) * width;
    uint8_t* dst = dib.data() + static_cast<std::size_t>(y) * rowBytes;
    for (uint32_t x = 0; x < width; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
  }
}

void LumaToYuy2(const std::vector<uint8_t>& luma, uint32_t width, uint32_t height, std::vector<uint8_t>& yuy2) {
  yuy2.assign(static_cast<std::size_t>(width) * 2 * height, 128);
  for (std::size_t i = 0; i < luma.size(); ++i) yuy2[2 * i] = static_cast<uint8_t>(16 + luma[i] * 219 / 255);
}

bool ReadFrameCode(const uint8_t* topRow, uint32_t width, uint32_t height, std::ptrdiff_t rowStride,
                   uint32_t bytesPerPixel, uint32_t* frameNumber) {
  if (width < FrameCodeCells || height == 0 || bytesPerPixel == 0 || bytesPerPixel > 4) return false;
  const uint32_t row = CodeBandHeight(height) / 2;
  const uint8_t* line = topRow + rowStride * static_cast<std::ptrdiff_t>(row);
  uint32_t levels[FrameCodeCells];
  uint32_t low = 255, high = 0;
  for (uint32_t i = 0; i < FrameCodeCells; ++i) {
    // The pixel under the centre of cell i.
    uint32_t x = static_cast<uint32_t>((2ull * i + 1) * width / (2ull * FrameCodeCells));
    const uint8_t* p = line + static_cast<std::size_t>(x) * bytesPerPixel;
    uint32_t level = bytesPerPixel >= 3 ? (p[0] + p[1] + p[2]) / 3u : p[0];
    levels[i] = level;
    low = std::min(low, level);
    high = std::max(high, level);
  }
  if (high < low + 32) return false;
  const uint32_t threshold = (low + high) / 2;
  uint8_t expected[FrameCodeCells];
  CodeCells(0, expected);
  for (uint32_t i = 0; i < FrameCodeMarkerCells; ++i)
    if ((levels[i] > threshold) != (expected[i] == 1)) return false;
  uint32_t value = 0, ones = 0;
  for (uint32_t bit = 0; bit < 32; ++bit) {
    uint32_t on = levels[FrameCodeMarkerCells + bit] > threshold ? 1u : 0u;
    value = value << 1 | on;
    ones += on;
  }
  if ((levels[FrameCodeCells - 1] > threshold ? 1u : 0u) != (ones & 1u)) return false;
  *frameNumber = value;
  return true;
}

bool ReadFrameCodeFromDib24(const uint8_t* dib, uint32_t width, uint32_t height, uint32_t* frameNumber) {
  if (height == 0) return false;
  const std::ptrdiff_t rowBytes = Dib24RowBytes(width);
  return ReadFrameCode(dib + rowBytes * (height - 1), width, height, -rowBytes, 3, frameNumber);
}

bool ReadFrameCodeFromYuy2(const uint8_t* yuy2, uint32_t width, uint32_t height, uint32_t* frameNumber) {
  return ReadFrameCode(yuy2, width, height, static_cast<std::ptrdiff_t>(width) * 2, 2, frameNumber);
}
