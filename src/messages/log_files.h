// Saving the User Messages window's text to log files, on the user's command
// only: File > "Save Messages" and File > "Save Messages and Clear" of the
// User Messages window. Each save writes a new file under "LogFiles" in the
// working directory, named by the UTC date and time of the save.
#pragma once

#include <cstddef>

// Relative path of the latest save's file, "LogFiles\\log_..." (with "_2",
// "_3", ... before ".txt" when an earlier save of the same second has the
// plain name); empty when the "LogFiles" directory could not be made.
constexpr std::size_t LogFileNameUnits = 512;
extern wchar_t LogFileName[LogFileNameUnits];

// Builds the log file name for a save from the local time and UtcBiasMinutes,
// creating the "LogFiles" directory when there is none.
void MakeLogFileName();

// The two save commands. Writes the window text to a new log file and posts a
// confirmation naming it; with clearAfter non-zero the window is emptied
// first, so that it then holds only the confirmation. A save that fails posts
// a WARNING naming the file and the reason instead, and clears nothing.
void SaveMessages(int clearAfter);

// Test seam: makes one step of the next saves fail as the system would.
enum class LogSaveStep { None, MakeDirectory, OpenFile, WriteText };
extern LogSaveStep ForcedLogFailure;
