// The playback graph at start-up, its renderer rectangle for each magnify
// level, and the teardown of a file's graph.

#include <windows.h>

#include <gtest/gtest.h>
#include <psapi.h>

#include <cstdio>

#include "app/app_context.h"
#include "graph_test_support.h"

namespace {

class PlaybackGraphTest : public GraphTest {};

std::wstring ClassNameOf(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

TEST_F(PlaybackGraphTest, StartUpMakesTheGraphWithItsHiddenEventsWindow) {
  ASSERT_EQ(TheApp->Graph, TheGraph);
  const PlaybackGraph& graph = *TheGraph;
  EXPECT_EQ(TheApp->Shared, graph.Shared);
  EXPECT_EQ(GetModuleHandleW(nullptr), graph.Instance);

  HWND events = graph.EventsWindow;
  ASSERT_NE(nullptr, events);
  EXPECT_EQ(L"GraphEventsClass", ClassNameOf(events));
  EXPECT_EQ(L"Graph Events", WindowTextOf(events));
  EXPECT_FALSE(IsWindowVisible(events));
  EXPECT_EQ(nullptr, GetParent(events));
  EXPECT_TRUE(GetWindowLongPtrW(events, GWL_STYLE) & WS_BORDER);
  EXPECT_TRUE(GetWindowLongPtrW(events, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY);

  EXPECT_EQ(32u, graph.IndexConstants.SuperIndexEntryOffset);
  EXPECT_EQ(32u, graph.IndexConstants.StandardIndexEntryOffset);
  EXPECT_EQ(0x80000000u, graph.IndexConstants.DeltaFrameMask);
  EXPECT_EQ(RendererKind::VideoRenderer, graph.Renderer) << "under Wine the GDI Video Renderer stands in";
  EXPECT_TRUE(RunningUnderWine());

  EXPECT_EQ(nullptr, graph.SourceFilter);
  EXPECT_EQ(nullptr, graph.GraphBuilder);
  EXPECT_EQ(0u, graph.TotalFrames);
  EXPECT_EQ(0u, OpenFrameCount);
  EXPECT_EQ(0, GraphRunState);
  EXPECT_EQ(10, LastTransportCommand);
  EXPECT_EQ(nullptr, EvrUpstreamPin);
}

TEST_F(PlaybackGraphTest, EventsWindowAnswersGraphNotificationsOnlyWhileAFileIsOpen) {
  HWND events = TheGraph->EventsWindow;
  EXPECT_EQ(E_UNEXPECTED, static_cast<HRESULT>(SendMessageW(events, GraphEventMessage, 0, 0)));
  ASSERT_EQ(S_OK, Open(MakeDroppedFramesRecording()));
  // The graph notifies the window; its queue is drained.
  TheGraph->MediaEvents->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY);
  EXPECT_EQ(1, SendMessageW(events, GraphEventMessage, 0, 0));
  long code = 0;
  LONG_PTR first = 0, second = 0;
  EXPECT_EQ(E_ABORT, TheGraph->MediaEvents->GetEvent(&code, &first, &second, 0)) << "left in the queue: " << code;
  TheGraph->CloseVideoFile();
  EXPECT_EQ(E_UNEXPECTED, static_cast<HRESULT>(SendMessageW(events, GraphEventMessage, 0, 0)));
  // Other messages get the default handling.
  EXPECT_EQ(0, SendMessageW(events, WM_USER + 7, 0, 0));
}

TEST_F(PlaybackGraphTest, CloseReleasesTheGraphAndKeepsTheTexts) {
  const std::wstring path = MakeDroppedFramesRecording();
  ASSERT_EQ(S_OK, Open(path));
  ASSERT_TRUE(WaitForShownFrame(0));
  NewMessages();

  TheGraph->CloseVideoFile();
  const PlaybackGraph& graph = *TheGraph;
  EXPECT_EQ(2, GraphRunState);
  EXPECT_EQ(nullptr, graph.SourceFilter);
  EXPECT_EQ(nullptr, graph.GraphBuilder);
  EXPECT_EQ(nullptr, graph.CaptureBuilder);
  EXPECT_EQ(nullptr, graph.MediaControl);
  EXPECT_EQ(nullptr, graph.MediaSeeking);
  EXPECT_EQ(nullptr, graph.MediaEvents);
  EXPECT_EQ(nullptr, graph.EvrFilter);
  EXPECT_EQ(nullptr, graph.DisplayControl);
  EXPECT_EQ(nullptr, graph.EvrInputPin);
  EXPECT_EQ(nullptr, EvrUpstreamPin);
  EXPECT_EQ(0u, graph.TotalFrames);
  EXPECT_EQ(0u, graph.StreamLength);
  EXPECT_EQ(0, graph.DroppedFrameCount);
  EXPECT_EQ(0u, TheApp->Shared->VideoWidth);
  EXPECT_EQ(0u, TheApp->Shared->VideoHeight);
  EXPECT_EQ(0u, TheApp->Shared->DisplayWidth);
  EXPECT_EQ(0u, TheApp->Shared->DisplayHeight);
  // The texts and flags stay until the next parse.
  EXPECT_EQ(path, reinterpret_cast<const wchar_t*>(graph.FileInfo.FilePath));
  EXPECT_EQ(std::wstring(L"30"), reinterpret_cast<const wchar_t*>(graph.FileInfo.TotalFramesText));
  EXPECT_GE(graph.KeyFrameFlags.size(), 30u);
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());

  // Nothing holds the file any more.
  HANDLE exclusive = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, exclusive);
  CloseHandle(exclusive);

  // A second close does nothing at all.
  GraphRunState = 3;
  TheGraph->CloseVideoFile();
  EXPECT_EQ(3, GraphRunState);
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
}

TEST_F(PlaybackGraphTest, MagnifyLevelsGiveTheDisplayedSizeAndThePictureFillsIt) {
  ASSERT_EQ(S_OK, Open(MakeDroppedFramesRecording()));
  ASSERT_EQ(S_OK, SeekTo(13));
  ASSERT_TRUE(WaitForShownFrame(13));
  struct Level {
    uint32_t Code, Width, Height;
  };
  const Level levels[] = {{1, 80, 60}, {2, 120, 90}, {3, 240, 180}, {4, 320, 240}, {0, 160, 120}, {9, 160, 120}};
  for (const Level& level : levels) {
    SCOPED_TRACE(level.Code);
    TheApp->Shared->MagnifyLevel = level.Code;
    TheGraph->ApplyMagnify();
    EXPECT_EQ(level.Width, TheApp->Shared->DisplayWidth);
    EXPECT_EQ(level.Height, TheApp->Shared->DisplayHeight);
    EXPECT_EQ(160u, TheApp->Shared->VideoWidth);
    EXPECT_EQ(120u, TheApp->Shared->VideoHeight);
    FitClipWindow();
    EXPECT_TRUE(WaitForShownFrame(13));
  }
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
}

TEST_F(PlaybackGraphTest, MagnifyWithNoFileOpenIsSilent) {
  TheApp->Shared->MagnifyLevel = 4;
  TheGraph->ApplyMagnify();
  EXPECT_EQ(0u, TheApp->Shared->DisplayWidth);
  EXPECT_EQ(0u, TheApp->Shared->DisplayHeight);
  const RECT r = {0, 0, 10, 10};
  EXPECT_EQ(E_FAIL, TheGraph->SetVideoRectangle(r));
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
}

TEST_F(PlaybackGraphTest, RefusedRectangleIsReportedEachTimeAndTheSizesStillChange) {
  ASSERT_EQ(S_OK, Open(MakeDroppedFramesRecording()));
  ForcedGraphFailure = GraphStep::SetVideoPosition;
  TheApp->Shared->MagnifyLevel = 3;
  TheGraph->ApplyMagnify();
  TheGraph->ApplyMagnify();
  ForcedGraphFailure = GraphStep::None;
  EXPECT_EQ((std::vector<std::wstring>{L"SEVERE: EVR display control cannot set the window size",
                                       L"SEVERE: EVR display control cannot set the window size"}),
            NewMessages());
  EXPECT_EQ(240u, TheApp->Shared->DisplayWidth);
  EXPECT_EQ(180u, TheApp->Shared->DisplayHeight);
}

// The same graph built by a bare sequence of platform calls, as a yardstick
// for what the platform itself keeps per graph.
void BuildAndDropBareGraph(const std::wstring& path, HWND window) {
  Microsoft::WRL::ComPtr<IGraphBuilder> graph;
  Microsoft::WRL::ComPtr<ICaptureGraphBuilder2> builder;
  Microsoft::WRL::ComPtr<IBaseFilter> source, renderer;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)));
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder)));
  builder->SetFiltergraph(graph.Get());
  ASSERT_EQ(S_OK, graph->AddSourceFilter(path.c_str(), L"source", &source));
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer)));
  graph->AddFilter(renderer.Get(), L"renderer");
  ASSERT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, source.Get(), nullptr, renderer.Get()));
  IVideoWindow* video = nullptr;
  renderer->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&video));
  video->put_Owner(reinterpret_cast<OAHWND>(window));
  video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  IMediaControl* control = nullptr;
  IMediaSeeking* seeking = nullptr;
  graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
  graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking));
  control->Pause();
  LONGLONG position = 2500000;
  seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  control->Stop();
  video->put_Visible(OAFALSE);
  video->put_Owner(0);
  video->Release();
  control->Release();
  seeking->Release();
}

long long PrivateBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<long long>(counters.PagefileUsage);  // private bytes; Wine fills only this one
}

// Opening and closing recordings over and over leaves nothing behind beyond
// what the platform's own graphs keep. (Wine reports no handle counts; its
// filter graph itself keeps about 100 KB per graph built and connected.)
TEST_F(PlaybackGraphTest, FiftyOpensAndClosesGrowNoMoreThanBareGraphs) {
  const std::wstring path = MakeDroppedFramesRecording();
  auto ourCycle = [&]() {
    ASSERT_EQ(S_OK, Open(path));
    ASSERT_EQ(S_OK, SeekTo(7));
    TheGraph->CloseVideoFile();
  };
  auto bareCycle = [&]() { BuildAndDropBareGraph(path, Clip); };
  for (int i = 0; i < 5; ++i) {  // first-use allocations of both
    ourCycle();
    bareCycle();
  }
  Pump(100);
  const long long start = PrivateBytes();
  for (int i = 0; i < 50; ++i) ourCycle();
  Pump(100);
  const long long afterOurs = PrivateBytes();
  for (int i = 0; i < 50; ++i) bareCycle();
  Pump(100);
  const long long afterBare = PrivateBytes();
  const long long ours = afterOurs - start;
  const long long bare = afterBare - afterOurs;
  printf("50 opens and closes: private bytes +%lld; 50 bare graphs: +%lld\n", ours, bare);
  RecordProperty("OpenCloseGrowthBytes", std::to_string(ours));
  RecordProperty("BareGraphGrowthBytes", std::to_string(bare));
  EXPECT_LE(ours, bare + (1 << 20));
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
}

}  // namespace

namespace {

TEST_F(PlaybackGraphTest, PictureComesBackAfterTheClipWindowWasCovered) {
  ASSERT_EQ(S_OK, Open(MakeDroppedFramesRecording()));
  ASSERT_EQ(S_OK, SeekTo(22));
  ASSERT_TRUE(WaitForShownFrame(22));
  RECT clip;
  GetWindowRect(Clip, &clip);
  HWND cover = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, clip.left, clip.top,
                               clip.right - clip.left, clip.bottom - clip.top, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, cover);
  Pump(100);
  uint32_t frame = 0;
  EXPECT_FALSE(ShownFrame(&frame)) << "the cover hides the picture";
  DestroyWindow(cover);
  EXPECT_TRUE(WaitForShownFrame(22));
}

}  // namespace
