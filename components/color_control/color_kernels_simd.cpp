// SSE2 is part of every x86-64 processor; the AVX2 functions carry their own
// target attribute (GCC and Clang) and run only where ProcessorHasAvx2 says
// so. MSVC compiles AVX2 intrinsics without any option. Elsewhere than x86-64
// there is no vector code and the callers keep to the tables.
#include "color_control/color_kernels_simd.h"

#if defined(__x86_64__) || defined(_M_X64)
#define ORVO_COLOR_X86 1
#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#define ORVO_AVX2_FUNCTION
#define ORVO_AVX2_INLINE __forceinline
#else
#define ORVO_AVX2_FUNCTION __attribute__((target("avx2")))
#define ORVO_AVX2_INLINE __attribute__((target("avx2"), always_inline)) inline
#endif
#endif

#if ORVO_COLOR_X86

namespace {

// The curve of color_kernels_simd.h on eight 16-bit lanes holding 0..255.
inline __m128i Tone(__m128i v, __m128i factor, __m128i rounding, __m128i offset) {
  __m128i t = _mm_add_epi16(_mm_mullo_epi16(v, factor), _mm_srli_epi16(v, 7));
  t = _mm_srli_epi16(_mm_add_epi16(t, rounding), 7);
  return _mm_add_epi16(t, offset);
}

ORVO_AVX2_INLINE __m256i Tone(__m256i v, __m256i factor, __m256i rounding, __m256i offset) {
  __m256i t = _mm256_add_epi16(_mm256_mullo_epi16(v, factor), _mm256_srli_epi16(v, 7));
  t = _mm256_srli_epi16(_mm256_add_epi16(t, rounding), 7);
  return _mm256_add_epi16(t, offset);
}

}  // namespace

bool ProcessorHasAvx2() {
#if defined(_MSC_VER) && !defined(__clang__)
  int regs[4];
  __cpuid(regs, 0);
  if (regs[0] < 7) return false;
  __cpuid(regs, 1);
  const bool osSavesYmm = (regs[2] & (1 << 27)) != 0 && (_xgetbv(0) & 6) == 6;
  __cpuidex(regs, 7, 0);
  return osSavesYmm && (regs[1] & (1 << 5)) != 0;
#else
  // Checks the operating system's support of the YMM registers as well.
  return __builtin_cpu_supports("avx2");
#endif
}

std::size_t MapColorBytesSse2(const uint8_t* s, uint8_t* d, std::size_t n, const ColorLaneConstants& lanes) {
  // Unpacking bytes 0..7 and 8..15 of a block puts the same byte positions of
  // the 4-byte pattern in the same lanes, so the first 8 constants serve both.
  const __m128i zero = _mm_setzero_si128();
  const __m128i factor = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes.Factor));
  const __m128i offset = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes.Offset));
  const __m128i rounding = _mm_set1_epi16(63);
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i low = Tone(_mm_unpacklo_epi8(v, zero), factor, rounding, offset);
    const __m128i high = Tone(_mm_unpackhi_epi8(v, zero), factor, rounding, offset);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_packus_epi16(low, high));
  }
  return i;
}

ORVO_AVX2_FUNCTION std::size_t MapColorBytesAvx2(const uint8_t* s, uint8_t* d, std::size_t n,
                                                 const ColorLaneConstants& lanes) {
  // The unpacks and the pack work within each 128-bit half, which keeps the
  // bytes in order and the pattern in the same lanes in both halves.
  const __m256i zero = _mm256_setzero_si256();
  const __m256i factor = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes.Factor));
  const __m256i offset = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes.Offset));
  const __m256i rounding = _mm256_set1_epi16(63);
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    const __m256i low = Tone(_mm256_unpacklo_epi8(v, zero), factor, rounding, offset);
    const __m256i high = Tone(_mm256_unpackhi_epi8(v, zero), factor, rounding, offset);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_packus_epi16(low, high));
  }
  return i + MapColorBytesSse2(s + i, d + i, n - i, lanes);
}

std::size_t MapLumaBytesSse2(const uint8_t* s, uint8_t* d, std::size_t n, int16_t factor, int16_t offset) {
  const __m128i luma = _mm_set1_epi16(0x00FF);
  const __m128i zero = _mm_setzero_si128();
  const __m128i f = _mm_set1_epi16(factor);
  const __m128i o = _mm_set1_epi16(offset);
  const __m128i rounding = _mm_set1_epi16(63);
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    __m128i y = Tone(_mm_and_si128(v, luma), f, rounding, o);
    y = _mm_min_epi16(_mm_max_epi16(y, zero), luma);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), _mm_or_si128(y, _mm_andnot_si128(luma, v)));
  }
  return i;
}

ORVO_AVX2_FUNCTION std::size_t MapLumaBytesAvx2(const uint8_t* s, uint8_t* d, std::size_t n, int16_t factor,
                                                int16_t offset) {
  const __m256i luma = _mm256_set1_epi16(0x00FF);
  const __m256i zero = _mm256_setzero_si256();
  const __m256i f = _mm256_set1_epi16(factor);
  const __m256i o = _mm256_set1_epi16(offset);
  const __m256i rounding = _mm256_set1_epi16(63);
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
    __m256i y = Tone(_mm256_and_si256(v, luma), f, rounding, o);
    y = _mm256_min_epi16(_mm256_max_epi16(y, zero), luma);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), _mm256_or_si256(y, _mm256_andnot_si256(luma, v)));
  }
  return i + MapLumaBytesSse2(s + i, d + i, n - i, factor, offset);
}

#else  // no vector code on this processor

bool ProcessorHasAvx2() { return false; }
std::size_t MapColorBytesSse2(const uint8_t*, uint8_t*, std::size_t, const ColorLaneConstants&) { return 0; }
std::size_t MapColorBytesAvx2(const uint8_t*, uint8_t*, std::size_t, const ColorLaneConstants&) { return 0; }
std::size_t MapLumaBytesSse2(const uint8_t*, uint8_t*, std::size_t, int16_t, int16_t) { return 0; }
std::size_t MapLumaBytesAvx2(const uint8_t*, uint8_t*, std::size_t, int16_t, int16_t) { return 0; }

#endif
