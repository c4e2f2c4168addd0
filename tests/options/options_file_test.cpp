// Reading and writing the options file through MSXML 6. Every test runs in a
// fresh temporary working directory of its own.
#include "options/options_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace {

const wchar_t FileName[] = L"ORVO_options_playback.xml";

// What the program writes for the default positions. MSXML ends each
// top-level node with a line break, which becomes an empty line after the
// declaration and after the comment.
const char DefaultFile[] =
    "<?xml version='1.0'?>\r\n"
    "\r\n"
    "<!--ORVO Video Playback Version 1-->\r\n"
    "\r\n"
    "<Root>\r\n"
    "\t<MainWindowPosition Value=\"50, 50\"/>\r\n"
    "\t<MessageWindowPosition Value=\"100, 150, 636, 500\"/>\r\n"
    "\t<PlaybackControlsWindowPosition Value=\"150, 550\"/>\r\n"
    "\t<BrightnessContrastWindowPosition Value=\"200, 200\"/>\r\n"
    "\t<MagnifyWindowPosition Value=\"250, 250\"/>\r\n"
    "</Root>\r\n";

bool SameRecord(const WindowPositionRecord& a, const WindowPositionRecord& b) {
  return a.MainX == b.MainX && a.MainY == b.MainY && a.MessagesX == b.MessagesX && a.MessagesY == b.MessagesY &&
         a.MessagesWidth == b.MessagesWidth && a.MessagesHeight == b.MessagesHeight && a.PlaybackX == b.PlaybackX &&
         a.PlaybackY == b.PlaybackY && a.BrightnessContrastX == b.BrightnessContrastX &&
         a.BrightnessContrastY == b.BrightnessContrastY && a.MagnifyX == b.MagnifyX && a.MagnifyY == b.MagnifyY;
}

bool WriteBytes(const std::wstring& name, const std::string& bytes) {
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// The file's bytes, or "MISSING" when it cannot be opened.
std::string ReadBytes(const std::wstring& name) {
  HANDLE file =
      CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "MISSING";
  std::string bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  CloseHandle(file);
  return bytes;
}

void RemoveTree(const std::wstring& directory) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = directory + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(directory.c_str());
}

// An options document: the declaration and a root element around body.
std::string Document(const std::string& body) {
  return "<?xml version='1.0'?>\r\n<Root>\r\n" + body + "\r\n</Root>\r\n";
}

class OptionsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    GetCurrentDirectoryW(MAX_PATH, Previous);
    wchar_t temp[MAX_PATH];
    wchar_t unique[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    ASSERT_NE(0u, GetTempFileNameW(temp, L"opt", 0, unique));
    DeleteFileW(unique);
    Directory = unique;
    ASSERT_TRUE(CreateDirectoryW(Directory.c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryW(Directory.c_str()));
    WindowPositions = DefaultWindowPositions;
  }

  void TearDown() override {
    SetCurrentDirectoryW(Previous);
    RemoveTree(Directory);
    CoUninitialize();
  }

  // Writes content as the options file and reads it into a record holding
  // the defaults; *record receives the result.
  int ReadContent(const std::string& content, WindowPositionRecord* record) {
    EXPECT_TRUE(WriteBytes(FileName, content));
    *record = DefaultWindowPositions;
    return ReadOptionsFile(record);
  }

  // Reads a document made of body; expects it to load.
  WindowPositionRecord ReadBody(const std::string& body) {
    WindowPositionRecord record;
    EXPECT_EQ(1, ReadContent(Document(body), &record)) << body.substr(0, 200);
    return record;
  }

  // Expects content to be refused with the defaults untouched.
  void ExpectRefused(const std::string& content, const char* what) {
    WindowPositionRecord record;
    EXPECT_EQ(0, ReadContent(content, &record)) << what;
    EXPECT_TRUE(SameRecord(DefaultWindowPositions, record)) << what;
  }

  wchar_t Previous[MAX_PATH] = {};
  std::wstring Directory;
};

TEST_F(OptionsFile, DefaultPositionsAreWrittenAsTheKnownText) {
  ASSERT_EQ(1, WriteOptionsFile());
  EXPECT_EQ(DefaultFile, ReadBytes(FileName));
  EXPECT_TRUE(SameRecord(DefaultWindowPositions, WindowPositions));  // only read

  // Again, over a longer old file: the same bytes, the old tail gone.
  ASSERT_TRUE(WriteBytes(FileName, std::string(20000, 'x')));
  ASSERT_EQ(1, WriteOptionsFile());
  EXPECT_EQ(DefaultFile, ReadBytes(FileName));
}

TEST_F(OptionsFile, WrittenFileRestoresAllTwelveValues) {
  const WindowPositionRecord samples[] = {
      {-8, -31, -1600, -900, 0, -1, 3840, 2160, -32000, 12, 7, -7},
      {INT32_MIN, INT32_MAX, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
  };
  for (const WindowPositionRecord& sample : samples) {
    WindowPositions = sample;
    ASSERT_EQ(1, WriteOptionsFile());
    WindowPositionRecord read = DefaultWindowPositions;
    ASSERT_EQ(1, ReadOptionsFile(&read));
    EXPECT_TRUE(SameRecord(sample, read));
  }
  EXPECT_NE(std::string::npos, ReadBytes(FileName).find("<MainWindowPosition Value=\"-2147483648, 2147483647\"/>"));
}

TEST_F(OptionsFile, EmptyRootLoadsAndChangesNothing) {
  WindowPositionRecord record;
  EXPECT_EQ(1, ReadContent("<Root/>", &record));
  EXPECT_TRUE(SameRecord(DefaultWindowPositions, record));
  EXPECT_EQ(1, ReadContent(Document(""), &record));
  EXPECT_TRUE(SameRecord(DefaultWindowPositions, record));
}

TEST_F(OptionsFile, ValuesAreScannedLikeTheWrittenFormat) {
  WindowPositionRecord r = ReadBody("<MessageWindowPosition Value=\"10, 20\"/>");
  EXPECT_EQ(10, r.MessagesX);
  EXPECT_EQ(20, r.MessagesY);
  EXPECT_EQ(636, r.MessagesWidth);
  EXPECT_EQ(500, r.MessagesHeight);

  r = ReadBody("<MainWindowPosition Value=\"-10,-20\"/>");  // no blank after the comma
  EXPECT_EQ(-10, r.MainX);
  EXPECT_EQ(-20, r.MainY);

  r = ReadBody("<MainWindowPosition Value=\"10 , 20\"/>");  // blank before the comma
  EXPECT_EQ(10, r.MainX);
  EXPECT_EQ(50, r.MainY);

  r = ReadBody("<MainWindowPosition Value=\"10\"/>");  // one number
  EXPECT_EQ(10, r.MainX);
  EXPECT_EQ(50, r.MainY);

  r = ReadBody("<MainWindowPosition Value=\"10,\n\t 20\"/>");  // line break in the value
  EXPECT_EQ(10, r.MainX);
  EXPECT_EQ(20, r.MainY);

  r = ReadBody(
      "<MainWindowPosition Value=\"123456789012345678901234567890, "
      "-123456789012345678901234567890\"/>");  // clamped to 32 bits
  EXPECT_EQ(INT32_MAX, r.MainX);
  EXPECT_EQ(INT32_MIN, r.MainY);

  r = ReadBody("<MagnifyWindowPosition Value=\"x, 1\"/>");
  EXPECT_TRUE(SameRecord(DefaultWindowPositions, r));
}

TEST_F(OptionsFile, ElementsAreMatchedByExactNameAndSingleAttribute) {
  // Letter case counts.
  WindowPositionRecord r = ReadBody(
      "<mainWindowPosition Value=\"1, 2\"/>"
      "<MAINWINDOWPOSITION Value=\"3, 4\"/>");
  EXPECT_TRUE(SameRecord(DefaultWindowPositions, r));

  // The attribute's name is not looked at, only that it is the only one.
  r = ReadBody("<MainWindowPosition Position=\"1, 2\"/>");
  EXPECT_EQ(1, r.MainX);
  EXPECT_EQ(2, r.MainY);
  r = ReadBody(
      "<MainWindowPosition Value=\"1, 2\" Other=\"3, 4\"/>"
      "<PlaybackControlsWindowPosition/>");
  EXPECT_TRUE(SameRecord(DefaultWindowPositions, r));

  // Of two elements of one name the later wins.
  r = ReadBody("<MainWindowPosition Value=\"1, 2\"/>\n<MainWindowPosition Value=\"3, 4\"/>");
  EXPECT_EQ(3, r.MainX);
  EXPECT_EQ(4, r.MainY);

  // The root's name is not checked.
  WindowPositionRecord record;
  EXPECT_EQ(1, ReadContent("<Options><MagnifyWindowPosition Value=\"5, 6\"/></Options>", &record));
  EXPECT_EQ(5, record.MagnifyX);
  EXPECT_EQ(6, record.MagnifyY);
}

TEST_F(OptionsFile, OtherNodesAreSkipped) {
  WindowPositionRecord r = ReadBody(
      "<!--<MainWindowPosition Value=\"1, 2\"/>-->"
      "<?MainWindowPosition Value=\"3, 4\"?>"
      "<![CDATA[<MainWindowPosition Value=\"5, 6\"/>]]>"
      "MainWindowPosition"
      "<Group><MainWindowPosition Value=\"7, 8\"/></Group>"
      "<Group Value=\"9, 10\"><PlaybackControlsWindowPosition Value=\"11, 12\"/></Group>"
      "<BrightnessContrastWindowPosition Value=\"13, 14\"><Inner Value=\"15, 16\"/>"
      "</BrightnessContrastWindowPosition>");
  WindowPositionRecord expected = DefaultWindowPositions;
  expected.BrightnessContrastX = 13;  // an element with children is still read
  expected.BrightnessContrastY = 14;
  EXPECT_TRUE(SameRecord(expected, r));
}

TEST_F(OptionsFile, MissingOrBrokenFilesKeepTheDefaults) {
  WindowPositionRecord record = DefaultWindowPositions;
  EXPECT_EQ(0, ReadOptionsFile(&record));  // no file at all
  EXPECT_TRUE(SameRecord(DefaultWindowPositions, record));
  EXPECT_EQ(0, ReadOptionsFile(nullptr));

  ExpectRefused("", "empty file");
  ExpectRefused("<?xml version='1.0'?>\r\n", "declaration only");
  ExpectRefused("<Root><MainWindowPosition Value=\"1, 2\"/>", "unclosed root");
  ExpectRefused(Document("<MainWindowPosition Value=\"1, 2\">"), "unclosed element");
  ExpectRefused("<Root/><Root/>", "two roots");
  ExpectRefused(std::string(DefaultFile).substr(0, 150), "cut short");
  ExpectRefused(std::string(4, '\0'), "zero bytes");

  std::mt19937 generator(20240611);
  for (int round = 0; round < 20; ++round) {
    std::string noise(1 + generator() % 5000, '\0');
    for (char& c : noise) c = static_cast<char>(generator());
    ExpectRefused(noise, "random bytes");
  }
}

TEST_F(OptionsFile, DirectoryNamedLikeTheFileIsRefusedBothWays) {
  ASSERT_TRUE(CreateDirectoryW(FileName, nullptr));
  WindowPositionRecord record = DefaultWindowPositions;
  EXPECT_EQ(0, ReadOptionsFile(&record));
  EXPECT_TRUE(SameRecord(DefaultWindowPositions, record));
  EXPECT_EQ(0, WriteOptionsFile());
}

TEST_F(OptionsFile, TenMegabyteFilesAreHandled) {
  const std::size_t size = 10u << 20;

  std::mt19937 generator(7);
  std::string noise(size, '\0');
  for (char& c : noise) c = static_cast<char>(generator());
  ExpectRefused(noise, "10 MB of random bytes");

  // Many elements: all are walked, the last one wins.
  std::string body;
  body.reserve(size + 100);
  int count = 0;
  while (body.size() < size) {
    body += "<MainWindowPosition Value=\"" + std::to_string(count) + ", -" + std::to_string(count) + "\"/>\n";
    ++count;
  }
  WindowPositionRecord r = ReadBody(body);
  EXPECT_EQ(count - 1, r.MainX);
  EXPECT_EQ(-(count - 1), r.MainY);

  // A value of a million digits is clamped.
  r = ReadBody("<MainWindowPosition Value=\"" + std::string(1u << 20, '7') + ", 3\"/>");
  EXPECT_EQ(INT32_MAX, r.MainX);
  EXPECT_EQ(3, r.MainY);

  // Ten million digits pass the engine's limit for one text (MSXML on Wine
  // refuses the file); either way nothing breaks.
  WindowPositionRecord record;
  int result = ReadContent(Document("<MainWindowPosition Value=\"" + std::string(size, '7') + ", 3\"/>"), &record);
  WindowPositionRecord expected = DefaultWindowPositions;
  if (result == 1) {
    expected.MainX = INT32_MAX;
    expected.MainY = 3;
  }
  EXPECT_TRUE(SameRecord(expected, record));
}

TEST_F(OptionsFile, EntityExpansionDoesNotRunAway) {
  std::string lol = "<?xml version='1.0'?>\n<!DOCTYPE Root [\n<!ENTITY a \"aaaaaaaaaa\">\n";
  std::string previous = "a";
  for (char name = 'b'; name <= 'k'; ++name) {
    lol += std::string("<!ENTITY ") + name + " \"";
    for (int i = 0; i < 10; ++i) lol += "&" + previous + ";";
    lol += "\">\n";
    previous = std::string(1, name);
  }
  lol += "]>\n<Root><MainWindowPosition Value=\"&k;\"/></Root>\n";
  // Whether the engine refuses the document or expands it (to letters, which
  // are no number), the call comes back and the defaults stay.
  WindowPositionRecord record;
  ReadContent(lol, &record);
  EXPECT_TRUE(SameRecord(DefaultWindowPositions, record));
}

TEST_F(OptionsFile, TextIsWrittenWithOneNodePerLineInTextMode) {
  ASSERT_EQ(1, WriteOptionsText(L"<?xml version='1.0'?><!--c--><Root>\n\t<A/>\n</Root>"));
  EXPECT_EQ("<?xml version='1.0'?>\r\n<!--c-->\r\n<Root>\r\n\t<A/>\r\n</Root>", ReadBytes(FileName));
}

TEST_F(OptionsFile, FailedWritesLeaveTheOldFile) {
  ASSERT_TRUE(WriteBytes(FileName, "old"));
  EXPECT_EQ(0, WriteOptionsText(nullptr));
  EXPECT_EQ(0, WriteOptionsText(L""));
  EXPECT_EQ(0, WriteOptionsText(L"<only one>"));
  EXPECT_EQ(0, WriteOptionsText(L"<a>\x4E2D<b>"));                                 // no ANSI form
  EXPECT_EQ(0, WriteOptionsText(L"<a>\x0100<b>"));                                 // only a look-alike in ANSI
  EXPECT_EQ(0, WriteOptionsText((L"<a><b>" + std::wstring(4090, L'x')).c_str()));  // too long
  EXPECT_EQ("old", ReadBytes(FileName));
}

TEST_F(OptionsFile, WorkingDirectoryWithoutAnsiNameFailsTheWrite) {
  ASSERT_TRUE(CreateDirectoryW(L"A", nullptr));
  const wchar_t* names[] = {L"\x4E2D\x6587", L"\x03A9mega", L"\x0100"};
  for (const wchar_t* name : names) {
    std::wstring folder = Directory + L"\\" + name;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(folder + L"\\" + FileName, "old"));
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    EXPECT_EQ(0, WriteOptionsFile());
    EXPECT_EQ("old", ReadBytes(FileName));
    ASSERT_TRUE(SetCurrentDirectoryW(Directory.c_str()));
  }
  // The ANSI look-alike of "\x0100" names another folder, which must not get
  // the file either.
  EXPECT_EQ("MISSING", ReadBytes(L"A\\ORVO_options_playback.xml"));
}

}  // namespace
