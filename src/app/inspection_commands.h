// The commands for looking into a recording beyond playing it: the playback
// speed (Display > Playback Speed, the "[" and "]" keys) and the recent
// recordings at the foot of the File menu.
#pragma once

#include <windows.h>

// Display > Playback Speed: a submenu of radio items 0.25x .. 4x, 1x chosen.
void AppendPlaybackSpeedMenu(HMENU displayMenu);

// The speed item id chosen (PlaybackSpeedFirstId + index into
// PlaybackSpeeds). Sets the graph's rate; a rate the graph refuses is
// reported and the speed goes back to 1x. The frame line names the speed
// while it is not 1x. Nothing happens with no file open or while playing
// (the Display menu is greyed then).
void ChoosePlaybackSpeed(UINT id);

// The "[" (-1) and "]" (+1) keys: the next slower or faster speed, while the
// Display menu is enabled.
void StepPlaybackSpeed(int direction);

// 1x again, for the next file (the closed file's graph is gone).
void ResetPlaybackSpeed();

// The recent recordings above File > Exit, with a separator below them; none
// and no separator while the list is empty.
void RebuildRecentMenu();

// A file has been opened: it heads the recent list, and the options file is
// written when the list changed (a failed write is reported).
void NoteRecordingOpened(const wchar_t* path);

// The recent entry id chosen: opens it as File > Open does; a recording that
// is no longer there is said so and leaves the list.
void OpenRecentRecording(UINT id);
