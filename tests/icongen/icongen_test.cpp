// The icon files must be classic 32-bit .ico files (LoadImage with
// LR_LOADFROMFILE reads them), with the names and sizes the program asks for.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "ico_file.h"
#include "icon_art.h"

namespace {

uint32_t ReadLe(const std::vector<uint8_t>& bytes, size_t offset, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | bytes.at(offset + i);
  return value;
}

// What a reader of the file sees, decoded independently of the writer.
struct ParsedIco {
  bool Valid = false;
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;  // BGRA, rows as stored: bottom row first
  std::vector<uint8_t> Mask;    // AND mask rows as stored
  size_t MaskRowBytes = 0;
};

ParsedIco ParseIco(const std::vector<uint8_t>& file) {
  ParsedIco ico;
  if (file.size() < 6 + 16 + 40) return ico;
  if (ReadLe(file, 0, 2) != 0 || ReadLe(file, 2, 2) != 1 || ReadLe(file, 4, 2) != 1) return ico;
  const int entryWidth = file[6] == 0 ? 256 : file[6];
  const int entryHeight = file[7] == 0 ? 256 : file[7];
  const uint32_t bytesInRes = ReadLe(file, 14, 4);
  const uint32_t offset = ReadLe(file, 18, 4);
  if (ReadLe(file, 10, 2) != 1 || ReadLe(file, 12, 2) != 32) return ico;
  if (offset != 22 || offset + bytesInRes != file.size()) return ico;

  if (ReadLe(file, 22, 4) != 40) return ico;  // BITMAPINFOHEADER, not PNG
  const int width = static_cast<int>(ReadLe(file, 26, 4));
  const int doubledHeight = static_cast<int>(ReadLe(file, 30, 4));
  if (width != entryWidth || doubledHeight != 2 * entryHeight) return ico;
  if (ReadLe(file, 34, 2) != 1 || ReadLe(file, 36, 2) != 32 || ReadLe(file, 38, 4) != 0) return ico;

  ico.Width = width;
  ico.Height = entryHeight;
  ico.MaskRowBytes = ((static_cast<size_t>(width) + 31) / 32) * 4;
  const size_t pixelBytes = static_cast<size_t>(width) * ico.Height * 4;
  const size_t maskBytes = ico.MaskRowBytes * ico.Height;
  if (file.size() != 22 + 40 + pixelBytes + maskBytes) return ico;
  ico.Pixels.assign(file.begin() + 62, file.begin() + 62 + pixelBytes);
  ico.Mask.assign(file.begin() + 62 + pixelBytes, file.end());
  ico.Valid = true;
  return ico;
}

bool MaskBit(const ParsedIco& ico, int storedRow, int x) {
  return (ico.Mask.at(storedRow * ico.MaskRowBytes + x / 8) & (0x80 >> (x % 8))) != 0;
}

void SetPixel(IconImage& image, int x, int y, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  uint8_t* p = &image.Bgra[(static_cast<size_t>(y) * image.Width + x) * 4];
  p[0] = b;
  p[1] = g;
  p[2] = r;
  p[3] = a;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

// An odd width makes the mask rows need padding; distinct top and bottom rows
// show the row order.
TEST(IcoFile, StoresPixelsBottomUpWithPaddedTransparencyMask) {
  IconImage image = MakeIconImage(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) SetPixel(image, x, y, 10, 20, 30, 255);
  SetPixel(image, 0, 0, 1, 2, 3, 255);  // top left, opaque
  SetPixel(image, 4, 0, 0, 0, 0, 0);    // top right, transparent
  SetPixel(image, 1, 2, 0, 0, 0, 0);    // bottom row, transparent
  SetPixel(image, 2, 2, 9, 9, 9, 128);  // half transparent stays in the pixels

  const ParsedIco ico = ParseIco(EncodeIco(image));
  ASSERT_TRUE(ico.Valid);
  EXPECT_EQ(ico.Width, 5);
  EXPECT_EQ(ico.Height, 3);
  EXPECT_EQ(ico.MaskRowBytes, 4u);

  // Stored row 2 is the image's top row.
  const size_t topRow = 2 * 5 * 4;
  EXPECT_EQ(ico.Pixels[topRow + 0], 1);
  EXPECT_EQ(ico.Pixels[topRow + 1], 2);
  EXPECT_EQ(ico.Pixels[topRow + 2], 3);
  EXPECT_EQ(ico.Pixels[topRow + 3], 255);
  EXPECT_EQ(ico.Pixels[2 * 4 + 3], 128);

  EXPECT_TRUE(MaskBit(ico, 2, 4));
  EXPECT_TRUE(MaskBit(ico, 0, 1));
  EXPECT_FALSE(MaskBit(ico, 2, 0));
  EXPECT_FALSE(MaskBit(ico, 0, 2));
  int setBits = 0;
  for (int row = 0; row < 3; ++row)
    for (int x = 0; x < 32; ++x) setBits += MaskBit(ico, row, x) ? 1 : 0;
  EXPECT_EQ(setBits, 2) << "padding bits must stay clear";
}

TEST(IcoFile, HandlesTheSizeLimits) {
  const ParsedIco largest = ParseIco(EncodeIco(MakeIconImage(256, 256)));
  ASSERT_TRUE(largest.Valid);
  EXPECT_EQ(largest.Width, 256);
  EXPECT_EQ(largest.Height, 256);

  EXPECT_TRUE(EncodeIco(MakeIconImage(0, 16)).empty());
  EXPECT_TRUE(EncodeIco(MakeIconImage(16, 257)).empty());
  IconImage shortBuffer = MakeIconImage(16, 16);
  shortBuffer.Bgra.pop_back();
  EXPECT_TRUE(EncodeIco(shortBuffer).empty());
}

TEST(Icongen, WritesEveryIconAsAValidIcoIntoANewFolder) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "orvo_icongen_test";
  std::filesystem::remove_all(root);
  const std::filesystem::path folder = root / "bin" / "OrvoVideoIcons";

  std::string error;
  ASSERT_TRUE(WriteAllIcons(folder, error)) << error;

  struct Expected {
    const char* Name;
    int Size;
  };
  const Expected expected[] = {
      {"ORVO_logo_large.ico", 64},    {"ORVO_logo_small.ico", 32}, {"start64x.ico", 64},
      {"pause64x.ico", 64},           {"beginFile64x.ico", 64},    {"endFile64x.ico", 64},
      {"forwardOneFrame64x.ico", 64}, {"backOneFrame64x.ico", 64},
  };
  std::set<std::vector<uint8_t>> pictures;
  for (const Expected& icon : expected) {
    SCOPED_TRACE(icon.Name);
    const ParsedIco ico = ParseIco(ReadFile(folder / icon.Name));
    ASSERT_TRUE(ico.Valid);
    EXPECT_EQ(ico.Width, icon.Size);
    EXPECT_EQ(ico.Height, icon.Size);

    // A picture on a transparent surround: the corners show through, the
    // centre does not.
    EXPECT_TRUE(MaskBit(ico, 0, 0));
    const size_t centre = (static_cast<size_t>(icon.Size / 2) * icon.Size + icon.Size / 2) * 4;
    EXPECT_EQ(ico.Pixels[centre + 3], 255);
    pictures.insert(ico.Pixels);
  }
  EXPECT_EQ(pictures.size(), std::size(expected)) << "each icon must have its own picture";

  int filesInFolder = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    (void)entry;
    ++filesInFolder;
  }
  EXPECT_EQ(filesInFolder, 8);
  std::filesystem::remove_all(root);
}
