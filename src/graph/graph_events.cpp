// The hidden "Graph Events" window: the filter graph posts GraphEventMessage
// to it whenever events wait in its queue. The one event acted on is the end
// of the stream while playing: the video is parked on the end position with
// the controls in their end state, as the End of File button does.
#include "app/main_window.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"

namespace {

// Takes every waiting event off the queue, freeing what each one carries.
void DrainEvents() {
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (TheGraph->MediaEvents != nullptr && SUCCEEDED(TheGraph->MediaEvents->GetEvent(&code, &first, &second, 0))) {
    TheGraph->MediaEvents->FreeEventParams(code, first, second);
    if (code == EC_COMPLETE && LastTransportCommand == TransportRun) {
      // The graph is stopped before it is parked on the end: a graph that
      // keeps its completion reports the end as its position whatever is
      // sought afterwards (Wine's does, until the next stop or run), so
      // Beginning of File would show the start in the frame line while the
      // picture and the next step stayed at the end.
      if (TheGraph->MediaControl != nullptr && SUCCEEDED(TheGraph->MediaControl->Stop())) {
        GraphRunState = GraphRun::Stopped;
      }
      GoToEndOfFile();
    }
  }
}

}  // namespace

LRESULT CALLBACK GraphEventsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != GraphEventMessage) return DefWindowProcW(window, message, wParam, lParam);
  if (TheGraph == nullptr || TheGraph->MediaEvents == nullptr) return E_UNEXPECTED;
  DrainEvents();
  return 1;
}
