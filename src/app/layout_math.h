// The arithmetic of window placement, apart from the windows themselves:
// keeping top-level windows on the work area and sizing the main window
// around the video.
#pragma once

#include <cstdint>

struct LayoutRect {
  int32_t Left, Top, Right, Bottom;
};

// The position the system reports for a minimised window.
constexpr int32_t MinimisedPosition = -32000;

inline bool IsMinimised(const LayoutRect& r) { return r.Left == MinimisedPosition && r.Top == MinimisedPosition; }

struct ClampedPosition {
  int32_t X, Y;
};

// Where a window of rect's size must go so that it starts at or after the
// work area's left and top and ends at or before its right and bottom edges.
// The work area is that of the monitor the window is on, which may lie at
// negative coordinates (a monitor left of or above the primary one). A window
// larger than the work area ends on the work area's right or bottom edge and
// starts before its left or top.
ClampedPosition ClampPosition(const LayoutRect& rect, const LayoutRect& workArea);

// A length of the program's chrome (buttons, sliders, fonts, tool windows,
// layout constants), given for 96 dots per inch, at dpi; rounded as MulDiv
// rounds. The picture itself is never scaled: it is drawn in device pixels.
int32_t ScaleForDpi(int32_t length96, uint32_t dpi);

// Frame sizes measured once: the main window's and the clip window's
// non-client widths and heights.
struct FrameMetrics {
  int32_t MainFrameWidth, MainFrameHeight;
  int32_t ClipFrameWidth, ClipFrameHeight;
};

struct MainLayout {
  int32_t X, Y, Width, Height;        // the main window
  bool Scrolling;                     // the video goes into the scrolling host
  int32_t ScrollWidth, ScrollHeight;  // the host's size (the main client area)
  int32_t VideoWidth, VideoHeight;    // the clip window's size
};

constexpr int32_t MainMinimumWidth = 400;
constexpr int32_t MainMinimumHeight = 300;

// Lays the main window out for the requested rectangle: at least 400 x 300
// (scaled to dpi), no larger than the work area (then placed at the work
// area's left or top on that axis), and the video
// of displayWidth x displayHeight either directly inside or, when it does not
// fit or the window was cut to the work area, inside the scrolling host.
MainLayout ComputeMainLayout(const LayoutRect& requested, const LayoutRect& workArea, const FrameMetrics& frames,
                             int32_t displayWidth, int32_t displayHeight, uint32_t dpi = 96);

// The User Messages window may not be larger than the work area. Returns true
// and cuts rect's right or bottom edge when it was.
bool CutToWorkArea(LayoutRect* rect, const LayoutRect& workArea);
