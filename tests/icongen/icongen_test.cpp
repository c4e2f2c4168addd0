// The icons must be classic 32-bit .ico files (LoadImage reads them), named and sized as asked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "icon_art.h"

namespace {

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | b.at(at + i);
  return value;
}

// Whether file is one w x h image: icon directory, BITMAPINFOHEADER (not PNG)
// of 32 bits uncompressed with the doubled height, then the BGRA rows
// bottom-up and the AND mask rows padded to 32 bits.
bool IsClassicIco(const std::vector<uint8_t>& f, int w, int h) {
  const size_t pixels = static_cast<size_t>(w) * h * 4, mask = (w + 31) / 32 * 4 * static_cast<size_t>(h);
  return f.size() == 62 + pixels + mask && Le(f, 0, 4) == 0x10000 && Le(f, 4, 2) == 1 && f[6] == w % 256 &&
         f[7] == h % 256 && Le(f, 10, 4) == 0x200001 && Le(f, 14, 4) == f.size() - 22 && Le(f, 18, 4) == 22 &&
         Le(f, 22, 4) == 40 && Le(f, 26, 4) == static_cast<uint32_t>(w) && Le(f, 30, 4) == 2u * h &&
         Le(f, 34, 4) == 0x200001 && Le(f, 38, 4) == 0;
}

}  // namespace

TEST(IcoFile, StoresPixelsBottomUpWithAPaddedTransparencyMask) {
  IconImage image = MakeIconImage(5, 3);  // odd width: mask rows need padding
  for (size_t i = 0; i < image.Bgra.size(); ++i) image.Bgra[i] = i % 4 == 3 ? 255 : 20;
  image.Bgra[0] = 1;                                            // top left, blue
  image.Bgra[4 * 4 + 3] = image.Bgra[(2 * 5 + 1) * 4 + 3] = 0;  // top right and bottom row x 1: transparent
  image.Bgra[(2 * 5 + 2) * 4 + 3] = 128;                        // half transparent stays in the pixels
  const std::vector<uint8_t> ico = EncodeIco(image);
  ASSERT_TRUE(IsClassicIco(ico, 5, 3));
  EXPECT_EQ(ico[62 + 2 * 5 * 4] * 1000 + ico[62 + 2 * 4 + 3], 1128);  // the top row last; alpha kept
  // Only the two transparent pixels are set in the mask; the padding bits stay clear.
  EXPECT_EQ(std::vector<uint8_t>(ico.end() - 12, ico.end()),
            std::vector<uint8_t>({0x40, 0, 0, 0, 0, 0, 0, 0, 0x08, 0, 0, 0}));
}

TEST(Icongen, WritesEveryIconWithItsOwnPictureIntoANewFolder) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "orvo_icongen_test";
  std::filesystem::remove_all(root);
  const std::filesystem::path folder = root / "bin" / "OrvoVideoIcons";
  std::string error;
  ASSERT_TRUE(WriteAllIcons(folder, error)) << error;
  std::set<std::vector<uint8_t>> files;
  for (const char* name : {"ORVO_logo_large.ico", "ORVO_logo_small.ico", "start64x.ico", "pause64x.ico",
                           "beginFile64x.ico", "endFile64x.ico", "forwardOneFrame64x.ico", "backOneFrame64x.ico"}) {
    std::ifstream in(folder / name, std::ios::binary);
    const std::vector<uint8_t> ico{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const int size = std::string(name) == "ORVO_logo_small.ico" ? 32 : 64;
    ASSERT_TRUE(IsClassicIco(ico, size, size)) << name;
    // A picture on a transparent surround: the bottom left corner shows through, the centre does not.
    EXPECT_TRUE(ico[62 + size * size * 4] & 0x80) << name;
    EXPECT_EQ(ico[62 + (size / 2 * size + size / 2) * 4 + 3], 255) << name;
    files.insert(ico);
  }
  EXPECT_EQ(files.size(), 8u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 8);
  std::filesystem::remove_all(root);
}
