// The video renderer and the small display interface the program draws
// through.
//
// On Windows the renderer is the Enhanced Video Renderer. Wine 8's EVR
// connects and then crashes in its streaming thread on bottom-up RGB32 rows,
// so under Wine (detected once through ntdll's wine_get_version) another
// renderer stands in:
//   - the VMR-9 in windowless mode plays, pauses and seeks, but Wine 8 presents
//     its Direct3D picture only into childless top-level windows: in the clip
//     window (a child window) nothing appears;
//   - the GDI Video Renderer, its window made a child of the clip window, is
//     drawn where it belongs. It is the one used under Wine.
// Whichever it is, the program only ever sets the window to draw into, turns
// aspect-ratio correction off, places the picture and asks for a repaint.
#pragma once

#include <windows.h>

#include <dshow.h>
#include <wrl/client.h>

#include <cstddef>
#include <memory>
#include <vector>

enum class RendererKind { Evr, Vmr9, VideoRenderer };

// true when the process runs under Wine.
bool RunningUnderWine();
// The renderer for this process: the Video Renderer under Wine, the EVR otherwise.
RendererKind ChooseRendererKind();

class VideoDisplay {
 public:
  virtual ~VideoDisplay() = default;
  // The window the picture is drawn into. The VMR-9 needs it before its input
  // pin connects; the Video Renderer's own window becomes its child.
  virtual HRESULT SetVideoWindow(HWND window) = 0;
  // The picture is stretched to the rectangle, without letter-boxing.
  virtual HRESULT SetAspectRatioModeNone() = 0;
  // The whole frame is drawn into destination (client coordinates).
  virtual HRESULT SetVideoPosition(const RECT& destination) = 0;
  // Draws the current picture again (the video window's WM_PAINT).
  virtual HRESULT RepaintVideo() = 0;
  // The picture the renderer holds, as it arrived (native size, no stretch):
  // a packed DIB (header, colours or masks, rows), checked by CheckedDib.
  virtual HRESULT GetCurrentImage(std::vector<BYTE>* dib) = 0;
};

// A packed DIB's rows: after its header and colour table or masks.
const BYTE* PackedDibBits(const BITMAPINFO* info);
// Bytes of a DIB's rows (each padded to 4 bytes).
size_t DibImageBytes(const BITMAPINFOHEADER& header);
// S_OK when dib holds a whole uncompressed DIB of 8 to 32 bits per pixel
// (header, colours and rows inside the buffer), else E_FAIL.
HRESULT CheckedDib(const std::vector<BYTE>& dib);

// The open sequence's three renderer steps:
//   creates the renderer filter;
HRESULT CreateRendererFilter(RendererKind kind, Microsoft::WRL::ComPtr<IBaseFilter>* filter);
//   finds the renderer's configuration interface (the EVR's IMFGetService, the
//   VMR-9's IVMRFilterConfig9, the Video Renderer's IVideoWindow);
HRESULT QueryRendererService(RendererKind kind, IBaseFilter* filter, Microsoft::WRL::ComPtr<IUnknown>* service);
//   gets the display control through it (the VMR-9 is switched to windowless
//   mode first).
HRESULT GetVideoDisplay(RendererKind kind, IUnknown* service, std::unique_ptr<VideoDisplay>* display);
