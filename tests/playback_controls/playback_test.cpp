// The playback controls as the user meets them: every button from the states
// it can be pressed in, the slider, the status line to the character, the
// enabled controls, the frame on the screen, and the one-second tick while
// playing, which no stop or close may leave behind.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>

#include "app/app_context.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "harness/app_harness.h"

namespace {

// 12 frames, 3, 4 and 9 dropped:  K K K . . K K K K . K K | end 12
const std::vector<uint32_t> Drops{3, 4, 9};
constexpr uint32_t Frames = 12;

bool DisplayMenuEnabled() { return !Grayed(TheApp->MainMenu, 1, MF_BYPOSITION); }

class PlaybackTest : public AppTest {
 protected:
  // A press that bypasses the button's enabled state, as other code may send it.
  static void Press(HWND button) {
    SendMessageW(TheApp->PlaybackWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    Pump(5);
  }
  // Presses button once per frame, checking where each press lands.
  void Walk(HWND button, const std::vector<uint32_t>& frames, bool dropped, TransportCommand state) {
    for (uint32_t f : frames) {
      Click(button);
      EXPECT_EQ(f, SliderPosition());
      EXPECT_EQ(dropped ? DroppedLine(f) : KeyLine(f), StatusText());
      EXPECT_EQ(PausedInside(f<9, f> 3), States()) << "at " << f;
      EXPECT_EQ(state, PlaybackState);
      EXPECT_EQ(f, CurrentFramePosition());
      if (!dropped) {
        EXPECT_TRUE(WaitForShownFrame(f));  // a dropped frame shows its stand-in: not read back
      }
    }
  }
};

TEST_F(PlaybackTest, WithNoFileEverythingIsOffAndEachControlSitsInItsPlace) {
  EXPECT_EQ(L"Playback", drive::TextOf(TheApp->PlaybackWindow));
  EXPECT_EQ(636, WidthOf(TheApp->PlaybackWindow));
  EXPECT_EQ(NoFile(), States());
  EXPECT_EQ(L"", StatusText());
  EXPECT_EQ(TransportNone, PlaybackState);
  SendMessageW(TheApp->PlaybackWindow, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(TheApp->PlaybackWindow)) << "the window cannot be closed";

  // Eight buttons in a row, the slider and the status line under them.
  const HWND buttons[] = {StartButton,           PauseButton,   BeginFileButton,       BackOneFrameButton,
                          ForwardOneFrameButton, EndFileButton, PreviousDroppedButton, NextDroppedButton};
  const wchar_t* captions[] = {L"Start\r\nPlayback",
                               L"Pause",
                               L"Beginning\r\nof File",
                               L"Back One\r\nFrame",
                               L"Forward\r\nOne Frame",
                               L"End of\r\nFile",
                               L"<",
                               L">"};
  auto place = [](HWND control) {
    RECT r = drive::RectOf(control);
    MapWindowPoints(nullptr, TheApp->PlaybackWindow, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ((RECT{3 + 103 * i, 3, 103 + 103 * i, 103}), place(buttons[i])) << i;
    EXPECT_EQ(captions[i], drive::TextOf(buttons[i]));
  }
  EXPECT_EQ((RECT{3, 106, 617, 156}), place(PositionSlider));
  EXPECT_EQ((RECT{3, 156, 617, 186}), place(StatusLine));
  EXPECT_EQ(reinterpret_cast<WPARAM>(FontCourierNew72Bold), SendMessageW(NextDroppedButton, WM_GETFONT, 0, 0));
}

TEST_F(PlaybackTest, EveryButtonVisitsItsFramesInACaptureRecording) {
  Open(MakeCaptureRecording(Frames, Drops));
  EXPECT_EQ(842, WidthOf(TheApp->PlaybackWindow));
  EXPECT_EQ(static_cast<LRESULT>(Frames), SendMessageW(PositionSlider, TBM_GETRANGEMAX, 0, 0));
  EXPECT_EQ(KeyLine(0), StatusText());
  EXPECT_EQ(AtFirstFrame(true), States());

  Walk(ForwardOneFrameButton, {1, 2, 5, 6, 7, 8, 10, 11}, false, TransportStepForward);
  Click(ForwardOneFrameButton);  // from the last frame onto the end position
  EXPECT_EQ(KeyLine(Frames), StatusText());
  EXPECT_EQ(AtEnd(), States());
  EXPECT_EQ(TransportStepForward, PlaybackState) << "the end set leaves the state alone";
  EXPECT_EQ(1, ClipHidden);

  Walk(BackOneFrameButton, {11, 10, 8, 7, 6, 5, 2, 1}, false, TransportStepBack);
  Click(BackOneFrameButton);
  EXPECT_EQ(AtFirstFrame(true), States());
  EXPECT_EQ(TransportStepBack, PlaybackState) << "the first-frame set leaves the state alone";

  Walk(NextDroppedButton, Drops, true, TransportNextNonKey);
  Press(PauseButton);  // a pause on a dropped frame says so
  EXPECT_EQ(DroppedLine(9), StatusText());
  EXPECT_FALSE(IsWindowEnabled(NextDroppedButton));
  Press(NextDroppedButton);  // past the last dropped frame: to the end
  EXPECT_EQ(DroppedLine(Frames), StatusText());
  EXPECT_EQ(AtEnd(), States());

  Walk(PreviousDroppedButton, {9, 4, 3}, true, TransportPreviousNonKey);
  Press(PreviousDroppedButton);  // before the first dropped frame: to frame 0
  EXPECT_EQ(0u, SliderPosition());
  EXPECT_EQ(AtFirstFrame(true), States());
  EXPECT_TRUE(WaitForShownFrame(0));

  Click(EndFileButton);
  EXPECT_EQ(TransportSeekEnd, PlaybackState);
  EXPECT_EQ(Frames, CurrentFramePosition()) << "parked on the end position";
  EXPECT_EQ(KeyLine(Frames), StatusText());
  EXPECT_FALSE(IsWindowVisible(TheApp->ClipWindow));
  Click(BeginFileButton);
  EXPECT_EQ(TransportSeekStart, PlaybackState);
  EXPECT_EQ(AtFirstFrame(true), States());
  EXPECT_TRUE(WaitForShownFrame(0)) << "the picture comes back";

  SendMessageW(PositionSlider, TBM_SETPOS, TRUE, 5);  // moved without a seek
  Press(PauseButton);                                 // paused on frame 0: the slider stays
  EXPECT_EQ(5u, SliderPosition());
  EXPECT_EQ(KeyLine(0), StatusText());
  EXPECT_EQ(PausedInside(true, false), States());
}

TEST_F(PlaybackTest, SliderSeeksOnStepsAndReleaseButNotWhileDragged) {
  Open(MakeCaptureRecording(Frames, Drops));
  Scroll(TB_THUMBTRACK, 7);
  EXPECT_EQ(0u, CurrentFramePosition()) << "dragging does not seek";
  Scroll(TB_THUMBPOSITION, 7);
  EXPECT_EQ(KeyLine(7), StatusText());
  EXPECT_EQ(PausedInside(true, true), States());
  EXPECT_EQ(TransportSeekStart, PlaybackState) << "the slider does not change the state";
  EXPECT_TRUE(WaitForShownFrame(7));
  Scroll(TB_LINEDOWN, 9);
  EXPECT_EQ(DroppedLine(9), StatusText());
  EXPECT_EQ(PausedInside(false, true), States());
  Scroll(TB_PAGEDOWN, Frames);
  EXPECT_EQ(AtEnd(), States());
  Scroll(TB_PAGEUP, 0);
  EXPECT_EQ(AtFirstFrame(true), States());
  EXPECT_TRUE(WaitForShownFrame(0));
  // A slider step that arrives while the video runs moves it without a warning.
  Click(StartButton);
  SendMessageW(PositionSlider, TBM_SETPOS, TRUE, 12);
  SendMessageW(TheApp->PlaybackWindow, WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(PositionSlider));
  Pump(100);
  EXPECT_EQ(std::wstring::npos, MessagesText().find(L"WARNING")) << MessagesText();
}

// A recording not from the capture program steps one frame at a time, with
// the narrow window and plain frame numbers. At a thousand frames a second
// neighbouring frames lie a millisecond of media time apart: each press of
// Right still brings that very frame.
TEST_F(PlaybackTest, AnOtherRecordingAtAThousandFramesASecondFollowsEachStep) {
  AviGenOptions options;
  options.FrameCount = 40;
  options.Rate = 1000;
  options.HasArtist = false;
  Open(MakeRecording(L"fast.avi", options));
  EXPECT_EQ(636, WidthOf(TheApp->PlaybackWindow));
  EXPECT_EQ(PlainLine(0), StatusText());
  EXPECT_EQ(AtFirstFrame(false), States());
  for (int press = 0; press < 3; ++press) {
    PostMessageW(TheApp->MainWindow, WM_KEYDOWN, VK_RIGHT, 1);
    PostMessageW(TheApp->MainWindow, WM_KEYUP, VK_RIGHT, 0xC0000001);
  }
  Pump(20);
  EXPECT_EQ(PlainLine(3), StatusText());
  EXPECT_TRUE(WaitForShownFrame(3));
  for (uint32_t f = 4; f <= 6; ++f) {
    Click(ForwardOneFrameButton);
    EXPECT_TRUE(WaitForShownFrame(f));
  }
  EXPECT_EQ(PlainLine(6), StatusText());
  EXPECT_EQ(PausedInside(false, false), States());
  Click(BackOneFrameButton);
  EXPECT_TRUE(WaitForShownFrame(5));
  Press(NextDroppedButton);  // out of sight in the narrow window: to the end
  EXPECT_EQ(40u, CurrentFramePosition());
}

TEST_F(PlaybackTest, PlaysToTheEndWithTheSliderFollowingOnceASecond) {
  AviGenOptions options;
  options.FrameCount = 75;  // three seconds
  options.Rate = 25;
  options.HasArtist = false;
  Open(MakeRecording(L"three.avi", options));
  Click(StartButton);
  EXPECT_EQ(Playing(), States());
  EXPECT_FALSE(DisplayMenuEnabled());
  std::set<uint32_t> seen;
  for (int i = 0; i < 400 && PlaybackState == TransportRun; ++i) {
    const uint32_t p = SliderPosition();
    if (p != 0) {
      seen.insert(p);
      EXPECT_EQ(PlainLine(p), StatusText());
    }
    Pump(20);
  }
  ASSERT_EQ(TransportSeekEnd, PlaybackState) << "the end of the stream was not handled";
  EXPECT_GE(seen.size(), 1u) << "the slider never moved while playing";
  EXPECT_LE(seen.size(), 4u) << "the slider moves once a second, not continuously";
  for (uint32_t p : seen) EXPECT_LT(p, 74u) << "a tick never shows the last frame or the end";
  EXPECT_EQ(PlainLine(75), StatusText());
  EXPECT_EQ(AtEnd(), States());
  EXPECT_EQ(nullptr, TheApp->FrameTimer);
  EXPECT_TRUE(DisplayMenuEnabled()) << "the menu is off only while playing";

  // From the end the recording plays again from its beginning.
  Click(BeginFileButton);
  EXPECT_EQ(0u, CurrentFramePosition()) << "the graph stayed at the end of its stream";
  Click(StartButton);
  Pump(1300);
  Click(PauseButton);
  const uint32_t at = CurrentFramePosition();
  EXPECT_GT(at, 0u);
  EXPECT_EQ(TransportPause, PlaybackState);
  EXPECT_EQ(PlainLine(at), StatusText());
  EXPECT_TRUE(DisplayMenuEnabled());
  EXPECT_TRUE(WaitForShownFrame(at));

  // A completion already on its way when the pause came changes nothing.
  Microsoft::WRL::ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(S_OK, TheGraph->GraphBuilder.As(&sink));
  sink->Notify(EC_COMPLETE, 0, 0);
  Pump(100);
  EXPECT_EQ(TransportPause, PlaybackState);
  EXPECT_EQ(TransportPause, LastTransportCommand) << "the video was not moved";
  EXPECT_EQ(at, SliderPosition());
}

// A decoder or the source failing mid-stream stops playback: the controls
// must not go on showing a video that plays. Options > Dropped Frames Control
// waits while playing, as Display does.
TEST_F(PlaybackTest, AnErrorWhilePlayingPausesOnTheCurrentFrameAndSaysWhy) {
  Open(MakeCaptureRecording(300, Drops, L"errors.avi"));
  Microsoft::WRL::ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(S_OK, TheGraph->GraphBuilder.As(&sink));
  const std::pair<long, std::wstring> aborts[] = {{EC_ERRORABORT, L"(event 0x3, error 0x80004005)"},
                                                  {0x45, L"(event 0x45, error 0x8007000E)"},
                                                  {EC_USERABORT, L"the video window was closed (event 0x2)"}};
  const LONG_PTR errors[] = {static_cast<LONG_PTR>(E_FAIL), static_cast<LONG_PTR>(E_OUTOFMEMORY), 0};
  for (int i = 0; i < 3; ++i) {
    Click(StartButton);
    EXPECT_TRUE(Grayed(TheApp->OptionsMenu, DroppedFramesControlId));
    Command(DroppedFramesControlId);
    EXPECT_TRUE(DroppedFramesControlOn == 1 && PlaybackState == TransportRun) << "switched while playing";
    Pump(300);
    NewTexts();
    sink->Notify(aborts[i].first, errors[i], 0);
    Pump(100);
    const std::vector<std::wstring> texts = NewTexts();
    ASSERT_EQ(1u, texts.size()) << testing::PrintToString(texts);
    EXPECT_EQ(0u, texts[0].find(L"SEVERE: playback stopped")) << texts[0];
    EXPECT_NE(std::wstring::npos, texts[0].find(aborts[i].second)) << texts[0];
    const uint32_t at = CurrentFramePosition();
    EXPECT_EQ(TransportPause, PlaybackState);
    EXPECT_EQ(nullptr, TheApp->FrameTimer) << "the tick goes on after the error";
    EXPECT_EQ(at, SliderPosition());
    EXPECT_EQ(PausedInside(at<9, at> 3), States());
    EXPECT_FALSE(Grayed(TheApp->OptionsMenu, DroppedFramesControlId) || !DisplayMenuEnabled());
  }
}

TEST_F(PlaybackTest, NoTickOutlivesItsStopOrTheFile) {
  FrameTickMilliseconds = 2;  // a tick meets the stop at every point of its work
  // 500 frames: however slow the machine, the rounds never reach the end.
  const std::wstring path = MakeCaptureRecording(500, {}, L"long.avi");
  Open(path);
  Click(StartButton);
  Press(StartButton);  // started twice: still one tick, which Pause stops
  for (int round = 0; round < 40; ++round) {
    Pump(round % 7);
    Click(PauseButton);
    ASSERT_EQ(nullptr, TheApp->FrameTimerQueue) << round;
    const LONG ticks = FrameTicksRun();
    const uint32_t at = SliderPosition();
    PostMessageW(TheApp->PlaybackWindow, FrameTickMessage, 0, 40);  // posted by a stopped tick
    Pump(6);
    ASSERT_EQ(ticks, FrameTicksRun()) << round;
    ASSERT_EQ(at, SliderPosition()) << "a stopped tick moved the slider, round " << round;
    Click(StartButton);
  }
  for (int round = 0; round < 20; ++round) {
    Command(CloseId);
    ASSERT_EQ(TransportNone, PlaybackState);
    const LONG ticks = FrameTicksRun();
    Pump(20);
    ASSERT_EQ(ticks, FrameTicksRun()) << "a tick ran after the close, round " << round;
    Open(path);
    Click(StartButton);
  }
  Command(CloseId);
  EXPECT_EQ(static_cast<LRESULT>(E_UNEXPECTED), SendMessageW(TheGraph->EventsWindow, GraphEventMessage, 0, 0))
      << "graph events with no file open are refused";
}

}  // namespace
