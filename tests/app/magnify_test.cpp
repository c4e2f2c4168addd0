// Magnify and the scrolling host: each size of the picture, the main window
// laid out around it at its home position, and scrolling a picture that does
// not fit.

#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "avi_generator.h"
#include "controls/display_windows.h"
#include "harness/app_harness.h"

namespace {

constexpr unsigned OpenCommand = 32795;
constexpr unsigned MagnifyCommand = 32800;

class MagnifyTest : public AppTest {
 protected:
  void OpenRecording(uint32_t width, uint32_t height) {
    AviGenOptions options;
    options.Width = width;
    options.Height = height;
    options.FrameCount = 10;
    ArrangeFileChoice(S_OK, WriteRecording(WorkDir(), L"rec.avi", options));
    Command(TheApp->MainWindow, OpenCommand);
    ASSERT_NE(0u, TheApp->Shared->VideoWidth);
  }

  void Choose(unsigned buttonId) {
    SendMessageW(TheApp->MagnifyWindow, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), 0);
    Pump(30);
  }

  RECT ClientOf(HWND window) {
    RECT r = {};
    GetClientRect(window, &r);
    return r;
  }
};

TEST_F(MagnifyTest, EachLevelSizesThePictureAndLaysTheMainWindowOutAtHome) {
  ASSERT_EQ(0, StartResult());
  OpenRecording(322, 242);
  Command(TheApp->MainWindow, MagnifyCommand);
  EXPECT_TRUE(IsWindowVisible(TheApp->MagnifyWindow));
  EXPECT_EQ(BST_CHECKED, SendMessageW(TheApp->MagnifyNoneButton, BM_GETCHECK, 0, 0));
  EXPECT_TRUE(GetMenuState(TheApp->DisplayMenu, MagnifyCommand, MF_BYCOMMAND) & MF_CHECKED);

  // Moved away, the main window comes back home at every choice.
  SetWindowPos(TheApp->MainWindow, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Pump(30);

  const struct {
    unsigned id;
    uint32_t width, height;
  } levels[] = {{MagnifyHalfId, 161, 121},
                {MagnifyThreeQuarterId, 241, 181},
                {MagnifyOneAndHalfId, 483, 363},
                {MagnifyDoubleId, 644, 484},
                {MagnifyNoneId, 322, 242}};
  for (const auto& level : levels) {
    Choose(level.id);
    EXPECT_EQ(level.width, TheApp->Shared->DisplayWidth) << level.id;
    EXPECT_EQ(level.height, TheApp->Shared->DisplayHeight) << level.id;
    RECT main;
    GetWindowRect(TheApp->MainWindow, &main);
    EXPECT_EQ(MainWindowX, main.left) << level.id;
    EXPECT_EQ(MainWindowY, main.top) << level.id;
    RECT clip;
    GetWindowRect(TheApp->ClipWindow, &clip);
    EXPECT_EQ(static_cast<LONG>(level.width) + ClipFrameWidth, clip.right - clip.left) << level.id;
    EXPECT_EQ(1, PlaybackState);
  }
}

TEST_F(MagnifyTest, ClosingTheMagnifyWindowRestoresTheNativeSize) {
  ASSERT_EQ(0, StartResult());
  OpenRecording(200, 150);
  Command(TheApp->MainWindow, MagnifyCommand);
  Choose(MagnifyDoubleId);
  EXPECT_EQ(400u, TheApp->Shared->DisplayWidth);
  SendMessageW(TheApp->MagnifyWindow, WM_CLOSE, 0, 0);
  Pump(30);
  EXPECT_TRUE(IsWindow(TheApp->MagnifyWindow));  // hidden, never destroyed
  EXPECT_FALSE(IsWindowVisible(TheApp->MagnifyWindow));
  EXPECT_EQ(200u, TheApp->Shared->DisplayWidth);
  EXPECT_EQ(0u, TheApp->Shared->MagnifyOn);
  EXPECT_FALSE(GetMenuState(TheApp->DisplayMenu, MagnifyCommand, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(MagnifyTest, APictureLargerThanTheWorkAreaScrollsInItsHost) {
  ASSERT_EQ(0, StartResult());
  // Doubled, a 900 x 700 picture is larger than the 1600 x 1200 screen.
  OpenRecording(900, 700);
  Command(TheApp->MainWindow, MagnifyCommand);
  Choose(MagnifyDoubleId);
  HWND scroll = TheApp->ScrollWindow;
  ASSERT_EQ(scroll, GetParent(TheApp->ClipWindow));
  EXPECT_TRUE(IsWindowVisible(scroll));

  const RECT client = ClientOf(scroll);
  EXPECT_EQ(1800 - client.right, ScrollLimitX);
  EXPECT_EQ(1400 - client.bottom, ScrollLimitY);

  auto clipLeft = [&] {
    RECT r;
    GetWindowRect(TheApp->ClipWindow, &r);
    POINT p = {r.left, r.top};
    ScreenToClient(scroll, &p);
    return p.x;
  };
  SendMessageW(scroll, WM_HSCROLL, SB_LINERIGHT, 0);
  EXPECT_EQ(5, ScrollOffsetX);
  EXPECT_EQ(-5, clipLeft());
  SendMessageW(scroll, WM_HSCROLL, SB_PAGERIGHT, 0);
  EXPECT_EQ(55, ScrollOffsetX);
  SendMessageW(scroll, WM_HSCROLL, SB_PAGELEFT, 0);
  SendMessageW(scroll, WM_HSCROLL, SB_PAGELEFT, 0);
  EXPECT_EQ(0, ScrollOffsetX);
  SendMessageW(scroll, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 0);
  EXPECT_EQ(0, ScrollOffsetX);  // dragging does not move the picture
  SendMessageW(scroll, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 30000), 0);
  EXPECT_EQ(ScrollLimitX, ScrollOffsetX);
  EXPECT_EQ(-ScrollLimitX, clipLeft());
  SendMessageW(scroll, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(5, ScrollOffsetY);
  SendMessageW(scroll, WM_VSCROLL, SB_LINEUP, 0);
  SendMessageW(scroll, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(0, ScrollOffsetY);

  // Back to the native size: the picture fits and hangs in the main window.
  Choose(MagnifyNoneId);
  EXPECT_EQ(TheApp->MainWindow, GetParent(TheApp->ClipWindow));
  EXPECT_FALSE(IsWindowVisible(scroll));
}

}  // namespace
