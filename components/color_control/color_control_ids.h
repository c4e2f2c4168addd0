// The identifiers of the "Color Control" video-effect DMO: its COM class, the
// name it is registered under and the keys of its two settings.
#pragma once

#include <windows.h>
#include <propsys.h>

// {02E3569D-6712-4F88-83F1-E8370854FC3C}
const CLSID CLSID_OrvoColorControl = {0x02e3569d, 0x6712, 0x4f88, {0x83, 0xf1, 0xe8, 0x37, 0x08, 0x54, 0xfc, 0x3c}};

// The name in the DMO registry (DMOCATEGORY_VIDEO_EFFECT); the program finds
// the DMO by it.
const wchar_t ColorControlName[] = L"Color Control";

// Both settings are VT_I4 values from -127 to 127, 0 neutral.
const PROPERTYKEY ColorControlBrightnessKey = {
    {0x174fb0ec, 0x2695, 0x476c, {0x88, 0xaa, 0xd2, 0xb4, 0x1c, 0xe7, 0x5e, 0x67}}, 1};
const PROPERTYKEY ColorControlContrastKey = {
    {0x174fb0ec, 0x2695, 0x476c, {0x88, 0xaa, 0xd2, 0xb4, 0x1c, 0xe7, 0x5e, 0x67}}, 2};
