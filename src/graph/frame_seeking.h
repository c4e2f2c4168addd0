// Seeking in frame units over a filter graph that only seeks in media time.
//
// Some filter graphs (Wine's) refuse TIME_FORMAT_FRAME. The playback graph
// then puts this object in place of the graph's IMediaSeeking: it accepts
// TIME_FORMAT_FRAME and turns frame numbers into media times and back with the
// stream's exact rate and scale (graph/frame_time.h). Its own state never
// changes after creation except the time format, so the playback timer's
// thread may read positions while the user-interface thread seeks.
#pragma once

#include <windows.h>

#include <dshow.h>

#include <cstdint>

// Creates the object over graphSeeking (which stays in media time) for a
// stream of rate / scale frames a second and totalFrames frames. It starts in
// TIME_FORMAT_MEDIA_TIME, like a filter graph. E_INVALIDARG when the timing
// cannot be converted exactly (FrameTimingUsable).
[[nodiscard]] HRESULT CreateFrameSeeking(IMediaSeeking* graphSeeking, uint32_t rate, uint32_t scale, uint32_t totalFrames,
                           IMediaSeeking** result);
