// Registering the program's window classes: every class takes the arrow
// cursor; the rest differs by class. A failed registration is not reported
// here: it shows when the window is created.
#pragma once

#include <windows.h>

// background: a stock object (GRAY_BRUSH, LTGRAY_BRUSH), or -1 for none.
inline void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, HINSTANCE instance, int background,
                                UINT style = 0, HICON icon = nullptr) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background >= 0 ? static_cast<HBRUSH>(GetStockObject(background)) : nullptr;
  windowClass.lpszClassName = name;
  RegisterClassExW(&windowClass);
}
