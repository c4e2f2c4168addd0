// Log file names, the UTC time they carry, and the bytes written for a
// User Messages text.
#include "messages/log_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Window text as the User Messages window builds it: every post starts with
// "\r\n", a stamped one continues with its time line.
void Post(std::u16string* window, const std::u16string& message, bool stamped) {
  *window += stamped ? u"\r\n09:41:07 (UTC)\r\n" + message : u"\r\n" + message;
}

// The heading and file-information report that File > Open posts.
void PostReport(std::u16string* window, const std::u16string& codec, const std::u16string& total) {
  Post(window, u"File \"C:\\v\\a.avi\" is open for playback\r\nFile information:", true);
  for (const std::u16string& line :
       {u"\tCodec\t\t\t" + codec, u"\tTotal Frames\t\t" + total, std::u16string(u"\tKey Frames\t\t250"),
        std::u16string(u"\tDropped Frames\t\t3"), std::u16string(u"\tFrame size\t\t640 x 480"),
        std::u16string(u"\tFrame rate\t\t29.97 fps"), std::u16string(u"\tFile size (bytes)\t\tunknown"),
        std::u16string(u" ")}) {
    Post(window, line, false);
  }
}

const std::string Heading = "\r\n09:41:07 (UTC)\r\nFile \"C:\\v\\a.avi\" is open for playback\r\nFile information:\r\n";
const std::string RestOfReport =
    "    Key Frames           250\r\n"
    "    Dropped Frames       3\r\n"
    "    Frame size           640 x 480\r\n"
    "    Frame rate           29.97 fps\r\n"
    "    File size (bytes)    unknown";

std::string Bytes(const std::u16string& text, std::size_t* replaced = nullptr) {
  return MakeLogFileBytes(text.data(), text.size(), replaced);
}

LogTime Time(int y, int mo, int d, int h, int mi, int s) {
  LogTime t;
  t.Year = static_cast<uint16_t>(y);
  t.Month = static_cast<uint16_t>(mo);
  t.Day = static_cast<uint16_t>(d);
  t.Hour = static_cast<uint16_t>(h);
  t.Minute = static_cast<uint16_t>(mi);
  t.Second = static_cast<uint16_t>(s);
  return t;
}

}  // namespace

TEST(LogFileName, PlainAndDistinctNames) {
  EXPECT_EQ(FormatLogFileName(Time(2024, 3, 7, 4, 5, 9)), u"LogFiles\\log_03_07_2024_04_05_09.txt");
  EXPECT_EQ(FormatLogFileName(Time(987, 12, 31, 23, 59, 58)), u"LogFiles\\log_12_31_0987_23_59_58.txt");
  const std::u16string name = u"LogFiles\\log_03_07_2024_04_05_09.txt";
  EXPECT_EQ(DistinctLogFileName(name, 1), name);
  EXPECT_EQ(DistinctLogFileName(name, 2), u"LogFiles\\log_03_07_2024_04_05_09_2.txt");
  EXPECT_EQ(DistinctLogFileName(name, 13), u"LogFiles\\log_03_07_2024_04_05_09_13.txt");
}

TEST(LogFileName, UtcIsLocalTimePlusBiasAcrossDayMonthYearAndLeapDays) {
  struct Case {
    LogTime Local;
    int Bias;
    std::u16string Name;
  };
  const Case cases[] = {
      {Time(2023, 12, 31, 22, 30, 15), 300, u"LogFiles\\log_01_01_2024_03_30_15.txt"},
      {Time(2024, 1, 1, 0, 10, 59), -60, u"LogFiles\\log_12_31_2023_23_10_59.txt"},
      {Time(2024, 7, 1, 5, 0, 1), -330, u"LogFiles\\log_06_30_2024_23_30_01.txt"},
      {Time(2024, 2, 28, 23, 0, 0), 120, u"LogFiles\\log_02_29_2024_01_00_00.txt"},
      {Time(2023, 2, 28, 23, 0, 0), 120, u"LogFiles\\log_03_01_2023_01_00_00.txt"},
      {Time(2100, 3, 1, 0, 30, 0), -60, u"LogFiles\\log_02_28_2100_23_30_00.txt"},
      {Time(2000, 3, 1, 0, 30, 0), -60, u"LogFiles\\log_02_29_2000_23_30_00.txt"},
      {Time(2024, 8, 15, 12, 34, 56), 0, u"LogFiles\\log_08_15_2024_12_34_56.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatLogFileName(AddMinutes(c.Local, c.Bias)), c.Name) << c.Bias;
}

TEST(LogFileBytes, OneBytePerCharacterAndQuestionMarksBeyondLatin1) {
  std::u16string window;
  Post(&window, u"Computer local time is W. Europe Standard Time\r\n", true);
  Post(&window, u"Caf\u00e9 \u00ff\tend", false);
  std::size_t replaced = 9;
  EXPECT_EQ(Bytes(window, &replaced),
            "\r\n09:41:07 (UTC)\r\nComputer local time is W. Europe Standard Time\r\n"
            "\r\nCaf\xe9 \xff\tend");
  EXPECT_EQ(replaced, 0u);
  EXPECT_EQ(MakeLogFileBytes(nullptr, 5, nullptr), "");

  // A surrogate pair is one character; lone surrogates count one each.
  std::u16string text = u"C:\\\u0412\u4e2d \U0001F600 \u00e9\r\nrest";
  text += {u'a',
           char16_t(0xD800),
           u'b',
           char16_t(0xDC00),
           char16_t(0xD801),
           char16_t(0xD802),
           char16_t(0xDC02),
           char16_t(0xDBFF)};
  EXPECT_EQ(Bytes(text, &replaced), "C:\\?? ? \xe9\r\nresta?b????");
  EXPECT_EQ(replaced, 8u);
}

TEST(LogFileBytes, ReportsGetSpaceAlignedLabelsWithoutTheirOneSpaceLine) {
  std::u16string window;
  Post(&window, u"Computer local time is Pacific Standard Time\r\n", true);
  PostReport(&window, u"Uncompressed RGB", u"1800");
  PostReport(&window, u"\u03bc", u"1");
  Post(&window, u"WARNING: after\r\n", true);
  std::size_t replaced = 0;
  EXPECT_EQ(Bytes(window, &replaced),
            "\r\n09:41:07 (UTC)\r\nComputer local time is Pacific Standard Time\r\n" + Heading +
                "    Codec                Uncompressed RGB\r\n    Total Frames         1800\r\n" + RestOfReport +
                "\r\n" + Heading + "    Codec                ?\r\n    Total Frames         1\r\n" + RestOfReport +
                "\r\n\r\n09:41:07 (UTC)\r\nWARNING: after\r\n");
  EXPECT_EQ(replaced, 1u);

  // Empty values keep the layout.
  window.clear();
  PostReport(&window, u"", u"");
  EXPECT_EQ(Bytes(window),
            Heading + "    Codec                \r\n    Total Frames         \r\n" + RestOfReport + "\r\n");

  // At the end of the text: without the space, and without the line end.
  window.clear();
  PostReport(&window, u"c", u"5");
  const std::string report = Heading + "    Codec                c\r\n    Total Frames         5\r\n" + RestOfReport;
  EXPECT_EQ(Bytes(window.substr(0, window.size() - 1)), report + "\r\n");
  EXPECT_EQ(Bytes(window.substr(0, window.size() - 3)), report);
}

TEST(LogFileBytes, TextOutsideTheReportLayoutPassesUnchanged) {
  // A label inside a line; a report broken off after its second line; a
  // space line with more on it.
  const std::u16string text =
      u"\r\nsee \tCodec\t\t\tX\r\n\tCodec\t\t\tC\r\n\tTotal Frames\t\t5\r\nINFO: other\r\n\tKey Frames\t\t5\r\n ";
  EXPECT_EQ(Bytes(text),
            "\r\nsee \tCodec\t\t\tX\r\n    Codec                C\r\n    Total Frames         5"
            "\r\nINFO: other\r\n\tKey Frames\t\t5\r\n ");
  std::u16string window;
  PostReport(&window, u"c", u"5");
  window += u"x";
  const std::string ending = "    File size (bytes)    unknown\r\n x";
  EXPECT_EQ(Bytes(window).substr(Bytes(window).size() - ending.size()), ending);

  // Every cut of a text holding reports: nothing is read beyond the text (the
  // sanitizers watch) and the text before the reports is intact.
  window.clear();
  Post(&window, u"before\r\n", true);
  PostReport(&window, u"a", u"1");
  PostReport(&window, u"b", u"2");
  const std::string before = "\r\n09:41:07 (UTC)\r\nbefore\r\n";
  for (std::size_t n = 0; n <= window.size(); ++n) {
    std::vector<char16_t> exact(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(n));
    const std::string bytes = MakeLogFileBytes(exact.data(), exact.size(), nullptr);
    const std::size_t kept = std::min(n, before.size());
    ASSERT_EQ(bytes.substr(0, kept), before.substr(0, kept)) << n;
  }
}
