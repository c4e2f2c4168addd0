// The options file's text, a line per node, and its directory and path, each held to its buffer.
#include "options/options_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Reshapes text into a buffer of capacity bytes; "FAILED" when refused.
std::string Reshape(const std::string& text, std::size_t capacity = OptionsTextBytes) {
  std::string out(capacity + 16, '#');
  std::size_t length = 12345;
  if (!ReshapeOptionsText(text.data(), text.size(), &out[0], capacity, &length)) return out[0] == '\0' ? "FAILED" : "?";
  EXPECT_EQ(out[length], '\0');
  EXPECT_EQ(out[capacity], '#');  // nothing written past the buffer
  return out.substr(0, length);
}

}  // namespace

TEST(OptionsText, NodesGetALineEachAndCarriageReturnsGo) {
  const std::string body = "<Root>\n\t<MainWindowPosition Value=\"50, 50\"/>\n</Root>";
  EXPECT_EQ(Reshape("<?xml version='1.0'?><!--ORVO Video Playback Version 1-->" + body),
            "<?xml version='1.0'?>\n<!--ORVO Video Playback Version 1-->\n" + body);
  EXPECT_EQ(Reshape("<?xml version='1.0'?>\r\n<!--c-->\r\n" + body + "\r\n"),
            "<?xml version='1.0'?>\n\n<!--c-->\n\n" + body + "\n");
  EXPECT_EQ(Reshape("\ra\r>\rb>c\r\rd\r\n") + Reshape(">>"), "a>\nb>\ncd\n>\n>\n");
}

TEST(OptionsText, FewerThanTwoClosingBracketsOrNoRoomIsRefused) {
  for (const std::string& text : {std::string(""), std::string("<only one>\r\n"), std::string("<a><b>", 5),
                                  std::string("<a>\0<b>", 7), "<a><b>" + std::string(OptionsTextBytes - 7, 'x')})
    EXPECT_EQ(Reshape(text), "FAILED") << text.size();
  // Exactly full (capacity - 1 bytes and the terminator) still fits; removed returns make room.
  EXPECT_EQ(Reshape("<a><b>xy", 11) + Reshape("<a><b>xyz", 11), "<a>\n<b>\nxyFAILED");
  const std::string x(OptionsTextBytes - 9, 'x');  // a full buffer with two returns to drop
  EXPECT_EQ(Reshape("<a>\r<b>\r" + x), "<a>\n<b>\n" + x);
  char out[8] = "#######";
  EXPECT_TRUE(!ReshapeOptionsText(nullptr, 10, out, sizeof out, nullptr) && out[0] == '\0');
}

TEST(OptionsText, DirectoryGetsOneSeparatorAndThePathMustFit) {
  char16_t root[8] = u"C:\\", folder[16] = u"C:\\work", empty[4] = u"";
  EXPECT_TRUE(EndDirectoryWithSeparator(root, 8) && EndDirectoryWithSeparator(folder, 16));
  EXPECT_EQ(std::u16string(root) + u"|" + folder, u"C:\\|C:\\work\\");
  EXPECT_FALSE(EndDirectoryWithSeparator(empty, 4));
  // 1022 units and the separator fill the 1024-unit buffer; 1023 leave no room.
  for (std::size_t length : {1022u, 1023u}) {
    std::u16string buffer(OptionsDirectoryUnits, u'\0');
    buffer.replace(0, length, length, u'd');
    EXPECT_EQ(EndDirectoryWithSeparator(&buffer[0], OptionsDirectoryUnits), length == 1022);
    EXPECT_EQ(buffer.substr(1021), length == 1022 ? std::u16string(u"d\\\0", 3) : std::u16string(u"dd\0", 3));
  }
  char path[OptionsPathBytes];
  EXPECT_TRUE(BuildOptionsFilePath("C:\\work\\", path, sizeof path));
  EXPECT_EQ(std::string(path), "C:\\work\\ORVO_options_playback.xml");
  const std::string longest = std::string(1023 - 25 - 1, 'd') + "\\";  // directory and the 25-byte name in 1023 bytes
  EXPECT_TRUE(BuildOptionsFilePath(longest.c_str(), path, sizeof path));
  EXPECT_EQ(std::string(path).size(), 1023u);
  EXPECT_FALSE(BuildOptionsFilePath(("d" + longest).c_str(), path, sizeof path));
  EXPECT_EQ(path[0], '\0');
  EXPECT_FALSE(BuildOptionsFilePath(nullptr, path, sizeof path));
}

TEST(OptionsText, BeyondAsciiBecomesCharacterReferences) {
  char16_t out[32];
  EXPECT_TRUE(EscapeNonAsciiText(u"C:\\caf\u00e9\\\U0001F600.avi", out, 32));
  EXPECT_EQ(std::u16string(out), u"C:\\caf&#xE9;\\&#x1F600;.avi");
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  EXPECT_FALSE(EscapeNonAsciiText(lone, out, 32));
  EXPECT_FALSE(EscapeNonAsciiText(u"\u00e9", out, 6));  // "&#xE9;" needs 7 units
  EXPECT_EQ(out[0], u'\0');
}
