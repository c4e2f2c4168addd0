// The picture of a generated frame: its number in large seven-segment digits
// and, across the top, a machine-readable code of the number that tests read
// back from a screenshot or a renderer snapshot.
//
// The code is a band of FrameCodeCells equal cells across the full width of
// the picture, each white (1) or black (0): the start marker 1 0 1 1 0, the
// frame number in 32 bits from the most significant, and a parity cell that
// makes the count of white cells among the 33 last ones even. The band takes
// the top sixth of the picture. A picture narrower than FrameCodeMinWidth or
// lower than FrameCodeMinHeight carries no code; one too small for digits
// carries none either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint32_t FrameCodeMarkerCells = 5;
constexpr uint32_t FrameCodeCells = FrameCodeMarkerCells + 32 + 1;
constexpr uint32_t FrameCodeMinWidth = 2 * FrameCodeCells;
constexpr uint32_t FrameCodeMinHeight = 12;

// Grey levels of the picture.
constexpr uint8_t FrameBackgroundLevel = 96;
constexpr uint8_t FrameDigitLevel = 255;

// Draws frame frameNumber into luma (width × height grey levels, top row first).
void DrawFramePicture(uint32_t frameNumber, uint32_t width, uint32_t height, std::vector<uint8_t>& luma);

// The same picture as stored in the file: 24-bit DIB (rows bottom-up, each
// padded to 4 bytes, blue-green-red) or YUY2 (width even; Y from 16 to 235).
uint32_t Dib24RowBytes(uint32_t width);
void LumaToDib24(const std::vector<uint8_t>& luma, uint32_t width, uint32_t height, std::vector<uint8_t>& dib);
void LumaToYuy2(const std::vector<uint8_t>& luma, uint32_t width, uint32_t height, std::vector<uint8_t>& yuy2);

// Reads the code back from any picture that shows the whole frame, scaled or
// not: topRow points at the first pixel of the top row, rowStride is the
// distance in bytes from one row to the next below (negative for bottom-up
// memory). bytesPerPixel 1 (grey), 2 (YUY2: the Y byte of each pixel comes
// first) or 3/4 (the mean of the first three bytes). The threshold between
// black and white is taken from the code itself, so brightness and contrast
// changes do not matter. false when no valid code is found.
bool ReadFrameCode(const uint8_t* topRow, uint32_t width, uint32_t height, std::ptrdiff_t rowStride,
                   uint32_t bytesPerPixel, uint32_t* frameNumber);

// Shorthands for a frame as stored by the generator.
bool ReadFrameCodeFromDib24(const uint8_t* dib, uint32_t width, uint32_t height, uint32_t* frameNumber);
bool ReadFrameCodeFromYuy2(const uint8_t* yuy2, uint32_t width, uint32_t height, uint32_t* frameNumber);
