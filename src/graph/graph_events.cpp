// The hidden "Graph Events" window: the filter graph posts GraphEventMessage
// to it whenever events wait in its queue.
#include "graph/playback_graph.h"

LRESULT CALLBACK GraphEventsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != GraphEventMessage) return DefWindowProcW(window, message, wParam, lParam);
  if (TheGraph == nullptr || TheGraph->MediaEvents == nullptr) return E_UNEXPECTED;
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (TheGraph->MediaEvents != nullptr && SUCCEEDED(TheGraph->MediaEvents->GetEvent(&code, &first, &second, 0))) {
    TheGraph->MediaEvents->FreeEventParams(code, first, second);
  }
  return 1;
}
