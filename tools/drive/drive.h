// Drives a running OrvoVideoPlayback.exe from outside its process, as a user
// does: starts it, finds its windows, chooses menu commands, clicks buttons,
// presses keys, answers its file dialogs, reads what its windows say, takes
// screenshots and ends it. Every wait is bounded.
//
// Menus cannot be read from another process under Wine, but their commands
// can be posted: the identifiers below are the program's own, fixed at its
// start-up.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace drive {

// Menu commands of the main window.
constexpr UINT SetWindowPositionsCommand = 32793;
constexpr UINT DroppedFramesControlCommand = 32794;
constexpr UINT OpenCommand = 32795;
constexpr UINT CloseCommand = 32796;
constexpr UINT InformationCommand = 32797;
constexpr UINT ExitCommand = 32798;
constexpr UINT BrightnessContrastCommand = 32799;
constexpr UINT MagnifyCommand = 32800;
constexpr UINT GoToFrameCommand = 32804;
constexpr UINT SaveFrameAsCommand = 32805;
constexpr UINT DroppedFramesListCommand = 32806;
// Menu commands of the User Messages window.
constexpr UINT SaveMessagesCommand = 32802;
constexpr UINT SaveMessagesAndClearCommand = 32803;

// Window classes and titles of the program.
constexpr wchar_t MainClass[] = L"ORVO_VideoPlayback";
constexpr wchar_t MessagesClass[] = L"User Messages Class";
constexpr wchar_t PlaybackClass[] = L"PlaybackControlsWindow";
constexpr wchar_t MagnifyClass[] = L"Magnify";
constexpr wchar_t BrightnessContrastClass[] = L"BrightnessContrast";
constexpr wchar_t DroppedFramesClass[] = L"OrvoDroppedFramesList";
constexpr wchar_t ClipClass[] = L"OrvoVideoPlaybackClipWindow";
constexpr wchar_t DialogClass[] = L"#32770";
constexpr int FileNameEditId = 0x480;  // the common item dialog's file name field (Wine)
constexpr int GoToFrameEditId = 100;   // the frame number field of "Go to Frame"
constexpr int BrightnessSliderId = 32778;

// Polls condition every 20 ms until it holds, at most attempts times.
bool WaitFor(const std::function<bool()>& condition, int attempts = 500);

class Program {
 public:
  Program() = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();  // a program still running is terminated

  // Starts exe in workDir, with recording (when not empty) on its command
  // line, and waits until its main window is visible.
  bool Start(const std::wstring& exe, const std::wstring& workDir, const std::wstring& recording = L"");
  // File > Exit, then waits for the process: its exit code, or -1 when it
  // did not end (it is terminated then).
  long Exit();
  bool Running() const;

  // A top-level window of the program by class (and title when given);
  // null when there is none.
  HWND Window(const wchar_t* className, const wchar_t* title = nullptr) const;
  HWND Main() const { return Window(MainClass); }
  HWND Messages() const { return Window(MessagesClass); }
  HWND Playback() const { return Window(PlaybackClass); }
  // The first child window of parent (at any depth) with this class and text.
  static HWND Child(HWND parent, const wchar_t* className, const wchar_t* text = nullptr);
  // The playback window's frame line and its "<" and ">" buttons.
  HWND FrameLine() const;
  HWND Button(const wchar_t* caption) const { return Child(Playback(), L"BUTTON", caption); }
  std::wstring FrameText() const;
  std::wstring MessagesText() const;

  // A menu command posted to the main window (or window).
  void Command(UINT id, HWND window = nullptr) const;
  // A key pressed and released in window (the main window by default),
  // where the program's shortcut keys translate it.
  void Key(UINT virtualKey, HWND window = nullptr) const;

  // Answers the program's file dialog (Open or Save As) with path. The dialog
  // must appear first; false when it does not or does not close.
  bool AnswerFileDialog(const std::wstring& path) const;
  // The modal dialog with this title, once it is shown.
  HWND WaitForDialog(const wchar_t* title) const;
  // The top-level window of this class once it is shown; null if it is not.
  HWND WaitForWindow(const wchar_t* className) const;
  // Until the frame line starts with start; false if it does not.
  bool WaitForFrameLine(const std::wstring& start) const;
  // Until the picture on the screen shows frame; false if it does not.
  bool WaitForPicture(uint32_t frame) const;

  // The frame number coded into the picture on the screen; false when no code
  // can be read from the picture window.
  bool ShownFrame(uint32_t* frame) const;

  DWORD Id() const { return processId_; }

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
};

// The current folder, and the folder of the running executable.
std::wstring CurrentFolder();
std::wstring ExeFolder();
// Makes folder afresh (what it held is deleted) with OrvoVideoPlayback.exe
// and its OrvoVideoIcons folder copied from programFolder.
bool MakeWorkFolder(const std::wstring& folder, const std::wstring& programFolder);
// A file's bytes; empty when it cannot be read.
std::string FileBytes(const std::wstring& path);

// A click as the mouse gives it; false for a missing or disabled button.
bool Click(HWND button);
// The text of any window, also of another process (WM_GETTEXT).
std::wstring TextOf(HWND window);
// Moves a top-level window, keeping its size.
void MoveTo(HWND window, int x, int y);
RECT RectOf(HWND window);
bool Visible(HWND window);
// The colour on the screen at (x, y) of window's client area.
COLORREF ScreenColour(HWND window, int x, int y);
// The pixels of a screen rectangle as 32-bit blue-green-red-x, top row first;
// false when it is empty or cannot be read.
bool GrabScreenArea(const RECT& area, std::vector<BYTE>* pixels);

// Saves the screen (window null) or the screen area of window as a PNG.
bool SaveScreenshot(HWND window, const std::wstring& path);
// Width and height of a PNG (or any picture WIC reads); false when it does not decode.
bool PictureSize(const std::wstring& path, uint32_t* width, uint32_t* height);

}  // namespace drive
