#include "graph/playback_graph.h"

#include "graph/color_control.h"

#include <dvdmedia.h>

#include "app/app_context.h"
#include "app/main_window.h"
#include "avi/avi_text_format.h"
#include "avi/handle_byte_source.h"
#include "base/bounded_text.h"
#include "base/win_handles.h"
#include "base/window_class.h"
#include "graph/frame_seeking.h"
#include "graph/video_size.h"
#include "messages/user_messages.h"

using Microsoft::WRL::ComPtr;

PlaybackGraph* TheGraph = nullptr;
uint32_t OpenFrameCount = 0;
GraphRun GraphRunState = GraphRun::NotStarted;
TransportCommand LastTransportCommand = TransportNone;
IPin* EvrUpstreamPin = nullptr;
GraphStep ForcedGraphFailure = GraphStep::None;

void ReleaseEvrUpstreamPin() {
  if (EvrUpstreamPin != nullptr) {
    EvrUpstreamPin->Release();
    EvrUpstreamPin = nullptr;
  }
}

void StopGraph(PlaybackGraph& graph) {
  if (GraphRunState == GraphRun::Running) graph.MediaControl->Pause();
  if (GraphRunState != GraphRun::Stopped) {
    graph.MediaControl->Stop();
    GraphRunState = GraphRun::Stopped;
  }
}

namespace {

void Report(const wchar_t* text) { RouteUserMessage(text, 1); }

// The result of a step, or a failure when the test seam forces one there.
HRESULT Checked(GraphStep step, HRESULT hr) { return ForcedGraphFailure == step ? E_FAIL : hr; }

RECT VideoRectangle(uint32_t width, uint32_t height) {
  RECT r = {0, 0, static_cast<LONG>(width > LargestDisplayedSide ? LargestDisplayedSide : width),
            static_cast<LONG>(height > LargestDisplayedSide ? LargestDisplayedSide : height)};
  return r;
}

// What the user can do when the graph finds no way from the file's pictures
// to the renderer: the codec by name, and the header facts are still readable.
void ReportMissingDecoder(const AviCodecFacts& codec) {
  char16_t description[64];
  if (!FormatCodecDescription(description, 64, codec)) CopyText(description, u"unknown");
  wchar_t text[256];
  CopyText(text, L"SEVERE: no decoder for the video codec \"");
  AppendText(text, reinterpret_cast<const wchar_t*>(description));
  AppendText(text, L"\" is installed, so the recording cannot be shown; orvo-aviinfo can still read the file's "
                   L"facts\r\n");
  Report(text);
}

HWND ClipWindow() { return TheApp != nullptr ? TheApp->ClipWindow : nullptr; }

void CreateEventsWindow(PlaybackGraph& graph) {
  RegisterWindowClass(L"GraphEventsClass", GraphEventsProc, graph.Instance, -1, CS_HREDRAW | CS_VREDRAW,
                      LoadIconW(nullptr, IDI_APPLICATION));
  graph.EventsWindow = CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"GraphEventsClass", L"Graph Events", WS_BORDER, 0, 0, 100,
                                       100, nullptr, nullptr, graph.Instance, nullptr);
}

}  // namespace

// Runs one step of building the graph: when it fails, reports message and
// returns the failing result from the enclosing function.
#define RETURN_IF_STEP_FAILED(step, call, message)      \
  do {                                                  \
    const HRESULT stepResult = Checked((step), (call)); \
    if (FAILED(stepResult)) {                           \
      Report(message);                                  \
      return stepResult;                                \
    }                                                   \
  } while (0)

PlaybackGraph::PlaybackGraph(HINSTANCE instance, SharedState* shared) {
  Shared = shared;
  Instance = instance;
  ChosenRenderer = Renderer = ChooseRendererKind();
  CreateEventsWindow(*this);
  if (FindColorControl() == 1) ColorControlAvailable = 1;
  SetAviIndexConstants(IndexConstants);
}

int PlaybackGraph::FindColorControl() { return FindColorControlFilter(*this); }

HRESULT PlaybackGraph::OpenVideoFile() {
  OpenFrameCount = TotalFrames;
  OpenCancelled = false;

  SelectedPath.reset();
  wchar_t* chosen = nullptr;
  const HRESULT choice = ChooseVideoFile(&chosen);
  SelectedPath.reset(chosen);
  if (choice == E_ACCESSDENIED) {
    SelectedPath.reset();
    Report(L"SEVERE: unable to open the selected file\r\n");
    return E_ACCESSDENIED;
  }
  if (FAILED(choice)) {  // cancelled, or no path to be had: the open file stays as it was
    SelectedPath.reset();
    OpenCancelled = choice == E_ABORT;
    return E_ABORT;
  }
  if (SelectedPath == nullptr) {
    Report(L"SEVERE: internal logic error - should not get to this code with NULL file pathname\r\n");
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  }
  // A path that FilePath cannot hold whole is refused, not cut, before the
  // open file is closed.
  if (TextLength(SelectedPath.get()) >= AviFilePathUnits) {
    Report(L"SEVERE: the selected file path is longer than 255 characters; file open aborted\r\n");
    return E_ABORT;
  }

  // From here on the old file is gone whatever happens.
  CloseFileAndReset();
  CloseVideoFile();
  OpenFrameCount = 0;

  UniqueHandle file(CreateFileW(SelectedPath.get(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    Report(L"SEVERE: cannot create a HANDLE for the selected file\r\n");
    return E_INVALIDARG;
  }
  HandleByteSource source(file.Get());
  AviFrameFacts facts;
  AviHeaderFacts header;
  const int32_t parsed = ParseAviHeader(source, IndexConstants, FileInfo, facts, header);
  file.Close();
  if (parsed < 0) {
    ClearFrameFacts();
    Report(L"SEVERE: parsing the selected file header failed\r\n");
    return E_ABORT;
  }
  TotalFrames = facts.TotalFrames;
  StreamLength = facts.StreamLength;
  DroppedFrameCount = facts.DroppedFrameCount;
  KeyFrameFlags = std::move(facts.KeyFrameFlags);
  FrameRate = header.Rate;
  FrameScale = header.Scale;
  Codec = header.Codec;
  FormatWidth = header.FormatWidth;
  FormatHeight = header.FormatHeight;
  Shared->VideoWidth = Shared->DisplayWidth = header.FrameWidth;
  Shared->VideoHeight = Shared->DisplayHeight = header.FrameHeight;

  wchar_t number[AviCountTextUnits];
  swprintf_s(number, AviCountTextUnits, L"%u", TotalFrames);
  CopyText(FileInfo.TotalFramesText, reinterpret_cast<const char16_t*>(number));
  CopyText(FileInfo.FilePath, reinterpret_cast<const char16_t*>(SelectedPath.get()));

  Renderer = ChosenRenderer;
  HRESULT built = BuildGraph();
  if (EvrRefusedStream) {
    // A decoder whose output the Enhanced Video Renderer takes in no form: the
    // graph is built again around the Video Renderer, for this file only.
    ReleaseGraphObjects();
    Renderer = RendererKind::VideoRenderer;
    built = BuildGraph();
    if (SUCCEEDED(built)) {
      Report(L"WARNING: the Enhanced Video Renderer cannot be connected; the video is shown with the Video "
             L"Renderer\r\n");
    }
  }
  if (FAILED(built)) return AbandonOpen();
  OpenFrameCount = TotalFrames;
  return 0;
}

// The chosen renderer, or where the Enhanced Video Renderer is not there
// (Windows editions without the media features) the Video Renderer, said once.
HRESULT PlaybackGraph::CreateRenderer() {
  if (ForcedGraphFailure == GraphStep::EvrUnavailable) Renderer = RendererKind::Evr;
  HRESULT hr = ForcedGraphFailure == GraphStep::EvrUnavailable ? REGDB_E_CLASSNOTREG
                                                               : CreateRendererFilter(Renderer, &EvrFilter);
  if (FAILED(hr) && Renderer == RendererKind::Evr) {
    ChosenRenderer = Renderer = RendererKind::VideoRenderer;  // for the rest of the run
    hr = CreateRendererFilter(Renderer, &EvrFilter);
    if (SUCCEEDED(hr)) {
      Report(L"WARNING: the Enhanced Video Renderer cannot be created; the video is shown with the Video "
             L"Renderer\r\n");
    }
  }
  return hr;
}

HRESULT PlaybackGraph::BuildGraph() {
  EvrRefusedStream = false;
  const HRESULT created = CreateGraphObjects();
  if (FAILED(created)) return created;

  RETURN_IF_STEP_FAILED(
      GraphStep::AddSourceFilter,
      GraphBuilder->AddSourceFilter(SelectedPath.get(), L"AVI Source Filter", SourceFilter.ReleaseAndGetAddressOf()),
      L"SEVERE: failure to add the video file source filter to the filter graph\r\n");
  RETURN_IF_STEP_FAILED(GraphStep::CreateRenderer, CreateRenderer(),
                        L"SEVERE: cannot create an EVR display filter\r\n");
  ComPtr<IUnknown> service;
  RETURN_IF_STEP_FAILED(GraphStep::QueryRendererService, QueryRendererService(Renderer, EvrFilter.Get(), &service),
                        L"SEVERE: cannot find the EVR display filter service\r\n");
  RETURN_IF_STEP_FAILED(GraphStep::GetDisplayControl, GetVideoDisplay(Renderer, service.Get(), &DisplayControl),
                        L"SEVERE: cannot create the EVR display filter control instance\r\n");
  RETURN_IF_STEP_FAILED(GraphStep::SetVideoWindow, DisplayControl->SetVideoWindow(ClipWindow()),
                        L"SEVERE: cannot set the EVR display filter clipping window\r\n");
  RETURN_IF_STEP_FAILED(GraphStep::SetAspectRatioMode, DisplayControl->SetAspectRatioModeNone(),
                        L"SEVERE: cannot set the EVR display filter aspect ratio\r\n");
  RETURN_IF_STEP_FAILED(GraphStep::AddRenderer, GraphBuilder->AddFilter(EvrFilter.Get(), L"EVR"),
                        L"SEVERE: failure to add the EVR filter to the filter graph\r\n");
  const bool refuse = ForcedGraphFailure == GraphStep::EvrUnconnectable && Renderer == RendererKind::Evr;
  const HRESULT rendered =
      refuse ? VFW_E_CANNOT_CONNECT
             : Checked(GraphStep::RenderStream,
                       CaptureBuilder->RenderStream(nullptr, nullptr, SourceFilter.Get(), nullptr, EvrFilter.Get()));
  if (FAILED(rendered) && Renderer == RendererKind::Evr) {
    EvrRefusedStream = true;  // the caller tries the Video Renderer
    return rendered;
  }
  if (FAILED(rendered)) {
    Report(L"SEVERE: cannot render the filter graph video stream\r\n");
    ReportMissingDecoder(Codec);
    return rendered;
  }

  if (Shared->VideoWidth == 0 || Shared->VideoHeight == 0) {
    const HRESULT sized = LearnFrameSizeFromRenderer();
    if (FAILED(sized)) return sized;
  }

  SetVideoRectangle(VideoRectangle(Shared->VideoWidth, Shared->VideoHeight));

  wchar_t size[AviFrameSizeTextUnits];
  swprintf_s(size, AviFrameSizeTextUnits, L"%u x %u", Shared->VideoWidth, Shared->VideoHeight);
  CopyText(FileInfo.FrameSizeText, reinterpret_cast<const char16_t*>(size));

  RETURN_IF_STEP_FAILED(GraphStep::QueryMediaSeeking, GraphBuilder.As(&MediaSeeking),
                        L"SEVERE: cannot find the media seeking interface\r\n");
  HRESULT frames = MediaSeeking->SetTimeFormat(&TIME_FORMAT_FRAME);
  if (FAILED(frames)) {
    // The graph seeks in media time only: our frame layer stands in for it.
    ComPtr<IMediaSeeking> layer;
    if (SUCCEEDED(CreateFrameSeeking(MediaSeeking.Get(), FrameRate, FrameScale, TotalFrames, &layer))) {
      MediaSeeking = layer;
      frames = MediaSeeking->SetTimeFormat(&TIME_FORMAT_FRAME);
    }
  }
  RETURN_IF_STEP_FAILED(GraphStep::SetTimeFormat, frames,
                        L"SEVERE: cannot set the time format for the video stream\r\n");

  HWND clip = ClipWindow();
  if (clip != nullptr) {
    ShowWindow(clip, SW_SHOW);
    UpdateWindow(clip);
  }
  if (MediaControl != nullptr) {
    MediaControl->Pause();
    GraphRunState = GraphRun::Paused;
  }
  return S_OK;
}

// The frame size when the header gave none: from the media type on which the
// renderer's input connected.
HRESULT PlaybackGraph::LearnFrameSizeFromRenderer() {
  ReleaseEvrUpstreamPin();
  FindEvrInputPin();
  if (EvrInputPin == nullptr) {
    Report(L"WARNING: cannot find input pin for EVR filter, thus frame size is unknown\r\n");
    Shared->VideoWidth = 640;
    Shared->VideoHeight = 480;
    return S_OK;
  }
  EvrInputPin->ConnectedTo(&EvrUpstreamPin);
  if (ForcedGraphFailure == GraphStep::RendererPinUnconnected) ReleaseEvrUpstreamPin();
  if (EvrUpstreamPin == nullptr) {
    // A renderer that nothing feeds cannot show the file: the open is abandoned.
    Report(L"WARNING: cannot find EVR filter connected to pin\r\n");
    return E_ABORT;
  }
  MediaTypeFields connection;
  const AM_MEDIA_TYPE& type = connection.Type;
  if (SUCCEEDED(EvrUpstreamPin->ConnectionMediaType(&connection.Type)) && type.pbFormat != nullptr) {
    // The picture's bitmap header, in either of the two video formats a
    // decoder may connect with.
    const BITMAPINFOHEADER* bitmap = nullptr;
    if (IsEqualGUID(type.formattype, FORMAT_VideoInfo2) && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
      bitmap = &reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat)->bmiHeader;
    } else if (IsEqualGUID(type.formattype, FORMAT_VideoInfo) && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
      bitmap = &reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    }
    if (bitmap != nullptr && bitmap->biWidth > 0) {
      // A top-down picture has a negative height; its size is the same.
      const LONG height = bitmap->biHeight;
      const uint32_t rows = height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
      if (IsPictureSize(static_cast<uint32_t>(bitmap->biWidth), rows)) {
        Shared->VideoWidth = Shared->DisplayWidth = static_cast<uint32_t>(bitmap->biWidth);
        Shared->VideoHeight = Shared->DisplayHeight = rows;
      }
    }
  }
  if (Shared->VideoWidth == 0) {  // the connection told no usable size either
    const bool formatSized = FormatWidth != 0;
    Shared->VideoWidth = Shared->DisplayWidth = formatSized ? FormatWidth : 640;
    Shared->VideoHeight = Shared->DisplayHeight = formatSized ? FormatHeight : 480;
  }
  return S_OK;
}

HRESULT PlaybackGraph::CreateGraphObjects() {
  RETURN_IF_STEP_FAILED(GraphStep::CreateGraphBuilder,
                        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(GraphBuilder.ReleaseAndGetAddressOf())),
                        L"SEVERE: cannot create graph builder instance\r\n");
  RETURN_IF_STEP_FAILED(GraphStep::CreateCaptureBuilder,
                        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(CaptureBuilder.ReleaseAndGetAddressOf())),
                        L"SEVERE: cannot create graph builder 2 instance\r\n");
  RETURN_IF_STEP_FAILED(GraphStep::SetFiltergraph, CaptureBuilder->SetFiltergraph(GraphBuilder.Get()),
                        L"SEVERE: cannot set filter graph in graph builder 2 instance\r\n");
  RETURN_IF_STEP_FAILED(GraphStep::QueryMediaControl, GraphBuilder.As(&MediaControl),
                        L"SEVERE: cannot find the media control object\r\n");
  // (MinGW's headers give IMediaEventEx no __uuidof: its IID by name.)
  RETURN_IF_STEP_FAILED(
      GraphStep::QueryMediaEvents,
      GraphBuilder->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(MediaEvents.ReleaseAndGetAddressOf())),
      L"SEVERE: cannot find the media event object\r\n");
  RETURN_IF_STEP_FAILED(GraphStep::SetNotifyWindow,
                        MediaEvents->SetNotifyWindow(reinterpret_cast<OAHWND>(EventsWindow), GraphEventMessage, 0),
                        L"SEVERE: cannot set the media event object notify window\r\n");
  return 0;
}

void PlaybackGraph::FindEvrInputPin() {
  EvrInputPin.Reset();
  ComPtr<IEnumPins> pins;
  if (EvrFilter == nullptr || FAILED(EvrFilter->EnumPins(&pins))) {
    Report(L"SEVERE: cannot enumerate EVR pins\r\n");
    return;
  }
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PinInfo info;
    if (SUCCEEDED(pin->QueryPinInfo(&info.Info))) {
      if (info.Info.dir == PINDIR_INPUT) {
        EvrInputPin = pin;
        break;
      }
    }
  }
  if (EvrInputPin == nullptr) Report(L"SEVERE: cannot find EVR input pin\r\n");
}

HRESULT PlaybackGraph::SetVideoRectangle(const RECT& r) {
  if (DisplayControl == nullptr) return E_FAIL;
  const HRESULT hr = Checked(GraphStep::SetVideoPosition, DisplayControl->SetVideoPosition(r));
  if (FAILED(hr)) {
    Report(L"SEVERE: EVR display control cannot set the window size\r\n");
    return hr;
  }
  return 0;
}

void PlaybackGraph::ApplyMagnify() {
  Shared->DisplayWidth = MagnifiedSide(Shared->MagnifyLevel, Shared->VideoWidth);
  Shared->DisplayHeight = MagnifiedSide(Shared->MagnifyLevel, Shared->VideoHeight);
  SetVideoRectangle(VideoRectangle(Shared->DisplayWidth, Shared->DisplayHeight));
}

void PlaybackGraph::CloseVideoFile() {
  if (SourceFilter == nullptr) return;
  if (MediaControl != nullptr) {
    MediaControl->Stop();
    GraphRunState = GraphRun::Stopped;
  }
  ReleaseGraphObjects();
  SourceFilter.Reset();
  ClearFrameFacts();
}

void PlaybackGraph::ReleaseGraphObjects() {
  // The pins go first: a splitter may delete its output pins when the graph
  // disconnects it on release (Wine's does), whatever references they hold,
  // and EvrUpstreamPin is one of them.
  EvrInputPin.Reset();
  ReleaseEvrUpstreamPin();
  GraphBuilder.Reset();
  CaptureBuilder.Reset();
  MediaControl.Reset();
  MediaSeeking.Reset();
  EvrFilter.Reset();
  DisplayControl.reset();
  if (MediaEvents != nullptr) {
    MediaEvents->SetNotifyWindow(0, 0, 0);
    MediaEvents.Reset();
  }
}

HRESULT PlaybackGraph::AbandonOpen() {
  ReleaseGraphObjects();
  SourceFilter.Reset();
  ClearFrameFacts();
  OpenFrameCount = 0;
  return E_ABORT;
}

void PlaybackGraph::ClearFrameFacts() {
  TotalFrames = 0;
  StreamLength = 0;
  DroppedFrameCount = 0;
  Shared->DisplayWidth = 0;
  Shared->DisplayHeight = 0;
  Shared->VideoWidth = 0;
  Shared->VideoHeight = 0;
}
