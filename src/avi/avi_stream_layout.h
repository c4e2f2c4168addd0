// Where an AVI file keeps its video: the video stream's description in the
// header list, and the frames of that stream the file really holds.
//
// The header checks of ParseAviHeader fix where the first stream's lists
// stand; the header list may hold other streams before the video (sound
// first is common among other writers), and a file cut short, or never
// finished, holds fewer frames than its header says. These functions find
// both without trusting any size in the file: every position is checked
// against the bytes at hand and the file size.
#pragma once

#include <cstdint>

#include "avi/avi_byte_source.h"

// The first video stream ("vids") of the header list.
struct AviVideoStream {
  uint32_t Number = 0;  // its place among the header list's streams, from 0
  uint32_t Handler = 0;
  uint32_t Scale = 0;
  uint32_t Rate = 0;
  uint32_t Length = 0;  // in frames
  // The stream format's bitmap header; all 0 when the format is too short.
  uint32_t BitmapWidth = 0;
  uint32_t BitmapHeight = 0;  // rows, whichever way they run
  uint16_t BitCount = 0;
  uint32_t Compression = 0;
  // The position right after the bitmap header (its start plus the size it
  // gives itself), where ORVO Video Capture puts its super index.
  uint64_t FormatEnd = 0;
  // The position of the stream's own super index ("indx") in its stream
  // list, as other OpenDML writers place it; 0 when it has none.
  uint64_t SuperIndex = 0;
};

// Finds the first video stream among the stream lists of the header list,
// reading only header[0, headerBytes) (the file's first bytes). false when
// the header list holds no video stream.
bool FindVideoStream(const uint8_t* header, uint32_t headerBytes, AviVideoStream& stream);

// The header list's end (the first byte after it) as its size says, or 0
// when the header gives none.
uint64_t HeaderListEnd(const uint8_t* header);

enum class AviCount { Counted, NotCounted, ReadFailed, SeekFailed };

// Counts the frames of video stream streamNumber that lie whole inside the
// file, stopping at limit: from the idx1 index when the file is one RIFF
// segment with one, otherwise from the chunk headers of every movie list
// (bounded by the file size). NotCounted when the file shows no movie list.
// The reads go through source; none is larger than 1 MiB.
AviCount CountFramesPresent(AviByteSource& source, uint64_t fileSize, uint32_t streamNumber, uint32_t limit,
                            uint32_t& frames);
