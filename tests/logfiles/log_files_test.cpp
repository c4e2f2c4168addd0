// Saving the User Messages window to log files, driven through the window's
// own File menu commands and checked on the window text and the file bytes.

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

// The bytes a log file holds for text without a file-information report.
std::string OneBytePerUnit(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) bytes.push_back(static_cast<char>(static_cast<unsigned char>(c)));
  return bytes;
}

// "log_MM_DD_YYYY_HH_MM_SS.txt", optionally with "_n" before ".txt".
bool IsLogFileName(const std::wstring& name, int* suffix = nullptr) {
  const std::wstring pattern = L"log_dd_dd_dddd_dd_dd_dd";
  if (name.size() < pattern.size() + 4) return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == L'd' ? !iswdigit(name[i]) : name[i] != pattern[i]) return false;
  }
  std::wstring rest = name.substr(pattern.size());
  if (rest.size() < 4 || rest.substr(rest.size() - 4) != L".txt") return false;
  rest = rest.substr(0, rest.size() - 4);
  int n = 1;
  if (!rest.empty()) {
    if (rest[0] != L'_' || rest.size() < 2) return false;
    for (size_t i = 1; i < rest.size(); ++i) {
      if (!iswdigit(rest[i])) return false;
    }
    n = std::stoi(rest.substr(1));
  }
  if (suffix != nullptr) *suffix = n;
  return true;
}

// Seconds since 1601 of the UTC time in a log file name.
ULONGLONG NameSeconds(const std::wstring& name) {
  SYSTEMTIME t = {};
  t.wMonth = static_cast<WORD>(std::stoi(name.substr(4, 2)));
  t.wDay = static_cast<WORD>(std::stoi(name.substr(7, 2)));
  t.wYear = static_cast<WORD>(std::stoi(name.substr(10, 4)));
  t.wHour = static_cast<WORD>(std::stoi(name.substr(15, 2)));
  t.wMinute = static_cast<WORD>(std::stoi(name.substr(18, 2)));
  t.wSecond = static_cast<WORD>(std::stoi(name.substr(21, 2)));
  FILETIME f;
  EXPECT_TRUE(SystemTimeToFileTime(&t, &f)) << std::string(name.begin(), name.end());
  return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000000ull;
}

ULONGLONG Seconds(const SYSTEMTIME& t) {
  FILETIME f;
  SystemTimeToFileTime(&t, &f);
  return ((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000000ull;
}

std::wstring NameForSeconds(ULONGLONG seconds) {
  const ULONGLONG ticks = seconds * 10000000ull;
  FILETIME f = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME t;
  FileTimeToSystemTime(&f, &t);
  LogTime time;
  time.Year = t.wYear;
  time.Month = t.wMonth;
  time.Day = t.wDay;
  time.Hour = t.wHour;
  time.Minute = t.wMinute;
  time.Second = t.wSecond;
  const std::u16string name = FormatLogFileName(time);
  return std::wstring(name.begin(), name.end());
}

class LogFilesTest : public AppTest {
 protected:
  void Save() { Command(TheApp->MessagesWindow, SaveMessagesCommand); }
  void SaveAndClear() { Command(TheApp->MessagesWindow, SaveMessagesAndClearCommand); }

  // Tests run in the program's working directory, where "LogFiles" belongs.
  std::wstring LogFolder() const { return L"LogFiles"; }

  // Names of the files in "LogFiles", sorted.
  std::vector<std::wstring> LogFileNames() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((LogFolder() + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string LogBytes(const std::wstring& name) const { return ReadFileBytes(LogFolder() + L"\\" + name); }

  // The name of the one file that appeared since before.
  std::wstring NewLogFile(const std::vector<std::wstring>& before) const {
    std::vector<std::wstring> added;
    for (const std::wstring& name : LogFileNames()) {
      if (std::find(before.begin(), before.end(), name) == before.end()) added.push_back(name);
    }
    EXPECT_EQ(added.size(), 1u);
    return added.empty() ? std::wstring() : added.front();
  }

  // What the window holds after the confirmation of a save into name.
  static std::wstring Confirmation(const std::wstring& name, bool cleared) {
    return L"User messages saved in file \"LogFiles\\" + name + (cleared ? L"\" and all messages cleared" : L"\"");
  }

  // The last stamped message of the window, as its lines: the time line first.
  std::vector<std::wstring> LastStampedMessage() const {
    const std::vector<std::wstring> lines = SplitLines(MessagesText());
    for (size_t i = lines.size(); i-- > 0;) {
      if (IsTimeLine(lines[i])) return std::vector<std::wstring>(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end());
    }
    return {};
  }

  void PostOpenReport(const wchar_t* codec, const wchar_t* fileSize) {
    RouteUserMessage(L"File \"C:\\Videos\\clip one.avi\" is open for playback\r\nFile information:", 1);
    AviFileInfo& info = TheApp->FileInfo;
    CopyText(info.FilePath, u"C:\\Videos\\clip one.avi");
    CopyText(info.CodecName, reinterpret_cast<const char16_t*>(codec));
    CopyText(info.TotalFramesText, u"1800");
    CopyText(info.KeyFramesText, u"1795");
    CopyText(info.DroppedFramesText, u"5");
    CopyText(info.FrameSizeText, u"720 x 576");
    CopyText(info.FrameRateText, u"25.00");
    CopyText(info.FileSizeText, reinterpret_cast<const char16_t*>(fileSize));
    ReportFileInformation(TheApp);
  }
};

TEST_F(LogFilesTest, MessagesWindowHasTheFileMenuWithBothSaveCommands) {
  ASSERT_EQ(0, StartResult());
  HMENU bar = GetMenu(TheApp->MessagesWindow);
  ASSERT_NE(bar, nullptr);
  wchar_t text[64];
  GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"File");
  HMENU file = GetSubMenu(bar, 0);
  ASSERT_NE(file, nullptr);
  GetMenuStringW(file, SaveMessagesCommand, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"Save Messages");
  GetMenuStringW(file, SaveMessagesAndClearCommand, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"Save Messages and Clear");
}

TEST_F(LogFilesTest, SaveAfterStartUpWritesTheWindowTextByteForByte) {
  ASSERT_EQ(0, StartResult());
  const std::wstring before = MessagesText();
  ASSERT_NE(before.find(L"Computer "), std::wstring::npos) << "the time-zone report opens the window";

  SYSTEMTIME first;
  GetSystemTime(&first);
  Save();
  SYSTEMTIME last;
  GetSystemTime(&last);

  const std::vector<std::wstring> files = LogFileNames();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(IsLogFileName(files[0])) << std::string(files[0].begin(), files[0].end());
  EXPECT_EQ(LogBytes(files[0]), OneBytePerUnit(before));
  EXPECT_EQ(std::wstring(LogFileName), L"LogFiles\\" + files[0]);

  // The name is the UTC time of the save (local time plus the start-up bias).
  const ULONGLONG named = NameSeconds(files[0]);
  EXPECT_GE(named + 1, Seconds(first));
  EXPECT_LE(named, Seconds(last) + 1);

  // The window keeps its text and gains the stamped confirmation.
  const std::wstring after = MessagesText();
  ASSERT_EQ(after.substr(0, before.size()), before);
  const std::vector<std::wstring> added = SplitLines(after.substr(before.size()));
  ASSERT_EQ(added.size(), 4u);
  EXPECT_EQ(added[0], L"");
  EXPECT_TRUE(IsTimeLine(added[1]));
  EXPECT_EQ(added[2], Confirmation(files[0], false));
  EXPECT_EQ(added[3], L"");
}

TEST_F(LogFilesTest, NamesUseTheBiasFoundAtStartUp) {
  ASSERT_EQ(0, StartResult());
  // A computer 5 hours 30 minutes east of Greenwich, as start-up would find it.
  UtcBiasMinutes = -330;
  SYSTEMTIME first;
  GetLocalTime(&first);
  Save();
  SYSTEMTIME last;
  GetLocalTime(&last);
  const std::vector<std::wstring> files = LogFileNames();
  ASSERT_EQ(files.size(), 1u);
  const ULONGLONG named = NameSeconds(files[0]);
  EXPECT_GE(named + 1 + 330 * 60, Seconds(first));
  EXPECT_LE(named + 330 * 60, Seconds(last) + 1);
}

TEST_F(LogFilesTest, SavedReportHasSpaceAlignedLabels) {
  ASSERT_EQ(0, StartResult());
  PostOpenReport(L"Uncompressed RGB", L"1,036,800,000");
  PostUserMessage(L"WARNING: after the report\r\n", 1);
  const std::wstring before = MessagesText();
  const std::wstring windowBlock =
      L"\r\n\tCodec\t\t\tUncompressed RGB\r\n\tTotal Frames\t\t1800\r\n\tKey Frames\t\t1795\r\n"
      L"\tDropped Frames\t\t5\r\n\tFrame size\t\t720 x 576\r\n\tFrame rate\t\t25.00 fps\r\n"
      L"\tFile size (bytes)\t\t1,036,800,000\r\n \r\n";
  const size_t at = before.find(windowBlock);
  ASSERT_NE(at, std::wstring::npos) << "the report as the window shows it";

  Save();
  const std::vector<std::wstring> files = LogFileNames();
  ASSERT_EQ(files.size(), 1u);
  const std::string fileBlock =
      "\r\n"
      "    Codec                Uncompressed RGB\r\n"
      "    Total Frames         1800\r\n"
      "    Key Frames           1795\r\n"
      "    Dropped Frames       5\r\n"
      "    Frame size           720 x 576\r\n"
      "    Frame rate           25.00 fps\r\n"
      "    File size (bytes)    1,036,800,000\r\n"
      "\r\n";
  const std::string expected = OneBytePerUnit(before.substr(0, at)) + fileBlock +
                               OneBytePerUnit(before.substr(at + windowBlock.size()));
  const std::string bytes = LogBytes(files[0]);
  EXPECT_EQ(bytes, expected);
  EXPECT_NE(bytes.find("\r\nFile \"C:\\Videos\\clip one.avi\" is open for playback\r\nFile information:\r\n    Codec"),
            std::string::npos);
}

TEST_F(LogFilesTest, SaveAndClearKeepsOnlyTheConfirmationAndTheNextSaveStartsThere) {
  ASSERT_EQ(0, StartResult());
  PostUserMessage(L"INFO: before the clear\r\n", 1);
  const std::wstring before = MessagesText();

  SaveAndClear();
  std::vector<std::wstring> files = LogFileNames();
  ASSERT_EQ(files.size(), 1u);
  const std::wstring first = files[0];
  EXPECT_EQ(LogBytes(first), OneBytePerUnit(before));
  const std::vector<std::wstring> lines = SplitLines(MessagesText());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], L"");
  EXPECT_TRUE(IsTimeLine(lines[1]));
  EXPECT_EQ(lines[2], Confirmation(first, true));
  EXPECT_EQ(lines[3], L"");

  PostUserMessage(L"WARNING: after the clear\r\n", 1);
  const std::wstring next = MessagesText();
  Save();
  const std::wstring second = NewLogFile(files);
  EXPECT_EQ(LogBytes(second), OneBytePerUnit(next));
  EXPECT_EQ(LogBytes(first), OneBytePerUnit(before)) << "the earlier file is left alone";
}

TEST_F(LogFilesTest, SecondSaveInTheSameSecondGetsItsOwnFile) {
  ASSERT_EQ(0, StartResult());
  Save();
  std::vector<std::wstring> files = LogFileNames();
  ASSERT_EQ(files.size(), 1u);
  // Occupy the names of this second and the next few, as saves made in
  // those seconds would, so that the next save surely meets a taken name.
  const ULONGLONG now = NameSeconds(files[0]);
  std::vector<std::wstring> taken;
  for (ULONGLONG s = now + 1; s <= now + 10; ++s) {
    const std::wstring name = NameForSeconds(s).substr(std::wstring(L"LogFiles\\").size());
    WriteFileBytes(LogFolder() + L"\\" + name, "earlier save\r\n");
    taken.push_back(name);
  }
  files = LogFileNames();
  const std::wstring text = MessagesText();

  Save();
  const std::wstring added = NewLogFile(files);
  int suffix = 0;
  ASSERT_TRUE(IsLogFileName(added, &suffix)) << std::string(added.begin(), added.end());
  EXPECT_EQ(suffix, 2);
  EXPECT_EQ(LogBytes(added), OneBytePerUnit(text));
  for (const std::wstring& name : taken) EXPECT_EQ(LogBytes(name), "earlier save\r\n");
  const std::vector<std::wstring> message = LastStampedMessage();
  ASSERT_GE(message.size(), 2u);
  EXPECT_EQ(message[1], Confirmation(added, false));
}

TEST_F(LogFilesTest, CharactersBeyondLatin1AreWrittenAsQuestionMarksAndNothingIsLost) {
  ASSERT_EQ(0, StartResult());
  PostUserMessage(L"INFO: file \"C:\\\u0412\u0438\u0434\u0435\u043e\\\u4e2d.avi\" \U0001F600 caf\u00e9\r\n", 1);
  PostUserMessage(L"WARNING: the line after it\r\n", 1);
  const std::wstring before = MessagesText();

  Save();
  const std::vector<std::wstring> files = LogFileNames();
  ASSERT_EQ(files.size(), 1u);
  const std::string bytes = LogBytes(files[0]);
  EXPECT_NE(bytes.find("INFO: file \"C:\\?????\\?.avi\" ? caf\xe9\r\n"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("WARNING: the line after it\r\n"), std::string::npos);
  EXPECT_EQ(bytes.size(), before.size() - 1) << "one byte per character, a surrogate pair counting as one";

  const std::vector<std::wstring> message = LastStampedMessage();
  ASSERT_GE(message.size(), 3u);
  EXPECT_EQ(message[1], Confirmation(files[0], false));
  EXPECT_EQ(message[2], L"INFO: 7 characters beyond Latin-1 were written to the file as \"?\"");
}

class BlockedLogFolderTest : public LogFilesTest {
 protected:
  void BeforeStart() override { WriteFileBytes(L"LogFiles", "not a folder"); }
};

TEST_F(BlockedLogFolderTest, SaveAndClearWarnsAndKeepsEveryMessage) {
  ASSERT_EQ(0, StartResult());
  PostUserMessage(L"INFO: worth keeping\r\n", 1);
  const std::wstring before = MessagesText();

  SaveAndClear();
  const std::wstring after = MessagesText();
  ASSERT_EQ(after.substr(0, before.size()), before);
  EXPECT_EQ(after.find(L"User messages saved"), std::wstring::npos);
  const std::vector<std::wstring> message = LastStampedMessage();
  ASSERT_GE(message.size(), 2u);
  EXPECT_EQ(message[1].rfind(L"WARNING: user messages not saved in file \"LogFiles\\log_", 0), 0u);
  EXPECT_NE(message[1].find(L"\"LogFiles\" is not a directory"), std::wstring::npos);
  EXPECT_NE(message[1].find(L"nothing was cleared"), std::wstring::npos);
  EXPECT_EQ(ReadFileBytes(L"LogFiles"), "not a folder");
}

TEST_F(LogFilesTest, ReadOnlyLogFolderSavesOrWarnsButNeverLosesText) {
  ASSERT_EQ(0, StartResult());
  ASSERT_TRUE(CreateDirectoryW(LogFolder().c_str(), nullptr));
  SetFileAttributesW(LogFolder().c_str(), FILE_ATTRIBUTE_READONLY);
  const std::wstring before = MessagesText();

  SaveAndClear();
  SetFileAttributesW(LogFolder().c_str(), FILE_ATTRIBUTE_NORMAL);
  const std::vector<std::wstring> files = LogFileNames();
  const std::vector<std::wstring> message = LastStampedMessage();
  ASSERT_GE(message.size(), 2u);
  if (files.empty()) {
    EXPECT_EQ(MessagesText().substr(0, before.size()), before);
    EXPECT_EQ(message[1].rfind(L"WARNING: user messages not saved", 0), 0u);
  } else {
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(LogBytes(files[0]), OneBytePerUnit(before));
    EXPECT_EQ(message[1], Confirmation(files[0], true));
  }
}

TEST_F(LogFilesTest, FailuresOfEachStepWarnAndClearNothing) {
  ASSERT_EQ(0, StartResult());
  PostUserMessage(L"INFO: worth keeping\r\n", 1);

  struct Case {
    LogSaveStep Step;
    const wchar_t* Reason;
  };
  const Case cases[] = {
      {LogSaveStep::MakeDirectory, L"cannot create the \"LogFiles\" directory ("},
      {LogSaveStep::OpenFile, L"cannot create the file ("},
      {LogSaveStep::WriteText, L"cannot write the file ("},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::wstring(c.Reason).size());
    ForcedLogFailure = c.Step;
    const std::wstring before = MessagesText();
    SaveAndClear();
    const std::wstring after = MessagesText();
    ASSERT_EQ(after.substr(0, before.size()), before) << "nothing was cleared";
    EXPECT_EQ(after.find(L"User messages saved"), std::wstring::npos);
    EXPECT_TRUE(LogFileNames().empty()) << "no partial file is left behind";
    if (c.Step == LogSaveStep::MakeDirectory) {
      EXPECT_NE(after.find(L"\r\nUnable to create \"LogFiles\" directory under the process directory.  Check "
                           L"security settings.\r\n",
                           before.size()),
                std::wstring::npos);
    }
    const std::vector<std::wstring> message = LastStampedMessage();
    ASSERT_GE(message.size(), 2u);
    EXPECT_EQ(message[1].rfind(L"WARNING: user messages not saved in file \"LogFiles\\log_", 0), 0u);
    EXPECT_NE(message[1].find(c.Reason), std::wstring::npos);
    EXPECT_NE(message[1].find(L"all messages stay in this window"), std::wstring::npos);
  }

  // Once the failure is gone the same window text is saved whole.
  ForcedLogFailure = LogSaveStep::None;
  const std::wstring before = MessagesText();
  Save();
  const std::vector<std::wstring> files = LogFileNames();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(LogBytes(files[0]), OneBytePerUnit(before));
}

TEST_F(LogFilesTest, LongWindowIsSavedWholeAndClearedQuickly) {
  ASSERT_EQ(0, StartResult());
  // The text that thousands of posts leave behind (every tenth with its time
  // line), appended in one piece: posting them one by one takes minutes.
  std::wstring posts;
  wchar_t text[80];
  for (int i = 0; i < 3000; ++i) {
    swprintf(text, 80, i % 10 == 0 ? L"\r\n12:00:00 (UTC)\r\nINFO: message %d of the run\r\n"
                                   : L"\r\nINFO: message %d of the run\r\n",
             i);
    posts += text;
  }
  HWND edit = TheApp->MessagesEdit;
  const int end = GetWindowTextLengthW(edit);
  SendMessageW(edit, EM_SETSEL, end, end);
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(posts.c_str()));
  const std::wstring before = MessagesText();
  ASSERT_EQ(before.size(), end + posts.size()) << "the window holds every message";

  const ULONGLONG start = GetTickCount64();
  SaveAndClear();
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_LT(took, 20000u);
  const std::vector<std::wstring> files = LogFileNames();
  ASSERT_EQ(files.size(), 1u);
  const std::string bytes = LogBytes(files[0]);
  EXPECT_EQ(bytes.size(), before.size());
  EXPECT_TRUE(bytes == OneBytePerUnit(before));

  // The window is empty but for the confirmation, and goes on as before.
  std::vector<std::wstring> lines = SplitLines(MessagesText());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], Confirmation(files[0], true));
  HWND cleared = TheApp->MessagesEdit;
  ASSERT_TRUE(IsWindow(cleared));
  EXPECT_TRUE(IsWindowVisible(cleared));
  EXPECT_EQ(GetParent(cleared), TheApp->MessagesWindow);
  RECT client;
  RECT control;
  GetClientRect(TheApp->MessagesWindow, &client);
  GetClientRect(cleared, &control);
  EXPECT_LE(control.right, client.right);
  EXPECT_GT(control.right, client.right - 8);
  PostUserMessage(L"WARNING: next message\r\n", 1);
  lines = SplitLines(MessagesText());
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[5], L"WARNING: next message");
  RecordProperty("SaveMilliseconds", static_cast<int>(took));
  RecordProperty("FileBytes", static_cast<int>(bytes.size()));
}

}  // namespace
