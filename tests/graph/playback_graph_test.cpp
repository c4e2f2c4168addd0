// The playback graph under File > Open and File > Close: exact frame seeking, every way an
// open is refused or fails, and the release of the graph.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "app/app_context.h"
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/frame_seeking.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

namespace {

using Microsoft::WRL::ComPtr;

class PlaybackGraphTest : public AppTest {
 protected:
  // What the program said since the last call, blank and time lines left out.
  std::wstring Said() {
    std::wstring said;
    for (const std::wstring& line : NewTexts()) said += line + L"\n";
    return said;
  }
  static HRESULT Seek(LONGLONG frame, DWORD how = AM_SEEKING_AbsolutePositioning) {
    return TheGraph->MediaSeeking->SetPositions(&frame, how, nullptr, AM_SEEKING_NoPositioning);
  }
};

// Wine's graph seeks in media time only: there the frame layer carries every
// seek, at 29.97 frames a second with no frame starting on a whole unit.
TEST_F(PlaybackGraphTest, OpensPausedOnFrameZeroAndSeeksEveryFrameExactly) {
  AviGenOptions options;
  options.Rate = 30000;
  options.Scale = 1001;
  options.FrameCount = 300;
  Open(MakeRecording(L"ntsc.avi", options));
  EXPECT_TRUE(GraphRunState == GraphRun::Paused);
  EXPECT_TRUE(WaitForShownFrame(0));
  for (uint32_t frame = 0; frame <= 300; ++frame) {
    LONGLONG at = -1;
    ASSERT_EQ(S_OK, Seek(frame));
    ASSERT_EQ(S_OK, TheGraph->MediaSeeking->GetCurrentPosition(&at));
    ASSERT_EQ(frame, at);
  }
  for (uint32_t frame : {299u, 151u, 1u}) {
    ASSERT_EQ(S_OK, Seek(frame));
    EXPECT_TRUE(WaitForShownFrame(frame));
  }
}

TEST_F(PlaybackGraphTest, FrameLayerRefusesWhatFramesCannotSay) {
  Open(MakeCaptureRecording(30, {}));
  IMediaSeeking* seeking = TheGraph->MediaSeeking.Get();
  LONGLONG target = 0;
  EXPECT_EQ(E_NOTIMPL, Seek(3, AM_SEEKING_RelativePositioning));
  EXPECT_EQ(E_INVALIDARG, Seek(-1));
  EXPECT_EQ(E_INVALIDARG, seeking->SetTimeFormat(&TIME_FORMAT_BYTE));
  EXPECT_EQ(E_INVALIDARG, seeking->ConvertTimeFormat(&target, &TIME_FORMAT_BYTE, 1, &TIME_FORMAT_FRAME));
  EXPECT_EQ(E_INVALIDARG, seeking->ConvertTimeFormat(&target, &TIME_FORMAT_MEDIA_TIME, -1, &TIME_FORMAT_FRAME));
  // A timing that frames cannot say (the arithmetic's own limits: frame_time_test).
  IMediaSeeking* layer = seeking;
  EXPECT_EQ(E_INVALIDARG, CreateFrameSeeking(seeking, 1, 0xFFFFFFFFu, 1000, &layer));
  EXPECT_EQ(nullptr, layer);
}

// The recording at path with the main header's frame size cleared.
std::wstring Sizeless(std::wstring path) {
  const std::string bytes = drive::FileBytes(path).replace(64, 8, 8, '\0');
  WriteFileBytes(path += L".sizeless.avi", bytes);
  return path;
}

// A failing step reports itself and leaves no file open; only a refused
// renderer rectangle lets the open go on (here for a header without frame size).
TEST_F(PlaybackGraphTest, EachFailingBuildStepSaysSoAndLeavesNoFileOpen) {
  const std::wstring path = MakeCaptureRecording(30, {});
  const struct {
    GraphStep Step;
    const wchar_t* Said;
    bool SizelessHeader = false, Opens = false;
  } rows[] = {
      {GraphStep::CreateGraphBuilder, L"SEVERE: cannot create graph builder instance"},
      {GraphStep::CreateCaptureBuilder, L"SEVERE: cannot create graph builder 2 instance"},
      {GraphStep::SetFiltergraph, L"SEVERE: cannot set filter graph in graph builder 2 instance"},
      {GraphStep::QueryMediaControl, L"SEVERE: cannot find the media control object"},
      {GraphStep::QueryMediaEvents, L"SEVERE: cannot find the media event object"},
      {GraphStep::SetNotifyWindow, L"SEVERE: cannot set the media event object notify window"},
      {GraphStep::AddSourceFilter, L"SEVERE: failure to add the video file source filter to the filter graph"},
      {GraphStep::CreateRenderer, L"SEVERE: cannot create an EVR display filter"},
      {GraphStep::QueryRendererService, L"SEVERE: cannot find the EVR display filter service"},
      {GraphStep::GetDisplayControl, L"SEVERE: cannot create the EVR display filter control instance"},
      {GraphStep::SetVideoWindow, L"SEVERE: cannot set the EVR display filter clipping window"},
      {GraphStep::SetAspectRatioMode, L"SEVERE: cannot set the EVR display filter aspect ratio"},
      {GraphStep::AddRenderer, L"SEVERE: failure to add the EVR filter to the filter graph"},
      {GraphStep::RenderStream, L"SEVERE: cannot render the filter graph video stream"},
      {GraphStep::QueryMediaSeeking, L"SEVERE: cannot find the media seeking interface"},
      {GraphStep::SetTimeFormat, L"SEVERE: cannot set the time format for the video stream"},
      {GraphStep::RendererPinUnconnected, L"WARNING: cannot find EVR filter connected to pin", true},
      {GraphStep::SetVideoPosition, L"SEVERE: EVR display control cannot set the window size", true, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.Said)));
    ForcedGraphFailure = row.Step;
    TryOpen(row.SizelessHeader ? Sizeless(path) : path);
    ForcedGraphFailure = GraphStep::None;
    const std::wstring said = Said();
    EXPECT_EQ(0u, said.find(std::wstring(row.Said) + L"\n")) << said;
    if (row.Opens) continue;
    EXPECT_EQ(0u, OpenFrameCount);
    EXPECT_TRUE(TheGraph->GraphBuilder == nullptr && TheGraph->SourceFilter == nullptr) << "the graph is released";
    EXPECT_EQ(NoFile(), States());
  }
  EXPECT_EQ(30u, OpenFrameCount);
  EXPECT_NE(nullptr, EvrUpstreamPin) << "a header without frame size: the renderer's connection is asked";
  EXPECT_EQ(160u, TheApp->Shared->VideoWidth) << "and it tells the size, whichever video format it has";
  EXPECT_EQ(120u, TheApp->Shared->VideoHeight);
}

// Where the Enhanced Video Renderer cannot be created, or the stream cannot be
// connected to it, the file opens with the Video Renderer, and the user is told.
TEST_F(PlaybackGraphTest, WithoutTheEnhancedRendererTheVideoRendererShowsTheFile) {
  const std::pair<GraphStep, const wchar_t*> rows[] = {{GraphStep::EvrUnavailable, L"created"},
                                                       {GraphStep::EvrUnconnectable, L"connected"}};
  const RendererKind chosen = TheGraph->ChosenRenderer;
  for (const auto& [step, what] : rows) {
    if (OpenFrameCount != 0) Command(CloseId);
    Said();
    ForcedGraphFailure = step;
    TheGraph->ChosenRenderer = RendererKind::Evr;
    TryOpen(MakeCaptureRecording(30, {}));
    ForcedGraphFailure = GraphStep::None;
    const std::wstring said = Said();
    EXPECT_EQ(0u, said.find(L"WARNING: the Enhanced Video Renderer cannot be " + std::wstring(what) +
                            L"; the video is shown with the Video Renderer\n"))
        << said;
    EXPECT_EQ(30u, OpenFrameCount);
    EXPECT_TRUE(WaitForShownFrame(0));
  }
  TheGraph->ChosenRenderer = chosen;
}

// A path over FilePath's 255 units is refused before the open file is touched;
// a file that cannot be read or parsed is reported (never as a cancel) with the
// open file closed once the new path was chosen.
TEST_F(PlaybackGraphTest, LongPathsAreRefusedAndUnreadableFilesReported) {
  const std::wstring name(250 - WorkDir().size(), L'x');
  ASSERT_EQ(255u, (WorkDir() + L"\\" + name + L".avi").size());
  AviGenOptions notRiff;
  notRiff.BadFourccOffset = 0;
  const std::tuple<std::wstring, std::wstring, std::wstring> rows[] = {
      {name + L".avi", WorkDir() + L"\\" + name + L"x.avi",
       L"SEVERE: the selected file path is longer than 255 characters; file open aborted\n"
       L"Unable to open AVI file for playback\n"},
      {L"a.avi", WorkDir() + L"\\gone.avi",
       L"SEVERE: cannot create a HANDLE for the selected file\nUnable to open AVI file for playback\n"},
      {L"b.avi", MakeRecording(L"bad.avi", notRiff),
       L"WARNING: AVI file header is not RIFF formatted; file open aborted\n"
       L"SEVERE: parsing the selected file header failed\nUnable to open AVI file for playback\n"}};
  for (const auto& [opened, tried, said] : rows) {
    Open(MakeCaptureRecording(12, {}, opened));
    Said();
    TryOpen(tried);
    EXPECT_EQ(said, Said()) << tried;
    const bool kept = tried.size() > 255;
    EXPECT_EQ(kept ? 12u : 0u, OpenFrameCount);
    EXPECT_EQ(kept ? AtFirstFrame(false) : NoFile(), States());
    EXPECT_EQ(!kept, Grayed(TheApp->FileMenu, CloseId));
    EXPECT_EQ(kept, TheApp->FileInfo.FilePath[0] != u'\0') << "File > Close and Information still name a kept file";
  }
}

// This process's handles in the system's handle table (Wine's
// GetProcessHandleCount answers 0).
size_t OwnHandles() {
  using Query = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<ULONG_PTR> table(1 << 16);  // SystemHandleInformation: a count, then the entries
  while (query(16, table.data(), static_cast<ULONG>(table.size() * sizeof(ULONG_PTR)), nullptr) == LONG(0xC0000004)) {
    table.resize(table.size() * 2);
  }
  size_t own = 0;  // entries of three words, the owner's process id in the low half of the first
  for (ULONG_PTR i = 0; i < table[0]; ++i) own += static_cast<ULONG>(table[1 + 3 * i]) == GetCurrentProcessId();
  return own;
}

// The same graph made and dropped by bare platform calls: Wine's filter graph
// itself keeps some handles for every graph built, the yardstick for ours.
void BareGraph(const std::wstring& path) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> source, renderer;
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));
  CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder));
  CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer));
  builder->SetFiltergraph(graph.Get());
  graph->AddSourceFilter(path.c_str(), L"source", &source);
  graph->AddFilter(renderer.Get(), L"renderer");
  ASSERT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, source.Get(), nullptr, renderer.Get()));
}

// Each open makes a graph with its objects, threads and the file's handle;
// File > Close must give back all that the platform does not keep itself.
TEST_F(PlaybackGraphTest, FiftyOpensAndClosesKeepNoMoreHandlesThanBareGraphs) {
  const std::wstring path = MakeCaptureRecording(10, {});
  auto openAndClose = [&]() {
    Open(path);
    Command(CloseId);
    ASSERT_EQ(nullptr, TheGraph->GraphBuilder);
  };
  for (int i = 0; i < 3; ++i) openAndClose(), BareGraph(path);  // first-use allocations
  const size_t start = OwnHandles();
  for (int i = 0; i < 50; ++i) openAndClose();
  const size_t ours = OwnHandles() - start;
  for (int i = 0; i < 50; ++i) BareGraph(path);
  const size_t bare = OwnHandles() - start - ours;
  EXPECT_LE(ours, bare + 10) << "handles kept by 50 bare graphs: " << bare;
}

}  // namespace
