// Brightness and contrast driven as a user would, the picture read back from
// the screen. OrvoColorControl.dll is registered in the test prefix.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <tuple>

#include "app/app_context.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/color_control.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

using Microsoft::WRL::ComPtr;

namespace {

int Grey(COLORREF c) { return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3; }

class BrightnessContrastTest : public AppTest {
 protected:
  // The slider moved, then its notification to the window; a setting as the filter holds it.
  static void Slide(HWND slider, WORD code, int position) {
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    SendMessageW(TheApp->BrightnessContrastWindow, WM_HSCROLL, MAKEWPARAM(code, position),
                 reinterpret_cast<LPARAM>(slider));
  }
  static int Setting(const PROPERTYKEY& key) {
    PROPVARIANT v = {};
    return TheGraph->ColorProperties != nullptr && TheGraph->ColorProperties->GetValue(key, &v) == S_OK ? v.lVal : 999;
  }
  static void ExpectNeutralAndOff() {
    EXPECT_EQ(std::make_tuple(0, 0), std::make_tuple(Setting(BrightnessPropertyKey), Setting(ContrastPropertyKey)));
    EXPECT_EQ(50, SendMessageW(TheApp->BrightnessSlider, TBM_GETPOS, 0, 0));
    EXPECT_FALSE(IsWindowVisible(TheApp->BrightnessContrastWindow));
    EXPECT_FALSE(Checked(TheApp->DisplayMenu, BrightnessContrastId));
  }
  // A point of the picture's background on the screen, once done says so.
  template <class Done>
  static COLORREF WaitForPixel(Done done) {
    POINT p = {4, 100};
    ClientToScreen(TheApp->ClipWindow, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    for (int attempt = 0; attempt < 300 && !done(c); ++attempt, Pump(10)) c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
  }
};

// Each slider writes its own setting, whatever moved it: the keys a user
// presses on it (the slider itself sends the notifications), a drag, a click.
TEST_F(BrightnessContrastTest, SliderNotificationsWriteTheirOwnSetting) {
  HWND b = TheApp->BrightnessSlider, c = TheApp->ContrastSlider;
  const auto key = [](HWND slider, WPARAM k) {
    SendMessageW(slider, WM_KEYDOWN, k, 0);
    SendMessageW(slider, WM_KEYUP, k, 0);
  };
  const std::tuple<HWND, WPARAM, WORD, int, int, int> rows[] = {
      {b, VK_HOME, 0, 0, -127, 0},       {c, VK_END, 0, 0, -127, 127},        {b, VK_NEXT, 0, 0, -125, 127},
      {b, 0, TB_THUMBTRACK, 50, 0, 127}, {c, 0, TB_THUMBPOSITION, 75, 0, 63}, {c, 0, TB_PAGEUP, 25, 0, -64},
      {c, 0, TB_ENDTRACK, 90, 0, -64}};
  for (const auto& [slider, pressed, code, position, brightness, contrast] : rows) {
    SCOPED_TRACE(pressed != 0 ? pressed : code);
    if (pressed != 0) {
      key(slider, pressed);
    } else {
      Slide(slider, code, position);
    }
    EXPECT_EQ(std::make_tuple(brightness, contrast),
              std::make_tuple(Setting(BrightnessPropertyKey), Setting(ContrastPropertyKey)));
  }
}

// Switched on while playing, the video pauses where it was; every way back to
// neutral restores the picture exactly; each new file takes the filter again.
// Switched off from the menu and on again in one file, the graph holds the
// effect once while it is on and not at all while it is off.
TEST_F(BrightnessContrastTest, PictureChangesAndEachWayBackRestoresItExactly) {
  const auto copies = [] {
    int n = 0;
    ComPtr<IEnumFilters> filters;
    TheGraph->GraphBuilder->EnumFilters(&filters);
    for (ComPtr<IBaseFilter> f; filters->Next(1, f.ReleaseAndGetAddressOf(), nullptr) == S_OK;)
      n += f.Get() == TheGraph->ColorFilter.Get();
    return n;
  };
  // 0: the file closed; 1 and 2: the menu item again, twice in one file; 3: the window closed.
  for (int way = 0; way < 4; ++way) {
    SCOPED_TRACE(way);
    if (way == 2) {
      Click(BeginFileButton);
    } else {
      Open(MakeCaptureRecording(300, {}, std::to_wstring(way) + L".avi"));  // the last one may still be open
    }
    ASSERT_TRUE(WaitForShownFrame(0));  // which also puts the main window above the others
    const COLORREF before = WaitForPixel([](COLORREF) { return true; });
    Click(StartButton);
    for (int attempt = 0; attempt < 400 && CurrentFramePosition() < 3; ++attempt) Pump(10);
    Command(BrightnessContrastId);
    EXPECT_TRUE(IsWindowVisible(TheApp->BrightnessContrastWindow));
    EXPECT_TRUE(PlaybackState == TransportPause);
    EXPECT_EQ(1, copies());
    EXPECT_TRUE(WaitForShownFrame(SliderPosition()));
    Slide(TheApp->BrightnessSlider, TB_THUMBTRACK, 100);
    EXPECT_GT(Grey(WaitForPixel([&](COLORREF c) { return Grey(c) > Grey(before) + 100; })), Grey(before) + 100);
    if (way == 0) Command(CloseId);
    if (way == 1 || way == 2) Command(BrightnessContrastId);
    if (way == 3) SendMessageW(TheApp->BrightnessContrastWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, way == 0 ? 0 : copies());
    ExpectNeutralAndOff();
    EXPECT_TRUE(OpenFrameCount == 0 || WaitForPixel([&](COLORREF c) { return c == before; }) == before);
  }
  EXPECT_EQ(std::wstring::npos, MessagesText().find(L"WARNING"));
}

// A failing step of the splice (closing the file) or of its removal is reported; all ends neutral.
TEST_F(BrightnessContrastTest, FailingSpliceStepsAreReportedAndEndNeutral) {
  using Step = ColorControlStep;
  const std::tuple<Step, bool, const wchar_t*> rows[] = {
      {Step::AddFilter, false, L"cannot add brightness/contrast filter to graph - thus not enabled"},
      {Step::FindRendererPin, false, L"cannot find input pin on the EVR filter - brightness/contrast not enabled"},
      {Step::FindUpstreamPin, false, L"cannot find EVR filter connected to pin"},
      {Step::DisconnectRendererPin, false, L"EVR filter input pin disconnect failed"},
      {Step::DisconnectUpstreamPin, false, L"EVR filter connected to pin disconnect failed"},
      {Step::DisconnectColorInput, false, L"brightness/contrast filter input pin disconnect failed"},
      {Step::DisconnectColorOutput, false, L"brightness/contrast filter ouput pin disconnect failed"},
      {Step::ConnectColorInput, false, L"direct connection of brightness/contrast input pin and EVR connected to pin"},
      {Step::ConnectColorOutput, false, L"direct connection of brightness/contrast output pin and EVR input pin"},
      {Step::ConnectRendererBack, true, L"direct connection of brightness/contrast input pin and EVR connected to pin"},
  };
  for (const auto& [step, removing, warning] : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(warning)) + (removing ? " switching off" : " on"));
    Open(MakeCaptureRecording(10, {}, removing ? L"off.avi" : L"on.avi"));
    if (removing) Command(BrightnessContrastId);
    const size_t seen = MessagesText().size();
    ForcedColorControlFailure = step;
    Command(BrightnessContrastId);
    ForcedColorControlFailure = Step::None;
    const std::wstring said = MessagesText().substr(seen);
    EXPECT_NE(std::wstring::npos, said.find(std::wstring(L"\r\nWARNING: ") + warning)) << said;
    EXPECT_EQ(!removing,
              said.find(L"Brightness/contrast cannot start; the avi file must be reopened") != std::wstring::npos);
    EXPECT_EQ(removing, OpenFrameCount != 0);
    ExpectNeutralAndOff();
  }
}

// A failed step of finding the effect is reported; the next look-up finds it again.
TEST_F(BrightnessContrastTest, FailingLookUpStepsAreReported) {
  using Step = ColorControlStep;
  const std::pair<Step, const wchar_t*> rows[] = {
      {Step::CreateWrapper, L"\r\nCannot create DMO Wrapper on color control filter."},
      {Step::QueryWrapper, L"\r\nCannot query interface for DMO Wrapper on color control filter."},
      {Step::InitWrapper, L"\r\nCannot initialize the DMO Wrapper on color control filter."},
      {Step::QueryPropertyStore, L"\r\nCannot obtain property store for color control filter."},
      {Step::EnumPins, L"WARNING: cannot create pin enumerator on the brightness/contrast filter - thus not enabled"},
      {Step::FindPins, L"WARNING: cannot find pin on the brightness/contrast filter - thus not enabled"}};
  for (const auto& [step, message] : rows) {
    const size_t seen = MessagesText().size();
    ForcedColorControlFailure = step;
    EXPECT_EQ(0, TheGraph->FindColorControl()) << message;
    ForcedColorControlFailure = Step::None;
    EXPECT_NE(std::wstring::npos, MessagesText().find(message, seen)) << MessagesText().substr(seen);
    EXPECT_EQ(1, TheGraph->FindColorControl());
  }
}

}  // namespace
