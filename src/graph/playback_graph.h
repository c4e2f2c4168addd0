// PlaybackGraph: the one media playback object of the process.
//
// Made once at start-up and never freed. Each opened AVI file gets a fresh
// DirectShow filter graph inside it (source -> whatever decoder the graph
// inserts -> video renderer drawing into the main window's clip window),
// which CloseVideoFile tears down again. The colour-control objects live for
// the whole process.
//
// Every interface field holds one reference and is null when unset. All of it
// runs on the user-interface thread, except the playback timer's reads of
// MediaSeeking and OpenFrameCount.
#pragma once

#include <windows.h>

#include <dmodshow.h>
#include <dshow.h>
#include <propsys.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/shared_state.h"
#include "avi/avi_file_info.h"
#include "avi/avi_header_parser.h"
#include "graph/transport.h"
#include "graph/video_display.h"

class PlaybackGraph {
 public:
  // Stores shared and instance, creates the hidden "Graph Events" window, looks
  // up the colour-control filter and sets the parser's index constants.
  PlaybackGraph(HINSTANCE instance, SharedState* shared);
  PlaybackGraph(const PlaybackGraph&) = delete;
  PlaybackGraph& operator=(const PlaybackGraph&) = delete;

  // File > Open: asks for one AVI file, closes the open file, reads the
  // header and builds the graph, leaving it paused. 0 on success; E_ABORT when
  // cancelled (OpenCancelled tells), refused or any build step failed; E_ACCESSDENIED when the chosen
  // item has no file-system path; 0x80070490 when no path was obtained;
  // E_INVALIDARG when the file cannot be opened for reading.
  [[nodiscard]] HRESULT OpenVideoFile();
  // The graph, its builder, control and event interfaces; reports its own
  // failure and returns the failing HRESULT.
  HRESULT CreateGraphObjects();
  // Sets EvrInputPin to the renderer's input pin, or leaves it null.
  void FindEvrInputPin();
  // Places the whole frame into r in the clip window. E_FAIL, silently, when
  // there is no renderer.
  HRESULT SetVideoRectangle(const RECT& r);
  // DisplayWidth/DisplayHeight from the native size and MagnifyLevel, then the
  // renderer rectangle.
  void ApplyMagnify();
  // Stops and releases the open file's graph; nothing when no file is open.
  void CloseVideoFile();
  // Releases the open file's interfaces in their fixed order.
  void ReleaseGraphObjects();
  // Looks up the colour-control video effect: 1 found and prepared, 0 not
  // available.
  [[nodiscard]] int FindColorControl();

  SharedState* Shared = nullptr;
  uint32_t ColorControlAvailable = 0;
  HINSTANCE Instance = nullptr;
  HWND EventsWindow = nullptr;
  Microsoft::WRL::ComPtr<IGraphBuilder> GraphBuilder;
  Microsoft::WRL::ComPtr<ICaptureGraphBuilder2> CaptureBuilder;
  Microsoft::WRL::ComPtr<IMediaControl> MediaControl;
  std::unique_ptr<wchar_t, void (*)(void*)> SelectedPath{nullptr, CoTaskMemFree};  // from the dialog
  // Positions in frames: the graph's own interface where the graph accepts
  // TIME_FORMAT_FRAME, otherwise our frame layer over it (frame_seeking.h).
  Microsoft::WRL::ComPtr<IMediaSeeking> MediaSeeking;
  Microsoft::WRL::ComPtr<IMediaEventEx> MediaEvents;
  uint32_t TotalFrames = 0;  // frames in the stream; also the end position
  uint32_t StreamLength = 0;
  int32_t DroppedFrameCount = 0;
  KeyFrameFlagRuns KeyFrameFlags;                    // TotalFrames + 8 entries; 1 = key frame
  Microsoft::WRL::ComPtr<IBaseFilter> EvrFilter;     // the video renderer (the VMR-9 under Wine)
  std::unique_ptr<VideoDisplay> DisplayControl;      // the renderer's display control
  Microsoft::WRL::ComPtr<IBaseFilter> SourceFilter;  // non-null exactly while a file's graph exists
  Microsoft::WRL::ComPtr<IBaseFilter> ColorFilter;
  Microsoft::WRL::ComPtr<IPin> ColorInputPin;
  Microsoft::WRL::ComPtr<IPin> ColorOutputPin;
  Microsoft::WRL::ComPtr<IPin> EvrInputPin;
  AviFileInfo FileInfo{};  // texts of the open file; copied whole by the main window
  Microsoft::WRL::ComPtr<IPropertyStore> ColorProperties;
  Microsoft::WRL::ComPtr<IDMOWrapperFilter> ColorWrapper;

  // Besides: the parser's index constants, the stream's rate and scale (for
  // frame-unit seeking) and the renderer chosen once at construction.
  AviIndexConstants IndexConstants;
  uint32_t FrameRate = 0;
  uint32_t FrameScale = 0;
  AviCodecFacts Codec;  // the video stream's codec, for messages that name it
  uint32_t FormatWidth = 0, FormatHeight = 0;  // the video format's picture size, 0 x 0 when none
  RendererKind Renderer = RendererKind::Evr;        // the open file's
  RendererKind ChosenRenderer = RendererKind::Evr;  // each open starts with this one
  bool EvrRefusedStream = false;                     // the last build failed at the EVR's connection
  // The last OpenVideoFile ended at a cancelled dialog. Its E_ABORT is then a
  // cancel; every other E_ABORT is a failure that has reported itself.
  bool OpenCancelled = false;

 private:
  HRESULT BuildGraph();
  HRESULT CreateRenderer();
  HRESULT LearnFrameSizeFromRenderer();
  // A failed build leaves no file open: the per-file objects are released,
  // the frame facts and sizes cleared. Returns E_ABORT.
  HRESULT AbandonOpen();
  void ClearFrameFacts();
};

// Process-wide values of the playback graph.
extern PlaybackGraph* TheGraph;
extern uint32_t OpenFrameCount;   // TotalFrames of the open file; 0 with no file open
// The state in which the program last left the graph.
enum class GraphRun : int { NotStarted = 0, Running = 1, Stopped = 2, Paused = 3 };
extern GraphRun GraphRunState;
extern TransportCommand LastTransportCommand;  // the last code handed to Transport; starts at None
// The output pin feeding the renderer's input pin, looked up when needed; one
// reference or null. A plain pointer so that nothing is released at process
// exit, after COM is gone.
extern IPin* EvrUpstreamPin;
// Releases EvrUpstreamPin's reference and sets it to null.
void ReleaseEvrUpstreamPin();
// Stops the graph unless it is stopped already. A running graph is paused on
// the way: stopped straight from running, Wine's graph forgets how far it had
// played and a refresh afterwards would show the frame where it started.
void StopGraph(PlaybackGraph& graph);

// The graph-events window's message: the graph posts it when events wait.
constexpr UINT GraphEventMessage = WM_APP + 1;
LRESULT CALLBACK GraphEventsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// How OpenVideoFile asks for a file. The result: S_OK with *path set (a
// CoTaskMemAlloc'd string) or left null when no dialog could be made; E_ABORT
// when the user cancelled; E_ACCESSDENIED when the chosen item has no
// file-system path. ShowOpenFileDialog is the real dialog; tests put a stand-in here.
using ChooseFileFunction = HRESULT (*)(wchar_t** path);
HRESULT ShowOpenFileDialog(wchar_t** path);
extern ChooseFileFunction ChooseVideoFile;

// Test seam: when set, that step of the open reports a failure as though the
// system had refused it.
enum class GraphStep {
  None,
  CreateGraphBuilder,
  CreateCaptureBuilder,
  SetFiltergraph,
  QueryMediaControl,
  QueryMediaEvents,
  SetNotifyWindow,
  AddSourceFilter,
  CreateRenderer,
  QueryRendererService,
  GetDisplayControl,
  SetVideoWindow,
  SetAspectRatioMode,
  AddRenderer,
  RenderStream,
  RendererPinUnconnected,
  SetVideoPosition,
  QueryMediaSeeking,
  SetTimeFormat,
  EvrUnavailable,    // the Enhanced Video Renderer chosen, and its creation refused
  EvrUnconnectable,  // the Enhanced Video Renderer chosen, and the stream not connected to it
};
extern GraphStep ForcedGraphFailure;
