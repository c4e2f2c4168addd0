// The main window: its procedure, menus and commands.
#pragma once

#include <windows.h>

#include <cstdint>

#include "graph/transport.h"

// Shared buffer in which a message is composed before it is posted.
constexpr size_t MessageTextUnits = 1024;
extern wchar_t MessageText[MessageTextUnits];

// Process-wide flags of the main window.
extern int OpeningFile;
extern int DroppedFramesControlOn;
extern int ClipHidden;
extern TransportCommand PlaybackState;  // the playback controls' state code

// Menu command identifiers; fixed by AssignCommandIds at start-up.
extern uint32_t SetWindowPositionsId;    // 32793
extern uint32_t DroppedFramesControlId;  // 32794
extern uint32_t OpenId;                  // 32795
extern uint32_t CloseId;                 // 32796
extern uint32_t InformationId;           // 32797
extern uint32_t ExitId;                  // 32798
extern uint32_t BrightnessContrastId;    // 32799
extern uint32_t MagnifyId;               // 32800
extern uint32_t AboutId;                 // 32801
extern uint32_t SaveMessagesId;          // 32802
extern uint32_t SaveMessagesAndClearId;  // 32803
// Commands beyond the original menus, with fixed identifiers above them.
constexpr uint32_t GoToFrameId = 32804;             // File > Go to Frame...
constexpr uint32_t SaveFrameAsId = 32805;           // File > Save Frame As...
constexpr uint32_t DroppedFramesListId = 32806;     // Display > Dropped Frames List...
constexpr uint32_t MessagesCopyId = 32807;          // User Messages' context menu: Copy
constexpr uint32_t MessagesSelectAllId = 32808;     // User Messages' context menu: Select All
constexpr uint32_t PlaybackSpeedFirstId = 32820;    // Display > Playback Speed: 0.25x .. 4x, 32820-32824
constexpr uint32_t CopyFrameId = 32825;             // Display > Copy Frame
constexpr uint32_t RecentRecordingFirstId = 32830;  // File menu: recent recordings &1 .. &8, 32830-32837

void AssignCommandIds();
void BuildMenus();

// File > Open: the dialog, the open and the switch to the file-open state.
// 0 when a file was opened, else the open's failure code.
[[nodiscard]] HRESULT OpenFileFromMenu();

// Opens path as File > Open opens the file chosen in its dialog, with the same
// messages; nothing happens while an open is already under way.
void OpenGivenFile(const wchar_t* path);

// An open shows its first frame, then finishes the rest a moment later: the
// dropped-frame runs (list, slider ticks, menu item), the "is open for
// playback" report, the recent recordings and the room for the Dropped Frames
// Control. Any input or command, and the close, runs it first if it is still
// waiting; otherwise it does nothing. OpenFinishWaiting says whether it is.
bool OpenFinishWaiting();
void FinishOpeningFile();

// Tears the open file down and returns the interface to the no-file state.
void CloseFileAndReset();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
