// The program at 150 % display scale (144 DPI): the chrome is half as large
// again, while the picture keeps the recording's own pixels. Wine takes the
// scale from the LogPixels setting when a process starts, so the test program
// sets it, runs its checks in a second process of its own, and puts the
// setting back whatever happens there.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app_context.h"
#include "controls/display_windows.h"
#include "controls/playback_controls.h"
#include "harness/app_harness.h"

namespace {

const wchar_t DesktopKey[] = L"Control Panel\\Desktop";

bool ReadLogPixels(DWORD* value) {
  DWORD size = sizeof *value;
  return RegGetValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, value, &size) ==
         ERROR_SUCCESS;
}

void WriteLogPixels(const DWORD* value) {
  if (value != nullptr) {
    RegSetKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels", REG_DWORD, value, sizeof *value);
  } else {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, DesktopKey, L"LogPixels");
  }
}

TEST(HighDpi, TheProgramAt144Dpi) {
  DWORD before = 0;
  const bool had = ReadLogPixels(&before);
  const DWORD scaled = 144;
  WriteLogPixels(&scaled);

  wchar_t self[MAX_PATH] = {};
  ASSERT_NE(0u, GetModuleFileNameW(nullptr, self, MAX_PATH));
  std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=HighDpiProgram.*";
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION child = {};
  const BOOL started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
  DWORD code = 1;
  if (started) {
    WaitForSingleObject(child.hProcess, 300000);
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  WriteLogPixels(had ? &before : nullptr);
  ASSERT_TRUE(started);
  EXPECT_EQ(0u, code) << "the checks at 144 DPI failed (their output is above)";
}

class HighDpiProgram : public AppTest {};

TEST_F(HighDpiProgram, ChromeScalesAndThePictureKeepsItsPixels) {
  ASSERT_EQ(144u, GetDpiForWindow(TheApp->MainWindow)) << "the scale was not taken up";

  // Buttons, slider, status line and windows at 1.5 times their lengths.
  RECT button = drive::RectOf(StartButton);
  EXPECT_EQ(150, button.right - button.left);
  EXPECT_EQ(150, button.bottom - button.top);
  EXPECT_EQ(954, WidthOf(TheApp->PlaybackWindow));
  EXPECT_EQ(921, WidthOf(StatusLine));
  EXPECT_EQ(921, WidthOf(PositionSlider));
  EXPECT_EQ(150, WidthOf(TheApp->MagnifyNoneButton));

  // A 160 x 120 recording covers 160 x 120 pixels, 320 x 240 magnified twice.
  Open(MakeCaptureRecording(30, {5}));
  RECT picture = {};
  GetClientRect(TheApp->ClipWindow, &picture);
  EXPECT_EQ(160, picture.right);
  EXPECT_EQ(120, picture.bottom);
  uint32_t shown = 99;
  EXPECT_TRUE(ShownFrame(&shown));
  EXPECT_EQ(0u, shown);
  SendMessageW(TheApp->MagnifyWindow, WM_COMMAND, MAKEWPARAM(MagnifyDoubleId, BN_CLICKED), 0);
  Pump(30);
  GetClientRect(TheApp->ClipWindow, &picture);
  EXPECT_EQ(320, picture.right);
  EXPECT_EQ(240, picture.bottom);
}

}  // namespace
