// Log file names (UTC) and bytes: Latin-1 with question marks, reports re-laid with spaces.
#include "messages/log_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Bytes(const std::u16string& text, std::size_t* replaced = nullptr) {
  return MakeLogFileBytes(text.data(), text.size(), replaced);
}

// The file-information report File > Open posts, as the window holds it:
// each post starts with "\r\n", the heading with its time line.
std::u16string Report(const std::u16string& codec) {
  return u"\r\n09:41:07 (UTC)\r\nFile \"C:\\v\\a.avi\" is open for playback\r\nFile information:\r\n\tCodec\t\t\t" +
         codec +
         u"\r\n\tTotal Frames\t\t1800\r\n\tKey Frames\t\t250\r\n\tDropped Frames\t\t3\r\n\tFrame size\t\t640 x 480"
         u"\r\n\tFrame rate\t\t29.97 fps\r\n\tFile size (bytes)\t\tunknown\r\n ";
}

// The same report in the file.
std::string Written(const std::string& codec) {
  return "\r\n09:41:07 (UTC)\r\nFile \"C:\\v\\a.avi\" is open for playback\r\nFile information:\r\n"
         "    Codec                " +
         codec +
         "\r\n    Total Frames         1800\r\n    Key Frames           250\r\n"
         "    Dropped Frames       3\r\n    Frame size           640 x 480\r\n    Frame rate           29.97 fps\r\n"
         "    File size (bytes)    unknown";
}

}  // namespace

TEST(LogFileName, UtcTimeInTheNameAndANumberForRepeats) {
  // Local time and bias in minutes across days, months, years and leap days.
  const std::pair<LogTime, int> cases[] = {{{2024, 3, 7, 4, 5, 9}, 0},        {{987, 12, 31, 23, 59, 58}, 0},
                                           {{2023, 12, 31, 22, 30, 15}, 300}, {{2024, 7, 1, 5, 0, 1}, -330},
                                           {{2024, 2, 28, 23, 0, 0}, 120},    {{2023, 2, 28, 23, 0, 0}, 120},
                                           {{2100, 3, 1, 0, 30, 0}, -60},     {{2000, 3, 1, 0, 30, 0}, -60}};
  std::u16string names;
  for (const auto& [local, bias] : cases) names += FormatLogFileName(AddMinutes(local, bias)).substr(13, 19) + u" ";
  EXPECT_EQ(names,
            u"03_07_2024_04_05_09 12_31_0987_23_59_58 01_01_2024_03_30_15 06_30_2024_23_30_01 02_29_2024_01_00_00 "
            u"03_01_2023_01_00_00 02_28_2100_23_30_00 02_29_2000_23_30_00 ");
  const std::u16string name = FormatLogFileName(cases[0].first);
  EXPECT_EQ(name, u"LogFiles\\log_03_07_2024_04_05_09.txt");
  EXPECT_EQ(DistinctLogFileName(name, 1) + DistinctLogFileName(name, 13),
            name + u"LogFiles\\log_03_07_2024_04_05_09_13.txt");
}

TEST(LogFileBytes, OneBytePerCharacterAndQuestionMarksBeyondLatin1) {
  std::size_t replaced = 9;
  EXPECT_EQ(MakeLogFileBytes(nullptr, 5, &replaced), "");
  // A surrogate pair is one character; lone surrogates count one each.
  const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0xD801, 0xD802, 0xDC02, 0xDBFF, 0};
  const std::u16string text = u"C:\\\u0412\u4e2d \U0001F600 \u00e9\u00ff\tend\r\nrest" + std::u16string(lone);
  EXPECT_EQ(Bytes(text, &replaced), "C:\\?? ? \xe9\xff\tend\r\nresta?b????");
  EXPECT_EQ(replaced, 8u);
}

TEST(LogFileBytes, ReportsGetSpaceAlignedLabelsWithoutTheirOneSpaceLine) {
  EXPECT_EQ(Bytes(u"\r\nbefore" + Report(u"Uncompressed RGB") + Report(u"\u03bc") + u"\r\nafter"),
            "\r\nbefore" + Written("Uncompressed RGB") + "\r\n" + Written("?") + "\r\n\r\nafter");
  // At the end, or cut inside its space line, a report ends with or without the line end it has.
  const std::u16string report = Report(u"c");
  EXPECT_EQ(Bytes(report) + "|" + Bytes(report.substr(0, report.size() - 1)),
            Written("c") + "\r\n|" + Written("c") + "\r\n");
  EXPECT_EQ(Bytes(report.substr(0, report.size() - 3)), Written("c"));
  EXPECT_EQ(Bytes(report + u"x").substr(Written("c").size()), "\r\n x");  // a space line with more on it stays
  // A label inside a line, and a report broken off after its second line, pass unchanged.
  EXPECT_EQ(Bytes(u"\r\nsee \tCodec\t\t\tX\r\n\tCodec\t\t\tC\r\n\tTotal Frames\t\t5\r\nINFO: x\r\n\tKey Frames\t\t5"),
            "\r\nsee \tCodec\t\t\tX\r\n    Codec                C\r\n    Total Frames         5\r\nINFO: x\r\n\tKey "
            "Frames\t\t5");
  // Every cut of a text holding reports: nothing read past the text (the sanitizers watch), the start intact.
  const std::u16string text = u"\r\nbefore\r\n" + report + Report(u"b");
  for (std::size_t n = 0; n <= text.size(); ++n) {
    const std::vector<char16_t> exact(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    const std::string bytes = MakeLogFileBytes(exact.data(), exact.size(), nullptr);
    ASSERT_EQ(bytes.substr(0, std::min<std::size_t>(n, 10)), std::string("\r\nbefore\r\n").substr(0, n)) << n;
  }
}
