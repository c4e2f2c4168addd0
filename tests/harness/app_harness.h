// A test fixture that runs the program's start-up in this process, in a fresh
// temporary working directory, and reads back what a user would see.
// Each test case runs in its own process (see orvo_win_test), because start-up
// leaves process-wide state behind.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs before start-up, in the working directory: write an options file,
  // copy the icons, force a start-up failure, ...
  virtual void BeforeStart() {}
  // Start-up's result (0 when the message loop may run).
  int StartResult() const { return startResult_; }

  // Dispatches window messages for about this long.
  void Pump(int milliseconds = 50);
  // The User Messages text as the rich edit control holds it, CR LF line ends.
  std::wstring MessagesText() const;
  // Posts a menu command to a window and pumps until it has been handled.
  void Command(HWND window, unsigned id);
  const std::wstring& WorkDir() const { return workDir_; }

 private:
  std::wstring workDir_;
  std::wstring previousDir_;
  int startResult_ = -1;
};

// Writes a recording made by the project's generator into dir; returns its
// full path.
struct AviGenOptions;
std::wstring WriteRecording(const std::wstring& dir, const std::wstring& name, const AviGenOptions& options);

// The next File > Open's dialog answers with result and path (a copy is
// kept) instead of showing itself; a null path answers with no path at all.
void ArrangeFileChoice(HRESULT result, const wchar_t* path);
inline void ArrangeFileChoice(HRESULT result, const std::wstring& path) { ArrangeFileChoice(result, path.c_str()); }

// The frame number shown in the top-left width x height pixels of window's
// client area, read from the screen (the generator draws a machine-readable
// code into every frame). false when no valid code is visible.
bool ReadFrameOnScreen(HWND window, int width, int height, uint32_t* frame);

// Folder of the running test program (the build's bin folder).
std::wstring ProgramFolder();
// Copies the generated icon folder next to the test program into dir.
void CopyIconsTo(const std::wstring& dir);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
void RemoveTree(const std::wstring& path);
// Splits on "\r\n".
std::vector<std::wstring> SplitLines(const std::wstring& text);
// "HH:MM:SS (UTC)"
bool IsTimeLine(const std::wstring& line);
std::wstring WindowTextOf(HWND window);
