// ORVO Video Playback: plays and inspects the recordings of ORVO Video Capture.

#include <windows.h>

#include "app/app_context.h"
#include "app/open_from_outside.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // "Open with" and file associations hand the program a recording.
  const std::wstring commandLine = StartInProgramFolder(GetCommandLineW());
  const int started = StartProgram(instance);
  if (started != 0) return started;
  OpenFromCommandLine(commandLine.c_str());
  const int result = RunMessageLoop();
  FinishProgram();
  return result;
}
