// File > Open as the playback graph carries it out: the graph built for a
// recording, the first frame on the screen, frame-unit seeking, and every
// way an open can be refused or fail.

#include <gtest/gtest.h>

#include <utility>

#include "app/app_context.h"
#include "graph_test_support.h"

namespace {

class OpenVideoFileTest : public GraphTest {
 protected:
  // Everything that belongs to an open file is gone.
  void ExpectNoFileOpen() {
    const PlaybackGraph& graph = *TheGraph;
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
    EXPECT_EQ(0u, OpenFrameCount);
    EXPECT_EQ(0u, TheApp->Shared->VideoWidth);
    EXPECT_EQ(0u, TheApp->Shared->VideoHeight);
    EXPECT_EQ(0u, TheApp->Shared->DisplayWidth);
    EXPECT_EQ(0u, TheApp->Shared->DisplayHeight);
  }

  std::wstring FilePath() const { return reinterpret_cast<const wchar_t*>(TheGraph->FileInfo.FilePath); }
};

TEST_F(OpenVideoFileTest, OpensARecordingPausedOnFrameZeroWithItsFacts) {
  const std::wstring path = MakeDroppedFramesRecording();
  ASSERT_EQ(S_OK, Open(path));
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());

  PlaybackGraph& graph = *TheGraph;
  EXPECT_EQ(30u, OpenFrameCount);
  EXPECT_EQ(30u, graph.TotalFrames);
  EXPECT_EQ(30u, graph.StreamLength);
  EXPECT_EQ(3, graph.DroppedFrameCount);
  ASSERT_GE(graph.KeyFrameFlags.size(), 30u);
  EXPECT_EQ(0u, graph.KeyFrameFlags[5]);
  EXPECT_EQ(0u, graph.KeyFrameFlags[20]);
  EXPECT_EQ(1u, graph.KeyFrameFlags[7]);
  EXPECT_EQ(3, GraphRunState);
  EXPECT_EQ(path, FilePath());
  EXPECT_EQ(std::wstring(L"30"), reinterpret_cast<const wchar_t*>(graph.FileInfo.TotalFramesText));
  EXPECT_EQ(std::wstring(L"160 x 120"), reinterpret_cast<const wchar_t*>(graph.FileInfo.FrameSizeText));
  EXPECT_EQ(160u, TheApp->Shared->VideoWidth);
  EXPECT_EQ(120u, TheApp->Shared->VideoHeight);
  EXPECT_EQ(160u, TheApp->Shared->DisplayWidth);
  EXPECT_EQ(120u, TheApp->Shared->DisplayHeight);
  EXPECT_TRUE(IsWindowVisible(Clip));
  EXPECT_TRUE(WaitForShownFrame(0));

  ASSERT_NE(nullptr, graph.MediaSeeking);
  EXPECT_EQ(S_OK, graph.MediaSeeking->IsUsingTimeFormat(&TIME_FORMAT_FRAME));
  LONGLONG duration = 0;
  EXPECT_EQ(S_OK, graph.MediaSeeking->GetDuration(&duration));
  EXPECT_EQ(30, duration);
  OAFilterState state = State_Stopped;
  EXPECT_EQ(S_OK, graph.MediaControl->GetState(5000, &state));
  EXPECT_EQ(State_Paused, state);
}

TEST_F(OpenVideoFileTest, SeeksInFramesAndShowsEachFrame) {
  ASSERT_EQ(S_OK, Open(MakeDroppedFramesRecording()));
  ASSERT_TRUE(WaitForShownFrame(0));
  for (uint32_t frame : {1u, 17u, 29u, 4u, 0u}) {
    ASSERT_EQ(S_OK, SeekTo(frame)) << frame;
    EXPECT_TRUE(WaitForShownFrame(frame));
    EXPECT_EQ(frame, CurrentPosition());
  }
  ASSERT_EQ(S_OK, SeekTo(30));  // the end position, one past the last frame
  EXPECT_EQ(30, CurrentPosition());
}

TEST_F(OpenVideoFileTest, SeeksExactlyAtAnOddFrameRate) {
  // 29.97 frames a second: no frame starts on a whole media-time unit.
  AviGenOptions options;
  options.FrameCount = 300;
  options.Rate = 30000;
  options.Scale = 1001;
  options.HasArtist = false;
  ASSERT_EQ(S_OK, Open(MakeRecording(L"ntsc.avi", options)));
  EXPECT_EQ(0, TheGraph->DroppedFrameCount);
  for (uint32_t frame = 0; frame <= 300; frame += 23) {
    ASSERT_EQ(S_OK, SeekTo(frame));
    EXPECT_EQ(frame, CurrentPosition());
  }
  for (uint32_t frame : {299u, 1u, 150u}) {
    ASSERT_EQ(S_OK, SeekTo(frame));
    EXPECT_TRUE(WaitForShownFrame(frame));
  }
}

TEST_F(OpenVideoFileTest, SecondOpenReplacesTheFirstFile) {
  ASSERT_EQ(S_OK, Open(MakeDroppedFramesRecording(L"first.avi")));
  AviGenOptions options;
  options.FrameCount = 12;
  options.Width = 200;
  options.Height = 100;
  options.Format = AviGenFormat::Yuy2;
  const std::wstring second = MakeRecording(L"second.avi", options);
  ASSERT_EQ(S_OK, Open(second));
  EXPECT_EQ(second, FilePath());
  EXPECT_EQ(12u, OpenFrameCount);
  EXPECT_EQ(0, TheGraph->DroppedFrameCount);
  EXPECT_EQ(std::wstring(L"200 x 100"), reinterpret_cast<const wchar_t*>(TheGraph->FileInfo.FrameSizeText));
  EXPECT_TRUE(WaitForShownFrame(0));
  ASSERT_EQ(S_OK, SeekTo(11));
  EXPECT_TRUE(WaitForShownFrame(11));
  // The first file's graph let go of it.
  HANDLE exclusive = CreateFileW((WorkDir() + L"\\first.avi").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, exclusive);
  CloseHandle(exclusive);
}

TEST_F(OpenVideoFileTest, CancelledDialogLeavesTheOpenFileUntouchedAndSaysNothing) {
  const std::wstring path = MakeDroppedFramesRecording();
  ASSERT_EQ(S_OK, Open(path));
  ASSERT_EQ(S_OK, SeekTo(9));
  ASSERT_TRUE(WaitForShownFrame(9));
  NewMessages();

  EXPECT_EQ(E_ABORT, OpenWithChoice(E_ABORT, nullptr));
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
  EXPECT_NE(nullptr, TheGraph->SourceFilter);
  EXPECT_EQ(path, FilePath());
  EXPECT_EQ(30u, OpenFrameCount);
  EXPECT_EQ(3, GraphRunState);
  EXPECT_EQ(9, CurrentPosition());
  EXPECT_TRUE(WaitForShownFrame(9));
}

TEST_F(OpenVideoFileTest, ItemWithoutFileSystemPathOrNoPathAtAllIsReported) {
  const std::wstring path = MakeDroppedFramesRecording();
  ASSERT_EQ(S_OK, Open(path));
  NewMessages();

  EXPECT_EQ(E_ACCESSDENIED, OpenWithChoice(E_ACCESSDENIED, nullptr));
  EXPECT_EQ(std::vector<std::wstring>{L"SEVERE: unable to open the selected file"}, NewMessages());
  EXPECT_NE(nullptr, TheGraph->SourceFilter) << "no path was chosen: the open file stays";

  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_FOUND), OpenWithChoice(S_OK, nullptr));
  EXPECT_EQ(
      std::vector<std::wstring>{L"SEVERE: internal logic error - should not get to this code with NULL file pathname"},
      NewMessages());
  EXPECT_NE(nullptr, TheGraph->SourceFilter);
  EXPECT_EQ(path, FilePath());
}

TEST_F(OpenVideoFileTest, FileThatCannotBeOpenedClosesTheOldFileAndIsReported) {
  ASSERT_EQ(S_OK, Open(MakeDroppedFramesRecording()));
  NewMessages();
  EXPECT_EQ(E_INVALIDARG, Open(WorkDir() + L"\\gone.avi"));
  EXPECT_EQ(std::vector<std::wstring>{L"SEVERE: cannot create a HANDLE for the selected file"}, NewMessages());
  ExpectNoFileOpen();

  // Locked by another writer.
  const std::wstring locked = MakeDroppedFramesRecording(L"locked.avi");
  HANDLE lock = CreateFileW(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  EXPECT_EQ(E_INVALIDARG, Open(locked));
  EXPECT_EQ(std::vector<std::wstring>{L"SEVERE: cannot create a HANDLE for the selected file"}, NewMessages());
  CloseHandle(lock);
  ExpectNoFileOpen();
}

TEST_F(OpenVideoFileTest, RefusedHeaderIsReportedAfterTheParserAndTheFileIsLetGo) {
  ASSERT_EQ(S_OK, Open(MakeDroppedFramesRecording()));
  NewMessages();
  AviGenOptions options;
  options.BadFourccOffset = 0;
  const std::wstring bad = MakeRecording(L"bad.avi", options);
  EXPECT_EQ(E_ABORT, Open(bad));
  EXPECT_EQ((std::vector<std::wstring>{L"WARNING: AVI file header is not RIFF formatted; file open aborted",
                                       L"SEVERE: parsing the selected file header failed"}),
            NewMessages());
  ExpectNoFileOpen();
  HANDLE exclusive =
      CreateFileW(bad.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, exclusive) << "the file handle was not closed";
  CloseHandle(exclusive);

  // The next good file opens as usual.
  ASSERT_EQ(S_OK, Open(MakeDroppedFramesRecording(L"good.avi")));
  EXPECT_TRUE(WaitForShownFrame(0));
}

TEST_F(OpenVideoFileTest, PathLongerThanFilePathHoldsIsRefusedWholeAndTheOpenFileStays) {
  const std::wstring path = MakeDroppedFramesRecording();
  ASSERT_EQ(S_OK, Open(path));
  NewMessages();

  // A 255-unit path is the longest FilePath holds; one more is refused, not cut.
  const std::wstring prefix = WorkDir() + L"\\";
  const size_t folderLength = 255 - prefix.size() - std::wstring(L"\\r.avi").size();
  ASSERT_LT(folderLength, 250u);
  const std::wstring folder = prefix + std::wstring(folderLength, L'f');
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  AviGenOptions options;
  options.FrameCount = 8;
  const std::wstring longest = MakeRecording(folder.substr(prefix.size()) + L"\\r.avi", options);
  ASSERT_EQ(255u, longest.size());

  const std::wstring tooLong = folder + L"\\rr.avi";
  EXPECT_EQ(E_ABORT, Open(tooLong));
  EXPECT_EQ(
      std::vector<std::wstring>{L"SEVERE: the selected file path is longer than 255 characters; file open aborted"},
      NewMessages());
  EXPECT_EQ(path, FilePath());
  EXPECT_NE(nullptr, TheGraph->SourceFilter);
  EXPECT_EQ(30u, OpenFrameCount);

  EXPECT_EQ(S_OK, Open(longest));
  EXPECT_EQ(longest, FilePath());
  EXPECT_EQ(8u, OpenFrameCount);
}

// Each build step that fails reports its own message, returns E_ABORT and
// leaves no file open; the next open builds a fresh graph.
TEST_F(OpenVideoFileTest, EveryFailingBuildStepIsReportedAndLeavesNoFileOpen) {
  const std::wstring path = MakeDroppedFramesRecording();
  const std::pair<GraphStep, const wchar_t*> steps[] = {
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
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(testing::PrintToString(step.second));
    ASSERT_EQ(S_OK, Open(path));
    NewMessages();
    ForcedGraphFailure = step.first;
    EXPECT_EQ(E_ABORT, Open(path));
    ForcedGraphFailure = GraphStep::None;
    EXPECT_EQ(std::vector<std::wstring>{step.second}, NewMessages());
    ExpectNoFileOpen();
  }
  ASSERT_EQ(S_OK, Open(path));
  EXPECT_TRUE(WaitForShownFrame(0));
}

TEST_F(OpenVideoFileTest, RefusedRendererRectangleIsReportedButTheOpenGoesOn) {
  ForcedGraphFailure = GraphStep::SetVideoPosition;
  EXPECT_EQ(S_OK, Open(MakeDroppedFramesRecording()));
  EXPECT_EQ(std::vector<std::wstring>{L"SEVERE: EVR display control cannot set the window size"}, NewMessages());
  EXPECT_EQ(30u, OpenFrameCount);
  EXPECT_EQ(std::wstring(L"160 x 120"), reinterpret_cast<const wchar_t*>(TheGraph->FileInfo.FrameSizeText));
  EXPECT_EQ(3, GraphRunState);
}

// A header that gives no frame size: the size is asked of the connection
// that feeds the renderer.
std::wstring MakeSizelessRecording(const std::wstring& path) {
  std::string bytes = ReadFileBytes(path);
  EXPECT_GT(bytes.size(), 72u);
  for (size_t i = 64; i < 72; ++i) bytes[i] = 0;  // main header width and height
  const std::wstring sizeless = path.substr(0, path.size() - 4) + L"-sizeless.avi";
  WriteFileBytes(sizeless, bytes);
  return sizeless;
}

TEST_F(OpenVideoFileTest, HeaderWithoutFrameSizeAsksTheRendererConnection) {
  const std::wstring path = MakeSizelessRecording(MakeDroppedFramesRecording());
  ASSERT_EQ(S_OK, Open(path));
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
  ASSERT_NE(nullptr, TheGraph->EvrInputPin);
  ASSERT_NE(nullptr, EvrUpstreamPin);
  // The sizes come from a VIDEOINFOHEADER2 connection only; any other format
  // leaves them 0.
  AM_MEDIA_TYPE type = {};
  ASSERT_EQ(S_OK, EvrUpstreamPin->ConnectionMediaType(&type));
  const bool videoInfo2 = IsEqualGUID(type.formattype, FORMAT_VideoInfo2) != 0;
  CoTaskMemFree(type.pbFormat);
  if (type.pUnk != nullptr) type.pUnk->Release();
  const uint32_t expectedWidth = videoInfo2 ? 160u : 0u;
  const uint32_t expectedHeight = videoInfo2 ? 120u : 0u;
  EXPECT_EQ(expectedWidth, TheApp->Shared->VideoWidth);
  EXPECT_EQ(expectedHeight, TheApp->Shared->VideoHeight);
  EXPECT_EQ(expectedWidth, TheApp->Shared->DisplayWidth);
  EXPECT_EQ(expectedHeight, TheApp->Shared->DisplayHeight);
  EXPECT_EQ(std::to_wstring(expectedWidth) + L" x " + std::to_wstring(expectedHeight),
            reinterpret_cast<const wchar_t*>(TheGraph->FileInfo.FrameSizeText));
  EXPECT_EQ(30u, OpenFrameCount);
  EXPECT_EQ(3, GraphRunState);
}

TEST_F(OpenVideoFileTest, RendererInputLeftUnconnectedAbandonsTheOpen) {
  const std::wstring path = MakeSizelessRecording(MakeDroppedFramesRecording());
  ForcedGraphFailure = GraphStep::RendererPinUnconnected;
  EXPECT_EQ(E_ABORT, Open(path));
  ForcedGraphFailure = GraphStep::None;
  EXPECT_EQ(std::vector<std::wstring>{L"WARNING: cannot find EVR filter connected to pin"}, NewMessages());
  ExpectNoFileOpen();
  EXPECT_FALSE(IsWindowVisible(Clip) && TheGraph->DisplayControl != nullptr);
}

}  // namespace
