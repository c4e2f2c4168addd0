// Brightness and contrast through the external "Color Control" video-effect
// DMO.
//
// The DMO is looked up once at start-up and hosted in a DMO Wrapper filter
// that lives for the whole process (with its two pins and its property
// store). Switching brightness/contrast on splices that filter into the open
// file's graph between the renderer and the pin that fed it; switching it off
// connects the two directly again and leaves the filter in the graph,
// unconnected. The settings are written through the filter's property store.
// User-interface thread only.
#pragma once

#include <propsys.h>
#include <windows.h>

class PlaybackGraph;

// The DMO's property keys: brightness and contrast, 32-bit values from -127
// to 127, 0 neutral.
const PROPERTYKEY BrightnessPropertyKey = {
    {0x174fb0ec, 0x2695, 0x476c, {0x88, 0xaa, 0xd2, 0xb4, 0x1c, 0xe7, 0x5e, 0x67}}, 1};
const PROPERTYKEY ContrastPropertyKey = {{0x174fb0ec, 0x2695, 0x476c, {0x88, 0xaa, 0xd2, 0xb4, 0x1c, 0xe7, 0x5e, 0x67}},
                                         2};

// Finds the DMO registered as "Color Control" among the video effects, wraps
// it and keeps the wrapper filter, its IDMOWrapperFilter, its property store
// and its input and output pins in graph. 1 when all of it is there, 0 when
// brightness/contrast is not available (one message says why). Called once,
// while the PlaybackGraph is being made.
[[nodiscard]] int FindColorControlFilter(PlaybackGraph& graph);

// Splices the colour-control filter in before the renderer of the open
// file's graph and shows the current frame paused through it. 1 when done or
// when there is nothing to do (no file open, no filter); 0 when a step failed:
// its warning has been reported and the graph is left stopped.
[[nodiscard]] int InsertColorControl();

// Connects the renderer to the pin that fed the colour-control filter again
// and shows the current frame paused. Nothing happens unless the filter is
// spliced in; a failing step reports its warning and leaves the graph stopped.
void RemoveColorControl();

// Writes slider positions (0 to 100, 50 neutral) to the filter: brightness and
// contrast; a negative position leaves that setting alone. Unless the video
// is playing, the current frame is drawn again after each setting written.
void SetBrightnessContrast(int brightness, int contrast);

// Puts both settings back to neutral (0). Without a property store nothing
// happens and nothing is reported. Unless the video is playing, the current
// frame is drawn again after each setting written.
void ResetColorSettings();

// Test seam: when set, that step is not carried out and fails as though the
// system had refused it.
enum class ColorControlStep {
  None,
  // FindColorControlFilter
  CreateWrapper,
  QueryWrapper,
  InitWrapper,
  QueryPropertyStore,
  EnumPins,
  FindPins,
  // InsertColorControl and RemoveColorControl
  AddFilter,
  FindRendererPin,
  FindUpstreamPin,
  DisconnectRendererPin,
  DisconnectUpstreamPin,
  DisconnectColorInput,
  DisconnectColorOutput,
  ConnectColorInput,
  ConnectColorOutput,
  ConnectRendererBack,
  // The property store
  GetSetting,
  SetSetting,
};
extern ColorControlStep ForcedColorControlFailure;
