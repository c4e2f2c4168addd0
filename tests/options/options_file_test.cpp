// Reading and writing the options file through MSXML 6, in the fresh working
// directory the harness gives every test.
#include "options/options_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "app/app_context.h"
#include "app/main_window.h"
#include "harness/app_harness.h"
#include "options/options_text.h"

namespace {

using Record = WindowPositionRecord;
const wchar_t FileName[] = L"ORVO_options_playback.xml";

// The file for the default positions. MSXML ends each top-level node with a
// line break: an empty line follows the declaration and the comment.
const char DefaultFile[] =
    "<?xml version='1.0'?>\r\n\r\n<!--ORVO Video Playback Version 1-->\r\n\r\n<Root>\r\n"
    "\t<MainWindowPosition Value=\"50, 50\"/>\r\n\t<MessageWindowPosition Value=\"100, 150, 636, 500\"/>\r\n"
    "\t<PlaybackControlsWindowPosition Value=\"150, 550\"/>\r\n"
    "\t<BrightnessContrastWindowPosition Value=\"200, 200\"/>\r\n\t<MagnifyWindowPosition Value=\"250, 250\"/>\r\n"
    "</Root>\r\n";

// The twelve values: compared as a whole and readable when not equal.
std::vector<int32_t> Show(const Record& r) {
  return {r.MainX,     r.MainY,     r.MessagesX,           r.MessagesY,           r.MessagesWidth, r.MessagesHeight,
          r.PlaybackX, r.PlaybackY, r.BrightnessContrastX, r.BrightnessContrastY, r.MagnifyX,      r.MagnifyY};
}

std::string Doc(const std::string& body) { return "<?xml version='1.0'?>\r\n<Root>\r\n" + body + "\r\n</Root>\r\n"; }
std::string Main(const std::string& value) { return Doc("<MainWindowPosition Value=\"" + value + "\"/>"); }

constexpr int Refused = 0, Loaded = 1;

using OptionsFile = AppTest;

TEST_F(OptionsFile, FileTextsReadAsAUserWouldExpect) {
  Record read = DefaultWindowPositions;
  EXPECT_EQ(0, ReadOptionsFile(&read));  // no file yet
  EXPECT_EQ(0, ReadOptionsFile(nullptr));
  std::string lol = "<?xml version='1.0'?>\n<!DOCTYPE Root [\n<!ENTITY a \"aaaaaaaaaa\">\n";
  for (char name = 'b'; name <= 'k'; ++name) {
    lol += std::string("<!ENTITY ") + name + " \"";
    for (int i = 0; i < 10; ++i) lol += std::string("&") + static_cast<char>(name - 1) + ";";
    lol += "\">\n";
  }
  lol += "]>\n<Root><MainWindowPosition Value=\"&k;\"/></Root>\n";  // a billion letters: refused, not expanded

  // A file's text, the result, the main window's position it gives; the attribute's own name is not looked at.
  const std::tuple<std::string, int, int32_t, int32_t> cases[] = {
      {Main("-10,-20"), Loaded, -10, -20},
      {Doc("<MainWindowPosition Position=\"1, 2\"/>"), Loaded, 1, 2},
      {Doc("<MainWindowPosition Value=\"1, 2\" Other=\"3, 4\"/><MainWindowPosition/>"), Loaded, 50, 50},
      {Doc("<MainWindowPosition Value=\"1, 2\"/>\n<MainWindowPosition Value=\"3, 4\"/>"), Loaded, 3, 4},
      {"<Options><MainWindowPosition Value=\"5, 6\"/></Options>", Loaded, 5, 6},
      // Only the root's element children are read, children of their own or not.
      {Doc("<MainWindowPosition Value=\"13, 14\"><Inner Value=\"15, 16\"/></MainWindowPosition>"
           "<!--<MainWindowPosition Value=\"1, 2\"/>--><?MainWindowPosition Value=\"3, 4\"?>"
           "<![CDATA[<MainWindowPosition Value=\"5, 6\"/>]]>MainWindowPosition"
           "<Group Value=\"7, 8\"><MainWindowPosition Value=\"9, 10\"/></Group>"),
       Loaded, 13, 14},
      {"", Refused, 50, 50},
      {"<Root><MainWindowPosition Value=\"1, 2\"/>", Refused, 50, 50},  // nothing of a broken file is used
      {"<Root/><Root/>", Refused, 50, 50},
      {lol, Refused, 50, 50},
  };
  for (const auto& [text, result, x, y] : cases) {
    SCOPED_TRACE(text.substr(0, 120));
    WriteFileBytes(FileName, text);
    read = DefaultWindowPositions;
    EXPECT_EQ(result, ReadOptionsFile(&read));
    EXPECT_EQ(Show(Record{x, y, 100, 150, 636, 500, 150, 550, 200, 200, 250, 250}), Show(read));
  }
  // A directory in the file's place is neither read nor written over.
  ASSERT_TRUE(DeleteFileW(FileName) && CreateDirectoryW(FileName, nullptr));
  EXPECT_EQ(0, ReadOptionsFile(&read));
  EXPECT_EQ(Show(DefaultWindowPositions), Show(read));
  EXPECT_EQ(0, WriteOptionsFile());
}

TEST_F(OptionsFile, WritesTheKnownTextAndReadsBackAllTwelveValues) {
  WriteFileBytes(FileName, std::string(20000, 'x'));  // an old, longer file loses its tail
  WindowPositions = DefaultWindowPositions;
  ASSERT_EQ(1, WriteOptionsFile());
  EXPECT_EQ(DefaultFile, drive::FileBytes(FileName));

  WindowPositions = Record{INT32_MIN, INT32_MAX, -1600, -900, 0, -1, 3840, 2160, -32000, 12, 7, -7};
  ASSERT_EQ(1, WriteOptionsFile());
  Record read = DefaultWindowPositions;
  ASSERT_EQ(1, ReadOptionsFile(&read));
  EXPECT_EQ(Show(WindowPositions), Show(read));
}

TEST_F(OptionsFile, FailedWritesLeaveTheOldFile) {
  WriteFileBytes(FileName, "old");
  const std::wstring tooLong = L"<a><b>" + std::wstring(OptionsTextBytes, L'x');
  // No text, no ANSI form, only a look-alike in ANSI, too long (the text's own checks: options_text_test).
  for (const wchar_t* text : {static_cast<const wchar_t*>(nullptr), L"<a>\x4E2D<b>", L"<a>\x0100<b>", tooLong.c_str()})
    EXPECT_EQ(0, WriteOptionsText(text));
  EXPECT_EQ("old", drive::FileBytes(FileName));

  // A working directory whose name has no exact ANSI form: "\x0100" has the
  // look-alike "A", which must not get the file either.
  ASSERT_TRUE(CreateDirectoryW(L"A", nullptr));
  for (const wchar_t* name : {L"\x4E2D\x6587", L"\x03A9mega", L"\x0100"}) {
    const std::wstring folder = WorkDir() + L"\\" + name;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    WriteFileBytes(folder + L"\\" + FileName, "old");
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    EXPECT_EQ(0, WriteOptionsFile());
    EXPECT_EQ("old", drive::FileBytes(FileName));
    ASSERT_TRUE(SetCurrentDirectoryW(WorkDir().c_str()));
  }
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"A\\ORVO_options_playback.xml"));
}

// Options > Set Window Positions keeps where the windows are now; a minimised
// window keeps the position it had; a file that cannot be written is said so.
TEST_F(OptionsFile, SetWindowPositionsKeepsWhereTheWindowsAre) {
  HWND playback = TheApp->PlaybackWindow, messages = TheApp->MessagesWindow;
  SetWindowPos(playback, nullptr, 170, 560, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(messages, nullptr, 110, 160, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Command(SetWindowPositionsId);
  SetWindowPos(playback, nullptr, 150, 550, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(messages, SW_MINIMIZE);
  Command(SetWindowPositionsId);
  ShowWindow(messages, SW_RESTORE);
  SetWindowPos(messages, nullptr, 100, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Record read = DefaultWindowPositions;
  ASSERT_EQ(1, ReadOptionsFile(&read));
  EXPECT_EQ((std::vector<int32_t>{150, 550, 110, 160}),
            (std::vector<int32_t>{read.PlaybackX, read.PlaybackY, read.MessagesX, read.MessagesY}));

  ASSERT_TRUE(CreateDirectoryW(L"\x4E2D", nullptr));  // no ANSI name: the file cannot be written there
  ASSERT_TRUE(SetCurrentDirectoryW(L"\x4E2D"));
  Command(SetWindowPositionsId);
  ASSERT_TRUE(SetCurrentDirectoryW(WorkDir().c_str()));
  EXPECT_EQ((std::vector<std::wstring>{L"Default window positions are set", L"Default window positions are set",
                                       L"WARNING: unable to write options file; check write protection"}),
            NewTexts());
}

}  // namespace
