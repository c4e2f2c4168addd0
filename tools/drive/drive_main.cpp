// orvo-drive: the program driven from outside for demonstrations.
//
//   orvo-drive demo RECORDING PNG
//     Starts OrvoVideoPlayback.exe (from the current directory, else from the
//     folder of orvo-drive) in the current directory with RECORDING on its
//     command line, waits until it is open, presses ">" until the frame line
//     says "Dropped Frame Number:", waits for the picture, saves a screenshot
//     of the whole screen as PNG and ends the program with File > Exit.
//
// Exit status: 0 done, 1 a step failed (named on standard error), 2 bad command line.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "drive.h"

namespace {

std::wstring ProgramPath() {
  const std::wstring here = drive::CurrentFolder() + L"\\OrvoVideoPlayback.exe";
  return GetFileAttributesW(here.c_str()) != INVALID_FILE_ATTRIBUTES ? here
                                                                     : drive::ExeFolder() + L"\\OrvoVideoPlayback.exe";
}

int Fail(const char* step) {
  std::fprintf(stderr, "orvo-drive: %s\n", step);
  return 1;
}

bool OnDroppedFrame(const drive::Program& program) {
  return program.FrameText().find(L"Dropped Frame Number:") != std::wstring::npos;
}

int Demo(const std::wstring& recording, const std::wstring& png) {
  drive::Program program;
  if (!program.Start(ProgramPath(), drive::CurrentFolder(), recording)) return Fail("the program did not start");
  if (!drive::WaitFor([&] { return program.FrameText().find(L"Frame Number:") != std::wstring::npos; })) {
    return Fail("the recording did not open");
  }
  // Side by side, so that nothing covers the picture: the User Messages
  // window to the right of the main window, the playback controls below it.
  const RECT main = drive::RectOf(program.Main());
  drive::MoveTo(program.Messages(), main.right + 10, main.top);
  drive::MoveTo(program.Playback(), main.left, main.bottom + 10);
  HWND next = program.Button(L">");
  for (int press = 0; press < 50 && !OnDroppedFrame(program); ++press) {
    const std::wstring before = program.FrameText();
    if (!drive::Click(next)) break;
    drive::WaitFor([&] { return program.FrameText() != before; });
  }
  if (!OnDroppedFrame(program)) return Fail("no dropped frame reached with \">\"");
  uint32_t shown = 0;
  if (!drive::WaitFor([&] { return program.ShownFrame(&shown); })) return Fail("no picture on the screen");
  if (!drive::SaveScreenshot(nullptr, png)) return Fail("the screenshot could not be saved");
  if (program.Exit() != 0) return Fail("the program did not end with 0");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wcscmp(argv[1], L"demo") == 0) return Demo(argv[2], argv[3]);
  std::fprintf(stderr, "usage: orvo-drive demo RECORDING PNG\n");
  return 2;
}
