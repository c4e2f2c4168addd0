// The one harness of the Windows tests: the program's own start-up run in this
// process, driven as a user drives it (menu commands, button clicks, slider
// steps, the file dialog answered by a stand-in) and read back as a user sees
// it (the User Messages text, which controls are enabled, the status line, the
// frame number drawn into the picture).
//
// The program starts once per test process, on the first test. Every later
// test starts where a user would after File > Close: no file open, the User
// Messages window empty, a fresh working directory. A test program whose cases
// each need a start-up of their own (start-up variants, ending the program) is
// registered with orvo_win_test_isolated, which gives every case a process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "avi_generator.h"
#include "drive.h"

#include "graph/transport.h"

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs before the process's one start-up, in the working directory: write
  // an options file, copy the icons, force a start-up failure, ...
  virtual void BeforeStart() {}
  // Start-up's result (0 when the message loop may run).
  static int StartResult();

  // Dispatches window messages for about this long.
  static void Pump(int milliseconds = 50);
  // The User Messages text as the rich edit control holds it, CR LF line ends.
  static std::wstring MessagesText();
  // The lines added to the User Messages window since the last call (or since
  // the test began).
  std::vector<std::wstring> NewLines();
  // The same without the empty lines and the time lines.
  std::vector<std::wstring> NewTexts();
  // Posts a menu command to a window (the main window by default) and pumps
  // until it has been handled.
  static void Command(unsigned id, HWND window = nullptr);
  // A key pressed while window has the keyboard, Ctrl and Shift held or not,
  // and pumped until it has been handled.
  static void Key(HWND window, WPARAM key, bool control = false, bool shift = false);
  // Whether text is in User Messages, pumping a while for an open's report.
  static bool Posted(const std::wstring& text);
  const std::wstring& WorkDir() const { return workDir_; }

  // Recordings made by the project's generator in the working directory.
  std::wstring MakeRecording(const std::wstring& name, const AviGenOptions& options);
  // A capture-program recording (160 x 120 unless told) with these frames dropped.
  std::wstring MakeCaptureRecording(uint32_t frames, const std::vector<uint32_t>& dropped,
                                    const std::wstring& name = L"capture.avi");

  // File > Open answered with path; asserts that the file opened at frame 0.
  void Open(const std::wstring& path);
  // File > Open answered with path, whatever comes of it.
  static void TryOpen(const std::wstring& path);

  // A click on an enabled button, as the user's mouse would give it.
  void Click(HWND button);
  // A slider action: the slider at position, then WM_HSCROLL with code.
  void Scroll(WORD code, uint32_t position);

  // What the user sees of the playback controls: a letter for each enabled
  // one (Start, Pause, Beginning, back, Forward, End, <, >, slider) and 'c'
  // while the picture shows, '.' for each that is off.
  static std::string States();
  static uint32_t SliderPosition();
  static std::wstring StatusText();
  // The rows of the state table: paused inside the file, at the first frame,
  // at the end, playing, no file; after / before: dropped frames on that side.
  static std::string PausedInside(bool after, bool before);
  static std::string AtFirstFrame(bool after);
  static std::string AtEnd();
  static std::string Playing();
  static std::string NoFile();
  // The status line for a frame: with Dropped Frames Control on (key or
  // dropped), and for a file without drops; each ends with the frame's time
  // (its text is drop_runs_test's).
  static std::wstring FrameTime(uint32_t frame);
  static std::wstring KeyLine(uint32_t frame);
  static std::wstring DroppedLine(uint32_t frame);
  static std::wstring PlainLine(uint32_t frame);

  // The frame number drawn into the picture on the screen; false when no valid
  // code is visible.
  bool ShownFrame(uint32_t* frame);
  // Pumps until the screen shows frame (bounded by attempts, not by time).
  bool WaitForShownFrame(uint32_t frame);

 private:
  std::wstring workDir_;
  size_t seenMessages_ = 0;
};

// The next File > Open's dialog answers with result and path (a copy is
// kept) instead of showing itself; a null path answers with no path at all.
void ArrangeFileChoice(HRESULT result, const wchar_t* path);
inline void ArrangeFileChoice(HRESULT result, const std::wstring& path) { ArrangeFileChoice(result, path.c_str()); }

// Whether a menu item is greyed or checked.
bool Grayed(HMENU menu, UINT item, UINT by = MF_BYCOMMAND);
bool Checked(HMENU menu, UINT item);
int WidthOf(HWND window);
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
std::ostream& operator<<(std::ostream& out, const RECT& r);

void WriteFileBytes(const std::wstring& path, const std::string& bytes);
void RemoveTree(const std::wstring& path);
// "HH:MM:SS (UTC)"
bool IsTimeLine(const std::wstring& line);
// The clipboard's text, and the clipboard emptied.
std::wstring ClipboardText();
void EmptyTheClipboard();
