// Recordings handed to the program from outside: a path on the command line
// ("Open with", a file association) and files dropped on the main window.
// Both open as File > Open does, with its messages. A path that is not an AVI
// file, or more than one file at once, is refused with a message and the open
// file stays as it was.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

// Opens path when its name is that of an AVI file; otherwise a WARNING.
void OpenFileFromOutside(const wchar_t* path);

// WM_DROPFILES of the main window: one dropped file is opened, more are
// refused. Releases drop.
void OpenDroppedFiles(HDROP drop);

// The program's command line (as GetCommandLineW gives it: the program first,
// paths with blanks in double quotes): the one path after the program is
// opened; none changes nothing; more are refused.
void OpenFromCommandLine(const wchar_t* commandLine);

// Handed a recording ("Open with", a file association), the program may be
// started in a folder the shell chose, often the recording's own, where its
// icons and options file are not. When the working folder has no
// OrvoVideoIcons folder and the command line names one file, the program's
// own folder becomes the working folder, as a double-click on the program
// gives; the result is the command line to open from, its path made whole
// first so that it still names the same file. Otherwise commandLine as it is.
std::wstring StartInProgramFolder(const wchar_t* commandLine);
