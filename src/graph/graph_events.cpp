// The hidden "Graph Events" window: the filter graph posts GraphEventMessage
// to it whenever events wait in its queue. Two kinds of event are acted on:
// the end of the stream while playing parks the video on the end position
// with the controls in their end state, as the End of File button does; and
// playback stopped by an error (a decoder or the source failing mid-stream)
// pauses on the current frame with the controls paused, and says why.
#include <cwchar>

#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "messages/user_messages.h"

namespace {

// The stream has played to its end. Wine's graph holds on to the end of the
// stream until it is stopped: paused again and seeked, it goes on reporting
// the end position, and Start would end at once. Stopping it first lets
// every later seek count.
void LeaveEndOfStream() {
  StopGraph(*TheGraph);
  GoToEndOfFile();
}

// Events that end playback with an error. EC_ERRORABORTEX (0x45) is not in
// every SDK's headers.
constexpr long ErrorAbortEx = 0x45;

bool IsPlaybackAbort(long code) { return code == EC_ERRORABORT || code == ErrorAbortEx || code == EC_USERABORT; }

// Playback stopped by an error: the tick stops and the video pauses where
// it is, so that the controls show what the graph does.
void LeavePlaybackAbort(long code, LONG_PTR first) {
  wchar_t text[160];
  if (code == EC_USERABORT) {
    swprintf_s(text, 160, L"SEVERE: playback stopped: the video window was closed (event 0x%lX); the video is paused "
                        L"on the current frame\r\n", static_cast<unsigned long>(code));
  } else {
    swprintf_s(text, 160, L"SEVERE: playback stopped by an error while decoding or reading the file (event 0x%lX, "
                        L"error 0x%08lX); the video is paused on the current frame\r\n",
             static_cast<unsigned long>(code), static_cast<unsigned long>(static_cast<uint32_t>(first)));
  }
  RouteUserMessage(text, 1);
  PauseOnCurrentFrame();
}

// Takes every waiting event off the queue, freeing what each one carries.
void DrainEvents() {
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (TheGraph->MediaEvents != nullptr && SUCCEEDED(TheGraph->MediaEvents->GetEvent(&code, &first, &second, 0))) {
    TheGraph->MediaEvents->FreeEventParams(code, first, second);
    if (code == EC_COMPLETE && LastTransportCommand == TransportRun) LeaveEndOfStream();
    // (first is the failure's HRESULT, a number, still good after the free.)
    if (IsPlaybackAbort(code) && OpenFrameCount != 0) LeavePlaybackAbort(code, first);
  }
}

}  // namespace

LRESULT CALLBACK GraphEventsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != GraphEventMessage) return DefWindowProcW(window, message, wParam, lParam);
  if (TheGraph == nullptr || TheGraph->MediaEvents == nullptr) return E_UNEXPECTED;
  DrainEvents();
  return 1;
}
