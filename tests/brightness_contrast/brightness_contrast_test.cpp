// Brightness and contrast driven as a user would, the picture read back from
// the screen. OrvoColorControl.dll is registered in the test prefix.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/color_control.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

namespace {

int Grey(COLORREF c) { return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3; }

class BrightnessContrastTest : public AppTest {
 protected:
  // The slider moved, then its notification to the window.
  static void Slide(HWND slider, WORD code, int position) {
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    SendMessageW(TheApp->BrightnessContrastWindow, WM_HSCROLL, MAKEWPARAM(code, position),
                 reinterpret_cast<LPARAM>(slider));
    Pump(10);
  }
  // A setting as the filter holds it (999 without the filter).
  static int Setting(const PROPERTYKEY& key) {
    PROPVARIANT v = {};
    return TheGraph->ColorProperties != nullptr && TheGraph->ColorProperties->GetValue(key, &v) == S_OK ? v.lVal : 999;
  }
  static void ExpectNeutralAndOff() {
    EXPECT_EQ(0, Setting(BrightnessPropertyKey));
    EXPECT_EQ(0, Setting(ContrastPropertyKey));
    EXPECT_EQ(50, SendMessageW(TheApp->BrightnessSlider, TBM_GETPOS, 0, 0));
    EXPECT_FALSE(IsWindowVisible(TheApp->BrightnessContrastWindow));
    EXPECT_FALSE(Checked(TheApp->DisplayMenu, BrightnessContrastId));
  }
  // A point of the picture's background on the screen, once done says so.
  template <class Done>
  static COLORREF WaitForPixel(Done done) {
    COLORREF c = CLR_INVALID;
    for (int attempt = 0; attempt < 300 && (attempt == 0 || !done(c)); ++attempt, Pump(10)) {
      POINT p = {4, 100};
      ClientToScreen(TheApp->ClipWindow, &p);
      HDC screen = GetDC(nullptr);
      c = GetPixel(screen, p.x, p.y);
      ReleaseDC(nullptr, screen);
    }
    return c;
  }
};

// Each slider writes its own setting; Home and End write nothing.
TEST_F(BrightnessContrastTest, SliderNotificationsWriteTheirOwnSetting) {
  HWND brightness = TheApp->BrightnessSlider, contrast = TheApp->ContrastSlider;
  const struct {
    HWND Slider;
    WORD Code;
    int Position, Brightness, Contrast;
  } rows[] = {{brightness, TB_THUMBTRACK, 0, -127, 0}, {contrast, TB_THUMBTRACK, 100, 0, 127},
              {brightness, TB_LINEDOWN, 52, 5, 0},     {contrast, TB_PAGEUP, 25, 0, -64},
              {brightness, TB_TOP, 0, 0, 0},           {contrast, TB_BOTTOM, 100, 0, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Code);
    SendMessageW(TheApp->BrightnessContrastWindow, WM_CLOSE, 0, 0);  // both back to neutral
    Slide(row.Slider, row.Code, row.Position);
    EXPECT_EQ(row.Brightness, Setting(BrightnessPropertyKey));
    EXPECT_EQ(row.Contrast, Setting(ContrastPropertyKey));
  }
}

// Every way back to neutral gives the exact picture again; each round's new
// file takes the filter again (after File > Close too).
TEST_F(BrightnessContrastTest, PictureChangesAndEachWayBackRestoresItExactly) {
  const struct {
    const char* Way;
    void (*Back)();
  } ways[] = {{"File > Close", [] { Command(CloseId); }},
              {"the menu item", [] { Command(BrightnessContrastId); }},
              {"the close box", [] { SendMessageW(TheApp->BrightnessContrastWindow, WM_CLOSE, 0, 0); }}};
  for (const auto& way : ways) {
    SCOPED_TRACE(way.Way);
    Open(MakeCaptureRecording(10, {}, std::to_wstring(&way - ways) + L".avi"));  // the last one may still be open
    ASSERT_TRUE(WaitForShownFrame(0));  // which also puts the main window above the others
    const COLORREF before = WaitForPixel([](COLORREF) { return true; });
    Command(BrightnessContrastId);
    EXPECT_TRUE(IsWindowVisible(TheApp->BrightnessContrastWindow));
    Slide(TheApp->BrightnessSlider, TB_THUMBTRACK, 100);
    EXPECT_GT(Grey(WaitForPixel([&](COLORREF c) { return Grey(c) > Grey(before) + 100; })), Grey(before) + 100);
    way.Back();
    ExpectNeutralAndOff();
    if (OpenFrameCount != 0) {
      EXPECT_EQ(before, WaitForPixel([&](COLORREF c) { return c == before; }));
    }
  }
}

TEST_F(BrightnessContrastTest, SwitchingOnWhilePlayingPausesOnTheCurrentFrame) {
  Open(MakeCaptureRecording(300, {}));
  Click(StartButton);
  for (int attempt = 0; attempt < 400 && CurrentFramePosition() < 3; ++attempt) Pump(10);
  Command(BrightnessContrastId);
  const uint32_t frame = CurrentFramePosition();
  EXPECT_GE(frame, 3u);
  EXPECT_TRUE(PlaybackState == TransportPause);
  EXPECT_EQ(frame, SliderPosition());
  EXPECT_TRUE(WaitForShownFrame(frame));
}

// A failing step of the splice (switching on: the file is closed) or of its
// removal (switching off; its disconnections are the splice's) is reported,
// and everything goes neutral.
TEST_F(BrightnessContrastTest, FailingSpliceStepsAreReportedAndEndNeutral) {
  using Step = ColorControlStep;
  const struct {
    Step Failing;
    bool Removing;
    const wchar_t* Said;
  } rows[] = {
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
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.Said)) + (row.Removing ? " switching off" : " on"));
    Open(MakeCaptureRecording(10, {}));
    if (row.Removing) Command(BrightnessContrastId);
    const size_t seen = MessagesText().size();
    ForcedColorControlFailure = row.Failing;
    Command(BrightnessContrastId);
    ForcedColorControlFailure = Step::None;
    const std::wstring said = MessagesText().substr(seen);
    EXPECT_NE(std::wstring::npos, said.find(std::wstring(L"\r\nWARNING: ") + row.Said)) << said;
    EXPECT_EQ(!row.Removing,
              said.find(L"Brightness/contrast cannot start; the avi file must be reopened") != std::wstring::npos);
    EXPECT_EQ(row.Removing, OpenFrameCount != 0);
    ExpectNeutralAndOff();
  }
}

}  // namespace
