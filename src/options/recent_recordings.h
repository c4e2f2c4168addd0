// The recordings opened last, most recent first, as the File menu lists them
// and the options file keeps them: one "RecentRecording" element for each,
// after the window elements, its path in the "Value" attribute. A reader that
// knows only the window elements passes over them (their name is none of the
// window elements' names), so older and newer versions of the program read
// each other's files.
//
// Platform-neutral: no <windows.h>. Texts are UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int RecentRecordingsMost = 8;
// A recording's path, terminator included (the open file's path limit).
inline constexpr std::size_t RecentPathUnits = 256;
inline constexpr char16_t RecentRecordingElementName[] = u"RecentRecording";

struct RecentRecordingList {
  char16_t Paths[RecentRecordingsMost][RecentPathUnits];
  int Count;
};

// The process's list: read at start-up with the window positions, changed by
// every open and by an entry whose recording is gone.
extern RecentRecordingList RecentRecordings;

// Puts path at the head of the list, taking it out further down where it was
// already (paths that differ only in ASCII letter case are the same file);
// the oldest entry falls off a full list. An empty path or one too long for
// RecentPathUnits changes nothing. True when the list changed.
bool AddRecentRecording(RecentRecordingList* list, const char16_t* path);

// Takes entry index out, closing the gap. False when there is no such entry.
bool RemoveRecentRecording(RecentRecordingList* list, int index);

// One element of the options file: a "RecentRecording" element's value joins
// the end of the list (as long as there is room and the path is usable and
// not listed yet); any other name changes nothing.
void ReadRecentRecordingElement(const char16_t* name, const char16_t* value, RecentRecordingList* list);

// The File menu text of entry index: "&<index + 1> " and the path, every '&'
// of the path doubled so that the menu shows it. False when it did not fit
// (the text is then cut).
bool FormatRecentMenuText(const RecentRecordingList& list, int index, char16_t* buffer, std::size_t capacity);
