// Brightness and contrast under Wine, driven as a user would: Display >
// Brightness/Contrast... on the main window, the window's sliders (dragged and
// keyed) and its close box, File > Close; the picture is read back from the
// screen and the settings from the filter's property store. The "Color
// Control" DMO is registered in the test prefix; a private view of HKCR hides
// it where a test needs it missing.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app_context.h"
#include "app/main_window.h"
#include "avi_generator.h"
#include "controls/brightness_contrast_window.h"
#include "controls/playback_controls.h"
#include "frame_picture.h"
#include "graph/color_control.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "harness/app_harness.h"

namespace {

constexpr unsigned BrightnessContrastCommand = 32799;
constexpr unsigned OpenCommand = 32795;
constexpr unsigned CloseCommand = 32796;
const wchar_t CannotStart[] = L"Brightness/contrast cannot start; the avi file must be reopened\r\n";

int Grey(COLORREF c) { return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3; }
bool Has(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

// For a start-up that does not take the brightness/contrast steps itself (the
// filter looked up, the window made, the menu item and its command, the reset
// on File > Close): the same calls, made after start-up.
WNDPROC ShellProc = nullptr;
LRESULT CALLBACK ShellWithBrightnessContrast(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == BrightnessContrastCommand) {
    ToggleBrightnessContrast();
    return 0;
  }
  const LRESULT result = CallWindowProcW(ShellProc, window, message, wParam, lParam);
  if (message == WM_COMMAND && LOWORD(wParam) == CloseCommand) ResetBrightnessContrast();
  return result;
}

void TakeMissingStartupSteps(AppContext* app, const std::wstring& startupText) {
  const bool lookedUp = app->Graph->ColorFilter != nullptr ||
                        Has(startupText, L"Brightness/contrast is not available") ||
                        Has(startupText, L"brightness/contrast filter - thus not enabled");
  if (!lookedUp) app->Graph->ColorControlAvailable = static_cast<uint32_t>(FindColorControlFilter(*app->Graph));
  if (app->BrightnessContrastWindow != nullptr) return;
  ASSERT_EQ(1, CreateBrightnessContrastWindow(app));
  if (app->Graph->ColorControlAvailable == 1) {
    InsertMenuW(app->DisplayMenu, MagnifyId, MF_BYCOMMAND | MF_STRING, BrightnessContrastCommand,
                L"Brightness/Contrast...");
  }
  ShellProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(app->MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ShellWithBrightnessContrast)));
}

class BrightnessContrastTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_EQ(0, StartResult());
    TakeMissingStartupSteps(TheApp, MessagesText());
    GetWindowRect(TheApp->BrightnessContrastWindow, &startRect_);
    // Nothing may cover the picture, which is read back from the screen.
    const UINT keep = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(TheApp->MessagesWindow, nullptr, 900, 700, 0, 0, keep);
    SetWindowPos(TheApp->PlaybackWindow, nullptr, 100, 700, 0, 0, keep);
    SetWindowPos(TheApp->BrightnessContrastWindow, nullptr, 1000, 100, 0, 0, keep);
    Pump(30);
  }

  void Open(AviGenFormat format = AviGenFormat::Dib24, uint32_t frames = 10) {
    AviGenOptions options;
    options.Format = format;
    options.FrameCount = frames;
    ArrangeFileChoice(S_OK, WriteRecording(WorkDir(), L"rec" + std::to_wstring(++opened_) + L".avi", options));
    Command(TheApp->MainWindow, OpenCommand);
    ASSERT_NE(0u, OpenFrameCount);
  }
  void Switch() { Command(TheApp->MainWindow, BrightnessContrastCommand); }
  void Drag(HWND slider, int position) {
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    SendMessageW(TheApp->BrightnessContrastWindow, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position),
                 reinterpret_cast<LPARAM>(slider));
    Pump(10);
  }
  static void Key(HWND slider, WPARAM key) {
    SendMessageW(slider, WM_KEYDOWN, key, 0);
    SendMessageW(slider, WM_KEYUP, key, 0);
  }
  static int Setting(const PROPERTYKEY& key) {
    PROPVARIANT value;
    PropVariantInit(&value);
    if (TheGraph->ColorProperties == nullptr || TheGraph->ColorProperties->GetValue(key, &value) != S_OK) return 999;
    const int setting = value.lVal;
    PropVariantClear(&value);
    return setting;
  }
  static int SliderAt(HWND slider) { return static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0)); }
  static bool ItemChecked() {
    return (GetMenuState(TheApp->DisplayMenu, BrightnessContrastCommand, MF_BYCOMMAND) & MF_CHECKED) != 0;
  }
  static bool Shown() { return IsWindowVisible(TheApp->BrightnessContrastWindow) != FALSE; }

  // A point of the picture's background as the screen shows it, once done
  // says so or the attempts run out.
  template <class Done>
  COLORREF WaitForPixel(Done done) {
    COLORREF c = CLR_INVALID;
    for (int i = 0; i < 300; ++i, Pump(10)) {
      POINT p = {4, 100};
      ClientToScreen(TheApp->ClipWindow, &p);
      HDC screen = GetDC(nullptr);
      c = GetPixel(screen, p.x, p.y);
      ReleaseDC(nullptr, screen);
      if (done(c)) break;
    }
    return c;
  }
  COLORREF WaitForBackground() {
    return WaitForPixel([](COLORREF c) { return abs(Grey(c) - FrameBackgroundLevel) < 8; });
  }
  COLORREF WaitForBrighter(COLORREF than) {
    return WaitForPixel([than](COLORREF c) { return Grey(c) > Grey(than) + 100; });
  }
  COLORREF WaitFor(COLORREF wanted) {
    return WaitForPixel([wanted](COLORREF c) { return c == wanted; });
  }

  void PlayUntil(uint32_t frame) {
    SendMessageW(StartButton, BM_CLICK, 0, 0);
    for (int i = 0; i < 400 && CurrentFramePosition() < frame; ++i) Pump(10);
    ASSERT_GE(CurrentFramePosition(), frame);
  }

  RECT startRect_ = {};

 private:
  int opened_ = 0;
};

class RegisteredTest : public BrightnessContrastTest {
 protected:
  void SetUp() override {
    BrightnessContrastTest::SetUp();
    ASSERT_EQ(1u, TheGraph->ColorControlAvailable)
        << "OrvoColorControl.dll must be registered in the Wine prefix (scripts/register-components.sh)";
  }
};

TEST_F(RegisteredTest, WindowIsMadeHiddenWithTwoNeutralSlidersAndGreyLabels) {
  HWND window = TheApp->BrightnessContrastWindow;
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  EXPECT_STREQ(L"BrightnessContrast", name);
  EXPECT_EQ(L"Brightness and Contrast", WindowTextOf(window));
  EXPECT_FALSE(Shown());
  EXPECT_EQ(200, startRect_.left);  // the default brightness/contrast position
  EXPECT_EQ(310, startRect_.right - startRect_.left);
  EXPECT_EQ(270, startRect_.bottom - startRect_.top);
  for (HWND slider : {TheApp->BrightnessSlider, TheApp->ContrastSlider}) {
    EXPECT_EQ(100, SendMessageW(slider, TBM_GETRANGEMAX, 0, 0));
    EXPECT_EQ(50, SliderAt(slider));
    EXPECT_EQ(1, SendMessageW(slider, TBM_GETPAGESIZE, 0, 0));
    EXPECT_EQ(5, SendMessageW(slider, TBM_GETNUMTICS, 0, 0));  // 25, 50, 75 and both ends
  }
  EXPECT_EQ(32778, GetDlgCtrlID(TheApp->BrightnessSlider));
  EXPECT_EQ(32779, GetDlgCtrlID(TheApp->ContrastSlider));
  ASSERT_NE(nullptr, FindWindowExW(window, nullptr, L"Static", L"Brightness"));
  HWND label = FindWindowExW(window, nullptr, L"Static", L"Contrast");
  ASSERT_NE(nullptr, label);
  EXPECT_EQ(reinterpret_cast<LRESULT>(FontConsolas18), SendMessageW(label, WM_GETFONT, 0, 0));
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(reinterpret_cast<LRESULT>(StaticBackgroundBrush),
            SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
  EXPECT_EQ(RGB(0, 0, 0), GetTextColor(dc));
  EXPECT_EQ(RGB(0xC0, 0xC0, 0xC0), GetBkColor(dc));
  DeleteDC(dc);
}

TEST_F(RegisteredTest, SliderNotificationsWriteTheirSettingsAndHomeAndEndChangeNothing) {
  HWND window = TheApp->BrightnessContrastWindow;
  HWND brightness = TheApp->BrightnessSlider;
  Drag(brightness, 0);
  Drag(TheApp->ContrastSlider, 100);
  EXPECT_EQ(127, Setting(ContrastPropertyKey));
  EXPECT_EQ(-127, Setting(BrightnessPropertyKey));  // left alone by the contrast slider
  Drag(brightness, 50);
  EXPECT_EQ(0, Setting(BrightnessPropertyKey));

  Key(brightness, VK_RIGHT);  // line and page steps of one
  EXPECT_EQ(2, Setting(BrightnessPropertyKey));
  Key(brightness, VK_NEXT);
  EXPECT_EQ(52, SliderAt(brightness));
  EXPECT_EQ(5, Setting(BrightnessPropertyKey));
  Key(brightness, VK_HOME);  // moves the thumb, writes nothing
  EXPECT_EQ(0, SliderAt(brightness));
  Key(brightness, VK_END);
  SendMessageW(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 100), reinterpret_cast<LPARAM>(brightness));
  EXPECT_EQ(5, Setting(BrightnessPropertyKey));
  EXPECT_EQ(0, SendMessageW(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 0), 0));  // not one of the sliders
  EXPECT_EQ(5, Setting(BrightnessPropertyKey));

  // Closed with no file open: neutral again, and the controls stay off.
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, Setting(BrightnessPropertyKey));
  EXPECT_EQ(10, PlaybackState);
  EXPECT_FALSE(IsWindowEnabled(StartButton));

  ForcedColorControlFailure = ColorControlStep::GetSetting;
  Drag(brightness, 80);
  ForcedColorControlFailure = ColorControlStep::SetSetting;
  Drag(TheApp->ContrastSlider, 80);
  EXPECT_TRUE(Has(MessagesText(), L"\r\nCannot set brightness control\r\n"));
  EXPECT_TRUE(Has(MessagesText(), L"\r\nCannot set contrast control\r\n"));
}

class PictureTest : public RegisteredTest {
 protected:
  void SlidersChangeTheShownPictureAndNeutralRestoresItExactly(AviGenFormat format) {
    Open(format);
    const COLORREF before = WaitForBackground();
    ASSERT_NEAR(FrameBackgroundLevel, Grey(before), 8);
    Switch();
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(ItemChecked());
    EXPECT_EQ(before, WaitFor(before));  // through the filter, unchanged
    Drag(TheApp->BrightnessSlider, 100);
    EXPECT_GT(Grey(WaitForBrighter(before)), Grey(before) + 100);
    Drag(TheApp->ContrastSlider, 0);  // flat and light
    EXPECT_GE(Grey(WaitForPixel([](COLORREF c) { return Grey(c) >= 240; })), 240);
    Drag(TheApp->BrightnessSlider, 50);
    Drag(TheApp->ContrastSlider, 50);
    EXPECT_EQ(before, WaitFor(before));
  }
};

TEST_F(PictureTest, Dib24) { SlidersChangeTheShownPictureAndNeutralRestoresItExactly(AviGenFormat::Dib24); }
TEST_F(PictureTest, Yuy2) { SlidersChangeTheShownPictureAndNeutralRestoresItExactly(AviGenFormat::Yuy2); }

// On again in the same file, the filter is still a member of the graph and
// AddFilter is repeated: Wine's graph takes it again under another name.
TEST_F(RegisteredTest, OffAndOnAgainInOneFileFollowsTheGraphsAnswer) {
  Open();
  const COLORREF before = WaitForBackground();
  for (int round = 1; round <= 2; ++round) {
    Switch();
    ASSERT_TRUE(Shown()) << round << testing::PrintToString(MessagesText());
    Drag(TheApp->BrightnessSlider, 100);
    EXPECT_GT(Grey(WaitForBrighter(before)), Grey(before) + 100);
    Switch();  // off: the renderer fed directly again, paused, neutral
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(ItemChecked());
    EXPECT_EQ(50, SliderAt(TheApp->BrightnessSlider));
    EXPECT_EQ(0, Setting(BrightnessPropertyKey));
    EXPECT_EQ(1, PlaybackState);
    EXPECT_EQ(before, WaitFor(before)) << round;
  }
  EXPECT_FALSE(Has(MessagesText(), L"WARNING"));
}

TEST_F(RegisteredTest, WhilePlayingSwitchingOnAndClosingTheWindowPauseOnTheCurrentFrame) {
  Open(AviGenFormat::Dib24, 300);
  const COLORREF before = WaitForBackground();
  PlayUntil(5);
  Switch();
  EXPECT_EQ(1, PlaybackState);
  EXPECT_FALSE(IsWindowEnabled(PauseButton));
  int64_t frame = CurrentFramePosition();
  EXPECT_GE(frame, 5);

  Drag(TheApp->BrightnessSlider, 100);
  PlayUntil(static_cast<uint32_t>(frame) + 5);
  SendMessageW(TheApp->BrightnessContrastWindow, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(TheApp->BrightnessContrastWindow));
  EXPECT_FALSE(Shown());
  EXPECT_EQ(1, PlaybackState);
  EXPECT_EQ(3, GraphRunState);
  EXPECT_EQ(0, Setting(BrightnessPropertyKey));
  EXPECT_EQ(50, SliderAt(TheApp->BrightnessSlider));
  frame = CurrentFramePosition();
  EXPECT_GE(frame, 10);
  EXPECT_EQ(frame, SendMessageW(PositionSlider, TBM_GETPOS, 0, 0));
  EXPECT_EQ(before, WaitFor(before));
}

TEST_F(RegisteredTest, ClosingTheFileLeavesEverythingNeutralAndTheNextFileTakesTheFilter) {
  Open();
  const COLORREF before = WaitForBackground();
  Switch();
  Drag(TheApp->BrightnessSlider, 80);
  Drag(TheApp->ContrastSlider, 10);
  Command(TheApp->MainWindow, CloseCommand);
  EXPECT_EQ(0u, TheApp->Shared->BrightnessContrastOn);
  EXPECT_FALSE(ItemChecked());
  EXPECT_FALSE(Shown());
  EXPECT_EQ(50, SliderAt(TheApp->ContrastSlider));
  EXPECT_EQ(0, Setting(BrightnessPropertyKey));
  EXPECT_EQ(0, Setting(ContrastPropertyKey));

  Open();
  Switch();
  Drag(TheApp->BrightnessSlider, 100);
  EXPECT_GT(Grey(WaitForBrighter(before)), Grey(before) + 100);
}

// A step of the splice that fails reports its warning; the file is closed.
class InsertionFailureTest : public RegisteredTest {
 protected:
  void ReportsTheStepAndClosesTheFile(ColorControlStep step, const wchar_t* message) {
    Open();
    ForcedColorControlFailure = step;
    Switch();
    const std::wstring text = MessagesText();
    const size_t at = text.find(message);
    ASSERT_NE(std::wstring::npos, at) << testing::PrintToString(std::wstring(message));
    EXPECT_NE(std::wstring::npos, text.find(CannotStart, at));
    EXPECT_EQ(10, PlaybackState);
    EXPECT_EQ(0u, TheApp->Shared->BrightnessContrastOn);
    EXPECT_FALSE(ItemChecked());
    EXPECT_FALSE(Shown());
  }
};

TEST_F(InsertionFailureTest, AddFilter) {
  ReportsTheStepAndClosesTheFile(ColorControlStep::AddFilter,
                                 L"WARNING: cannot add brightness/contrast filter to graph - thus not enabled\r\n");
}
TEST_F(InsertionFailureTest, ConnectColorOutput) {
  ReportsTheStepAndClosesTheFile(
      ColorControlStep::ConnectColorOutput,
      L"WARNING: direct connection of brightness/contrast output pin and EVR input pin failed\r\n");
}

TEST_F(RegisteredTest, AFailedRemovalIsReportedAndTheWindowStillGoesNeutral) {
  Open();
  Switch();
  ForcedColorControlFailure = ColorControlStep::ConnectRendererBack;
  Switch();
  EXPECT_TRUE(Has(MessagesText(),
                  L"WARNING: direct connection of brightness/contrast input pin and EVR connected to pin failed\r\n"));
  EXPECT_FALSE(Shown());
  EXPECT_EQ(0u, TheApp->Shared->BrightnessContrastOn);
}

// HKCR seen by this process only, and empty, while the program starts.
class UnavailableTest : public BrightnessContrastTest {
 protected:
  void BeforeStart() override {
    path_ = L"Software\\OrvoBrightnessContrastTest\\" + std::to_wstring(GetCurrentProcessId());
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) ==
        ERROR_SUCCESS) {
      hidden_ = RegOverridePredefKey(HKEY_CLASSES_ROOT, key_) == ERROR_SUCCESS;
    }
  }
  void SetUp() override {
    BrightnessContrastTest::SetUp();
    if (hidden_) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    if (key_ != nullptr) RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    ASSERT_TRUE(hidden_) << "RegOverridePredefKey failed";
  }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
  bool hidden_ = false;
};

TEST_F(UnavailableTest, StartupSaysSoTheMenuLacksTheItemAndPlaybackWorks) {
  EXPECT_TRUE(Has(MessagesText(),
                  L"\r\nThe DMO color control filter is not installed.  Brightness/contrast is not available."));
  EXPECT_EQ(0u, TheGraph->ColorControlAvailable);
  EXPECT_EQ(-1, static_cast<int>(GetMenuState(TheApp->DisplayMenu, BrightnessContrastCommand, MF_BYCOMMAND)));
  EXPECT_EQ(1, GetMenuItemCount(TheApp->DisplayMenu));  // "Magnify..." alone

  Open();
  EXPECT_EQ(2, PlaybackState);
  EXPECT_NEAR(FrameBackgroundLevel, Grey(WaitForBackground()), 8);
  Drag(TheApp->BrightnessSlider, 80);  // nothing to write to
  EXPECT_TRUE(Has(MessagesText(), L"Logic error: attemp to set brightness control with NULL property store cache\r\n"));
  const size_t seen = MessagesText().size();
  Command(TheApp->MainWindow, CloseCommand);  // resets the sliders without a word
  EXPECT_EQ(50, SliderAt(TheApp->BrightnessSlider));
  EXPECT_FALSE(Has(MessagesText().substr(seen), L"Cannot set"));
}

// A failing step of the look-up at start-up: its message, no menu item.
template <ColorControlStep Step>
class LookUpFails : public BrightnessContrastTest {
 protected:
  void BeforeStart() override { ForcedColorControlFailure = Step; }
  void LeavesBrightnessContrastUnavailable(const wchar_t* message) {
    ForcedColorControlFailure = ColorControlStep::None;
    EXPECT_TRUE(Has(MessagesText(), message)) << testing::PrintToString(std::wstring(message));
    EXPECT_EQ(0u, TheGraph->ColorControlAvailable);
    EXPECT_EQ(-1, static_cast<int>(GetMenuState(TheApp->DisplayMenu, BrightnessContrastCommand, MF_BYCOMMAND)));
  }
};
using WrapperInitFails = LookUpFails<ColorControlStep::InitWrapper>;
using PinEnumerationFails = LookUpFails<ColorControlStep::EnumPins>;

TEST_F(WrapperInitFails, Reported) {
  LeavesBrightnessContrastUnavailable(
      L"\r\nCannot initialize the DMO Wrapper on color control filter.  Brightness/contrast is not available.");
  EXPECT_EQ(nullptr, TheGraph->ColorFilter.Get());
}
TEST_F(PinEnumerationFails, Reported) {
  LeavesBrightnessContrastUnavailable(
      L"WARNING: cannot create pin enumerator on the brightness/contrast filter - thus not enabled\r\n");
}

}  // namespace
