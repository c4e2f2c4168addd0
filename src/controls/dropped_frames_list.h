// Display > Dropped Frames List...: a tool window listing where the capture
// program dropped frames in the open recording, as runs of consecutive
// dropped frames (first, last, length, time of the first frame) with a total
// line, read from the parsed index. Double-click or Enter on a run pauses the
// video on the run's first frame. Ctrl+C, or Copy on the context menu, puts
// the selected runs (all of them when none is selected) on the clipboard as
// tab-separated text; "Save as CSV..." writes them to a file. Above the list a
// strip draws the dropped frames per time bin across the whole recording; a
// click on a bin selects its first run and pauses on the bin's first dropped
// frame. The same runs put a tick on the position slider at each dropped
// frame, at most one per pixel.
#pragma once

#include <windows.h>

#include "controls/save_frame.h"

// The list's context menu (the window's WM_COMMAND): Copy, Save as CSV....
constexpr UINT DroppedRunsCopyId = 32850;
constexpr UINT DroppedRunsSaveCsvId = 32851;

// The window, its controls and the strip's tooltip; null until first shown.
// The window is hidden, never destroyed, when closed.
extern HWND DroppedFramesWindow;
extern HWND DroppedFramesListView;
extern HWND DroppedFramesTotalLine;
extern HWND DroppedFramesStrip;
extern HWND DroppedFramesStripTip;

// How "Save as CSV..." asks for the file, as ChooseFramePath does for Save
// Frame As (ShowSaveCsvDialog by default; tests put a stand-in here).
HRESULT ShowSaveCsvDialog(const wchar_t* proposed, wchar_t** path);
extern ChooseSavePathFunction ChooseCsvPath;

// After an open or a close: the runs are read again from the open file (none
// when no file is open), the list, the slider's ticks and the menu item follow;
// with no drops the window is hidden.
void RefreshDroppedFrames();

// Puts the ticks of the current runs on PositionSlider (after it was made again
// or ranged).
void SetDroppedFrameTicks();

// The menu command: shows the window in front.
void ShowDroppedFramesList();
