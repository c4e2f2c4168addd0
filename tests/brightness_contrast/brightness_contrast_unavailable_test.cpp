// Without the "Color Control" DMO: start-up looks through a private, empty
// view of HKCR (this process only) and finds no video effect.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/main_window.h"
#include "harness/app_harness.h"

namespace {

const wchar_t EmptyView[] = L"Software\\OrvoNoColorControlTest";

class NoColorControlTest : public AppTest {
  void BeforeStart() override {
    HKEY empty = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, EmptyView, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &empty, nullptr);
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, empty));
    RegCloseKey(empty);
  }
};

TEST_F(NoColorControlTest, MenuLacksTheItemAndPlaybackWorks) {
  RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);  // start-up has looked
  RegDeleteTreeW(HKEY_CURRENT_USER, EmptyView);
  EXPECT_EQ(-1, static_cast<int>(GetMenuState(TheApp->DisplayMenu, BrightnessContrastId, MF_BYCOMMAND)));
  Open(MakeCaptureRecording(30, {}));  // which asserts the file opened at frame 0
}

}  // namespace
