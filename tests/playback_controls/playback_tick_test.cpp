// Playback and its one-second tick: the slider and the status line follow the
// video, the end of the stream parks it on the end position, Pause stops on
// the current frame, and no tick outlives its stop or the file.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <set>

#include "app/app_context.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "playback_test_support.h"

namespace {

bool DisplayMenuEnabled() {
  return (GetMenuState(TheApp->MainMenu, 1, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0;
}

class PlaybackTickTest : public PlaybackTest {
 protected:
  std::wstring ThreeSeconds() {
    AviGenOptions options;
    options.FrameCount = 75;
    options.Rate = 25;
    options.HasArtist = false;
    return MakeRecording(L"three.avi", options);
  }
};

TEST_F(PlaybackTickTest, PlaysToTheEndWithTheSliderFollowingOnceASecond) {
  Open(ThreeSeconds());
  Click(StartButton);
  EXPECT_EQ(0, PlaybackState);
  EXPECT_EQ(Playing(), States());
  EXPECT_FALSE(DisplayMenuEnabled());
  EXPECT_NE(nullptr, TheApp->FrameTimer);

  // Watch the slider until the end of the stream is handled.
  std::set<uint32_t> seen;
  for (int i = 0; i < 400 && PlaybackState == 0; ++i) {
    const uint32_t p = SliderPosition();
    if (p != 0) {
      seen.insert(p);
      EXPECT_EQ(PlainLine(p), StatusText());
    }
    Pump(20);
  }
  ASSERT_EQ(3, PlaybackState) << "the end of the stream was not handled";
  EXPECT_GE(seen.size(), 1u) << "the slider never moved while playing";
  EXPECT_LE(seen.size(), 4u) << "the slider moves once a second, not continuously";
  for (uint32_t p : seen) EXPECT_LT(p, 74u) << "a tick never shows the last frame or the end";

  EXPECT_EQ(75u, SliderPosition());
  EXPECT_EQ(PlainLine(75), StatusText());
  EXPECT_EQ(AtEnd(), States());
  EXPECT_EQ(3, GraphRunState);
  EXPECT_EQ(75u, CurrentFramePosition());
  EXPECT_EQ(nullptr, TheApp->FrameTimer);
  EXPECT_EQ(nullptr, TheApp->FrameTimerQueue);
  EXPECT_TRUE(DisplayMenuEnabled()) << "the menu is off only while playing";
}

TEST_F(PlaybackTickTest, PauseStopsOnTheFrameShown) {
  Open(ThreeSeconds());
  Click(StartButton);
  Pump(1300);
  Click(PauseButton);
  const uint32_t at = CurrentFramePosition();
  EXPECT_GT(at, 0u);
  EXPECT_LT(at, 75u);
  EXPECT_EQ(1, PlaybackState);
  EXPECT_EQ(at, SliderPosition());
  EXPECT_EQ(PlainLine(at), StatusText());
  EXPECT_EQ(PausedInside(false, false), States());
  EXPECT_TRUE(DisplayMenuEnabled());
  EXPECT_EQ(nullptr, TheApp->FrameTimer);
  EXPECT_TRUE(WaitForShownFrame(at));
  // Still there a while later: paused, and no tick moves anything.
  Pump(300);
  EXPECT_EQ(at, CurrentFramePosition());
  EXPECT_EQ(at, SliderPosition());
}

TEST_F(PlaybackTickTest, EndOfStreamAfterPauseChangesNothing) {
  Open(ThreeSeconds());
  Click(StartButton);
  Click(PauseButton);
  const uint32_t slider = SliderPosition();
  const std::wstring line = StatusText();
  // The graph reports a completion that was already on its way.
  Microsoft::WRL::ComPtr<IMediaEventSink> sink;
  ASSERT_EQ(S_OK, TheGraph->GraphBuilder.As(&sink));
  sink->Notify(EC_COMPLETE, 0, 0);
  Pump(100);
  EXPECT_EQ(1, PlaybackState);
  EXPECT_EQ(TransportPause, LastTransportCommand) << "the video was not moved";
  EXPECT_EQ(slider, SliderPosition());
  EXPECT_EQ(line, StatusText());
  EXPECT_EQ(PausedInside(false, false), States());
}

TEST_F(PlaybackTickTest, GraphEventsAfterTheFileClosedAreRefused) {
  Open(ThreeSeconds());
  TheGraph->CloseVideoFile();
  EXPECT_EQ(static_cast<LRESULT>(E_UNEXPECTED), SendMessageW(TheGraph->EventsWindow, GraphEventMessage, 0, 0));
  EXPECT_EQ(0, SendMessageW(TheGraph->EventsWindow, WM_USER, 0, 0));
}

TEST_F(PlaybackTickTest, StartingTwiceLeavesOneTickWhichPauseStops) {
  FrameTickMilliseconds = 20;
  Open(ThreeSeconds());
  Click(StartButton);
  // Start again without a pause (the button is off; other code could).
  SendMessageW(TheApp->PlaybackWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(StartButton));
  Pump(100);
  EXPECT_GT(FrameTicksRun(), 0);
  Click(PauseButton);
  const LONG ticks = FrameTicksRun();
  Pump(200);
  EXPECT_EQ(ticks, FrameTicksRun()) << "a timer was left running";
}

TEST_F(PlaybackTickTest, APositionFromAStoppedTickIsIgnored) {
  Open(ThreeSeconds());
  Click(StartButton);
  Click(PauseButton);
  const uint32_t at = SliderPosition();
  // A tick posted just before the stop arrives after it.
  for (WPARAM generation = 0; generation < 8; ++generation) {
    PostMessageW(TheApp->PlaybackWindow, FrameTickMessage, generation, 40);
  }
  Pump(50);
  EXPECT_EQ(at, SliderPosition());
  EXPECT_EQ(PlainLine(at), StatusText());
}

TEST_F(PlaybackTickTest, PausingWhileTicksRunNeverDeadlocksOrLeavesATick) {
  // A tick every 2 ms meets the stop at every point of its work.
  FrameTickMilliseconds = 2;
  Open(ThreeSeconds());
  for (int round = 0; round < 50; ++round) {
    Click(StartButton);
    Pump(round % 7);
    Click(PauseButton);
    ASSERT_EQ(nullptr, TheApp->FrameTimer) << round;
    ASSERT_EQ(nullptr, TheApp->FrameTimerQueue) << round;
    const LONG ticks = FrameTicksRun();
    const uint32_t at = SliderPosition();
    Pump(6);
    ASSERT_EQ(ticks, FrameTicksRun()) << round;
    ASSERT_EQ(at, SliderPosition()) << "a stopped tick moved the slider, round " << round;
    Click(BeginFileButton);
  }
}

TEST_F(PlaybackTickTest, ClosingWhilePlayingNeverLeavesATickBehind) {
  FrameTickMilliseconds = 2;
  const std::wstring path = ThreeSeconds();
  for (int round = 0; round < 6; ++round) {
    Open(path);
    Click(StartButton);
    Pump(round * 3);
    // The close of a file: the graph goes first, then the tick.
    TheGraph->CloseVideoFile();
    StopFrameTimer();
    ASSERT_EQ(nullptr, TheApp->FrameTimer) << round;
    ASSERT_EQ(nullptr, TheApp->FrameTimerQueue) << round;
    const LONG ticks = FrameTicksRun();
    SendMessageW(PositionSlider, TBM_SETPOS, TRUE, 0);
    Pump(10);
    ASSERT_EQ(ticks, FrameTicksRun()) << round;
    ASSERT_EQ(0u, SliderPosition()) << "a stopped tick moved the slider, round " << round;
    OpenFrameCount = 0;
  }
}

}  // namespace
