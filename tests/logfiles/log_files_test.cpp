// Saving the User Messages window, driven through its File menu commands and
// checked on the window text and the bytes of the files.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/reports.h"
#include "base/bounded_text.h"
#include "harness/app_harness.h"
#include "messages/log_files.h"
#include "messages/log_text.h"
#include "messages/user_messages.h"

namespace {

constexpr unsigned SaveMessagesCommand = 32802;
constexpr unsigned SaveMessagesAndClearCommand = 32803;

// The bytes of a log file for text without a file-information report.
std::string OneBytePerUnit(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) bytes.push_back(static_cast<char>(static_cast<unsigned char>(c)));
  return bytes;
}

ULONGLONG Seconds(const SYSTEMTIME& t) {
  FILETIME f;
  SystemTimeToFileTime(&t, &f);
  return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000000ull;
}

// The time in "log_MM_DD_YYYY_HH_MM_SS...", as seconds; 0 when the name has another form.
ULONGLONG NameSeconds(const std::wstring& name) {
  int mo = 0, d = 0, y = 0, h = 0, mi = 0, s = 0;
  if (name.size() < 27 || swscanf(name.c_str(), L"log_%2d_%2d_%4d_%2d_%2d_%2d", &mo, &d, &y, &h, &mi, &s) != 6)
    return 0;
  SYSTEMTIME t = {static_cast<WORD>(y),  static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
                  static_cast<WORD>(mi), static_cast<WORD>(s),  0};
  return Seconds(t);
}

class LogFilesTest : public AppTest {
 protected:
  void Save(unsigned command = SaveMessagesCommand) { Command(TheApp->MessagesWindow, command); }

  // Files in "LogFiles" (the tests run in the program's working directory).
  static std::vector<std::wstring> LogFileNames() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"LogFiles\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string LogBytes(const std::wstring& name) { return ReadFileBytes(L"LogFiles\\" + name); }

  // Saves and returns the one file the save added.
  std::wstring SaveNewFile(unsigned command = SaveMessagesCommand) {
    const std::vector<std::wstring> before = LogFileNames();
    Save(command);
    std::vector<std::wstring> added;
    for (const std::wstring& name : LogFileNames()) {
      if (std::find(before.begin(), before.end(), name) == before.end()) added.push_back(name);
    }
    EXPECT_EQ(added.size(), 1u);
    return added.empty() ? L"" : added[0];
  }

  static std::wstring Confirmation(const std::wstring& name, bool cleared) {
    return L"User messages saved in file \"LogFiles\\" + name + (cleared ? L"\" and all messages cleared" : L"\"");
  }

  // The lines of the window after its last time line.
  std::vector<std::wstring> LastStampedMessage() const {
    const std::vector<std::wstring> lines = SplitLines(MessagesText());
    for (size_t i = lines.size(); i-- > 0;) {
      if (IsTimeLine(lines[i]))
        return std::vector<std::wstring>(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1, lines.end());
    }
    return {};
  }
};

TEST_F(LogFilesTest, SaveWritesTheWindowTextUnderItsUtcTimeAndConfirms) {
  ASSERT_EQ(0, StartResult());
  const std::wstring before = MessagesText();
  SYSTEMTIME first, last;
  GetSystemTime(&first);
  const std::wstring name = SaveNewFile();
  GetSystemTime(&last);
  EXPECT_EQ(LogBytes(name), OneBytePerUnit(before));
  const ULONGLONG named = NameSeconds(name);
  EXPECT_TRUE(named + 1 >= Seconds(first) && named <= Seconds(last) + 1) << "named by UTC with the start-up bias";
  EXPECT_EQ(MessagesText().substr(0, before.size()), before);
  EXPECT_EQ(LastStampedMessage(), (std::vector<std::wstring>{Confirmation(name, false), L""}));

  // A computer 5 h 30 min east of Greenwich, as start-up would have found it.
  UtcBiasMinutes = -330;
  GetLocalTime(&first);
  const std::wstring east = SaveNewFile();
  GetLocalTime(&last);
  const ULONGLONG eastNamed = NameSeconds(east) + 330 * 60;
  EXPECT_TRUE(eastNamed + 1 >= Seconds(first) && eastNamed <= Seconds(last) + 1);
}

TEST_F(LogFilesTest, SavedReportHasSpaceAlignedLabels) {
  ASSERT_EQ(0, StartResult());
  RouteUserMessage(L"File \"C:\\Videos\\clip one.avi\" is open for playback\r\nFile information:", 1);
  AviFileInfo& info = TheApp->FileInfo;
  CopyText(info.CodecName, u"Uncompressed RGB");
  CopyText(info.TotalFramesText, u"1800");
  CopyText(info.KeyFramesText, u"1795");
  CopyText(info.DroppedFramesText, u"5");
  CopyText(info.FrameSizeText, u"720 x 576");
  CopyText(info.FrameRateText, u"25.00");
  CopyText(info.FileSizeText, u"1,036,800,000");
  ReportFileInformation(TheApp);
  PostUserMessage(L"WARNING: after the report\r\n", 1);
  const std::wstring before = MessagesText();
  const std::wstring block =
      L"\r\n\tCodec\t\t\tUncompressed RGB\r\n\tTotal Frames\t\t1800\r\n\tKey Frames\t\t1795\r\n"
      L"\tDropped Frames\t\t5\r\n\tFrame size\t\t720 x 576\r\n\tFrame rate\t\t25.00 fps\r\n"
      L"\tFile size (bytes)\t\t1,036,800,000\r\n \r\n";
  const size_t at = before.find(L"is open for playback\r\nFile information:" + block);
  ASSERT_NE(at, std::wstring::npos);
  const size_t blockAt = before.find(block, at);

  EXPECT_EQ(LogBytes(SaveNewFile()), OneBytePerUnit(before.substr(0, blockAt)) +
                                         "\r\n    Codec                Uncompressed RGB"
                                         "\r\n    Total Frames         1800"
                                         "\r\n    Key Frames           1795"
                                         "\r\n    Dropped Frames       5"
                                         "\r\n    Frame size           720 x 576"
                                         "\r\n    Frame rate           25.00 fps"
                                         "\r\n    File size (bytes)    1,036,800,000\r\n\r\n" +
                                         OneBytePerUnit(before.substr(blockAt + block.size())));
}

TEST_F(LogFilesTest, SaveAndClearKeepsOnlyTheConfirmationAndTheNextSaveStartsThere) {
  ASSERT_EQ(0, StartResult());
  const std::wstring before = MessagesText();
  const std::wstring first = SaveNewFile(SaveMessagesAndClearCommand);
  EXPECT_EQ(LogBytes(first), OneBytePerUnit(before));
  const std::vector<std::wstring> lines = SplitLines(MessagesText());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[0].empty() && IsTimeLine(lines[1]) && lines[3].empty());
  EXPECT_EQ(lines[2], Confirmation(first, true));

  PostUserMessage(L"WARNING: after the clear\r\n", 1);
  const std::wstring next = MessagesText();
  EXPECT_EQ(LogBytes(SaveNewFile()), OneBytePerUnit(next));
  EXPECT_EQ(LogBytes(first), OneBytePerUnit(before)) << "the earlier file is left alone";
}

TEST_F(LogFilesTest, SaveInASecondThatHasALogFileGetsItsOwnName) {
  ASSERT_EQ(0, StartResult());
  const ULONGLONG now = NameSeconds(SaveNewFile());
  // Occupy the names of the next seconds too, so that the next save surely meets a taken name.
  for (ULONGLONG s = now + 1; s <= now + 10; ++s) {
    const ULONGLONG ticks = s * 10000000ull;
    const FILETIME f = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME t;
    FileTimeToSystemTime(&f, &t);
    LogTime time;
    time.Year = t.wYear, time.Month = t.wMonth, time.Day = t.wDay;
    time.Hour = t.wHour, time.Minute = t.wMinute, time.Second = t.wSecond;
    const std::u16string name = FormatLogFileName(time);
    WriteFileBytes(std::wstring(name.begin(), name.end()), "earlier\r\n");
  }
  const std::vector<std::wstring> taken = LogFileNames();
  std::vector<std::string> contents;
  for (const std::wstring& file : taken) contents.push_back(LogBytes(file));
  const std::wstring text = MessagesText();
  const std::wstring name = SaveNewFile();
  EXPECT_EQ(name.substr(name.size() - 6), L"_2.txt");
  EXPECT_EQ(LogBytes(name), OneBytePerUnit(text));
  for (size_t i = 0; i < taken.size(); ++i) EXPECT_EQ(LogBytes(taken[i]), contents[i]) << "left alone";
  EXPECT_EQ(LastStampedMessage()[0], Confirmation(name, false));
}

TEST_F(LogFilesTest, CharactersBeyondLatin1BecomeQuestionMarksAndTheUserIsTold) {
  ASSERT_EQ(0, StartResult());
  PostUserMessage(L"INFO: \"C:\\\u0412\u0438\u0434\u0435\u043e\\\u4e2d.avi\" \U0001F600 caf\u00e9\r\n", 1);
  PostUserMessage(L"WARNING: the line after it\r\n", 1);
  const std::wstring before = MessagesText();
  const std::wstring name = SaveNewFile();
  const std::string bytes = LogBytes(name);
  const size_t at = before.find(L"INFO: \"C:");
  EXPECT_EQ(bytes.substr(0, at), OneBytePerUnit(before.substr(0, at)));
  EXPECT_EQ(bytes.substr(at),
            "INFO: \"C:\\?????\\?.avi\" ? caf\xe9\r\n" + OneBytePerUnit(before.substr(before.find(L"\r\n", at) + 2)));
  EXPECT_EQ(LastStampedMessage(),
            (std::vector<std::wstring>{Confirmation(name, false),
                                       L"INFO: 7 characters beyond Latin-1 were written to the file as \"?\"", L""}));
}

TEST_F(LogFilesTest, FailedSavesWarnWithTheReasonAndClearNothing) {
  ASSERT_EQ(0, StartResult());
  struct Case {
    LogSaveStep Step;
    const wchar_t* Reason;
  };
  const Case cases[] = {
      {LogSaveStep::MakeDirectory, L"cannot create the \"LogFiles\" directory ("},
      {LogSaveStep::OpenFile, L"cannot create the file ("},
      {LogSaveStep::WriteText, L"cannot write the file ("},
      {LogSaveStep::None, L"\"LogFiles\" is not a directory"},  // a file is in the way
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Step));
    ForcedLogFailure = c.Step;
    if (c.Step == LogSaveStep::None) {
      RemoveDirectoryW(L"LogFiles");
      WriteFileBytes(L"LogFiles", "in the way");
    }
    const std::wstring before = MessagesText();
    Save(SaveMessagesAndClearCommand);
    const std::wstring after = MessagesText();
    ASSERT_EQ(after.substr(0, before.size()), before) << "nothing was cleared";
    EXPECT_EQ(after.find(L"User messages saved"), std::wstring::npos);
    EXPECT_TRUE(LogFileNames().empty()) << "no partial file is left";
    EXPECT_EQ(c.Step == LogSaveStep::MakeDirectory,
              after.find(L"\r\nUnable to create \"LogFiles\" directory under the process directory.  Check security "
                         L"settings.\r\n",
                         before.size()) != std::wstring::npos);
    const std::wstring warning = LastStampedMessage()[0];
    EXPECT_EQ(warning.rfind(L"WARNING: user messages not saved in file \"LogFiles\\log_", 0), 0u) << warning.c_str();
    EXPECT_NE(warning.find(c.Reason), std::wstring::npos);
    EXPECT_NE(warning.find(L"; nothing was cleared, all messages stay in this window"), std::wstring::npos);
  }
}

TEST_F(LogFilesTest, WindowOfFiftyThousandMessagesIsSavedWholeAndClearedQuickly) {
  ASSERT_EQ(0, StartResult());
  // The text of 50,000 posts (every tenth stamped), appended a hundred at a
  // time: one by one takes this control hours, and so does all at once.
  HWND edit = TheApp->MessagesEdit;
  const std::wstring startText = MessagesText();
  std::wstring posts;
  wchar_t text[80];
  for (int i = 0; i < 50000; i += 100) {
    std::wstring hundred;
    for (int j = i; j < i + 100; ++j) {
      swprintf(text, 80, L"%ls\r\nINFO: message %d of the run\r\n", j % 10 == 0 ? L"\r\n12:00:00 (UTC)" : L"", j);
      hundred += text;
    }
    const int end = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, end, end);
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(hundred.c_str()));
    posts += hundred;
  }
  const std::wstring before = MessagesText();
  ASSERT_EQ(before, startText + posts);

  const ULONGLONG start = GetTickCount64();
  const std::wstring name = SaveNewFile(SaveMessagesAndClearCommand);
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_LT(took, 20000u);
  RecordProperty("SaveAndClearMilliseconds", static_cast<int>(took));
  EXPECT_TRUE(LogBytes(name) == OneBytePerUnit(before));
  EXPECT_EQ(SplitLines(MessagesText()).size(), 4u);

  // The window goes on as before, its control filling the client area.
  RECT client, control;
  GetClientRect(TheApp->MessagesWindow, &client);
  GetClientRect(TheApp->MessagesEdit, &control);
  EXPECT_TRUE(IsWindowVisible(TheApp->MessagesEdit));
  EXPECT_TRUE(control.right <= client.right && control.right > client.right - 8);
  PostUserMessage(L"WARNING: next\r\n", 1);
  EXPECT_EQ(LastStampedMessage(), (std::vector<std::wstring>{L"WARNING: next", L""}));
}

}  // namespace
