// The video display windows: the clip window the renderer draws into, the
// scrolling host it moves into when the picture does not fit the main
// window, and the magnify window with its five sizes.
#pragma once

#include <windows.h>

#include <cstdint>

struct AppContext;

// How far the picture is scrolled, and the largest offsets.
extern int32_t ScrollOffsetX, ScrollOffsetY;
extern int32_t ScrollLimitX, ScrollLimitY;

// Magnify radio-button identifiers.
constexpr UINT MagnifyNoneId = 32788;
constexpr UINT MagnifyHalfId = 32789;
constexpr UINT MagnifyThreeQuarterId = 32790;
constexpr UINT MagnifyOneAndHalfId = 32791;
constexpr UINT MagnifyDoubleId = 32792;

// Each returns non-zero on success.
[[nodiscard]] int CreateClipWindow(AppContext* app);
[[nodiscard]] int CreateScrollWindow(AppContext* app);
[[nodiscard]] int CreateMagnifyWindow(AppContext* app);

// After MagnifyLevel was chosen: pause, resize the picture, lay the main
// window out around it at its home position.
void ApplyMagnifySelection();

// Fits the scrolling host's limits, bars and picture position to its client
// area and the displayed picture size; after every layout and on WM_SIZE.
void UpdateScrollHost();

// Back to the native size; relayout non-zero lays the main window out again.
void CloseMagnify(int relayout);

LRESULT CALLBACK ClipWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ScrollWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MagnifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
