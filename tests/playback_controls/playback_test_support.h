// Support for the playback controls' tests under Wine: the program started
// in-process (AppTest) with its playback window, recordings from the project's
// generator opened through File > Open with a stand-in for the dialog, and
// what the user sees read back: the frame on the screen, the slider, the
// status line and which controls are enabled.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "avi_generator.h"
#include "harness/app_harness.h"

// Enabled states of the nine controls and whether the clip window shows.
struct ControlStates {
  bool Start, Pause, Begin, Back, Forward, End, Previous, Next, Slider, Clip;
  bool operator==(const ControlStates& o) const;
};
std::ostream& operator<<(std::ostream& out, const ControlStates& s);

// The rows of the state table: paused inside the file, at the first frame,
// at the end, playing, no file; after / before: non-key frames on that side.
ControlStates PausedInside(bool after, bool before);
ControlStates AtFirstFrame(bool after);
ControlStates AtEnd();
ControlStates Playing();
ControlStates NoFile();

class PlaybackTest : public AppTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A recording made by the generator, written into the working directory.
  std::wstring MakeRecording(const std::wstring& name, const AviGenOptions& options);
  // A capture-program recording of frames frames with the given ones dropped.
  std::wstring MakeCaptureRecording(uint32_t frames, const std::vector<uint32_t>& dropped);

  // File > Open answered with path; the file is open and at frame 0.
  void Open(const std::wstring& path);

  // The user's actions.
  void Click(HWND button);
  // A slider action: the slider at position, then WM_HSCROLL with code.
  void Scroll(WORD code, uint32_t position);

  // What the user sees.
  ControlStates States() const;
  uint32_t SliderPosition() const;
  std::wstring StatusText() const;
  // The frame number on the screen, read from the picture's code; false when
  // no code is visible.
  bool ShownFrame(uint32_t* frame);
  // Keeps the main window above the other test programs' windows from now on,
  // so that reading the picture costs no more than the read itself.
  void HoldScreen();
  // Pumps until the screen shows frame (bounded by attempts, not by time).
  bool WaitForShownFrame(uint32_t frame);
  // Pumps until PlaybackState is state or the attempts run out.
  bool WaitForState(int state, int attempts = 400);

  // The status line for a frame: 49 spaces and the label with Dropped Frames
  // Control on, 35 spaces and "Frame Number:  " for a file without drops.
  static std::wstring KeyLine(uint32_t frame);
  static std::wstring DroppedLine(uint32_t frame);
  static std::wstring PlainLine(uint32_t frame);

 private:
  bool screenHeld_ = false;
};
