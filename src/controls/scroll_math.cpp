#include "controls/scroll_math.h"

#include <algorithm>

int32_t ScrollTarget(int request, int32_t thumbPosition, int32_t offset, int32_t limit) {
  int64_t target = offset;
  switch (request) {
    case ScrollLineBack:
      target -= ScrollLineStep;
      break;
    case ScrollLineForward:
      target += ScrollLineStep;
      break;
    case ScrollPageBack:
      target -= ScrollPageStep;
      break;
    case ScrollPageForward:
      target += ScrollPageStep;
      break;
    case ScrollThumbPosition:
      target = thumbPosition;
      break;
    default:
      return offset;
  }
  target = std::max<int64_t>(target, 0);
  target = std::min<int64_t>(target, limit);
  return static_cast<int32_t>(target);
}

int32_t ScrollLimit(int32_t displaySize, int32_t clientSize) { return std::max<int32_t>(displaySize - clientSize, 0); }
