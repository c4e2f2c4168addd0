// Benchmark: the program driven from outside on a short capture recording
// (300 frames, 3 runs of dropped frames) and on a long one (2,000,000 frames,
// a tenth of them dropped at random: about 180,000 runs), as a user meets
// them: Display > Dropped Frames List... until the list is drawn, Back and
// Forward One Frame at the end of the file and at its start (click to the
// new frame line), and File > Exit until the process has ended. Exit is also
// timed with no file open, and against a bare program with the same windows
// (orvo-bare-windows.exe). Prints the figures; asserts nothing about time.
//
//   wine orvo-long-bench.exe [rounds]   (from the build's bin folder)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "avi_generator.h"
#include "drive.h"

namespace {

double Now() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Polls every millisecond, at most for timeoutMs.
template <typename Condition>
bool Until(Condition condition, double timeoutMs = 30000) {
  const double end = Now() + timeoutMs;
  while (!condition()) {
    if (Now() > end) return false;
    Sleep(1);
  }
  return true;
}

// A message sent to a window of the program: it returns once handled.
void SendAndWait(HWND window, UINT message, WPARAM wParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, 0, SMTO_NORMAL, 60000, &result);
}

struct RecordingFigures {
  double OpenMs = -1, ListMs = -1, EndStepMs = -1, StartStepMs = -1, ExitMs = -1;
};

// Back and Forward One Frame in turn, each from the click to the new frame line.
double StepMedian(const drive::Program& program, int rounds) {
  HWND back = program.Button(L"Back One\r\nFrame"), forward = program.Button(L"Forward\r\nOne Frame");
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    HWND button = i % 2 == 0 ? back : forward;
    const std::wstring before = program.FrameText();
    const double start = Now();
    SendAndWait(button, BM_CLICK, 0);
    if (Until([&] { return program.FrameText() != before; }, 10000)) times.push_back(Now() - start);
  }
  return Median(times);
}

bool Failed(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  return false;
}

bool Measure(const std::wstring& exe, const std::wstring& work, const std::wstring& recording, int rounds,
             RecordingFigures* figures) {
  drive::Program program;
  if (!program.Start(exe, work)) return Failed("the program did not start");
  const double opened = Now();
  program.Command(drive::OpenCommand);
  if (!program.AnswerFileDialog(recording)) return Failed("the Open dialog was not answered");
  if (!Until([&] { return program.FrameText().find(L"Frame Number:") != std::wstring::npos; }, 120000)) {
    return Failed("the recording did not open");
  }
  figures->OpenMs = Now() - opened;  // from the menu command, the dialog's answer included

  const double listed = Now();
  SendAndWait(program.Main(), WM_COMMAND, MAKEWPARAM(drive::DroppedFramesListCommand, 0));
  HWND list = nullptr;
  if (!Until([&] {
        list = program.Window(drive::DroppedFramesClass);
        HWND view = list != nullptr ? drive::Program::Child(list, L"SysListView32") : nullptr;
        return view != nullptr && IsWindowVisible(list) && !GetUpdateRect(view, nullptr, FALSE);
      })) {
    return Failed("the list was not shown");
  }
  figures->ListMs = Now() - listed;

  const std::wstring before = program.FrameText();
  SendAndWait(program.Button(L"End of\r\nFile"), BM_CLICK, 0);
  Until([&] { return program.FrameText() != before; }, 10000);
  figures->EndStepMs = StepMedian(program, rounds);
  const std::wstring atEnd = program.FrameText();
  SendAndWait(program.Button(L"Beginning\r\nof File"), BM_CLICK, 0);
  Until([&] { return program.FrameText() != atEnd; }, 10000);
  SendAndWait(program.Button(L"Forward\r\nOne Frame"), BM_CLICK, 0);
  figures->StartStepMs = StepMedian(program, rounds);

  const double exiting = Now();
  const long code = program.Exit();
  figures->ExitMs = Now() - exiting;
  return code == 0;
}

// Start-up, then the time from the close to the end of the process: the
// program (File > Exit) or the bare program (WM_CLOSE to its main window).
double ProgramExitMs(const std::wstring& exe, const std::wstring& work) {
  drive::Program program;
  if (!program.Start(exe, work)) return -1;
  Sleep(300);  // start-up's last messages shown
  const double start = Now();
  return program.Exit() == 0 ? Now() - start : -1;
}

double BareExitMs(const std::wstring& exe) {
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return -1;
  CloseHandle(info.hThread);
  HWND main = nullptr;
  Until([&] { return (main = FindWindowW(L"BareMain", nullptr)) != nullptr && IsWindowVisible(main); });
  Until([&] { return FindWindowW(L"BareHost", L"Bare Messages") != nullptr; });
  Sleep(300);
  const double start = Now();
  PostMessageW(main, WM_CLOSE, 0, 0);
  const bool ended = WaitForSingleObject(info.hProcess, 30000) == WAIT_OBJECT_0;
  const double took = Now() - start;
  if (!ended) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hProcess);
  return ended ? took : -1;
}

// A recording written whole by an earlier run (the generator removes a
// file it could not finish).
bool Written(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeHigh != 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 21;
  const std::wstring work = drive::CurrentFolder() + L"\\long-bench", exe = work + L"\\OrvoVideoPlayback.exe";
  if (!drive::MakeWorkFolder(work, drive::ExeFolder())) {
    std::fprintf(stderr, "cannot make the working folder\n");
    return 1;
  }

  AviGenOptions shortOptions;
  shortOptions.FrameCount = 300;
  shortOptions.DroppedFrames = {5, 6, 7, 120, 250, 251};
  shortOptions.DropStyle = AviGenDropStyle::Repeat;

  // The long one: sparse (only frame 0's picture is written), in segments of
  // a gigabyte, a tenth of the frames dropped as a capture program drops them.
  AviGenOptions longOptions = shortOptions;
  longOptions.FrameCount = 2000000;
  longOptions.Sparse = true;
  longOptions.SparseFrom = 1;
  longOptions.SegmentLimit = 1ull << 30;
  longOptions.DroppedFrames.clear();
  uint64_t state = 20;
  for (uint32_t f = 1; f < longOptions.FrameCount; ++f) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    if ((state >> 33) % 10 == 0) longOptions.DroppedFrames.push_back(f);
  }
  uint32_t runs = 0;
  for (size_t i = 0; i < longOptions.DroppedFrames.size(); ++i) {
    if (i == 0 || longOptions.DroppedFrames[i - 1] + 1 != longOptions.DroppedFrames[i]) ++runs;
  }

  // The recordings are kept beside the benchmark between runs (the long one
  // takes a minute or two to write, and about 8 GB of disk).
  const std::wstring kept = drive::ExeFolder() + L"\\long-bench-recordings";
  CreateDirectoryW(kept.c_str(), nullptr);
  const std::wstring shortPath = kept + L"\\short.avi", longPath = kept + L"\\long.avi";
  std::string error;
  const double made = Now();
  if (!GenerateAviFile(shortOptions, Narrow(shortPath), &error) ||
      (!Written(longPath) && !GenerateAviFile(longOptions, Narrow(longPath), &error))) {
    std::fprintf(stderr, "cannot write the recordings: %s\n", error.c_str());
    return 1;
  }
  std::printf("recordings written in %.0f ms; the long one: %u frames, %zu dropped in %u runs\n", Now() - made,
              longOptions.FrameCount, longOptions.DroppedFrames.size(), runs);

  std::vector<double> exitEmpty, exitBare;
  for (int i = 0; i < 5; ++i) {
    exitEmpty.push_back(ProgramExitMs(exe, work));
    exitBare.push_back(BareExitMs(drive::ExeFolder() + L"\\orvo-bare-windows.exe"));
  }
  RecordingFigures shortFigures, longFigures;
  const bool shortDone = Measure(exe, work, shortPath, rounds, &shortFigures);
  const bool longDone = Measure(exe, work, longPath, rounds, &longFigures);
  if (!shortDone || !longDone)
    std::fprintf(stderr, "a step failed on the %s recording\n", shortDone ? "long" : "short");

  std::printf("exit with no file open: program %.0f ms, bare program %.0f ms (medians of 5)\n", Median(exitEmpty),
              Median(exitBare));
  const RecordingFigures* all[2] = {&shortFigures, &longFigures};
  const char* names[2] = {"short", "long"};
  for (int i = 0; i < 2; ++i) {
    std::printf(
        "%s recording: open %.0f ms, list %.0f ms, step at the end %.1f ms, at the start %.1f ms, exit %.0f ms\n",
        names[i], all[i]->OpenMs, all[i]->ListMs, all[i]->EndStepMs, all[i]->StartStepMs, all[i]->ExitMs);
  }
  // The same figures as key=value words, for scripts/bench.sh.
  std::printf(
      "figures: frames=%u runs=%u rounds=%d exit_empty_ms=%.0f exit_bare_ms=%.0f short_list_ms=%.0f "
      "long_list_ms=%.0f short_end_step_ms=%.1f long_end_step_ms=%.1f short_start_step_ms=%.1f "
      "long_start_step_ms=%.1f short_exit_ms=%.0f long_exit_ms=%.0f short_open_ms=%.0f long_open_ms=%.0f\n",
      longOptions.FrameCount, runs, rounds, Median(exitEmpty), Median(exitBare), shortFigures.ListMs,
      longFigures.ListMs, shortFigures.EndStepMs, longFigures.EndStepMs, shortFigures.StartStepMs,
      longFigures.StartStepMs, shortFigures.ExitMs, longFigures.ExitMs, shortFigures.OpenMs, longFigures.OpenMs);
  return shortDone && longDone ? 0 : 1;
}
