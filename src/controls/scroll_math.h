// Scrolling the picture inside its host window: where a scroll-bar request
// takes the offset.
#pragma once

#include <cstdint>

// The scroll-bar request codes (the same numbers for both bars).
enum ScrollRequest : int {
  ScrollLineBack = 0,     // line left / line up
  ScrollLineForward = 1,  // line right / line down
  ScrollPageBack = 2,
  ScrollPageForward = 3,
  ScrollThumbPosition = 4,  // the thumb was released at a position
};

constexpr int32_t ScrollLineStep = 5;
constexpr int32_t ScrollPageStep = 50;

// The offset after the request: lines move 5 pixels, pages 50, a released
// thumb goes to its position; anything else (thumb tracking included) keeps
// the offset. The result is clamped to 0 and then to limit.
int32_t ScrollTarget(int request, int32_t thumbPosition, int32_t offset, int32_t limit);

// The largest offset for a picture of displaySize in a client area of
// clientSize: 0 when the picture fits.
int32_t ScrollLimit(int32_t displaySize, int32_t clientSize);
