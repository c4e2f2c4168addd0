// The displayed size of the picture for each magnify level.
#pragma once

#include <cstdint>

// Magnify levels as the magnify window and the menu set them.
constexpr uint32_t MagnifyNone = 0;
constexpr uint32_t MagnifyHalf = 1;
constexpr uint32_t MagnifyThreeQuarters = 2;
constexpr uint32_t MagnifyOneAndHalf = 3;
constexpr uint32_t MagnifyDouble = 4;

// The largest displayed width or height: a renderer rectangle holds signed
// 32-bit coordinates.
constexpr uint32_t LargestDisplayedSide = 0x7FFFFFFFu;

// One side of the picture at a magnify level: x 0.5 is side / 2, x 0.75 is
// (side x 3) / 4, x 1.5 is side + side / 2, x 2.0 is side x 2, divisions
// truncating; any other level keeps the side. The result never exceeds
// LargestDisplayedSide.
uint32_t MagnifiedSide(uint32_t level, uint32_t side);
