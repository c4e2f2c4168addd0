#include "color_control/color_kernels.h"

#include <cstring>

#include "color_control/color_kernels_simd.h"

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

void MapBytes(const uint8_t* s, uint8_t* d, uint32_t n, const uint8_t* t) {
  for (uint32_t i = 0; i < n; ++i) d[i] = t[s[i]];
}

// The lane constants of color_kernels_simd.h for a format: the curve on the
// colour bytes, the value as it is on the others.
ColorLaneConstants LaneConstants(ColorPixelFormat format, const ColorSettings& settings) {
  const int contrast = ClampSetting(settings.Contrast);
  const int16_t factor = static_cast<int16_t>(128 + contrast);
  const int16_t offset = static_cast<int16_t>(ClampSetting(settings.Brightness) - contrast);
  ColorLaneConstants lanes{};
  for (int i = 0; i < 16; ++i) {
    const bool kept =
        (format == ColorPixelFormat::Rgb32 && i % 4 == 3) || (format == ColorPixelFormat::Yuy2 && i % 2 == 1);
    lanes.Factor[i] = kept ? int16_t{128} : factor;
    lanes.Offset[i] = kept ? int16_t{0} : offset;
  }
  return lanes;
}

// One row of rowBytes bytes: as many as the vector kernel takes, the rest
// through t (whole pixels for RGB32 and YUY2, whose 4-byte groups the 16-byte
// blocks never split; RGB24's rest byte by byte).
void MapRow(ColorKernelIsa isa, ColorPixelFormat format, const uint8_t* s, uint8_t* d, uint32_t rowBytes,
            const uint8_t* t, const ColorLaneConstants& lanes) {
  std::size_t done = 0;
  const bool avx2 = isa == ColorKernelIsa::Avx2;
  if (isa != ColorKernelIsa::Scalar) {
    if (format == ColorPixelFormat::Yuy2) {
      done = avx2 ? MapLumaBytesAvx2(s, d, rowBytes, lanes.Factor[0], lanes.Offset[0])
                  : MapLumaBytesSse2(s, d, rowBytes, lanes.Factor[0], lanes.Offset[0]);
    } else {
      done = avx2 ? MapColorBytesAvx2(s, d, rowBytes, lanes) : MapColorBytesSse2(s, d, rowBytes, lanes);
    }
  }
  s += done;
  d += done;
  const uint32_t rest = rowBytes - static_cast<uint32_t>(done);
  switch (format) {
    case ColorPixelFormat::Rgb32:
      MapRowRgb32(s, d, rest / 4, t);
      break;
    case ColorPixelFormat::Rgb24:
      if (done == 0) {
        MapRowRgb24(s, d, rest / 3, t);
      } else {
        MapBytes(s, d, rest, t);
      }
      break;
    case ColorPixelFormat::Yuy2:
      MapRowYuy2(s, d, rest / 4, t);
      break;
  }
}

ColorKernelIsa DetectColorKernelIsa() {
#if defined(__x86_64__) || defined(_M_X64)
  return ProcessorHasAvx2() ? ColorKernelIsa::Avx2 : ColorKernelIsa::Sse2;
#else
  return ColorKernelIsa::Scalar;
#endif
}

}  // namespace

ColorKernelIsa BestColorKernelIsa() {
  static const ColorKernelIsa best = DetectColorKernelIsa();
  return best;
}

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
  return ApplyColorControlUsing(BestColorKernelIsa(), layout, settings, src, srcBytes, dst, dstBytes);
}

bool ApplyColorControlUsing(ColorKernelIsa isa, const ColorFrameLayout& layout, const ColorSettings& settings,
                            const uint8_t* src, std::size_t srcBytes, uint8_t* dst, std::size_t dstBytes) {
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

  if (static_cast<int>(isa) > static_cast<int>(BestColorKernelIsa())) isa = BestColorKernelIsa();
  ColorToneTable table;
  BuildToneTable(settings, &table);
  const ColorLaneConstants lanes = LaneConstants(layout.Format, settings);
  const uint32_t padding = layout.Stride - layout.RowBytes;
  for (uint32_t row = 0; row < layout.Height; ++row) {
    const std::size_t offset = static_cast<std::size_t>(row) * layout.Stride;
    const uint8_t* s = src + offset;
    uint8_t* d = dst + offset;
    MapRow(isa, layout.Format, s, d, layout.RowBytes, table.Map, lanes);
    if (padding != 0 && src != dst) std::memcpy(d + layout.RowBytes, s + layout.RowBytes, padding);
  }
  return true;
}
