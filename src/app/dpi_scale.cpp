#include "app/dpi_scale.h"

#include "app/layout_math.h"

UINT FontsDpi = 96;

namespace {

// The scaled copies of the program's fonts: a few DPIs at most, as many as
// monitors of different scale the windows have been on.
struct ScaledFont {
  HFONT Base;
  UINT Dpi;
  HFONT Font;
};
constexpr int MaxScaledFonts = 40;
ScaledFont ScaledFonts[MaxScaledFonts] = {};
int ScaledFontCount = 0;

// The font a scaled copy was made from, or font itself.
HFONT BaseOf(HFONT font) {
  for (int i = 0; i < ScaledFontCount; ++i) {
    if (ScaledFonts[i].Font == font) return ScaledFonts[i].Base;
  }
  return font;
}

// The DPI each top-level window's children were laid out for.
struct ChromeDpi {
  HWND Window;
  UINT Dpi;
};
constexpr int MaxChromeWindows = 16;
ChromeDpi ChromeDpis[MaxChromeWindows] = {};
int ChromeDpiCount = 0;

ChromeDpi* ChromeDpiOf(HWND window) {
  for (int i = 0; i < ChromeDpiCount; ++i) {
    if (ChromeDpis[i].Window == window) return &ChromeDpis[i];
  }
  if (ChromeDpiCount == MaxChromeWindows) return nullptr;
  ChromeDpis[ChromeDpiCount] = {window, 0};
  return &ChromeDpis[ChromeDpiCount++];
}

struct DpiChange {
  HWND Window;
  UINT From, To;
};

BOOL CALLBACK RescaleChild(HWND child, LPARAM lParam) {
  const DpiChange* change = reinterpret_cast<const DpiChange*>(lParam);
  HWND parent = change->Window;
  if (GetAncestor(child, GA_PARENT) != parent) return TRUE;  // a grandchild moves with its parent
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  const auto scale = [change](LONG v) { return MulDiv(v, static_cast<int>(change->To), static_cast<int>(change->From)); };
  SetWindowPos(child, nullptr, scale(r.left), scale(r.top), scale(r.right - r.left), scale(r.bottom - r.top),
               SWP_NOZORDER | SWP_NOACTIVATE);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
  if (font != nullptr) {
    HFONT next = FontForDpi(BaseOf(font), change->To);
    if (next != nullptr && next != font) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(next), TRUE);
  }
  return TRUE;
}

}  // namespace

UINT WindowDpi(HWND window) {
  const UINT dpi = window != nullptr ? GetDpiForWindow(window) : 0;
  return dpi != 0 ? dpi : 96;
}

int32_t Scaled(HWND window, int32_t length96) { return ScaleForDpi(length96, WindowDpi(window)); }

HFONT FontForDpi(HFONT font, UINT dpi) {
  if (font == nullptr || dpi == FontsDpi) return font;
  for (int i = 0; i < ScaledFontCount; ++i) {
    if (ScaledFonts[i].Base == font && ScaledFonts[i].Dpi == dpi) return ScaledFonts[i].Font;
  }
  LOGFONTW face = {};
  if (ScaledFontCount == MaxScaledFonts || GetObjectW(font, sizeof face, &face) == 0) return font;
  face.lfHeight = MulDiv(face.lfHeight, static_cast<int>(dpi), static_cast<int>(FontsDpi));
  HFONT scaled = CreateFontIndirectW(&face);
  if (scaled == nullptr) return font;
  ScaledFonts[ScaledFontCount++] = {font, dpi, scaled};
  return scaled;
}

void RememberChromeDpi(HWND window) {
  ChromeDpi* chrome = ChromeDpiOf(window);
  if (chrome != nullptr) chrome->Dpi = WindowDpi(window);
}

void OnDpiChanged(HWND window, WPARAM wParam, const RECT* suggested) {
  const UINT to = LOWORD(wParam);
  ChromeDpi* chrome = ChromeDpiOf(window);
  const UINT from = chrome != nullptr ? chrome->Dpi : 0;
  SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (from != 0 && from != to) {
    DpiChange change = {window, from, to};
    EnumChildWindows(window, RescaleChild, reinterpret_cast<LPARAM>(&change));
  }
  if (chrome != nullptr) chrome->Dpi = to;
  InvalidateRect(window, nullptr, TRUE);
}
