// ParseAviHeader: reads an AVI file's RIFF header before any media graph is
// built for it. It refuses files whose first chunks are not laid out as the
// player expects, fills AviFileInfo and the frame facts, tells whether the file
// was written by ORVO Video Capture and, for such files, walks the OpenDML
// index to mark every frame as key or dropped.
//
// Messages go out through RouteMessage (messages/message_route.h), each with
// the time-stamp flag set.
#pragma once

#include <cstdint>
#include <vector>

#include "avi/avi_byte_source.h"
#include "avi/avi_file_info.h"
#include "avi/avi_text_format.h"
#include "avi/key_frame_flags.h"

// Results (HRESULT values).
constexpr int32_t AviParseSucceeded = 0;
constexpr int32_t AviParseRefused = static_cast<int32_t>(0x80004004u);     // E_ABORT
constexpr int32_t AviParseReadFailed = static_cast<int32_t>(0x8000FFFFu);  // E_UNEXPECTED

// Frame facts of the open file, kept by the PlaybackGraph beside AviFileInfo.
struct AviFrameFacts {
  uint32_t TotalFrames = 0;       // the video stream header's length, in frames
  uint32_t StreamLength = 0;      // the same; the dropped-frame arithmetic uses it
  int32_t DroppedFrameCount = 0;  // StreamLength minus the key-frame count; 0 unless
                                  // the file comes from the capture program
  uint32_t KeyFrameCount = 0;     // key frames found (StreamLength for other files)
  // TotalFrames + 8 entries; entry i is 1 when frame i (from 0) is a key frame.
  // Files not written by the capture program have entries 0 to TotalFrames set.
  // Held as the runs of 0 entries (key_frame_flags.h).
  KeyFrameFlagRuns KeyFrameFlags;
};

// Header values besides the texts. The caller stores the frame width and
// height into VideoWidth/DisplayWidth and VideoHeight/DisplayHeight.
struct AviHeaderFacts {
  uint32_t FrameWidth = 0;     // main header; both 0 when the header gives no picture size
  uint32_t FrameHeight = 0;    // main header
  uint32_t FormatWidth = 0;    // the video format's bitmap header; both 0 when it gives
  uint32_t FormatHeight = 0;   // no picture size
  uint32_t Rate = 0;           // first stream header
  uint32_t Scale = 0;          // first stream header
  uint32_t HandlerFourcc = 0;  // first stream header
  AviCodecFacts Codec;         // the video stream's handler, compression and bit count
};

// Index layout constants, set once by the PlaybackGraph's construction
// (SetAviIndexConstants): where the entry array starts inside a super index
// and inside a standard index, and the size-word bit of a delta frame.
struct AviIndexConstants {
  uint64_t SuperIndexEntryOffset = 32;
  uint64_t StandardIndexEntryOffset = 32;
  uint32_t DeltaFrameMask = 0x80000000u;
};
void SetAviIndexConstants(AviIndexConstants& constants);

// 1 when the last parse found the capture program's artist tag; cleared when
// a parse starts.
extern int FromCaptureProgram;

// Reads the header of the file behind source (read from offset 0). Results:
// AviParseSucceeded when the header passed and every fact is filled;
// AviParseRefused when the header is refused (WARNING message);
// AviParseReadFailed when a read or seek failed after the header passed, or a
// position, count or size in the file does not fit the file (SEVERE message).
// On failure info and facts stay as far as they were filled; info starts
// cleared. header is written only on success.
//
// Bounds on what the file says:
// - the stream length may not exceed the file size in bytes (every frame
//   takes at least one byte), or 2^24 frames when the size is unknown;
//   otherwise "SEVERE: unable to read from the opened file";
// - the super index fields must lie inside the header bytes read, else the
//   FOURCC message of a missing "indx";
// - super-index entries of fewer than 12 bytes, standard-index entries of
//   fewer than 8, and any entry array, chunk or chunk position reaching past
//   the end of the file give "SEVERE: cannot read from file created by ORVO
//   Video Capture"; a short read inside the index (the file shrank) as well;
// - index entries past the end of KeyFrameFlags (TotalFrames + 8 slots) are
//   neither written nor counted: the walk ends there.
// Index entries are read in blocks of at most 1 MiB, so memory stays at the
// runs of dropped frames the index lists and one block whatever it claims.
[[nodiscard]] int32_t ParseAviHeader(AviByteSource& source, const AviIndexConstants& constants, AviFileInfo& info,
                                     AviFrameFacts& facts, AviHeaderFacts& header);

// The largest picture side the player takes from a header or a connection.
constexpr uint32_t LargestPictureSide = 16384;
// Whether width x height is a picture the player can lay out: each side from
// 1 to LargestPictureSide.
constexpr bool IsPictureSize(uint32_t width, uint32_t height) {
  return width >= 1 && height >= 1 && width <= LargestPictureSide && height <= LargestPictureSide;
}
