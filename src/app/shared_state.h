// SharedState: the small record of icons and view state shared by the
// application record and the playback graph. Allocated once by the entry and
// never freed.
#pragma once

#include <windows.h>

#include <cstdint>

struct SharedState {
  uint32_t StartupFailed;  // a FATAL start-up step failed: no message loop
  uint32_t QuitRequested;  // the main window was closed: the loop ends
  HICON LogoLargeIcon;     // each icon is null when its file did not load
  HICON LogoSmallIcon;
  HICON StartIcon;
  HICON PauseIcon;
  HICON BeginFileIcon;
  HICON EndFileIcon;
  HICON BackOneFrameIcon;
  HICON ForwardOneFrameIcon;
  uint32_t BrightnessContrastOn;
  uint32_t MagnifyOn;
  uint32_t MagnifyLevel;  // 0 = no magnification
  uint32_t VideoWidth;    // native frame size of the open file
  uint32_t VideoHeight;
  uint32_t DisplayWidth;  // frame size as displayed; 0 with no file open
  uint32_t DisplayHeight;
};

// Allocates the record and loads the eight icons from "OrvoVideoIcons".
SharedState* CreateSharedState();
