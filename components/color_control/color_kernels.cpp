#include "color_control/color_kernels.h"

#include <cstring>

namespace {

constexpr int Lowest = 0;
constexpr int Highest = 255;
constexpr int MiddleGrey = 128;

int ClampSetting(int32_t value) {
  if (value < ColorSettingMin) return ColorSettingMin;
  if (value > ColorSettingMax) return ColorSettingMax;
  return value;
}

int Clamp(int value, int low, int high) {
  if (value < low) return low;
  if (value > high) return high;
  return value;
}

// numerator / denominator (denominator > 0), rounded half away from zero.
int RoundedQuotient(int numerator, int denominator) {
  if (numerator >= 0) return (numerator + denominator / 2) / denominator;
  return -((-numerator + denominator / 2) / denominator);
}

uint32_t BytesPerPixel(ColorPixelFormat format) {
  switch (format) {
    case ColorPixelFormat::Rgb32:
      return 4;
    case ColorPixelFormat::Rgb24:
      return 3;
    case ColorPixelFormat::Yuy2:
      return 2;
  }
  return 0;
}

bool SameLayout(const ColorFrameLayout& a, const ColorFrameLayout& b) {
  return a.Format == b.Format && a.Width == b.Width && a.Height == b.Height && a.RowBytes == b.RowBytes &&
         a.Stride == b.Stride && a.FrameBytes == b.FrameBytes;
}

// Row kernels: n pixels from s to d through table t. s may equal d. Each
// pixel (or pair of YUY2 pixels) is put together first and stored at once.
void MapRowRgb32(const uint8_t* s, uint8_t* d, uint32_t n, const uint8_t* t) {
  for (uint32_t i = 0; i < n; ++i, s += 4, d += 4) {
    const uint8_t pixel[4] = {t[s[0]], t[s[1]], t[s[2]], s[3]};
    std::memcpy(d, pixel, 4);
  }
}

void MapRowRgb24(const uint8_t* s, uint8_t* d, uint32_t n, const uint8_t* t) {
  for (uint32_t i = 0; i < n; ++i, s += 3, d += 3) {
    const uint8_t pixel[3] = {t[s[0]], t[s[1]], t[s[2]]};
    std::memcpy(d, pixel, 3);
  }
}

// n is the number of pixel pairs.
void MapRowYuy2(const uint8_t* s, uint8_t* d, uint32_t n, const uint8_t* t) {
  for (uint32_t i = 0; i < n; ++i, s += 4, d += 4) {
    const uint8_t pair[4] = {t[s[0]], s[1], t[s[2]], s[3]};
    std::memcpy(d, pair, 4);
  }
}

}  // namespace

bool IsColorSettingInRange(int64_t value) { return value >= ColorSettingMin && value <= ColorSettingMax; }

bool IsNeutral(const ColorSettings& settings) { return settings.Brightness == 0 && settings.Contrast == 0; }

bool DescribeColorFrame(ColorPixelFormat format, int32_t width, int32_t height, ColorFrameLayout* layout) {
  const uint32_t bytesPerPixel = BytesPerPixel(format);
  if (layout == nullptr || bytesPerPixel == 0 || width <= 0 || height == 0) return false;
  const uint64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
  const uint64_t columns = static_cast<uint64_t>(width);
  if (columns > ColorMaxDimension || rows > ColorMaxDimension) return false;
  if (format == ColorPixelFormat::Yuy2 && columns % 2 != 0) return false;
  const uint64_t rowBytes = columns * bytesPerPixel;
  const uint64_t stride = (rowBytes + 3) / 4 * 4;
  const uint64_t frameBytes = stride * rows;
  if (frameBytes > ColorMaxFrameBytes) return false;
  layout->Format = format;
  layout->Width = static_cast<uint32_t>(columns);
  layout->Height = static_cast<uint32_t>(rows);
  layout->RowBytes = static_cast<uint32_t>(rowBytes);
  layout->Stride = static_cast<uint32_t>(stride);
  layout->FrameBytes = static_cast<uint32_t>(frameBytes);
  return true;
}

void BuildToneTable(const ColorSettings& settings, ColorToneTable* table) {
  const int offset = ClampSetting(settings.Brightness);
  const int factor = 128 + ClampSetting(settings.Contrast);  // 1 .. 255, in 128ths
  for (int v = 0; v < 256; ++v) {
    const int scaled = RoundedQuotient((v - MiddleGrey) * factor, 128);
    table->Map[v] = static_cast<uint8_t>(Clamp(MiddleGrey + scaled + offset, Lowest, Highest));
  }
}

bool ApplyColorControl(const ColorFrameLayout& layout, const ColorSettings& settings, const uint8_t* src,
                       std::size_t srcBytes, uint8_t* dst, std::size_t dstBytes) {
  if (src == nullptr || dst == nullptr) return false;
  ColorFrameLayout expected;
  if (layout.Height > static_cast<uint32_t>(INT32_MAX) ||
      !DescribeColorFrame(layout.Format, static_cast<int32_t>(layout.Width), static_cast<int32_t>(layout.Height),
                          &expected) ||
      !SameLayout(layout, expected)) {
    return false;
  }
  if (srcBytes < layout.FrameBytes || dstBytes < layout.FrameBytes) return false;

  if (IsNeutral(settings)) {
    if (src != dst) std::memcpy(dst, src, layout.FrameBytes);
    return true;
  }

  ColorToneTable table;
  BuildToneTable(settings, &table);
  const uint32_t padding = layout.Stride - layout.RowBytes;
  for (uint32_t row = 0; row < layout.Height; ++row) {
    const std::size_t offset = static_cast<std::size_t>(row) * layout.Stride;
    const uint8_t* s = src + offset;
    uint8_t* d = dst + offset;
    switch (layout.Format) {
      case ColorPixelFormat::Rgb32:
        MapRowRgb32(s, d, layout.Width, table.Map);
        break;
      case ColorPixelFormat::Rgb24:
        MapRowRgb24(s, d, layout.Width, table.Map);
        break;
      case ColorPixelFormat::Yuy2:
        MapRowYuy2(s, d, layout.Width / 2, table.Map);
        break;
    }
    if (padding != 0 && src != dst) std::memcpy(d + layout.RowBytes, s + layout.RowBytes, padding);
  }
  return true;
}
