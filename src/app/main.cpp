// ORVO Video Playback: plays and inspects the recordings of ORVO Video Capture.

#include <windows.h>

#include "app/app_context.h"
#include "app/open_from_outside.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const int started = StartProgram(instance);
  if (started != 0) return started;
  OpenFromCommandLine(GetCommandLineW());  // "Open with" and file associations
  const int result = RunMessageLoop();
  FinishProgram();
  return result;
}
