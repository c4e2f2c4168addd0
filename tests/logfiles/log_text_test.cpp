// The neutral half of saving the User Messages window: file names, the UTC
// time they are built from, and the bytes written for a window text.
#include "messages/log_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Window text as the User Messages window accumulates it: every post starts
// with "\r\n"; a stamped one then has its time line.
struct WindowText {
  std::u16string Text;

  void Post(const std::u16string& message, bool stamped) {
    Text += u"\r\n";
    if (stamped) Text += u"09:41:07 (UTC)\r\n";
    Text += message;
  }

  // The heading and file-information report as File > Open posts them.
  void PostOpenReport(const std::u16string& codec, const std::u16string& total, const std::u16string& key,
                      const std::u16string& dropped, const std::u16string& size, const std::u16string& rate,
                      const std::u16string& bytes) {
    Post(u"File \"C:\\v\\a.avi\" is open for playback\r\nFile information:", true);
    Post(u"\tCodec\t\t\t" + codec, false);
    Post(u"\tTotal Frames\t\t" + total, false);
    Post(u"\tKey Frames\t\t" + key, false);
    Post(u"\tDropped Frames\t\t" + dropped, false);
    Post(u"\tFrame size\t\t" + size, false);
    Post(u"\tFrame rate\t\t" + rate + u" fps", false);
    Post(u"\tFile size (bytes)\t\t" + bytes, false);
    Post(u" ", false);
  }

  void PostTypicalOpenReport() {
    PostOpenReport(u"Uncompressed RGB", u"250", u"250", u"3", u"640 x 480", u"29.97", u"230400000");
  }
};

std::string Bytes(const std::u16string& text, std::size_t* replaced = nullptr) {
  return MakeLogFileBytes(text.data(), text.size(), replaced);
}

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out.push_back(static_cast<char>(c));
  return out;
}

const char* const ExpectedReportLines =
    "    Codec                Uncompressed RGB\r\n"
    "    Total Frames         250\r\n"
    "    Key Frames           250\r\n"
    "    Dropped Frames       3\r\n"
    "    Frame size           640 x 480\r\n"
    "    Frame rate           29.97 fps\r\n"
    "    File size (bytes)    230400000";

LogTime Time(int year, int month, int day, int hour, int minute, int second) {
  LogTime t;
  t.Year = static_cast<uint16_t>(year);
  t.Month = static_cast<uint16_t>(month);
  t.Day = static_cast<uint16_t>(day);
  t.Hour = static_cast<uint16_t>(hour);
  t.Minute = static_cast<uint16_t>(minute);
  t.Second = static_cast<uint16_t>(second);
  return t;
}

void ExpectTime(const LogTime& t, int year, int month, int day, int hour, int minute, int second) {
  EXPECT_EQ(t.Year, year);
  EXPECT_EQ(t.Month, month);
  EXPECT_EQ(t.Day, day);
  EXPECT_EQ(t.Hour, hour);
  EXPECT_EQ(t.Minute, minute);
  EXPECT_EQ(t.Second, second);
}

}  // namespace

TEST(LogFileName, IsMonthDayYearHourMinuteSecondWithLeadingZeros) {
  EXPECT_EQ(FormatLogFileName(Time(2024, 3, 7, 4, 5, 9)), u"LogFiles\\log_03_07_2024_04_05_09.txt");
  EXPECT_EQ(FormatLogFileName(Time(1999, 12, 31, 23, 59, 58)), u"LogFiles\\log_12_31_1999_23_59_58.txt");
  EXPECT_EQ(FormatLogFileName(Time(987, 1, 1, 0, 0, 0)), u"LogFiles\\log_01_01_0987_00_00_00.txt");
}

TEST(LogFileName, LaterSavesInTheSameSecondGetTheirOwnName) {
  const std::u16string name = u"LogFiles\\log_03_07_2024_04_05_09.txt";
  EXPECT_EQ(DistinctLogFileName(name, 1), name);
  EXPECT_EQ(DistinctLogFileName(name, 2), u"LogFiles\\log_03_07_2024_04_05_09_2.txt");
  EXPECT_EQ(DistinctLogFileName(name, 13), u"LogFiles\\log_03_07_2024_04_05_09_13.txt");
  EXPECT_EQ(DistinctLogFileName(u"log", 2), u"log_2");
}

TEST(UtcFromLocalTime, AddsTheBiasAcrossDayMonthAndYearEnds) {
  // West of Greenwich (bias positive): UTC is later.
  ExpectTime(AddMinutes(Time(2023, 12, 31, 22, 30, 15), 300), 2024, 1, 1, 3, 30, 15);
  ExpectTime(AddMinutes(Time(2024, 4, 30, 20, 0, 0), 240), 2024, 5, 1, 0, 0, 0);
  // East of Greenwich (bias negative): UTC is earlier.
  ExpectTime(AddMinutes(Time(2024, 1, 1, 0, 10, 59), -60), 2023, 12, 31, 23, 10, 59);
  ExpectTime(AddMinutes(Time(2024, 7, 1, 5, 0, 1), -330), 2024, 6, 30, 23, 30, 1);
  ExpectTime(AddMinutes(Time(2024, 1, 1, 9, 0, 0), -14 * 60), 2023, 12, 31, 19, 0, 0);
  // Unknown time zone: names use local time.
  ExpectTime(AddMinutes(Time(2024, 8, 15, 12, 34, 56), 0), 2024, 8, 15, 12, 34, 56);
}

TEST(UtcFromLocalTime, KnowsLeapYears) {
  ExpectTime(AddMinutes(Time(2024, 2, 28, 23, 0, 0), 120), 2024, 2, 29, 1, 0, 0);
  ExpectTime(AddMinutes(Time(2023, 2, 28, 23, 0, 0), 120), 2023, 3, 1, 1, 0, 0);
  ExpectTime(AddMinutes(Time(2000, 3, 1, 0, 30, 0), -60), 2000, 2, 29, 23, 30, 0);
  ExpectTime(AddMinutes(Time(2100, 3, 1, 0, 30, 0), -60), 2100, 2, 28, 23, 30, 0);
}

TEST(LogFileBytes, TextWithoutReportIsWrittenOneBytePerUnit) {
  WindowText window;
  window.Post(u"Computer local time is W. Europe Standard Time\r\n", true);
  window.Post(u"No Options File or unreadable Options File\r\n", true);
  window.Post(u"Caf\u00e9 \u00ff\u00a0\tend", false);
  std::size_t replaced = 99;
  EXPECT_EQ(Bytes(window.Text, &replaced), Narrow(window.Text));
  EXPECT_EQ(replaced, 0u);
  EXPECT_EQ(Bytes(u""), "");
  EXPECT_EQ(MakeLogFileBytes(nullptr, 5, nullptr), "");
}

TEST(LogFileBytes, ReportGetsSpaceAlignedLabelsAndLosesItsOneSpaceLine) {
  WindowText window;
  window.Post(u"Computer local time is Pacific Standard Time\r\n", true);
  window.PostTypicalOpenReport();
  window.Post(u"WARNING: something after the report\r\n", true);

  const std::string expected = std::string("\r\n09:41:07 (UTC)\r\nComputer local time is Pacific Standard Time\r\n") +
                               "\r\n09:41:07 (UTC)\r\nFile \"C:\\v\\a.avi\" is open for playback\r\nFile information:\r\n" +
                               ExpectedReportLines + "\r\n" +
                               "\r\n09:41:07 (UTC)\r\nWARNING: something after the report\r\n";
  EXPECT_EQ(Bytes(window.Text), expected);
}

TEST(LogFileBytes, EveryReportValueStartsInColumn26) {
  WindowText window;
  window.PostOpenReport(u"Cinepak Codec by Radius", u"1", u"1", u"0", u"2 x 2", u"1", u"unknown");
  const std::string bytes = Bytes(window.Text);
  const std::vector<std::string> values = {"Cinepak Codec by Radius", "1", "1", "0", "2 x 2", "1 fps", "unknown"};
  std::size_t at = bytes.find("    Codec");
  ASSERT_NE(at, std::string::npos);
  for (const std::string& value : values) {
    const std::size_t end = bytes.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = bytes.substr(at, end - at);
    ASSERT_GE(line.size(), 25u);
    EXPECT_EQ(line.substr(0, 4), "    ") << line;
    EXPECT_EQ(line[24], ' ') << line;
    EXPECT_EQ(line.substr(25), value) << line;
    at = end + 2;
  }
  // The heading passes unchanged; the one-space line is gone.
  EXPECT_NE(bytes.find("File \"C:\\v\\a.avi\" is open for playback\r\nFile information:\r\n    Codec"), std::string::npos);
  EXPECT_EQ(bytes.find("\r\n \r\n"), std::string::npos);
  EXPECT_EQ(bytes.find('\t'), std::string::npos);
}

TEST(LogFileBytes, ReportsAtTheEndOfTheText) {
  // The report is the last thing in the window.
  WindowText window;
  window.PostTypicalOpenReport();
  const std::string heading = "\r\n09:41:07 (UTC)\r\nFile \"C:\\v\\a.avi\" is open for playback\r\nFile information:\r\n";
  EXPECT_EQ(Bytes(window.Text), heading + ExpectedReportLines + "\r\n");

  // Its last value runs to the end of the text: only the value is written.
  std::u16string cut = window.Text.substr(0, window.Text.size() - 3);
  EXPECT_EQ(Bytes(cut), heading + ExpectedReportLines);

  // The one-space line's line end is there but not the space.
  cut = window.Text.substr(0, window.Text.size() - 1);
  EXPECT_EQ(Bytes(cut), heading + ExpectedReportLines + "\r\n");
}

TEST(LogFileBytes, FileInformationCommandReportsRewrittenEachTime) {
  WindowText window;
  for (int i = 0; i < 3; ++i) {
    window.Post(u"File information for  C:\\v\\a.avi", true);
    window.Post(u"\tCodec\t\t\tUncompressed RGB", false);
    window.Post(u"\tTotal Frames\t\t250", false);
    window.Post(u"\tKey Frames\t\t250", false);
    window.Post(u"\tDropped Frames\t\t3", false);
    window.Post(u"\tFrame size\t\t640 x 480", false);
    window.Post(u"\tFrame rate\t\t29.97 fps", false);
    window.Post(u"\tFile size (bytes)\t\t230400000", false);
    window.Post(u" ", false);
  }
  std::string one = std::string("\r\n09:41:07 (UTC)\r\nFile information for  C:\\v\\a.avi\r\n") + ExpectedReportLines + "\r\n";
  EXPECT_EQ(Bytes(window.Text), one + one + one);
}

TEST(LogFileBytes, EmptyReportValuesKeepTheLayout) {
  WindowText window;
  window.PostOpenReport(u"", u"", u"", u"", u"", u"", u"unknown");
  window.Post(u"next\r\n", true);
  const std::string expected = std::string("\r\n09:41:07 (UTC)\r\nFile \"C:\\v\\a.avi\" is open for playback\r\nFile information:\r\n") +
                               "    Codec                \r\n"
                               "    Total Frames         \r\n"
                               "    Key Frames           \r\n"
                               "    Dropped Frames       \r\n"
                               "    Frame size           \r\n"
                               "    Frame rate            fps\r\n"
                               "    File size (bytes)    unknown\r\n"
                               "\r\n09:41:07 (UTC)\r\nnext\r\n";
  EXPECT_EQ(Bytes(window.Text), expected);
}

TEST(LogFileBytes, TextThatOnlyLooksLikeAReportPassesUnchanged) {
  // A label inside a line is not a report line.
  std::u16string text = u"\r\nsee \tCodec\t\t\tX and more\r\n";
  EXPECT_EQ(Bytes(text), Narrow(text));

  // A report broken off after its third line: the lines that fit are
  // rewritten, the rest is written as it stands.
  text = u"\r\n\tCodec\t\t\tC\r\n\tTotal Frames\t\t5\r\n\tKey Frames\t\t5\r\nINFO: other\r\n\tFrame size\t\t1 x 1\r\n ";
  EXPECT_EQ(Bytes(text),
            "\r\n    Codec                C\r\n    Total Frames         5\r\n    Key Frames           5"
            "\r\nINFO: other\r\n\tFrame size\t\t1 x 1\r\n ");

  // A one-space line with more on it is not the report's closing line.
  WindowText window;
  window.PostTypicalOpenReport();
  window.Text += u"x\r\n";
  EXPECT_EQ(Bytes(window.Text),
            "\r\n09:41:07 (UTC)\r\nFile \"C:\\v\\a.avi\" is open for playback\r\nFile information:\r\n" +
                std::string(ExpectedReportLines) + "\r\n x\r\n");
}

TEST(LogFileBytes, AnyCutOfAReportIsHandledWithinTheText) {
  // Every prefix of a window holding reports: nothing is read beyond the text
  // (the sanitizers watch), text before the first report is intact, and the
  // file grows by no more than the wider labels of two reports.
  WindowText window;
  window.Post(u"before\r\n", true);
  window.PostTypicalOpenReport();
  window.PostOpenReport(u"c", u"1", u"1", u"0", u"1 x 1", u"1", u"9");
  const std::u16string& text = window.Text;
  const std::string before = "\r\n09:41:07 (UTC)\r\nbefore\r\n";
  for (std::size_t n = 0; n <= text.size(); ++n) {
    std::vector<char16_t> exact(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    const std::string bytes = MakeLogFileBytes(exact.data(), exact.size(), nullptr);
    ASSERT_LE(bytes.size(), n + 2 * 7 * 16) << n;
    ASSERT_EQ(bytes.substr(0, std::min(n, before.size())), before.substr(0, std::min(n, before.size()))) << n;
  }
}

TEST(LogFileBytes, CharactersBeyondLatin1BecomeOneQuestionMarkAndTheRestIsKept) {
  std::u16string text = u"\r\nFile \"C:\\v\\\u0100\u4e2d.avi\" ok\r\n\U0001F600 smile\r\n\u00e9 \u0101";
  std::size_t replaced = 0;
  EXPECT_EQ(Bytes(text, &replaced), "\r\nFile \"C:\\v\\??.avi\" ok\r\n? smile\r\n\xe9 ?");
  EXPECT_EQ(replaced, 4u);

  // Lone surrogates are one character each, wherever they stand.
  text = u"a";
  text += static_cast<char16_t>(0xD800);
  text += u"b";
  text += static_cast<char16_t>(0xDC00);
  text += u"c";
  text += static_cast<char16_t>(0xD801);
  text += static_cast<char16_t>(0xD802);
  text += static_cast<char16_t>(0xDC02);
  text += static_cast<char16_t>(0xDBFF);
  EXPECT_EQ(Bytes(text, &replaced), "a?b?c???");
  EXPECT_EQ(replaced, 5u);

  // A report whose values carry such characters is still rewritten.
  WindowText window;
  window.PostOpenReport(u"\u03bc codec", u"1", u"1", u"0", u"1 x 1", u"1", u"9");
  const std::string bytes = Bytes(window.Text, &replaced);
  EXPECT_NE(bytes.find("    Codec                ? codec\r\n    Total Frames         1\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("    File size (bytes)    9\r\n"), std::string::npos);
  EXPECT_EQ(replaced, 1u);
}
