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

// Where a window of rect's size must go so that it starts at or after 0 and
// ends at or before the work area's right and bottom edges. A window larger
// than the work area ends on the work area's edge with a negative left or top.
ClampedPosition ClampPosition(const LayoutRect& rect, const LayoutRect& workArea);

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

// Lays the main window out for the requested rectangle: at least 400 x 300,
// no larger than the work area (then placed at 0 on that axis), and the video
// of displayWidth x displayHeight either directly inside or, when it does not
// fit or the window was cut to the work area, inside the scrolling host.
MainLayout ComputeMainLayout(const LayoutRect& requested, const LayoutRect& workArea, const FrameMetrics& frames,
                             int32_t displayWidth, int32_t displayHeight);

// The User Messages window may not be larger than the work area. Returns true
// and cuts rect's right or bottom edge when it was.
bool CutToWorkArea(LayoutRect* rect, const LayoutRect& workArea);
