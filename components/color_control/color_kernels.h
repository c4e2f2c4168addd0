// The pixel arithmetic of the "Color Control" video effect: brightness and
// contrast applied to one uncompressed video frame.
//
// Platform-neutral: no <windows.h>. The DMO (color_control_dmo.cpp) turns the
// media type it is given into a ColorFrameLayout and calls ApplyColorControl
// once per frame.
//
// Both settings run from -127 to 127, 0 neutral, and act on each byte of
// colour the same way: on the blue, green and red bytes of RGB, on the luma
// bytes of YUY2:
//   brightness b adds b;
//   contrast c  scales the distance from the middle grey 128 by
//               (128 + c) / 128, that is from 1/128 to 255/128;
// contrast first, then brightness; the result rounded half away from zero
// and clamped to 0..255. The fourth byte of RGB32, the chroma of YUY2 and
// the padding at the end of each row are copied as they are. At brightness 0
// and contrast 0 the frame is copied bit for bit.
//
// YUY2 luma is treated on the same 0..255 scale as RGB, so that a setting
// moves the picture by the same amount whichever format the graph connects
// with (the renderer under Wine shows luma values as they are).
#pragma once

#include <cstddef>
#include <cstdint>

enum class ColorPixelFormat {
  Rgb32,  // B, G, R, X: 4 bytes a pixel
  Rgb24,  // B, G, R: 3 bytes a pixel, rows padded to 4 bytes
  Yuy2,   // Y0, U, Y1, V for each pair of pixels; even width
};

constexpr int32_t ColorSettingMin = -127;
constexpr int32_t ColorSettingMax = 127;

struct ColorSettings {
  int32_t Brightness = 0;
  int32_t Contrast = 0;
};

bool IsColorSettingInRange(int64_t value);
bool IsNeutral(const ColorSettings& settings);

// The geometry of one frame. Rows are laid out as in a DIB: each row holds
// RowBytes of pixels and is padded to a multiple of 4 bytes (Stride). Which
// way up the rows run does not matter to the arithmetic.
struct ColorFrameLayout {
  ColorPixelFormat Format = ColorPixelFormat::Rgb32;
  uint32_t Width = 0;       // pixels in a row
  uint32_t Height = 0;      // rows
  uint32_t RowBytes = 0;    // bytes of pixels in a row
  uint32_t Stride = 0;      // bytes from one row to the next
  uint32_t FrameBytes = 0;  // Stride x Height
};

// Largest frame accepted, in each dimension and in bytes.
constexpr uint32_t ColorMaxDimension = 16384;
constexpr uint32_t ColorMaxFrameBytes = 512u * 1024u * 1024u;

// Fills layout for a frame of width x |height| pixels (a DIB's biWidth and
// biHeight; a negative height means top-down rows). False, and layout left
// alone, when the width is not positive, the height is 0, YUY2 has an odd
// width, or the frame is larger than the limits above.
bool DescribeColorFrame(ColorPixelFormat format, int32_t width, int32_t height, ColorFrameLayout* layout);

// One output value for each input value of a channel.
struct ColorToneTable {
  uint8_t Map[256];
};

// The curve for settings; values outside -127..127 count as the nearest
// limit.
void BuildToneTable(const ColorSettings& settings, ColorToneTable* table);

// Writes the frame in src, with settings applied, to dst. src and dst each
// hold srcBytes and dstBytes bytes; only the first layout.FrameBytes of each
// are read or written. src and dst may be the same buffer, but must not
// overlap otherwise. False, with nothing written, when a pointer is null,
// the layout is not one DescribeColorFrame gives, or either buffer is
// shorter than a frame.
bool ApplyColorControl(const ColorFrameLayout& layout, const ColorSettings& settings, const uint8_t* src,
                       std::size_t srcBytes, uint8_t* dst, std::size_t dstBytes);

// The instruction sets the kernels can run on, slowest first. Every one gives
// the same bytes: the tables above are the reference, and the vector paths
// reproduce their arithmetic exactly (the ends of rows always go through the
// tables).
enum class ColorKernelIsa {
  Scalar,  // a table look-up a byte
  Sse2,    // 16 bytes at a time; every x86-64 processor
  Avx2,    // 32 bytes at a time; where the processor has it
};

// The fastest instruction set this processor runs.
ColorKernelIsa BestColorKernelIsa();

// ApplyColorControl on the given instruction set, or the fastest one below it
// that this processor runs. ApplyColorControl uses BestColorKernelIsa().
bool ApplyColorControlUsing(ColorKernelIsa isa, const ColorFrameLayout& layout, const ColorSettings& settings,
                            const uint8_t* src, std::size_t srcBytes, uint8_t* dst, std::size_t dstBytes);
