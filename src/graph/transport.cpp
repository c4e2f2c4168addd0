#include "graph/transport.h"

#include "app/app_context.h"
#include "graph/frame_navigation.h"
#include "graph/playback_graph.h"
#include "messages/user_messages.h"

namespace {

const wchar_t CannotPause[] = L"WARNING: cannot pause media controller\r\n";
const wchar_t RunFailed[] = L"WARNING: media controller run command failure\r\n";
const wchar_t GetPositionFailed[] = L"WARNING: media seeking failed to get current position\r\n";
const wchar_t SetPositionFailed[] = L"WARNING: media seeking failed to set current position\r\n";
const wchar_t RefreshWhileRunning[] = L"WARNING: unexpected call to refresh frame with media in running state\r\n";

void Warn(const wchar_t* text) { RouteUserMessage(text, 1); }

// The open file's frames: only the flags of real frames are read.
FrameFlags OpenFileFrames() {
  const PlaybackGraph& graph = *TheGraph;
  return {&graph.KeyFrameFlags, static_cast<int64_t>(graph.TotalFrames)};
}

bool ReadPosition(IMediaSeeking* seeking, int64_t* position) {
  LONGLONG current = 0;
  if (seeking->GetCurrentPosition(&current) != S_OK) return false;
  *position = current;
  return true;
}

// ---- the picture after a seek -------------------------------------------
//
// Under Wine the Video Renderer draws the new picture from its streaming
// thread, a few tens of milliseconds after the seek, into the window surface
// of the video window, and Wine copies that surface to the screen only when
// this (the windows' own) thread next goes idle in its message loop, or when
// another drawing comes more than 50 ms after the last idle. After a paused
// seek nothing of that follows: the thread went idle before the picture came,
// so the screen kept the previous picture until the next message, however
// long that took, while the frame line already showed the new number. A short
// train of timer ticks on the clip window after each seek wakes the thread
// while the picture arrives; each wake-up puts whatever has been drawn on the
// screen. Elsewhere the ticks cost nothing.
constexpr UINT_PTR PictureTimerId = 0x4F50;
constexpr UINT PictureTickMilliseconds = 40;
constexpr int PictureTicks = 50;  // 2 s: a slow decoder's picture comes as well
int PictureTicksLeft = 0;         // user-interface thread only

VOID CALLBACK PictureTick(HWND window, UINT, UINT_PTR id, DWORD) {
  // Nothing to do here: the wake-up itself brings the picture to the screen.
  if (--PictureTicksLeft <= 0) KillTimer(window, id);
}

void FollowPictureToScreen() {
  HWND clip = TheApp != nullptr ? TheApp->ClipWindow : nullptr;
  if (clip == nullptr) return;
  PictureTicksLeft = PictureTicks;
  SetTimer(clip, PictureTimerId, PictureTickMilliseconds, PictureTick);
}

bool SetPosition(IMediaSeeking* seeking, int64_t position) {
  LONGLONG current = position;
  const bool moved =
      seeking->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning) == S_OK;
  if (moved) FollowPictureToScreen();
  return moved;
}

bool PauseGraph(IMediaControl* control) {
  const HRESULT hr = control->Pause();
  if (hr != S_OK && hr != S_FALSE) {
    Warn(CannotPause);
    return false;
  }
  GraphRunState = GraphRun::Paused;
  return true;
}

bool NeedsPause(TransportCommand command) {
  return command == TransportPause || command == TransportSeekStart || command == TransportSeekEnd ||
         command == TransportRefresh;
}

bool IsStep(TransportCommand command) {
  return command == TransportStepForward || command == TransportStepBack || command == TransportNextNonKey ||
         command == TransportPreviousNonKey;
}

int64_t Run(IMediaControl* control) {
  const HRESULT hr = control->Run();
  if (hr != S_OK && hr != S_FALSE) {
    Warn(RunFailed);
  } else {
    GraphRunState = GraphRun::Running;
  }
  return 0;
}

// Seeks to target and reports its neighbours; 0 when the seek failed.
int64_t SeekAndFindNeighbours(IMediaSeeking* seeking, int64_t target, uint32_t* after, uint32_t* before) {
  if (!SetPosition(seeking, target)) {
    Warn(SetPositionFailed);
    return 0;
  }
  FindNonKeyNeighbours(target, after, before);
  return target;
}

int64_t Step(IMediaSeeking* seeking, TransportCommand command, uint32_t* after, uint32_t* before) {
  int64_t from = 0;
  if (!ReadPosition(seeking, &from)) {
    Warn(GetPositionFailed);
    return 0;
  }
  const int64_t target = FindStepTarget(OpenFileFrames(), static_cast<FrameStep>(command), from);
  if (!SetPosition(seeking, target)) {
    Warn(SetPositionFailed);
    return from;
  }
  FindNonKeyNeighbours(target, after, before);
  return target;
}

// After the pause: the position, and that frame on the screen. A running
// renderer lags behind the graph's clock, so the picture it was showing when
// the pause came may be a few frames before the position the graph reports;
// seeking to that position makes the picture and the frame number agree.
int64_t PauseHere(IMediaSeeking* seeking, uint32_t* after, uint32_t* before) {
  int64_t current = 0;
  if (!ReadPosition(seeking, &current)) {
    Warn(GetPositionFailed);
    return 0;
  }
  if (!SetPosition(seeking, current)) Warn(SetPositionFailed);
  FindNonKeyNeighbours(current, after, before);
  return current;
}

int64_t Refresh(IMediaSeeking* seeking) {
  int64_t current = 0;
  if (!ReadPosition(seeking, &current)) {
    Warn(GetPositionFailed);
    return 0;
  }
  if (!SetPosition(seeking, current)) {
    Warn(SetPositionFailed);
    return 0;
  }
  return current;
}

}  // namespace

int64_t Transport(TransportCommand command, uint32_t* after, uint32_t* before) {
  if (after != nullptr) *after = 0;
  if (before != nullptr) *before = 0;
  LastTransportCommand = command;

  const int code = static_cast<int>(command);
  if (TheGraph == nullptr || code < 0 || code > 9) return 0;
  IMediaControl* control = TheGraph->MediaControl.Get();
  IMediaSeeking* seeking = TheGraph->MediaSeeking.Get();
  if (control == nullptr || seeking == nullptr) return 0;

  if (command == TransportRefresh && GraphRunState == GraphRun::Running) {
    Warn(RefreshWhileRunning);
    return 0;
  }
  if (NeedsPause(command) && !PauseGraph(control)) return 0;

  if (IsStep(command)) return Step(seeking, command, after, before);
  switch (command) {
    case TransportRun:
      return Run(control);
    case TransportPause:
      return PauseHere(seeking, after, before);
    case TransportSeekStart:
      return SeekAndFindNeighbours(seeking, 0, after, before);
    case TransportSeekEnd:
      return SeekAndFindNeighbours(seeking, TheGraph->TotalFrames, after, before);
    case TransportRefresh:
      return Refresh(seeking);
    default:
      return 0;  // 6: nothing
  }
}

void FindNonKeyNeighbours(int64_t position, uint32_t* after, uint32_t* before) {
  if (TheGraph == nullptr) return;
  FindNonKeyNeighbours(OpenFileFrames(), position, after, before);
}

void SeekToFrame(uint32_t frame, uint32_t* after, uint32_t* before) {
  IMediaSeeking* seeking = TheGraph != nullptr ? TheGraph->MediaSeeking.Get() : nullptr;
  // With no file open there is nothing to seek; the slider is disabled then.
  if (seeking != nullptr && !SetPosition(seeking, frame)) Warn(SetPositionFailed);
  FindNonKeyNeighbours(frame, after, before);
}

uint32_t CurrentFramePosition() {
  IMediaSeeking* seeking = TheGraph != nullptr ? TheGraph->MediaSeeking.Get() : nullptr;
  if (seeking == nullptr) return 0;
  LONGLONG current = 0;
  if (FAILED(seeking->GetCurrentPosition(&current))) return 0;
  return static_cast<uint32_t>(current);
}

void RedrawCurrentFrame() {
  IMediaSeeking* seeking = TheGraph != nullptr ? TheGraph->MediaSeeking.Get() : nullptr;
  if (seeking == nullptr || GraphRunState == GraphRun::Running) return;
  int64_t current = 0;
  if (ReadPosition(seeking, &current)) SetPosition(seeking, current);
}

bool GraphStateSettled() {
  IMediaControl* control = TheGraph != nullptr ? TheGraph->MediaControl.Get() : nullptr;
  OAFilterState state = State_Stopped;
  return control == nullptr || control->GetState(0, &state) != VFW_S_STATE_INTERMEDIATE;
}

bool IsKeyFrame(uint32_t frame) {
  if (TheGraph == nullptr || frame >= TheGraph->TotalFrames) return true;
  return OpenFileFrames().IsKey(frame);
}

bool SetPlaybackRate(double rate) {
  IMediaSeeking* seeking = TheGraph != nullptr ? TheGraph->MediaSeeking.Get() : nullptr;
  if (seeking == nullptr || FAILED(seeking->SetRate(rate))) return false;
  // A graph that says yes but keeps another rate has refused it as well
  // (Wine's filter graph answers S_OK and stays at 1.0).
  double now = 0.0;
  if (FAILED(seeking->GetRate(&now))) return false;
  const double difference = now > rate ? now - rate : rate - now;
  return difference < 1e-6;
}
