// Frame numbers and media times of one video stream.
//
// A stream shows rate / scale frames per second (the AVI stream header's
// rate and scale), so each frame lasts scale x 10^7 / rate media-time units
// (100 ns). Frame f is given the time of the middle of its display interval,
// and a time is taken back to the frame whose interval holds it; for a usable
// timing (FrameTimingUsable) frame -> time -> frame is the identity for every
// frame from 0 to the stream's end position.
//
// All arithmetic is exact: products are formed in 128 bits.
#pragma once

#include <cstdint>

constexpr uint64_t MediaTimeUnitsPerSecond = 10000000;

// floor(a x b / divisor) without overflow in the product. false when the
// divisor is 0 or the quotient does not fit in 64 bits.
bool MultiplyDivide(uint64_t a, uint64_t b, uint64_t divisor, uint64_t* quotient);

// true when rate and scale are non-zero, a frame lasts at least two media-time
// units (so that the middle of every frame lies inside it on the integer time
// grid) and the time of frame lastFrame fits a signed 64-bit media time.
bool FrameTimingUsable(uint32_t rate, uint32_t scale, uint64_t lastFrame);

// The media time of the middle of frame: floor((2 frame + 1) x scale x 10^7 /
// (2 rate)). false for a negative frame, a zero rate or scale, or a time that
// does not fit.
bool FrameToMediaTime(uint32_t rate, uint32_t scale, int64_t frame, int64_t* time);

// The frame whose display interval holds time: floor(time x rate / (scale x
// 10^7)). A negative time gives frame 0; a zero rate or scale gives 0.
int64_t MediaTimeToFrame(uint32_t rate, uint32_t scale, int64_t time);
