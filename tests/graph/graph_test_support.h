// Support for the playback graph's tests under Wine: the program started
// in-process (AppTest), a stand-in clip window, recordings from the project's
// generator, a stand-in for the open dialog, and the frame number read back
// from the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "avi_generator.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

class GraphTest : public AppTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a recording made by the generator into the working directory.
  std::wstring MakeRecording(const std::wstring& name, const AviGenOptions& options);
  // A 160 x 120, 30-frame capture-program recording with frames 5, 6 and 20 dropped.
  std::wstring MakeDroppedFramesRecording(const std::wstring& name = L"dropped.avi");

  // Runs OpenVideoFile as File > Open does, the dialog answering with path.
  HRESULT Open(const std::wstring& path);
  // Runs OpenVideoFile with the dialog stand-in answering result and path.
  HRESULT OpenWithChoice(HRESULT result, const wchar_t* path);

  // Sizes the clip window to the displayed picture, as the main window's
  // layout does after an open or a magnify change.
  void FitClipWindow();

  // Messages posted since the last call (or since start-up), without the
  // empty and time lines.
  std::vector<std::wstring> NewMessages();

  // The frame number the clip window shows, read from the screen over the
  // picture's displayed size; false when no valid code is visible.
  bool ShownFrame(uint32_t* frame);
  // Pumps until the clip window shows frame (bounded by attempts, not time).
  bool WaitForShownFrame(uint32_t frame);

  HWND Clip = nullptr;

 private:
  size_t seenMessageLength_ = 0;
};

// The seeking interface's position in its current format; -1 on failure.
int64_t CurrentPosition();
// Seeks MediaSeeking to an absolute position in its current format.
HRESULT SeekTo(int64_t position);
