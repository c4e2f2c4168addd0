#include "app/layout_math.h"

#include <algorithm>

ClampedPosition ClampPosition(const LayoutRect& rect, const LayoutRect& workArea) {
  const int64_t w = int64_t{rect.Right} - rect.Left;
  const int64_t h = int64_t{rect.Bottom} - rect.Top;
  int64_t x = std::max<int64_t>(rect.Left, workArea.Left);
  int64_t y = std::max<int64_t>(rect.Top, workArea.Top);
  if (x + w > workArea.Right) x = workArea.Right - w;
  if (y + h > workArea.Bottom) y = workArea.Bottom - h;
  return {static_cast<int32_t>(x), static_cast<int32_t>(y)};
}

int32_t ScaleForDpi(int32_t length96, uint32_t dpi) {
  if (dpi == 0) dpi = 96;
  const int64_t scaled = int64_t{length96} * dpi;
  // Halves round away from zero.
  const int64_t rounded = scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96);
  return static_cast<int32_t>(std::clamp<int64_t>(rounded, INT32_MIN, INT32_MAX));
}

MainLayout ComputeMainLayout(const LayoutRect& requested, const LayoutRect& workArea, const FrameMetrics& frames,
                             int32_t displayWidth, int32_t displayHeight, uint32_t dpi) {
  MainLayout layout = {};
  layout.X = requested.Left;
  layout.Y = requested.Top;
  int32_t w = std::max(requested.Right - requested.Left, ScaleForDpi(MainMinimumWidth, dpi));
  int32_t h = std::max(requested.Bottom - requested.Top, ScaleForDpi(MainMinimumHeight, dpi));
  const int32_t workWidth = workArea.Right - workArea.Left;
  const int32_t workHeight = workArea.Bottom - workArea.Top;

  bool clipped = false;
  if (w > workWidth) {
    w = workWidth;
    layout.X = workArea.Left;
    clipped = true;
  }
  if (h > workHeight) {
    h = workHeight;
    layout.Y = workArea.Top;
    clipped = true;
  }
  layout.Width = w;
  layout.Height = h;

  layout.ScrollWidth = w - frames.MainFrameWidth;
  layout.ScrollHeight = h - frames.MainFrameHeight;
  layout.VideoWidth = displayWidth + frames.ClipFrameWidth;
  layout.VideoHeight = displayHeight + frames.ClipFrameHeight;
  layout.Scrolling = clipped || layout.VideoWidth > layout.ScrollWidth || layout.VideoHeight > layout.ScrollHeight;
  return layout;
}

bool CutToWorkArea(LayoutRect* rect, const LayoutRect& workArea) {
  const int32_t workWidth = workArea.Right - workArea.Left;
  const int32_t workHeight = workArea.Bottom - workArea.Top;
  bool cut = false;
  if (rect->Right - rect->Left > workWidth) {
    rect->Right = rect->Left + workWidth;
    cut = true;
  }
  if (rect->Bottom - rect->Top > workHeight) {
    rect->Bottom = rect->Top + workHeight;
    cut = true;
  }
  return cut;
}
