// The program is aware of each monitor's scale: every window is laid out in
// device pixels, so a recording at Magnify "None" covers exactly its own
// width and height in pixels on any monitor. What is not the picture (the
// chrome: buttons, sliders, the status line, fonts, tool windows) is given in
// lengths for 96 dots per inch and scaled here to the DPI of the window it
// belongs to.
#pragma once

#include <windows.h>

#include <cstdint>

// The DPI of the monitor a window is on (96 for no window).
UINT WindowDpi(HWND window);

// A chrome length given for 96 DPI, at window's DPI.
int32_t Scaled(HWND window, int32_t length96);

// The DPI the program's fonts were made for: the primary monitor's at
// start-up.
extern UINT FontsDpi;

// One of the program's fonts at dpi: the font itself when the DPIs agree, else
// a scaled copy, made once and kept for the run as the fonts are.
HFONT FontForDpi(HFONT font, UINT dpi);

// Notes the DPI a top-level window's children have just been laid out for.
void RememberChromeDpi(HWND window);

// A top-level window has moved to a monitor of another scale: it takes the
// rectangle the system suggests, and its children their lengths and fonts
// scaled from the old DPI to the new one. The main window, whose child is the
// picture, has a handler of its own.
void OnDpiChanged(HWND window, WPARAM wParam, const RECT* suggested);
