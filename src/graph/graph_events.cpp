// The hidden "Graph Events" window: the filter graph posts GraphEventMessage
// to it whenever events wait in its queue. The one event acted on is the end
// of the stream while playing: the video is parked on the end position with
// the controls in their end state, as the End of File button does.
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"

namespace {

// The stream has played to its end. Wine's graph holds on to the end of the
// stream until it is stopped: paused again and seeked, it goes on reporting
// the end position, and Start would end at once. Stopping it first lets
// every later seek count.
void LeaveEndOfStream() {
  StopGraph(*TheGraph);
  GoToEndOfFile();
}

// Takes every waiting event off the queue, freeing what each one carries.
void DrainEvents() {
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (TheGraph->MediaEvents != nullptr && SUCCEEDED(TheGraph->MediaEvents->GetEvent(&code, &first, &second, 0))) {
    TheGraph->MediaEvents->FreeEventParams(code, first, second);
    if (code == EC_COMPLETE && LastTransportCommand == TransportRun) LeaveEndOfStream();
  }
}

}  // namespace

LRESULT CALLBACK GraphEventsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != GraphEventMessage) return DefWindowProcW(window, message, wParam, lParam);
  if (TheGraph == nullptr || TheGraph->MediaEvents == nullptr) return E_UNEXPECTED;
  DrainEvents();
  return 1;
}
