// The playback controls window ("Playback"): the six transport buttons, the
// two dropped-frame buttons "<" and ">", the position slider and the status
// line with the frame number, and the one-second playback tick.
//
// Its operations are the interface through which the rest of the program
// brings the controls in line with the video: after every change of position
// or playback state the caller moves the slider, calls ShowFrameNumber, stores
// the new state code in PlaybackState and calls EnablePlaybackControls.
#pragma once

#include <windows.h>

#include <cstdint>

#include "controls/frame_number_text.h"
#include "graph/transport.h"

struct AppContext;

// The controls, created once at start-up and never destroyed (the slider
// excepted: it is made again when the window changes width).
extern HWND StartButton;
extern HWND PauseButton;
extern HWND BeginFileButton;
extern HWND BackOneFrameButton;
extern HWND ForwardOneFrameButton;
extern HWND EndFileButton;
extern HWND PreviousDroppedButton;  // "<"
extern HWND NextDroppedButton;      // ">"
extern HWND PositionSlider;
extern HWND StatusLine;

// The status line's current text.
extern wchar_t FrameNumberText[FrameNumberTextUnits];

// Registers "PlaybackControlsWindow" and creates the window "Playback" at its
// saved position with its ten controls; the status line starts empty. 1 on
// success, 0 when a window could not be made.
[[nodiscard]] int CreatePlaybackControls(AppContext* app);

// (Re)creates PositionSlider in the playback window, 820 wide when wide is
// non-zero, else 614: position 0, page size 1, shown. Non-zero on success.
[[nodiscard]] int CreatePositionSlider(int wide);

// Enables the controls for a state code (the transport command codes: 0
// playing, 1/4/5/8/9 paused inside the file, 2/6 at the first frame, 3 at the
// end, 10 no file; 7 and codes above 10 change nothing), shows or hides the
// clip window and redraws the window. after / before: a non-key frame lies
// after / before the position (they decide ">" and "<").
void EnablePlaybackControls(TransportCommand state, uint32_t nonKeyAfter, uint32_t nonKeyBefore);

// The moves that several commands share, each ending with the slider, the
// frame-number line, PlaybackState and the controls in line with the video:
//   PauseOnCurrentFrame: as the Pause button does (also a magnify choice and
//   brightness/contrast switched on while playing or off); nothing happens
//   while no file is open.
//   PauseOnFrame: paused exactly on frame (a frame of the open file; others
//   are ignored), shown as a release of the slider's thumb there shows it
//   (File > Go to Frame..., the dropped frames list).
//   GoToEndOfFile: as the End of File button does (also the end of the stream).
//   EnterNoFileState: the controls with no file open (start-up, File > Close).
void PauseOnCurrentFrame();
void PauseOnFrame(uint32_t frame);
void GoToEndOfFile();
void EnterNoFileState();

// The playback speed chosen, an index into PlaybackSpeeds (1x unless told).
extern int PlaybackSpeedIndex;

// Writes the frame number and its time (hh:mm:ss.mmm from the start) into the
// status line, then the playback speed while it is not 1x (empty while no
// file is open).
void ShowFrameNumber(uint32_t frame, int isKeyFrame);

// Moves the slider to frame, redrawing it.
void SetSliderPosition(uint32_t frame);

// Greys (0) or enables the main window's "Display" menu, which is off while
// the video plays.
void EnableDisplayMenu(int enabled);

// The playback tick: once a second while playing, the slider and the status
// line follow the graph's position. Starting again replaces a running tick;
// StopFrameTimer returns only when no tick is running any more, and no tick
// of a stopped timer changes the controls afterwards.
void StartFrameTimer();
void StopFrameTimer();
VOID CALLBACK FrameTimerTick(PVOID parameter, BOOLEAN timerFired);

// The message by which a tick hands the position to the window:
// wParam = the tick's timer generation, lParam = the frame.
constexpr UINT FrameTickMessage = WM_APP + 2;

LRESULT CALLBACK PlaybackControlsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// For tests: the tick's period (1000 ms in the program) and how many tick
// callbacks have run since the process started.
extern DWORD FrameTickMilliseconds;
LONG FrameTicksRun();
