#include "graph/frame_time.h"

namespace {

// An unsigned 128-bit value as two 64-bit halves.
struct Wide {
  uint64_t High;
  uint64_t Low;
};

Wide MultiplyWide(uint64_t a, uint64_t b) {
  const uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32;
  const uint64_t bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
  const uint64_t lowLow = aLow * bLow;
  const uint64_t highLow = aHigh * bLow;
  const uint64_t lowHigh = aLow * bHigh;
  const uint64_t highHigh = aHigh * bHigh;
  // The middle column: at most three 32-bit values, no overflow in 64 bits.
  const uint64_t middle = (lowLow >> 32) + (highLow & 0xFFFFFFFFu) + (lowHigh & 0xFFFFFFFFu);
  Wide product;
  product.Low = (middle << 32) | (lowLow & 0xFFFFFFFFu);
  product.High = highHigh + (highLow >> 32) + (lowHigh >> 32) + (middle >> 32);
  return product;
}

// Long division of a 128-bit value by a non-zero 64-bit divisor; false when
// the quotient needs more than 64 bits.
bool DivideWide(Wide dividend, uint64_t divisor, uint64_t* quotient) {
  if (dividend.High >= divisor) return false;
  uint64_t remainder = dividend.High;
  uint64_t result = 0;
  for (int bit = 63; bit >= 0; --bit) {
    const bool carry = (remainder >> 63) != 0;
    remainder = (remainder << 1) | ((dividend.Low >> bit) & 1u);
    result <<= 1;
    if (carry || remainder >= divisor) {
      remainder -= divisor;
      result |= 1u;
    }
  }
  *quotient = result;
  return true;
}

constexpr uint64_t Int64Max = 0x7FFFFFFFFFFFFFFFull;

}  // namespace

bool MultiplyDivide(uint64_t a, uint64_t b, uint64_t divisor, uint64_t* quotient) {
  if (divisor == 0) return false;
  return DivideWide(MultiplyWide(a, b), divisor, quotient);
}

bool FrameTimingUsable(uint32_t rate, uint32_t scale, uint64_t lastFrame) {
  if (rate == 0 || scale == 0) return false;
  const uint64_t frameUnits = static_cast<uint64_t>(scale) * MediaTimeUnitsPerSecond;  // x rate
  if (frameUnits < 2ull * rate) return false;
  if (lastFrame > Int64Max) return false;
  int64_t time = 0;
  return FrameToMediaTime(rate, scale, static_cast<int64_t>(lastFrame), &time);
}

bool FrameToMediaTime(uint32_t rate, uint32_t scale, int64_t frame, int64_t* time) {
  if (rate == 0 || scale == 0 || frame < 0) return false;
  const uint64_t halves = 2ull * static_cast<uint64_t>(frame) + 1;  // frame <= 2^63 - 1: no overflow
  const uint64_t frameUnits = static_cast<uint64_t>(scale) * MediaTimeUnitsPerSecond;
  uint64_t result = 0;
  if (!MultiplyDivide(halves, frameUnits, 2ull * rate, &result) || result > Int64Max) return false;
  *time = static_cast<int64_t>(result);
  return true;
}

int64_t MediaTimeToFrame(uint32_t rate, uint32_t scale, int64_t time) {
  if (rate == 0 || scale == 0 || time <= 0) return 0;
  const uint64_t frameUnits = static_cast<uint64_t>(scale) * MediaTimeUnitsPerSecond;
  uint64_t frame = 0;
  // time < 2^63 and rate < 2^32 over at least 10^7: the quotient always fits.
  MultiplyDivide(static_cast<uint64_t>(time), rate, frameUnits, &frame);
  return frame > Int64Max ? static_cast<int64_t>(Int64Max) : static_cast<int64_t>(frame);
}
