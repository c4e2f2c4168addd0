// AppContext: the application record, one per process. Its constructor is the
// whole start-up sequence; window procedures reach it through TheApp.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/shared_state.h"
#include "avi/avi_file_info.h"

class PlaybackGraph;

struct AppContext {
  // Runs the start-up sequence. On return Shared->StartupFailed is 1 when a
  // FATAL step failed.
  AppContext(HINSTANCE instance, SharedState* shared);

  SharedState* Shared = nullptr;
  AviFileInfo FileInfo{};  // copy of the open file's facts; empty FilePath = no file
  HMENU MainMenu = nullptr;
  HMENU FileMenu = nullptr;
  HMENU DisplayMenu = nullptr;
  HMENU OptionsMenu = nullptr;
  HMENU HelpMenu = nullptr;
  HMENU MessagesMenu = nullptr;
  HMENU MessagesFileMenu = nullptr;
  uint32_t NextCommandId = 0;
  HINSTANCE Instance = nullptr;
  PlaybackGraph* Graph = nullptr;
  HWND MainWindow = nullptr;
  HWND MessagesWindow = nullptr;
  HWND PlaybackWindow = nullptr;
  HWND MessagesEdit = nullptr;
  HWND ClipWindow = nullptr;
  HWND ScrollWindow = nullptr;
  HWND BrightnessContrastWindow = nullptr;
  HWND ContrastSlider = nullptr;
  HWND BrightnessSlider = nullptr;
  HWND MagnifyWindow = nullptr;
  HWND MagnifyNoneButton = nullptr;
  HWND MagnifyHalfButton = nullptr;
  HWND MagnifyThreeQuarterButton = nullptr;
  HWND MagnifyOneAndHalfButton = nullptr;
  HWND MagnifyDoubleButton = nullptr;
  HANDLE FrameTimer = nullptr;
  HANDLE FrameTimerQueue = nullptr;

 private:
  bool CreateMainWindow();
  bool CreateMessagesWindow();
  void CreateFonts();
  void SetWindowIcons();
  void ShowStartupWindows();
  void Fatal(const wchar_t* text);
};

// Process-wide values of the application shell.
extern AppContext* TheApp;
extern int MessagesReady;  // 0 until the User Messages edit control exists
extern int StartingUp;     // 1 from the start of start-up to its successful end
extern RECT WorkArea;

extern HFONT FontConsolas18;
extern HFONT FontConsolas20;
extern HFONT FontTahoma72;
extern HFONT FontConsolas16;
extern HFONT FontConsolas28;
extern HFONT FontTahoma20;
extern HFONT FontTahoma22;
extern HFONT FontTahoma18;
extern HFONT FontTahoma16;
extern HFONT FontCourierNew72Bold;

// Stock and solid brushes made once when the process starts.
extern HBRUSH StaticBackgroundBrush;

// The entry, split so that tests can run start-up in-process and pump
// messages themselves.
//   StartProgram: COM, the rich edit library, the SharedState and the
//   AppContext. Returns 0 when the message loop may run, else the entry's
//   result (the COM failure, E_OUTOFMEMORY or E_ABORT).
//   RunMessageLoop: until the main window is closed; returns the last wParam.
//   FinishProgram: COM uninitialised, then a short pause.
[[nodiscard]] int StartProgram(HINSTANCE instance);
int RunMessageLoop();
void FinishProgram();

// Test seam: when set to one of the FATAL start-up steps, that step fails as
// though its window could not be created.
enum class StartupStep { None, MainWindow, MessagesWindow, MessagesEdit, ClipWindow, PlaybackControls };
extern StartupStep ForcedStartupFailure;
