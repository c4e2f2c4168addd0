// The User Messages window: how posts appear, long texts, and keeping the
// window on the work area.

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "harness/app_harness.h"
#include "messages/user_messages.h"

namespace {

class MessagesWindowTest : public AppTest {};

TEST_F(MessagesWindowTest, StampedAndUnstampedPostsAndNullText) {
  ASSERT_EQ(0, StartResult());
  const size_t before = SplitLines(MessagesText()).size();
  PostUserMessage(L"first\r\n", 1);
  PostUserMessage(L"\tsecond", 0);
  PostUserMessage(nullptr, 0);
  const std::vector<std::wstring> lines = SplitLines(MessagesText());
  ASSERT_EQ(before + 5, lines.size()) << testing::PrintToString(lines);
  EXPECT_EQ(L"", lines[before - 1]);
  EXPECT_TRUE(IsTimeLine(lines[before]));
  EXPECT_EQ(L"first", lines[before + 1]);
  EXPECT_EQ(L"", lines[before + 2]);
  EXPECT_EQ(L"\tsecond", lines[before + 3]);
  EXPECT_EQ(L"", lines[before + 4]);
}

TEST_F(MessagesWindowTest, TextsLongerThanTheCompositionBufferAreCutAtItsEnd) {
  ASSERT_EQ(0, StartResult());
  const std::wstring before = MessagesText();
  const std::wstring longText(5000, L'x');
  PostUserMessage(longText.c_str(), 1);
  const std::wstring added = MessagesText().substr(before.size());
  // "\r\n", "HH:MM:SS (UTC)\r\n" and as much of the text as fits in 511 units.
  EXPECT_EQ(511u, added.size());
  EXPECT_EQ(std::wstring(511 - 18, L'x'), added.substr(18));

  PostUserMessage(longText.c_str(), 0);
  EXPECT_EQ(before.size() + 511 + 511, MessagesText().size());
}

TEST_F(MessagesWindowTest, QueuedTextsAreKeptUpTo4095Units) {
  ASSERT_EQ(0, StartResult());
  // Queued copies hold 4095 units; posting them cuts them again to the
  // composition buffer, so what shows is the composition's share of it.
  const std::wstring longText(10000, L'q');
  QueuePendingMessage(longText.c_str());
  QueuePendingMessage(nullptr);
  const std::wstring before = MessagesText();
  FlushPendingMessages();
  const std::wstring added = MessagesText().substr(before.size());
  // The first queued entry (start-up's notice) gets the time line; then the
  // long text, then an empty entry.
  EXPECT_NE(std::wstring::npos, added.find(L"No Options File or unreadable Options File"));
  EXPECT_NE(std::wstring::npos, added.find(std::wstring(509, L'q')));
  EXPECT_EQ(L"\r\n", added.substr(added.size() - 2));
}

TEST_F(MessagesWindowTest, ManyPostsKeepTheNewestLineInView) {
  ASSERT_EQ(0, StartResult());
  for (int i = 0; i < 200; ++i) PostUserMessage((L"line " + std::to_wstring(i) + L"\r\n").c_str(), 0);
  HWND edit = TheApp->MessagesEdit;
  const LRESULT firstVisible = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
  const LRESULT lineCount = SendMessageW(edit, EM_GETLINECOUNT, 0, 0);
  EXPECT_GT(firstVisible, lineCount - 60);
}

TEST_F(MessagesWindowTest, MovedPastTheWorkAreaComesBack) {
  ASSERT_EQ(0, StartResult());
  HWND window = TheApp->MessagesWindow;
  SetWindowPos(window, nullptr, WorkArea.right - 100, -40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Pump(50);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(WorkArea.right, r.right);
  EXPECT_EQ(0, r.top);
}

TEST_F(MessagesWindowTest, ResizedWiderThanTheWorkAreaIsCutAndTheEditFillsIt) {
  ASSERT_EQ(0, StartResult());
  HWND window = TheApp->MessagesWindow;
  const LONG workWidth = WorkArea.right - WorkArea.left;
  SetWindowPos(window, nullptr, 0, 0, workWidth + 300, 400, SWP_NOMOVE | SWP_NOZORDER);
  Pump(50);
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(workWidth, r.right - r.left);
  RECT client, edit;
  GetClientRect(window, &client);
  GetClientRect(TheApp->MessagesEdit, &edit);
  RECT editOuter;
  GetWindowRect(TheApp->MessagesEdit, &editOuter);
  EXPECT_EQ(client.right, editOuter.right - editOuter.left);
  EXPECT_EQ(client.bottom, editOuter.bottom - editOuter.top);
}

}  // namespace
