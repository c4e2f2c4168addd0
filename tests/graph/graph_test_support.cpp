#include "graph_test_support.h"

#include <objbase.h>

#include "app/app_context.h"
#include "app/main_window.h"
#include "frame_picture.h"

namespace {

// The clip window as the program's own behaves for painting: the renderer
// draws the picture again.
LRESULT CALLBACK TestClipWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    if (TheGraph != nullptr && TheGraph->DisplayControl != nullptr) TheGraph->DisplayControl->RepaintVideo();
    ValidateRect(window, nullptr);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void GraphTest::SetUp() {
  AppTest::SetUp();
  ASSERT_EQ(0, StartResult());
  ASSERT_NE(nullptr, TheGraph);
  ForcedGraphFailure = GraphStep::None;

  // Keep the User Messages window off the main window's client area, where
  // the picture is read back from the screen.
  SetWindowPos(TheApp->MessagesWindow, nullptr, 900, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = TestClipWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = L"GraphTestClipWindow";
  RegisterClassExW(&windowClass);
  Clip = CreateWindowExW(0, L"GraphTestClipWindow", L"", WS_CHILD | WS_VISIBLE, 0, 0, 640, 480, TheApp->MainWindow,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(nullptr, Clip);
  TheApp->ClipWindow = Clip;
  SetWindowPos(TheApp->MainWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Pump(50);
  NewMessages();
}

void GraphTest::TearDown() {
  if (TheGraph != nullptr) TheGraph->CloseVideoFile();
  AppTest::TearDown();
}

std::wstring GraphTest::MakeRecording(const std::wstring& name, const AviGenOptions& options) {
  return WriteRecording(WorkDir(), name, options);
}

std::wstring GraphTest::MakeDroppedFramesRecording(const std::wstring& name) {
  AviGenOptions options;
  options.DroppedFrames = {5, 6, 20};
  return MakeRecording(name, options);
}

HRESULT GraphTest::OpenWithChoice(HRESULT result, const wchar_t* path) {
  ArrangeFileChoice(result, path);
  OpeningFile = 1;
  const HRESULT hr = TheGraph->OpenVideoFile();
  OpeningFile = 0;
  if (hr == S_OK) FitClipWindow();
  Pump(20);
  return hr;
}

void GraphTest::FitClipWindow() {
  SetWindowPos(Clip, nullptr, 0, 0, static_cast<int>(TheApp->Shared->DisplayWidth),
               static_cast<int>(TheApp->Shared->DisplayHeight), SWP_NOZORDER | SWP_NOMOVE);
  UpdateWindow(Clip);
}

HRESULT GraphTest::Open(const std::wstring& path) { return OpenWithChoice(S_OK, path.c_str()); }

std::vector<std::wstring> GraphTest::NewMessages() {
  const std::wstring text = MessagesText();
  const std::wstring added = text.size() > seenMessageLength_ ? text.substr(seenMessageLength_) : L"";
  seenMessageLength_ = text.size();
  std::vector<std::wstring> messages;
  for (const std::wstring& line : SplitLines(added)) {
    if (!line.empty() && !IsTimeLine(line)) messages.push_back(line);
  }
  return messages;
}

bool GraphTest::ShownFrame(uint32_t* frame) {
  return ReadFrameOnScreen(Clip, static_cast<int>(TheApp->Shared->DisplayWidth),
                           static_cast<int>(TheApp->Shared->DisplayHeight), frame);
}

bool GraphTest::WaitForShownFrame(uint32_t frame) {
  uint32_t shown = 0xFFFFFFFFu;
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (ShownFrame(&shown) && shown == frame) return true;
    Pump(25);
  }
  ADD_FAILURE() << "the clip window shows " << (ShownFrame(&shown) ? std::to_string(shown) : "no frame code")
                << ", expected frame " << frame;
  return false;
}

int64_t CurrentPosition() {
  if (TheGraph->MediaSeeking == nullptr) return -1;
  LONGLONG position = 0;
  if (FAILED(TheGraph->MediaSeeking->GetCurrentPosition(&position))) return -1;
  return position;
}

HRESULT SeekTo(int64_t position) {
  if (TheGraph->MediaSeeking == nullptr) return E_POINTER;
  LONGLONG current = position;
  return TheGraph->MediaSeeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr,
                                              AM_SEEKING_NoPositioning);
}
