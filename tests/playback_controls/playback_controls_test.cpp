// The playback controls as the user meets them: every button from the states
// it can be pressed in, the slider, the status line to the character, the
// enabled controls and the frame on the screen.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "playback_test_support.h"

namespace {

// 12 frames, 3, 4 and 9 dropped:  K K K . . K K K K . K K | end 12
const std::vector<uint32_t> Drops{3, 4, 9};
constexpr uint32_t Frames = 12;
bool DropAfter(uint32_t p) { return p < 9; }
bool DropBefore(uint32_t p) { return p > 3; }

RECT ChildRect(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, TheApp->PlaybackWindow, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int WindowWidth(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return r.right - r.left;
}

void ExpectPlace(HWND control, int x, int y, int width, int height, const char* name) {
  const RECT r = ChildRect(control);
  EXPECT_EQ(x, r.left) << name;
  EXPECT_EQ(y, r.top) << name;
  EXPECT_EQ(width, r.right - r.left) << name;
  EXPECT_EQ(height, r.bottom - r.top) << name;
}

class PlaybackControlsTest : public PlaybackTest {};

TEST_F(PlaybackControlsTest, WithNoFileEverythingIsOffAndTheLineIsEmpty) {
  wchar_t className[64];
  GetClassNameW(TheApp->PlaybackWindow, className, 64);
  EXPECT_EQ(std::wstring(L"PlaybackControlsWindow"), className);
  EXPECT_EQ(L"Playback", WindowTextOf(TheApp->PlaybackWindow));
  EXPECT_EQ(636, WindowWidth(TheApp->PlaybackWindow));
  EXPECT_EQ(NoFile(), States());
  EXPECT_EQ(L"", StatusText());
  EXPECT_EQ(10, PlaybackState);

  // The window cannot be closed.
  SendMessageW(TheApp->PlaybackWindow, WM_CLOSE, 0, 0);
  Pump(20);
  EXPECT_TRUE(IsWindow(TheApp->PlaybackWindow));
  EXPECT_TRUE(IsWindowVisible(TheApp->PlaybackWindow));
}

TEST_F(PlaybackControlsTest, ControlsSitAtTheirPlacesWithCaptionsWhenNoIconsLoaded) {
  ExpectPlace(StartButton, 3, 3, 100, 100, "start");
  ExpectPlace(PauseButton, 106, 3, 100, 100, "pause");
  ExpectPlace(BeginFileButton, 209, 3, 100, 100, "begin");
  ExpectPlace(BackOneFrameButton, 312, 3, 100, 100, "back");
  ExpectPlace(ForwardOneFrameButton, 415, 3, 100, 100, "forward");
  ExpectPlace(EndFileButton, 518, 3, 100, 100, "end");
  ExpectPlace(PreviousDroppedButton, 621, 3, 100, 100, "<");
  ExpectPlace(NextDroppedButton, 724, 3, 100, 100, ">");
  ExpectPlace(PositionSlider, 3, 106, 614, 50, "slider");
  ExpectPlace(StatusLine, 3, 156, 614, 30, "status line");

  EXPECT_EQ(L"Start\r\nPlayback", WindowTextOf(StartButton));
  EXPECT_EQ(L"Pause", WindowTextOf(PauseButton));
  EXPECT_EQ(L"Beginning\r\nof File", WindowTextOf(BeginFileButton));
  EXPECT_EQ(L"Back One\r\nFrame", WindowTextOf(BackOneFrameButton));
  EXPECT_EQ(L"Forward\r\nOne Frame", WindowTextOf(ForwardOneFrameButton));
  EXPECT_EQ(L"End of\r\nFile", WindowTextOf(EndFileButton));
  EXPECT_EQ(L"<", WindowTextOf(PreviousDroppedButton));
  EXPECT_EQ(L">", WindowTextOf(NextDroppedButton));
  EXPECT_EQ(0, GetWindowLongW(StartButton, GWL_STYLE) & BS_ICON);
  EXPECT_EQ(reinterpret_cast<WPARAM>(FontTahoma22), SendMessageW(StartButton, WM_GETFONT, 0, 0));
  EXPECT_EQ(reinterpret_cast<WPARAM>(FontCourierNew72Bold), SendMessageW(NextDroppedButton, WM_GETFONT, 0, 0));
  EXPECT_NE(0, GetWindowLongW(PositionSlider, GWL_STYLE) & TBS_TOP);
}

class PlaybackControlsWithIconsTest : public PlaybackTest {
  void BeforeStart() override { CopyIconsTo(WorkDir()); }
};

TEST_F(PlaybackControlsWithIconsTest, TransportButtonsShowTheirIcons) {
  const HWND buttons[] = {StartButton,        PauseButton,           BeginFileButton,
                          BackOneFrameButton, ForwardOneFrameButton, EndFileButton};
  const HICON icons[] = {TheApp->Shared->StartIcon,           TheApp->Shared->PauseIcon,
                         TheApp->Shared->BeginFileIcon,       TheApp->Shared->BackOneFrameIcon,
                         TheApp->Shared->ForwardOneFrameIcon, TheApp->Shared->EndFileIcon};
  for (int i = 0; i < 6; ++i) {
    ASSERT_NE(nullptr, icons[i]) << i;
    EXPECT_NE(0, GetWindowLongW(buttons[i], GWL_STYLE) & BS_ICON) << i;
    EXPECT_EQ(reinterpret_cast<LRESULT>(icons[i]), SendMessageW(buttons[i], BM_GETIMAGE, IMAGE_ICON, 0)) << i;
  }
  EXPECT_EQ(reinterpret_cast<LRESULT>(TheApp->Shared->LogoLargeIcon),
            SendMessageW(TheApp->PlaybackWindow, WM_GETICON, ICON_BIG, 0));
}

TEST_F(PlaybackControlsTest, AnOpenedCaptureRecordingStartsAtFrameZeroWithTheWideControls) {
  Open(MakeCaptureRecording(Frames, Drops));
  EXPECT_EQ(842, WindowWidth(TheApp->PlaybackWindow));
  EXPECT_EQ(0u, SliderPosition());
  EXPECT_EQ(static_cast<LRESULT>(Frames), SendMessageW(PositionSlider, TBM_GETRANGEMAX, 0, 0));
  EXPECT_EQ(KeyLine(0), StatusText());
  EXPECT_EQ(AtFirstFrame(true), States());
}

TEST_F(PlaybackControlsTest, ForwardVisitsEachKeyFrameThenTheEnd) {
  Open(MakeCaptureRecording(Frames, Drops));
  for (uint32_t f : {1u, 2u, 5u, 6u, 7u, 8u, 10u, 11u}) {
    Click(ForwardOneFrameButton);
    EXPECT_EQ(f, SliderPosition());
    EXPECT_EQ(KeyLine(f), StatusText());
    EXPECT_EQ(PausedInside(DropAfter(f), DropBefore(f)), States()) << "at " << f;
    EXPECT_EQ(4, PlaybackState);
    EXPECT_TRUE(WaitForShownFrame(f));
  }
  Click(ForwardOneFrameButton);  // from the last frame onto the end position
  EXPECT_EQ(Frames, SliderPosition());
  EXPECT_EQ(KeyLine(Frames), StatusText());
  EXPECT_EQ(AtEnd(), States());
  EXPECT_EQ(4, PlaybackState) << "the end set leaves the state alone";
  EXPECT_EQ(Frames, CurrentFramePosition());
}

TEST_F(PlaybackControlsTest, BackVisitsEachKeyFrameDownToFrameZero) {
  Open(MakeCaptureRecording(Frames, Drops));
  Click(EndFileButton);
  for (uint32_t f : {11u, 10u, 8u, 7u, 6u, 5u, 2u, 1u}) {
    Click(BackOneFrameButton);
    EXPECT_EQ(f, SliderPosition());
    EXPECT_EQ(KeyLine(f), StatusText());
    EXPECT_EQ(PausedInside(DropAfter(f), DropBefore(f)), States()) << "at " << f;
    EXPECT_EQ(5, PlaybackState);
    EXPECT_TRUE(WaitForShownFrame(f));
  }
  Click(BackOneFrameButton);
  EXPECT_EQ(0u, SliderPosition());
  EXPECT_EQ(AtFirstFrame(true), States());
  EXPECT_EQ(5, PlaybackState) << "the first-frame set leaves the state alone";
  EXPECT_TRUE(WaitForShownFrame(0));
}

TEST_F(PlaybackControlsTest, NextDroppedVisitsEachDroppedFrameThenTheEnd) {
  Open(MakeCaptureRecording(Frames, Drops));
  for (uint32_t f : Drops) {
    Click(NextDroppedButton);
    EXPECT_EQ(f, SliderPosition());
    EXPECT_EQ(DroppedLine(f), StatusText());
    EXPECT_EQ(PausedInside(DropAfter(f), DropBefore(f)), States()) << "at " << f;
    EXPECT_EQ(8, PlaybackState);
    EXPECT_EQ(f, CurrentFramePosition());
  }
  // Past the last dropped frame ">" is off; pressed anyway, it goes to the end.
  EXPECT_FALSE(IsWindowEnabled(NextDroppedButton));
  SendMessageW(TheApp->PlaybackWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
               reinterpret_cast<LPARAM>(NextDroppedButton));
  EXPECT_EQ(Frames, SliderPosition());
  EXPECT_EQ(DroppedLine(Frames), StatusText());
  EXPECT_EQ(AtEnd(), States());
  EXPECT_EQ(8, PlaybackState);
}

TEST_F(PlaybackControlsTest, PreviousDroppedVisitsEachDroppedFrameThenFrameZero) {
  Open(MakeCaptureRecording(Frames, Drops));
  Click(EndFileButton);
  for (uint32_t f : {9u, 4u, 3u}) {
    Click(PreviousDroppedButton);
    EXPECT_EQ(f, SliderPosition());
    EXPECT_EQ(DroppedLine(f), StatusText());
    EXPECT_EQ(PausedInside(DropAfter(f), DropBefore(f)), States()) << "at " << f;
    EXPECT_EQ(9, PlaybackState);
  }
  // Before the first dropped frame "<" is off; pressed anyway, it goes to 0.
  EXPECT_FALSE(IsWindowEnabled(PreviousDroppedButton));
  SendMessageW(TheApp->PlaybackWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
               reinterpret_cast<LPARAM>(PreviousDroppedButton));
  EXPECT_EQ(0u, SliderPosition());
  EXPECT_EQ(AtFirstFrame(true), States());
  EXPECT_EQ(9, PlaybackState);
  EXPECT_TRUE(WaitForShownFrame(0));
}

TEST_F(PlaybackControlsTest, EndHidesThePictureAndBeginningBringsItBack) {
  Open(MakeCaptureRecording(Frames, Drops));
  Click(ForwardOneFrameButton);
  Click(EndFileButton);
  EXPECT_EQ(3, PlaybackState);
  EXPECT_EQ(Frames, SliderPosition());
  EXPECT_EQ(KeyLine(Frames), StatusText());
  EXPECT_EQ(AtEnd(), States());
  EXPECT_EQ(1, ClipHidden);
  EXPECT_EQ(3, GraphRunState);

  Click(BeginFileButton);
  EXPECT_EQ(2, PlaybackState);
  EXPECT_EQ(0u, SliderPosition());
  EXPECT_EQ(KeyLine(0), StatusText());
  EXPECT_EQ(AtFirstFrame(true), States());
  EXPECT_EQ(0, ClipHidden);
  EXPECT_TRUE(WaitForShownFrame(0));
}

TEST_F(PlaybackControlsTest, SliderSeeksOnStepsAndReleaseButNotWhileDragged) {
  Open(MakeCaptureRecording(Frames, Drops));
  Scroll(TB_THUMBTRACK, 7);
  EXPECT_EQ(0u, CurrentFramePosition()) << "dragging does not seek";
  EXPECT_EQ(KeyLine(0), StatusText());

  Scroll(TB_THUMBPOSITION, 7);
  EXPECT_EQ(7u, CurrentFramePosition());
  EXPECT_EQ(KeyLine(7), StatusText());
  EXPECT_EQ(PausedInside(true, true), States());
  EXPECT_EQ(2, PlaybackState) << "the slider does not change the state";
  EXPECT_TRUE(WaitForShownFrame(7));

  Scroll(TB_LINEDOWN, 9);
  EXPECT_EQ(9u, CurrentFramePosition());
  EXPECT_EQ(DroppedLine(9), StatusText());
  EXPECT_EQ(PausedInside(false, true), States());

  Scroll(TB_PAGEDOWN, Frames);
  EXPECT_EQ(Frames, CurrentFramePosition());
  EXPECT_EQ(AtEnd(), States());
  EXPECT_EQ(KeyLine(Frames), StatusText());

  Scroll(TB_PAGEUP, 0);
  EXPECT_EQ(0u, CurrentFramePosition());
  EXPECT_EQ(AtFirstFrame(true), States());
  EXPECT_TRUE(WaitForShownFrame(0));
}

TEST_F(PlaybackControlsTest, ARecordingNotFromTheCaptureProgramHasNoDroppedFrames) {
  AviGenOptions options;
  options.FrameCount = 8;
  options.HasArtist = false;
  Open(MakeRecording(L"other.avi", options));
  EXPECT_EQ(636, WindowWidth(TheApp->PlaybackWindow));
  EXPECT_EQ(PlainLine(0), StatusText());
  EXPECT_EQ(AtFirstFrame(false), States());

  Click(ForwardOneFrameButton);
  EXPECT_EQ(1u, SliderPosition());
  EXPECT_EQ(PlainLine(1), StatusText());
  EXPECT_EQ(PausedInside(false, false), States());
  EXPECT_TRUE(WaitForShownFrame(1));

  // ">" and "<" (out of sight in the narrow window) go to the end and the start.
  SendMessageW(TheApp->PlaybackWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
               reinterpret_cast<LPARAM>(NextDroppedButton));
  EXPECT_EQ(8u, CurrentFramePosition());
  EXPECT_EQ(AtEnd(), States());
  SendMessageW(TheApp->PlaybackWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
               reinterpret_cast<LPARAM>(PreviousDroppedButton));
  EXPECT_EQ(0u, CurrentFramePosition());
  EXPECT_EQ(AtFirstFrame(false), States());
}

TEST_F(PlaybackControlsTest, PauseOnFrameZeroLeavesTheSliderWhereItWas) {
  Open(MakeCaptureRecording(Frames, Drops));
  SendMessageW(PositionSlider, TBM_SETPOS, TRUE, 5);  // moved without a seek
  // Other parts of the program pause this way while the Pause button is off.
  SendMessageW(TheApp->PlaybackWindow, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(PauseButton));
  EXPECT_EQ(5u, SliderPosition());
  EXPECT_EQ(KeyLine(0), StatusText());
  EXPECT_EQ(1, PlaybackState);
  EXPECT_EQ(PausedInside(true, false), States());
}

}  // namespace
