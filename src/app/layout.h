// Window placement: keeping the top-level windows on the work area, sizing the
// main window around the video and capturing positions for the options file.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/layout_math.h"

extern int InLayout;  // 1 while LayoutMainWindow runs
extern int InClamp;   // 1 while ClampToWorkArea runs
extern int32_t MainFrameWidth, MainFrameHeight;
extern int32_t ClipFrameWidth, ClipFrameHeight;
extern int32_t MainWindowX, MainWindowY;
extern int32_t MainWindowWidth, MainWindowHeight;

inline LayoutRect ToLayoutRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The work area of the monitor that rect is on, or of the nearest monitor when
// it is on none (a monitor that has gone); the primary work area when the
// system gives no monitor.
LayoutRect WorkAreaOf(const RECT& rect);

// The displays or the taskbar have changed: the primary work area is read
// again and every window is brought back onto the work area of its monitor.
void OnWorkAreasChanged();

// Acts on the main window (minimum size, work area, video placement) and on the
// User Messages window (work area only); any other window is ignored.
void LayoutMainWindow(HWND window, int32_t left, int32_t top, int32_t right, int32_t bottom);

// Moves any top-level window back onto the work area of its monitor.
void ClampToWorkArea(HWND window, int32_t left, int32_t top, int32_t right, int32_t bottom);

void PaintMainBackground();

// Measures the main window's and the clip window's frames again (they are
// wider at a larger scale).
void MeasureWindowFrames();

// The playback controls widen (842, slider and status line 820) while
// Dropped Frames Control is on, and narrow again (636, 614) when it is off;
// lengths at 96 DPI, scaled to the window's DPI.
void ResetPlaybackWindowSize();
void ResizePlaybackWindow(int wide);
void RebuildPositionSlider(int wide);
void ResizeStatusLine(int wide);

// Copies the five windows' current positions into WindowPositions.
void CaptureWindowPositions();
