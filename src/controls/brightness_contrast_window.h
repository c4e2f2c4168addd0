// The "Brightness and Contrast" window: two sliders, 0 to 100 with the
// neutral 50 in the middle, whose every move is written at once to the
// colour-control video effect (graph/color_control.h). It is shown while
// Display > "Brightness/Contrast..." is on and hidden, with both settings
// back at neutral, when that is switched off, when the window is closed and
// when the file is closed. Created once at start-up, never destroyed.
#pragma once

#include <windows.h>

struct AppContext;

// Registers "BrightnessContrast" and creates the hidden top-level window
// "Brightness and Contrast" at its saved position with its sliders and
// labels. 0 only when the window itself could not be made, 1 otherwise (a
// control that cannot be made is reported and left out).
[[nodiscard]] int CreateBrightnessContrastWindow(AppContext* app);

// The two sliders (32778 brightness, 32779 contrast) and their labels, the
// sliders at 50. Stops, with its warning, at the first control that cannot be
// made.
void CreateBrightnessContrastControls(AppContext* app);

// Display > "Brightness/Contrast...": switches brightness/contrast on (the
// filter spliced in, the window shown) or off (the filter taken out, the video
// paused, everything neutral). When the filter cannot be spliced in, the open
// file is closed and the user told to reopen it.
void ToggleBrightnessContrast();

// Both settings and sliders back to neutral, the menu item unchecked, the
// window hidden.
void ResetBrightnessContrast();

LRESULT CALLBACK BrightnessContrastProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
