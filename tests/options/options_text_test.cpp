#include "options/options_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Reshapes text with the program's buffer size; "FAILED" when refused.
std::string Reshape(const std::string& text, std::size_t capacity = OptionsTextBytes) {
  std::string out(capacity + 16, '#');
  std::size_t length = 12345;
  if (!ReshapeOptionsText(text.data(), text.size(), &out[0], capacity, &length)) {
    EXPECT_EQ('\0', out[0]);
    return "FAILED";
  }
  EXPECT_EQ('\0', out[length]);
  EXPECT_EQ('#', out[capacity]);  // nothing written past the buffer
  return out.substr(0, length);
}

const char DocumentBody[] =
    "<Root>\n"
    "\t<MainWindowPosition Value=\"50, 50\"/>\n"
    "\t<MessageWindowPosition Value=\"100, 150, 636, 500\"/>\n"
    "\t<PlaybackControlsWindowPosition Value=\"150, 550\"/>\n"
    "\t<BrightnessContrastWindowPosition Value=\"200, 200\"/>\n"
    "\t<MagnifyWindowPosition Value=\"250, 250\"/>\n"
    "</Root>";

}  // namespace

TEST(OptionsText, TopLevelNodesWrittenBackToBackGetALineEach) {
  std::string serialised = std::string("<?xml version='1.0'?><!--ORVO Video Playback Version 1-->") + DocumentBody;
  EXPECT_EQ(std::string("<?xml version='1.0'?>\n<!--ORVO Video Playback Version 1-->\n") + DocumentBody,
            Reshape(serialised));
}

TEST(OptionsText, SerialiserLineBreaksBecomeEmptyLinesWithoutCarriageReturns) {
  std::string serialised = std::string(
                               "<?xml version='1.0'?>\r\n"
                               "<!--ORVO Video Playback Version 1-->\r\n") +
                           DocumentBody + "\r\n";
  EXPECT_EQ(std::string("<?xml version='1.0'?>\n\n<!--ORVO Video Playback Version 1-->\n\n") + DocumentBody + "\n",
            Reshape(serialised));
}

TEST(OptionsText, EveryCarriageReturnIsDropped) {
  EXPECT_EQ("a>\nb>\ncd\n", Reshape("\ra\r>\rb>c\r\rd\r\n"));
  EXPECT_EQ(">\n>\n", Reshape(">>"));
}

TEST(OptionsText, FewerThanTwoClosingBracketsIsRefused) {
  EXPECT_EQ("FAILED", Reshape(""));
  EXPECT_EQ("FAILED", Reshape("no brackets"));
  EXPECT_EQ("FAILED", Reshape("<only one>"));
  EXPECT_EQ("FAILED", Reshape("<only one>\r\n"));
  // Only the given length counts, and a NUL ends the text early.
  EXPECT_EQ("FAILED", Reshape(std::string("<a><b>").substr(0, 5)));
  EXPECT_EQ("FAILED", Reshape(std::string("<a>\0<b>", 7)));
  EXPECT_FALSE(ReshapeOptionsText(nullptr, 10, nullptr, 0, nullptr));
  char out[8] = "#######";
  EXPECT_FALSE(ReshapeOptionsText(nullptr, 10, out, sizeof out, nullptr));
  EXPECT_EQ('\0', out[0]);
}

TEST(OptionsText, ResultThatDoesNotFitIsRefusedNotCut) {
  // A full text buffer (4095 bytes) grows by the two line feeds: too long.
  std::string full = "<a><b>" + std::string(OptionsTextBytes - 1 - 6, 'x');
  ASSERT_EQ(OptionsTextBytes - 1, full.size());
  EXPECT_EQ("FAILED", Reshape(full));
  // Carriage returns removed make room again.
  std::string withReturns = "<a>\r<b>\r" + std::string(OptionsTextBytes - 1 - 8, 'x');
  EXPECT_EQ("<a>\n<b>\n" + std::string(OptionsTextBytes - 1 - 8, 'x'), Reshape(withReturns));
  // Exactly full (capacity - 1 bytes and the terminator) still fits.
  EXPECT_EQ("<a>\n<b>\nxy", Reshape("<a><b>xy", 11));
  EXPECT_EQ("FAILED", Reshape("<a><b>xyz", 11));
}

TEST(OptionsText, DirectoryGetsExactlyOneSeparator) {
  char16_t root[8] = u"C:\\";
  EXPECT_TRUE(EndDirectoryWithSeparator(root, 8));
  EXPECT_EQ(std::u16string(u"C:\\"), root);

  char16_t folder[16] = u"C:\\work";
  EXPECT_TRUE(EndDirectoryWithSeparator(folder, 16));
  EXPECT_EQ(std::u16string(u"C:\\work\\"), folder);

  char16_t empty[4] = u"";
  EXPECT_FALSE(EndDirectoryWithSeparator(empty, 4));
}

TEST(OptionsText, DirectoryFillingItsBufferHasNoRoomForTheSeparator) {
  std::u16string buffer(OptionsDirectoryUnits, u'\0');
  // 1022 units and the separator fill the 1024-unit buffer.
  buffer.replace(0, 1022, std::u16string(1022, u'd'));
  EXPECT_TRUE(EndDirectoryWithSeparator(&buffer[0], OptionsDirectoryUnits));
  EXPECT_EQ(u'\\', buffer[1022]);
  EXPECT_EQ(u'\0', buffer[1023]);
  // 1023 units (the most the working directory may have) leave no room.
  buffer.assign(OptionsDirectoryUnits, u'\0');
  buffer.replace(0, 1023, std::u16string(1023, u'd'));
  EXPECT_FALSE(EndDirectoryWithSeparator(&buffer[0], OptionsDirectoryUnits));
  EXPECT_EQ(u'd', buffer[1022]);
  EXPECT_EQ(u'\0', buffer[1023]);
}

TEST(OptionsText, PathMustFitItsBuffer) {
  char path[OptionsPathBytes];
  EXPECT_TRUE(BuildOptionsFilePath("C:\\work\\", path, sizeof path));
  EXPECT_EQ(std::string("C:\\work\\ORVO_options_playback.xml"), path);

  // The directory, its separator and the 25-byte name in 1023 bytes.
  std::string longest = std::string(1023 - 25 - 1, 'd') + "\\";
  EXPECT_TRUE(BuildOptionsFilePath(longest.c_str(), path, sizeof path));
  EXPECT_EQ(1023u, std::string(path).size());

  std::string tooLong = "d" + longest;
  EXPECT_FALSE(BuildOptionsFilePath(tooLong.c_str(), path, sizeof path));
  EXPECT_EQ('\0', path[0]);
  EXPECT_FALSE(BuildOptionsFilePath(nullptr, path, sizeof path));
}
