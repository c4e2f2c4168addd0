// The User Messages window: the one place where the program tells the user
// anything. Text is only ever appended; messages raised before the window
// exists are queued and shown in one batch at the end of start-up.
#pragma once

#include <windows.h>

struct AppContext;

// Capacity of the composition buffer in which every post is built, and of
// each queued copy, in UTF-16 units with the terminator.
constexpr size_t MessageCompositionUnits = 512;
constexpr size_t PendingMessageUnits = 4096;

// Appends "\r\n", the UTC time line when withTimeStamp is non-zero, and text
// (null allowed) to the edit control, then scrolls it by the lines added.
void PostUserMessage(const wchar_t* text, int withTimeStamp);

// Keeps a copy of text (null allowed) until FlushPendingMessages.
void QueuePendingMessage(const wchar_t* text);

// The routing rule: posted when MessagesReady is 1, queued otherwise.
void RouteUserMessage(const wchar_t* text, int withTimeStamp);

// Appends the queued messages in order, the first one stamped.
void FlushPendingMessages();

// Creates and styles the rich edit control inside MessagesWindow.
// S_OK or E_ABORT.
HRESULT CreateMessagesEdit(AppContext* app);

LRESULT CALLBACK MessagesWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
