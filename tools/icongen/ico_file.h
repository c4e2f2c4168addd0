// Writing a picture as a Windows .ico file in the classic form: one 32-bit
// image stored as a BITMAPINFOHEADER, the BGRA pixels bottom-up and the
// 1-bit AND mask, which every LoadImage reads (no PNG inside).
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// Straight (not premultiplied) alpha, rows top-down, 4 bytes a pixel in the
// order B, G, R, A.
struct IconImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Bgra;
};

// A fully transparent image; width and height of 1 to 256.
IconImage MakeIconImage(int width, int height);

// The whole .ico file for the image; empty if the image's size is outside
// 1..256 or its pixel buffer does not match that size.
std::vector<uint8_t> EncodeIco(const IconImage& image);

// Writes EncodeIco(image) to path; false if it could not be encoded or written.
bool WriteIcoFile(const std::filesystem::path& path, const IconImage& image);
