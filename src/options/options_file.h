// Reading and writing the options file "ORVO_options_playback.xml" in the
// working directory through the MSXML 6 DOM.
//
// COM must be initialised on the calling thread (the program's window
// thread is a single-threaded apartment). None of these functions reports to the user: the
// callers post the messages.
#pragma once

#include "options/recent_recordings.h"
#include "options/window_positions.h"

// Loads the options file and stores the value of every recognised element
// into *positions (fields the file does not name keep their values) and,
// when recent is not null, the file's recent recordings after those already
// in *recent.
// Returns 1 when the file was loaded and walked, also when no element
// matched; 0 when positions is null, the XML engine is missing or the file is
// missing, unreadable or malformed (positions is then untouched).
[[nodiscard]] int ReadOptionsFile(WindowPositionRecord* positions, RecentRecordingList* recent = nullptr);

// Builds the options document from WindowPositions and RecentRecordings (their
// paths as character references beyond ASCII) and writes it through
// WriteOptionsText. Returns 1 when the file was written, 0 when any step
// failed (the old file then stays unless the failure came while writing).
[[nodiscard]] int WriteOptionsFile();

// Writes the serialised options document (UTF-16) as the options file in the
// working directory: converted to the ANSI code page, the declaration and the
// comment on lines of their own, every line ending in CR LF. Returns 1 when
// the file was written completely, 0 otherwise: a working directory or text
// that the ANSI code page cannot represent, a working directory too long for
// the path buffers, a text without two '>' in its first OptionsTextBytes bytes, a file
// that cannot be opened, or a failed write.
[[nodiscard]] int WriteOptionsText(const wchar_t* xmlText);
