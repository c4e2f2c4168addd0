#include "controls/brightness_contrast_window.h"

#include <commctrl.h>

#include "app/app_context.h"
#include "app/dpi_scale.h"
#include "app/layout.h"
#include "app/main_window.h"
#include "base/window_class.h"
#include "controls/brightness_contrast_values.h"
#include "controls/playback_controls.h"
#include "graph/color_control.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "messages/user_messages.h"
#include "options/window_positions.h"

namespace {

const wchar_t WindowClassName[] = L"BrightnessContrast";

struct ControlPlace {
  int x, y, width, height;
};
constexpr ControlPlace BrightnessSliderPlace = {20, 30, 250, 40};
constexpr ControlPlace BrightnessLabelPlace = {20, 70, 250, 30};
constexpr ControlPlace ContrastSliderPlace = {20, 150, 250, 40};
constexpr ControlPlace ContrastLabelPlace = {20, 190, 250, 30};

void Report(const wchar_t* text) { RouteUserMessage(text, 1); }

HWND CreateSlider(AppContext* app, const ControlPlace& place, int id) {
  HWND parent = app->BrightnessContrastWindow;
  return CreateWindowExW(WS_EX_CLIENTEDGE, TRACKBAR_CLASSW, L"", WS_CHILD | TBS_HORZ | TBS_BOTTOM,
                         Scaled(parent, place.x), Scaled(parent, place.y), Scaled(parent, place.width),
                         Scaled(parent, place.height), parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), app->Instance, nullptr);
}

// Range 0..100, ticks at the quarters, page size 1, the thumb in the middle.
void SetUpSlider(HWND slider) {
  SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(ColorSliderMinimum, ColorSliderMaximum));
  for (LPARAM tick : {25, 50, 75}) SendMessageW(slider, TBM_SETTIC, 0, tick);
  SendMessageW(slider, TBM_SETPAGESIZE, 0, 1);
  SendMessageW(slider, TBM_SETPOS, TRUE, ColorSliderNeutral);
  ShowWindow(slider, SW_SHOW);
  UpdateWindow(slider);
}

bool CreateLabel(AppContext* app, const ControlPlace& place, const char16_t* text) {
  HWND parent = app->BrightnessContrastWindow;
  HWND label = CreateWindowExW(0, L"STATIC", reinterpret_cast<const wchar_t*>(text), WS_CHILD | SS_CENTER | SS_SUNKEN,
                               Scaled(parent, place.x), Scaled(parent, place.y), Scaled(parent, place.width),
                               Scaled(parent, place.height), parent, nullptr, app->Instance, nullptr);
  if (label == nullptr) return false;
  HFONT font = FontForDpi(FontConsolas18, WindowDpi(parent));
  if (font != nullptr) SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ShowWindow(label, SW_SHOW);
  return true;
}

void SwitchOn(AppContext* app) {
  const bool wasPlaying = PlaybackState == TransportRun;
  if (InsertColorControl() == 0) {
    app->Shared->BrightnessContrastOn = 0;
    Report(L"Brightness/contrast cannot start; the avi file must be reopened\r\n");
    CloseFileAndReset();
    return;
  }
  // The splice stopped the video and left it paused on the current frame:
  // the controls follow.
  if (wasPlaying) PauseOnCurrentFrame();
  CheckMenuItem(app->DisplayMenu, BrightnessContrastId, MF_BYCOMMAND | MF_CHECKED);
  if (app->BrightnessContrastWindow != nullptr) {
    ShowWindow(app->BrightnessContrastWindow, SW_SHOW);
    UpdateWindow(app->BrightnessContrastWindow);
    BringWindowToTop(app->BrightnessContrastWindow);
  }
}

void SwitchOff() {
  RemoveColorControl();
  PauseOnCurrentFrame();
  ResetBrightnessContrast();
}

LRESULT OnSliderScroll(WPARAM wParam, LPARAM lParam) {
  const SliderNotice notice = ClassifySliderNotice(LOWORD(wParam));
  if (notice == SliderNotice::Ignore) return 1;
  const ColorSlider slider = ColorSliderForId(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
  if (slider == ColorSlider::None) return notice == SliderNotice::UseThumb ? 0 : 1;
  int value = HIWORD(wParam);
  if (notice == SliderNotice::UsePosition) {
    HWND control = slider == ColorSlider::Brightness ? TheApp->BrightnessSlider : TheApp->ContrastSlider;
    value = static_cast<int>(SendMessageW(control, TBM_GETPOS, 0, 0));
  }
  if (slider == ColorSlider::Brightness) {
    SetBrightnessContrast(value, -1);
  } else {
    SetBrightnessContrast(-1, value);
  }
  return 0;
}

LRESULT OnClose() {
  SwitchOff();
  return 1;  // hidden, never destroyed
}

void OnMove(HWND window) {
  if (InClamp != 0) return;
  RECT r;
  GetWindowRect(window, &r);
  ClampToWorkArea(window, r.left, r.top, r.right, r.bottom);
}

LRESULT OnLabelColours(HDC dc) {
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(0xC0, 0xC0, 0xC0));
  return reinterpret_cast<LRESULT>(StaticBackgroundBrush);
}

}  // namespace

int CreateBrightnessContrastWindow(AppContext* app) {
  RegisterWindowClass(WindowClassName, BrightnessContrastProc, app->Instance, LTGRAY_BRUSH);
  app->BrightnessContrastWindow =
      CreateWindowExW(0, WindowClassName, L"Brightness and Contrast", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                      WindowPositions.BrightnessContrastX, WindowPositions.BrightnessContrastY, 310, 270, nullptr,
                      nullptr, app->Instance, nullptr);
  if (app->BrightnessContrastWindow == nullptr) return 0;
  SetWindowPos(app->BrightnessContrastWindow, nullptr, 0, 0, Scaled(app->BrightnessContrastWindow, 310),
               Scaled(app->BrightnessContrastWindow, 270), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CreateBrightnessContrastControls(app);
  RememberChromeDpi(app->BrightnessContrastWindow);
  ShowWindow(app->BrightnessContrastWindow, SW_HIDE);
  return 1;
}

void CreateBrightnessContrastControls(AppContext* app) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  app->BrightnessSlider = CreateSlider(app, BrightnessSliderPlace, BrightnessSliderId);
  if (app->BrightnessSlider == nullptr) {
    Report(L"WARNING: cannot create child brightness slider window\r\n");
    return;
  }
  app->ContrastSlider = CreateSlider(app, ContrastSliderPlace, ContrastSliderId);
  if (app->ContrastSlider == nullptr) {
    Report(L"WARNING: cannot create child contrast slider window\r\n");
    return;
  }
  SetUpSlider(app->BrightnessSlider);
  SetUpSlider(app->ContrastSlider);
  if (!CreateLabel(app, BrightnessLabelPlace, BrightnessLabelText)) {
    Report(L"WARNING: cannot create parent brightness slider window\r\n");
    return;
  }
  if (!CreateLabel(app, ContrastLabelPlace, ContrastLabelText)) {
    Report(L"WARNING: cannot create parent contrast slider window\r\n");
  }
}

void ToggleBrightnessContrast() {
  AppContext* app = TheApp;
  app->Shared->BrightnessContrastOn = app->Shared->BrightnessContrastOn == 1 ? 0 : 1;
  if (app->Shared->BrightnessContrastOn == 1) {
    SwitchOn(app);
  } else {
    SwitchOff();
  }
}

void ResetBrightnessContrast() {
  AppContext* app = TheApp;
  app->Shared->BrightnessContrastOn = 0;
  if (app->DisplayMenu != nullptr) {
    CheckMenuItem(app->DisplayMenu, BrightnessContrastId, MF_BYCOMMAND | MF_UNCHECKED);
  }
  if (app->BrightnessSlider != nullptr) SendMessageW(app->BrightnessSlider, TBM_SETPOS, TRUE, ColorSliderNeutral);
  if (app->ContrastSlider != nullptr) SendMessageW(app->ContrastSlider, TBM_SETPOS, TRUE, ColorSliderNeutral);
  ResetColorSettings();
  if (app->BrightnessContrastWindow != nullptr) {
    ShowWindow(app->BrightnessContrastWindow, SW_HIDE);
    UpdateWindow(app->BrightnessContrastWindow);
  }
}

LRESULT CALLBACK BrightnessContrastProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HSCROLL:
      return OnSliderScroll(wParam, lParam);
    case WM_CLOSE:
      return OnClose();
    case WM_MOVE:
      OnMove(window);
      return 0;
    case WM_CTLCOLORSTATIC:
      return OnLabelColours(reinterpret_cast<HDC>(wParam));
    case WM_DPICHANGED:
      OnDpiChanged(window, wParam, reinterpret_cast<const RECT*>(lParam));
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
