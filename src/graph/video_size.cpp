#include "graph/video_size.h"

uint32_t MagnifiedSide(uint32_t level, uint32_t side) {
  const uint64_t s = side;
  uint64_t magnified = s;
  switch (level) {
    case MagnifyHalf:
      magnified = s / 2;
      break;
    case MagnifyThreeQuarters:
      magnified = (s * 3) / 4;
      break;
    case MagnifyOneAndHalf:
      magnified = s + s / 2;
      break;
    case MagnifyDouble:
      magnified = s * 2;
      break;
    default:
      break;
  }
  return magnified > LargestDisplayedSide ? LargestDisplayedSide : static_cast<uint32_t>(magnified);
}
