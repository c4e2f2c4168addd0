// The screen positions of the program's five top-level windows, as kept in the
// options file "ORVO_options_playback.xml" from one run to the next.
//
// Platform-neutral: no <windows.h>. Texts are UTF-16 (char16_t); on Windows a
// wchar_t string can be passed with a reinterpret_cast.
#pragma once

#include <cstddef>
#include <cstdint>

// Twelve signed screen coordinates in pixels. Only the User Messages window
// keeps its size; the other windows size themselves.
struct WindowPositionRecord {
  int32_t MainX, MainY;
  int32_t MessagesX, MessagesY;
  int32_t MessagesWidth, MessagesHeight;
  int32_t PlaybackX, PlaybackY;
  int32_t BrightnessContrastX, BrightnessContrastY;
  int32_t MagnifyX, MagnifyY;
};

// Built-in positions, copied into WindowPositions at every start before the
// options file is read over them.
inline constexpr WindowPositionRecord DefaultWindowPositions{
    50,  50,             // main window
    100, 150, 636, 500,  // User Messages window: position and size
    150, 550,            // playback controls
    200, 200,            // brightness/contrast
    250, 250,            // magnify
};

// The one record of the process: filled at start-up, updated when the user
// asks for the current positions to be kept, written to the options file.
extern WindowPositionRecord WindowPositions;

// One element of the options file: its name and the record fields its "Value"
// attribute holds, in the order they are written ("X, Y" or
// "X, Y, Width, Height").
struct WindowPositionElement {
  const char16_t* Name;
  int FieldCount;
  int32_t WindowPositionRecord::*Fields[4];
};

inline constexpr int WindowPositionElementCount = 5;

// The elements in the order the options file lists them.
inline constexpr WindowPositionElement WindowPositionElements[WindowPositionElementCount] = {
    {u"MainWindowPosition", 2, {&WindowPositionRecord::MainX, &WindowPositionRecord::MainY, nullptr, nullptr}},
    {u"MessageWindowPosition",
     4,
     {&WindowPositionRecord::MessagesX, &WindowPositionRecord::MessagesY, &WindowPositionRecord::MessagesWidth,
      &WindowPositionRecord::MessagesHeight}},
    {u"PlaybackControlsWindowPosition",
     2,
     {&WindowPositionRecord::PlaybackX, &WindowPositionRecord::PlaybackY, nullptr, nullptr}},
    {u"BrightnessContrastWindowPosition",
     2,
     {&WindowPositionRecord::BrightnessContrastX, &WindowPositionRecord::BrightnessContrastY, nullptr, nullptr}},
    {u"MagnifyWindowPosition", 2, {&WindowPositionRecord::MagnifyX, &WindowPositionRecord::MagnifyY, nullptr, nullptr}},
};

// Stores the numbers of one options-file element into record.
//
// name is compared exactly (letter case included) with the five element
// names; any other name, or a null argument, changes nothing. value is read
// like "%ld, %ld" (or "%ld, %ld, %ld, %ld" for "MessageWindowPosition"):
// each number may have leading white space and a sign, the comma must follow
// the number directly, and any amount of white space (none included) may
// follow the comma. Reading stops at the first character that does not fit;
// the fields read so far keep their new values, the others are left as they
// were. A number beyond the signed 32-bit range is clamped to INT32_MIN or
// INT32_MAX (the program never writes one; a hand-edited file may hold one).
void ParseWindowPosition(const char16_t* name, WindowPositionRecord* record, const char16_t* value);

// Formats the element's fields of record as the element's "Value" text,
// "X, Y" or "X, Y, Width, Height" in signed decimal without padding, into
// buffer (capacity in units, terminator included). Returns false, with the
// buffer holding as much as fitted, when the text did not fit.
bool FormatWindowPositionValue(const WindowPositionElement& element, const WindowPositionRecord& record,
                               char16_t* buffer, std::size_t capacity);
