// Display > Dropped Frames List...: a tool window listing where the capture
// program dropped frames in the open recording, as runs of consecutive
// dropped frames (first, last, length, time of the first frame) with a total
// line, read from the parsed index. Double-click or Enter on a run pauses the
// video on the run's first frame. The same runs put a tick on the position
// slider at each dropped frame, at most one per pixel.
#pragma once

#include <windows.h>

// The window and its two controls; null until first shown. The window is
// hidden, never destroyed, when closed.
extern HWND DroppedFramesWindow;
extern HWND DroppedFramesListView;
extern HWND DroppedFramesTotalLine;

// After an open or a close: the runs are read again from the open file (none
// when no file is open), the list, the slider's ticks and the menu item follow;
// with no drops the window is hidden.
void RefreshDroppedFrames();

// Puts the ticks of the current runs on PositionSlider (after it was made again
// or ranged).
void SetDroppedFrameTicks();

// The menu command: shows the window in front.
void ShowDroppedFramesList();
