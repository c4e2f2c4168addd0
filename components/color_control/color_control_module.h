// What the DLL's entry points share with its objects: the module handle and
// the counts that DllCanUnloadNow looks at.
#pragma once

#include <windows.h>

extern HINSTANCE ColorControlModule;

// Every ColorControlDmo counts itself for its lifetime.
void ColorControlObjectCreated();
void ColorControlObjectDestroyed();
