// Transport: the one entry through which the program moves the video.
//
// Every command works on the open file's graph (PlaybackGraph::MediaControl
// and MediaSeeking, positions in frames) and on its per-frame key flags. It
// records the command in LastTransportCommand and the graph's state in
// GraphRunState, and tells the caller the new position and whether non-key
// (dropped) frames lie after or before it. User-interface thread only.
#pragma once

#include <cstdint>

// Command codes; the playback controls use the same numbers as their state
// codes (PlaybackState). 6 and codes above 10 are nothing, like 10.
enum class TransportCommand : int {
  Run = 0,             // run the graph
  Pause = 1,           // pause and read the position
  SeekStart = 2,       // pause, go to frame 0
  SeekEnd = 3,         // pause, go to the end position (TotalFrames)
  StepForward = 4,     // to the next key frame
  StepBack = 5,        // to the previous key frame
  Refresh = 7,         // pause and draw the current frame again
  NextNonKey = 8,      // to the next non-key frame
  PreviousNonKey = 9,  // to the previous non-key frame
  None = 10,           // nothing
};
constexpr TransportCommand TransportRun = TransportCommand::Run;
constexpr TransportCommand TransportPause = TransportCommand::Pause;
constexpr TransportCommand TransportSeekStart = TransportCommand::SeekStart;
constexpr TransportCommand TransportSeekEnd = TransportCommand::SeekEnd;
constexpr TransportCommand TransportStepForward = TransportCommand::StepForward;
constexpr TransportCommand TransportStepBack = TransportCommand::StepBack;
constexpr TransportCommand TransportRefresh = TransportCommand::Refresh;
constexpr TransportCommand TransportNextNonKey = TransportCommand::NextNonKey;
constexpr TransportCommand TransportPreviousNonKey = TransportCommand::PreviousNonKey;
constexpr TransportCommand TransportNone = TransportCommand::None;

// Carries out command and returns the new frame position (0 when there is no
// graph or the command failed; a step whose seek failed returns where it
// started). after and before (either may be null) are cleared, then set to 1
// when a non-key frame lies after or before the new position.
int64_t Transport(TransportCommand command, uint32_t* after, uint32_t* before);

// Sets after / before to 1 when a non-key frame of the open file lies after /
// before position; leaves them alone otherwise.
void FindNonKeyNeighbours(int64_t position, uint32_t* after, uint32_t* before);

// The slider's seek: no pause, no state change. The flags are not cleared
// first (the caller does that); they are computed whether or not the seek
// succeeded.
void SeekToFrame(uint32_t frame, uint32_t* after, uint32_t* before);

// The current frame, or 0 when there is no graph or it cannot say.
uint32_t CurrentFramePosition();

// Seeks the current position again, so that a paused renderer draws the
// frame anew (after its window was shown again). No state changes; nothing is
// reported; nothing happens while the graph runs or when no file is open.
void RedrawCurrentFrame();

// Whether the graph has finished its last change of state (a pause is
// complete once the renderer holds, and has drawn, its picture). True with
// no graph, or when the graph cannot say.
bool GraphStateSettled();

// Whether frame is a key frame of the open file. The end position and
// anything beyond the file count as key frames.
bool IsKeyFrame(uint32_t frame);

// Sets the open file's playback rate (1.0 is normal speed) through the
// graph's seeking interface. True when the graph took it and reports that
// rate back; false when there is no file open, the graph refused the rate or
// it reports another one.
[[nodiscard]] bool SetPlaybackRate(double rate);
