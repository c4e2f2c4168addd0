#include "ico_file.h"

#include <fstream>

namespace {

constexpr int MaxIconSide = 256;
constexpr uint32_t IconDirSize = 6;
constexpr uint32_t IconDirEntrySize = 16;
constexpr uint32_t BitmapHeaderSize = 40;

bool HasValidSize(const IconImage& image) {
  if (image.Width < 1 || image.Width > MaxIconSide) return false;
  if (image.Height < 1 || image.Height > MaxIconSide) return false;
  return image.Bgra.size() == static_cast<size_t>(image.Width) * image.Height * 4;
}

void PutU8(std::vector<uint8_t>& out, uint32_t value) { out.push_back(static_cast<uint8_t>(value & 0xFF)); }

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
  PutU8(out, value);
  PutU8(out, value >> 8);
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

// Each AND-mask row is one bit a pixel, padded to a whole number of 32-bit words.
uint32_t MaskRowBytes(int width) { return ((static_cast<uint32_t>(width) + 31) / 32) * 4; }

}  // namespace

IconImage MakeIconImage(int width, int height) {
  IconImage image;
  if (width < 1 || width > MaxIconSide || height < 1 || height > MaxIconSide) return image;
  image.Width = width;
  image.Height = height;
  image.Bgra.assign(static_cast<size_t>(width) * height * 4, 0);
  return image;
}

std::vector<uint8_t> EncodeIco(const IconImage& image) {
  std::vector<uint8_t> out;
  if (!HasValidSize(image)) return out;

  const uint32_t width = static_cast<uint32_t>(image.Width);
  const uint32_t height = static_cast<uint32_t>(image.Height);
  const uint32_t pixelBytes = width * height * 4;
  const uint32_t maskRow = MaskRowBytes(image.Width);
  const uint32_t maskBytes = maskRow * height;
  const uint32_t imageBytes = BitmapHeaderSize + pixelBytes + maskBytes;
  out.reserve(IconDirSize + IconDirEntrySize + imageBytes);

  // ICONDIR: reserved, type 1 (icon), one image.
  PutU16(out, 0);
  PutU16(out, 1);
  PutU16(out, 1);

  // ICONDIRENTRY: a side of 256 is stored as 0.
  PutU8(out, width == 256 ? 0 : width);
  PutU8(out, height == 256 ? 0 : height);
  PutU8(out, 0);    // colour count: none, this is not a palette image
  PutU8(out, 0);    // reserved
  PutU16(out, 1);   // planes
  PutU16(out, 32);  // bits per pixel
  PutU32(out, imageBytes);
  PutU32(out, IconDirSize + IconDirEntrySize);

  // BITMAPINFOHEADER: the height counts the pixel rows and the mask rows.
  PutU32(out, BitmapHeaderSize);
  PutU32(out, width);
  PutU32(out, height * 2);
  PutU16(out, 1);   // planes
  PutU16(out, 32);  // bits per pixel
  PutU32(out, 0);   // BI_RGB
  PutU32(out, pixelBytes + maskBytes);
  PutU32(out, 0);  // horizontal resolution
  PutU32(out, 0);  // vertical resolution
  PutU32(out, 0);  // colours used
  PutU32(out, 0);  // important colours

  // Pixels, bottom row first.
  for (uint32_t row = 0; row < height; ++row) {
    const size_t start = static_cast<size_t>(height - 1 - row) * width * 4;
    out.insert(out.end(), image.Bgra.begin() + start, image.Bgra.begin() + start + width * 4);
  }

  // AND mask, bottom row first: a set bit marks a fully transparent pixel.
  for (uint32_t row = 0; row < height; ++row) {
    const uint32_t sourceRow = height - 1 - row;
    std::vector<uint8_t> bits(maskRow, 0);
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t alpha = image.Bgra[(static_cast<size_t>(sourceRow) * width + x) * 4 + 3];
      if (alpha == 0) bits[x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
    }
    out.insert(out.end(), bits.begin(), bits.end());
  }
  return out;
}

bool WriteIcoFile(const std::filesystem::path& path, const IconImage& image) {
  const std::vector<uint8_t> bytes = EncodeIco(image);
  if (bytes.empty()) return false;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}
