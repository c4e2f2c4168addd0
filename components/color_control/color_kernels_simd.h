// Vector versions of the colour-control row kernels (used by color_kernels.cpp).
//
// The tone curve of color_kernels.h, worked out per byte in 16-bit lanes:
// for a byte v, a factor f = 128 + contrast (1..255) and brightness b,
//   table[v] = clamp(((v * f + 63 + (v >> 7)) >> 7) + (b - contrast), 0, 255)
// which is the table's 128 + b + (v - 128) * f / 128 rounded half away from
// zero: (v - 128) * f is negative exactly when v < 128, and the 63 there (64
// otherwise) turns the division's floor into that rounding. v * f + 64 is at
// most 65089, so the sum fits an unsigned 16-bit lane; the result lies in
// -254..762 and saturating to bytes is the clamp.
//
// A lane with factor 128 and offset 0 gives v back unchanged: that is how the
// fourth byte of RGB32 and the chroma of YUY2 pass through.
#pragma once

#include <cstddef>
#include <cstdint>

// The constants for 16 consecutive bytes of a row, one per byte; the pattern
// repeats every 4 bytes, so the same constants serve every block of a row.
struct ColorLaneConstants {
  int16_t Factor[16];
  int16_t Offset[16];
};

// Whether this processor (and its operating system) runs AVX2 code.
bool ProcessorHasAvx2();

// Map the first bytes of n from s to d (s may equal d) and return how many
// were done: a multiple of 16, at most n. The rest is left to the caller.
std::size_t MapColorBytesSse2(const uint8_t* s, uint8_t* d, std::size_t n, const ColorLaneConstants& lanes);
std::size_t MapColorBytesAvx2(const uint8_t* s, uint8_t* d, std::size_t n, const ColorLaneConstants& lanes);

// The same for YUY2 rows, where every even byte is luma (factor and offset as
// above) and every odd byte is kept: only the luma is worked out, in the low
// half of each 16-bit lane, at half the work.
std::size_t MapLumaBytesSse2(const uint8_t* s, uint8_t* d, std::size_t n, int16_t factor, int16_t offset);
std::size_t MapLumaBytesAvx2(const uint8_t* s, uint8_t* d, std::size_t n, int16_t factor, int16_t offset);
