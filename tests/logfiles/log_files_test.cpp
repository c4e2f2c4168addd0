// Saving the User Messages window through its "Save Messages" and "Save Messages
// and Clear" commands, checked on the window text and the files' bytes.
#include "messages/log_files.h"

#include "app/app_context.h"
#include "app/main_window.h"
#include "app/reports.h"
#include "harness/app_harness.h"
#include "messages/log_text.h"
#include "messages/user_messages.h"

namespace {

// A log file's bytes for Latin-1 text holding no file-information report.
std::string Bytes(const std::wstring& text) { return std::string(text.begin(), text.end()); }
bool EndsWith(std::wstring_view s, std::wstring_view t) {
  return s.substr(s.size() - std::min(s.size(), t.size())) == t;
}

// The log file's name for a save at local time t, at second s, on a computer bias minutes behind UTC.
std::wstring NameFor(const SYSTEMTIME& t, WORD s, int32_t bias) {
  const std::u16string name = FormatLogFileName(AddMinutes({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, s}, bias));
  return std::wstring(name.begin(), name.end());
}

const std::wstring SavedIn = L" (UTC)\r\nUser messages saved in file \"";

class LogFiles : public AppTest {
 protected:
  // Gives the command as the window's File menu does; returns the file the last confirmation names.
  static std::wstring Save(unsigned command) {
    Command(command, TheApp->MessagesWindow);
    const std::wstring text = MessagesText();
    const size_t at = text.rfind(SavedIn) == std::wstring::npos ? text.size() : text.rfind(SavedIn) + SavedIn.size();
    return text.substr(at, text.find(L'"', at) - at);
  }
};

TEST_F(LogFiles, SaveWritesTheWindowUnderItsUtcNameInLatin1Only) {
  RouteUserMessage(L"INFO: \"C:\\\u0412\u0438\u0434\u0435\u043e\\\u4e2d.avi\" \U0001F600 caf\u00e9\r\n", 1);
  const std::wstring text = MessagesText();
  const int32_t bias = UtcBiasMinutes;
  UtcBiasMinutes = -330;  // 5 h 30 min east of Greenwich
  SYSTEMTIME first, last;
  GetLocalTime(&first);
  const std::wstring name = Save(SaveMessagesId);
  GetLocalTime(&last);
  UtcBiasMinutes = bias;
  EXPECT_TRUE(name == NameFor(first, first.wSecond, -330) || name == NameFor(last, last.wSecond, -330)) << name;
  EXPECT_EQ(Bytes(text.substr(0, text.rfind(L"INFO"))) + "INFO: \"C:\\?????\\?.avi\" ? caf\xe9\r\n",
            drive::FileBytes(name));
  EXPECT_EQ(text, MessagesText().substr(0, text.size()));
  EXPECT_TRUE(EndsWith(MessagesText(),
                       name + L"\"\r\nINFO: 7 characters beyond Latin-1 were written to the file as \"?\"\r\n"));
}

// Above 32,768 units the window's control is replaced rather than emptied.
TEST_F(LogFiles, SaveAndClearLeavesOnlyTheConfirmationInAWorkingWindow) {
  for (int posts : {1, 100}) {
    for (int i = 0; i < posts; ++i)
      RouteUserMessage((L"INFO: " + std::wstring(400, L'a' + i % 26) + L"\r\n").c_str(), i % 10 == 0);
    const std::wstring text = MessagesText(), name = Save(SaveMessagesAndClearId);
    EXPECT_EQ(Bytes(text), drive::FileBytes(name));
    EXPECT_EQ(SavedIn + name + L"\" and all messages cleared\r\n", MessagesText().substr(10));  // after "\r\nHH:MM:SS"
    RouteUserMessage(L"WARNING: next\r\n", 1);
    EXPECT_TRUE(EndsWith(MessagesText(), L" (UTC)\r\nWARNING: next\r\n"));
    const RECT client = drive::RectOf(TheApp->MessagesWindow), control = drive::RectOf(TheApp->MessagesEdit);
    EXPECT_TRUE(IsWindowVisible(TheApp->MessagesEdit) && control.right > client.right - 16 &&
                control.bottom > client.bottom - 16 && control.right <= client.right);
  }
}

TEST_F(LogFiles, ASaveInASecondThatHasALogFileGetsItsOwnFile) {
  // Every second of this minute and the next already has its log file, as after an earlier save.
  SYSTEMTIME now;
  GetLocalTime(&now);
  CreateDirectoryW(L"LogFiles", nullptr);
  for (int32_t minute : {0, 1})
    for (WORD s = 0; s < 60; ++s) WriteFileBytes(NameFor(now, s, UtcBiasMinutes + minute), "earlier");
  RouteUserMessage(L"WARNING: saved\r\n", 1);
  const std::wstring name = Save(SaveMessagesId);
  ASSERT_TRUE(EndsWith(name, L"_2.txt")) << name;
  EXPECT_EQ("earlier", drive::FileBytes(name.substr(0, name.size() - 6) + L".txt"));
}

TEST_F(LogFiles, FailedSavesWarnWithTheReasonAndClearNothing) {
  const std::pair<LogSaveStep, const wchar_t*> cases[] = {
      {LogSaveStep::MakeDirectory, L"cannot create the \"LogFiles\" directory ("},
      {LogSaveStep::OpenFile, L"cannot create the file ("},
      {LogSaveStep::WriteText, L"cannot write the file ("},
      {LogSaveStep::None, L"\"LogFiles\" is not a directory"}};  // last, so that no failure stays forced
  RouteUserMessage(L"WARNING: to be kept\r\n", 1);
  for (const auto& [step, reason] : cases) {
    ForcedLogFailure = step;
    if (step == LogSaveStep::None) WriteFileBytes(L"LogFiles", "a file in the way");
    const std::wstring text = MessagesText();
    Command(SaveMessagesAndClearId, TheApp->MessagesWindow);
    const std::wstring after = MessagesText(), added = after.substr(std::min(text.size(), after.size()));
    EXPECT_EQ(text, after.substr(0, text.size())) << "nothing was cleared";
    EXPECT_EQ(step == LogSaveStep::MakeDirectory,
              added.find(L"\r\nUnable to create \"LogFiles\" directory under the process directory.  Check security "
                         L"settings.\r\n") != std::wstring::npos);
    const size_t at = added.rfind(L" (UTC)\r\nWARNING: user messages not saved in file \"LogFiles\\log_");
    EXPECT_TRUE(added.find(reason, at) != std::wstring::npos && added.find(L"\r\n", at + 8) == added.size() - 2 &&
                EndsWith(added, L"; nothing was cleared, all messages stay in this window\r\n"))
        << added;  // the warning is the last post: no save is confirmed
    EXPECT_TRUE(RemoveDirectoryW(L"LogFiles") || GetLastError() != ERROR_DIR_NOT_EMPTY) << "no partial file is left";
  }
}

}  // namespace
