// File > Open through the real common item dialog, driven the way a user
// would from another thread: type the path into the file name field, press
// Open (or Cancel).

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/app_context.h"
#include "app/main_window.h"
#include "graph_test_support.h"

namespace {

class OpenDialogTest : public GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    ChooseVideoFile = ShowOpenFileDialog;  // the real dialog, not the stand-in
  }

  // Waits for the "Open" dialog, types path (unless empty) and presses button.
  void AnswerDialog(const std::wstring& path, int button) {
    answered_ = false;
    answerer_ = std::thread([this, path, button]() {
      HWND dialog = nullptr;
      for (int attempt = 0; attempt < 400 && dialog == nullptr; ++attempt) {
        dialog = FindWindowW(L"#32770", L"Open");
        if (dialog == nullptr) Sleep(25);
      }
      if (dialog == nullptr) return;
      if (!path.empty()) {
        HWND name = GetDlgItem(dialog, 0x480);  // Wine's file name field
        if (name == nullptr) return;
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
      }
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
      answered_ = true;
    });
  }
  bool Answered() {
    answerer_.join();
    return answered_;
  }

 private:
  std::thread answerer_;
  std::atomic<bool> answered_{false};
};

TEST_F(OpenDialogTest, ChosenFileIsOpened) {
  const std::wstring path = MakeDroppedFramesRecording();
  AnswerDialog(path, IDOK);
  OpeningFile = 1;
  const HRESULT hr = TheGraph->OpenVideoFile();
  OpeningFile = 0;
  ASSERT_TRUE(Answered()) << "no \"Open\" dialog with a file name field appeared";
  ASSERT_EQ(S_OK, hr);
  EXPECT_EQ(path, reinterpret_cast<const wchar_t*>(TheGraph->FileInfo.FilePath));
  EXPECT_EQ(30u, OpenFrameCount);
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
  FitClipWindow();
  EXPECT_TRUE(WaitForShownFrame(0));
}

TEST_F(OpenDialogTest, CancelLeavesTheOpenFileAsItWas) {
  const std::wstring path = MakeDroppedFramesRecording();
  ASSERT_EQ(S_OK, Open(path));  // through the stand-in
  ChooseVideoFile = ShowOpenFileDialog;
  NewMessages();
  AnswerDialog(L"", IDCANCEL);
  const HRESULT hr = TheGraph->OpenVideoFile();
  ASSERT_TRUE(Answered());
  EXPECT_EQ(E_ABORT, hr);
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
  EXPECT_EQ(path, reinterpret_cast<const wchar_t*>(TheGraph->FileInfo.FilePath));
  EXPECT_NE(nullptr, TheGraph->SourceFilter);
  EXPECT_EQ(30u, OpenFrameCount);
}

}  // namespace
