#include "graph/video_display.h"

#include <d3d9.h>
#include <evr.h>
#include <mfidl.h>
#include <vmr9.h>

#include <new>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

// {FA10746C-9B63-4B6C-BC49-FC300EA5F256}
const CLSID EnhancedVideoRendererClsid = {0xfa10746c, 0x9b63, 0x4b6c, {0xbc, 0x49, 0xfc, 0x30, 0x0e, 0xa5, 0xf2, 0x56}};
// {51B4ABF3-748F-4E3B-A276-C828330E926A}
const CLSID VideoMixingRenderer9Clsid = {0x51b4abf3, 0x748f, 0x4e3b, {0xa2, 0x76, 0xc8, 0x28, 0x33, 0x0e, 0x92, 0x6a}};
// MR_VIDEO_RENDER_SERVICE {1092A86C-AB1A-459A-A336-831FBC4D11FF}
const GUID VideoRenderService = {0x1092a86c, 0xab1a, 0x459a, {0xa3, 0x36, 0x83, 0x1f, 0xbc, 0x4d, 0x11, 0xff}};

// The Video Renderer draws with GDI into a window of its own, which is made a
// child of the video window; it always stretches the whole frame to that
// window. Wine's draws only when a sample arrives, so a new rectangle or a
// repaint request draws its current picture again from its copy.
class VideoRendererDisplay final : public VideoDisplay {
 public:
  VideoRendererDisplay(ComPtr<IVideoWindow> window, ComPtr<IBasicVideo> video)
      : Window(std::move(window)), Video(std::move(video)) {}
  ~VideoRendererDisplay() override {
    if (Owner != nullptr) {  // hand the window back before the renderer goes
      Window->put_Visible(OAFALSE);
      Window->put_Owner(0);
    }
  }
  HRESULT SetVideoWindow(HWND window) override {
    HRESULT hr = Window->put_Owner(reinterpret_cast<OAHWND>(window));
    if (SUCCEEDED(hr)) {
      Owner = window;
      hr = Window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
    }
    if (SUCCEEDED(hr)) hr = Window->put_MessageDrain(reinterpret_cast<OAHWND>(window));
    return hr;
  }
  HRESULT SetAspectRatioModeNone() override { return S_OK; }
  HRESULT SetVideoPosition(const RECT& destination) override {
    const long width = destination.right - destination.left;
    const long height = destination.bottom - destination.top;
    HRESULT hr = Video->SetDefaultSourcePosition();
    if (SUCCEEDED(hr)) hr = Window->SetWindowPosition(destination.left, destination.top, width, height);
    // An empty rectangle shows nothing; the renderer would refuse it as a destination.
    if (SUCCEEDED(hr) && width > 0 && height > 0) hr = Video->SetDestinationPosition(0, 0, width, height);
    if (SUCCEEDED(hr)) RepaintVideo();  // nothing to draw before the first sample: not a failure
    return hr;
  }
  HRESULT RepaintVideo() override {
    // The renderer's window is the video window's only child.
    HWND videoWindow = Owner != nullptr ? GetWindow(Owner, GW_CHILD) : nullptr;
    std::vector<BYTE> image;
    if (videoWindow == nullptr) return E_FAIL;
    HRESULT hr = GetCurrentImage(&image);
    if (FAILED(hr)) return hr;
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(image.data());
    const BITMAPINFOHEADER& header = info->bmiHeader;
    RECT client;
    GetClientRect(videoWindow, &client);
    HDC dc = GetDC(videoWindow);
    if (dc == nullptr) return E_FAIL;
    SetStretchBltMode(dc, COLORONCOLOR);
    const int drawn = StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, header.biWidth,
                                    header.biHeight < 0 ? -header.biHeight : header.biHeight, PackedDibBits(info), info,
                                    DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(videoWindow, dc);
    return drawn != 0 ? S_OK : E_FAIL;
  }
  HRESULT GetCurrentImage(std::vector<BYTE>* dib) override {
    long width = 0, height = 0;
    if (FAILED(Video->GetVideoSize(&width, &height)) || width <= 0 || height <= 0) return E_FAIL;
    // Room for the header, a palette and 32-bit rows.
    const size_t bytes =
        sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    std::vector<long> image((bytes + sizeof(long) - 1) / sizeof(long));
    long size = static_cast<long>(image.size() * sizeof(long));
    const HRESULT hr = Video->GetCurrentImage(&size, image.data());
    if (FAILED(hr)) return hr;
    if (size <= 0 || static_cast<size_t>(size) > image.size() * sizeof(long)) return E_FAIL;
    const BYTE* start = reinterpret_cast<const BYTE*>(image.data());
    dib->assign(start, start + size);
    return CheckedDib(*dib);
  }

 private:
  ComPtr<IVideoWindow> Window;
  ComPtr<IBasicVideo> Video;
  HWND Owner = nullptr;
};

class EvrDisplay final : public VideoDisplay {
 public:
  explicit EvrDisplay(ComPtr<IMFVideoDisplayControl> control) : Control(std::move(control)) {}
  HRESULT SetVideoWindow(HWND window) override { return Control->SetVideoWindow(window); }
  HRESULT SetAspectRatioModeNone() override { return Control->SetAspectRatioMode(MFVideoARMode_None); }
  HRESULT SetVideoPosition(const RECT& destination) override {
    const MFVideoNormalizedRect wholeFrame = {0.0f, 0.0f, 1.0f, 1.0f};
    RECT target = destination;
    return Control->SetVideoPosition(&wholeFrame, &target);
  }
  HRESULT RepaintVideo() override { return Control->RepaintVideo(); }
  HRESULT GetCurrentImage(std::vector<BYTE>* dib) override {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    BYTE* bits = nullptr;
    DWORD size = 0;
    LONGLONG time = 0;
    const HRESULT hr = Control->GetCurrentImage(&header, &bits, &size, &time);
    if (FAILED(hr)) return hr;
    const BYTE* start = reinterpret_cast<const BYTE*>(&header);
    dib->assign(start, start + sizeof header);
    dib->insert(dib->end(), bits, bits + size);
    CoTaskMemFree(bits);
    return CheckedDib(*dib);
  }

 private:
  ComPtr<IMFVideoDisplayControl> Control;
};

class Vmr9Display final : public VideoDisplay {
 public:
  explicit Vmr9Display(ComPtr<IVMRWindowlessControl9> control) : Control(std::move(control)) {}
  HRESULT SetVideoWindow(HWND window) override {
    const HRESULT hr = Control->SetVideoClippingWindow(window);
    if (SUCCEEDED(hr)) Window = window;
    return hr;
  }
  HRESULT SetAspectRatioModeNone() override { return Control->SetAspectRatioMode(VMR9ARMode_None); }
  // No source rectangle: the VMR-9 keeps its default, the whole frame, and
  // nothing in the program changes it.
  HRESULT SetVideoPosition(const RECT& destination) override {
    RECT target = destination;
    return Control->SetVideoPosition(nullptr, &target);
  }
  HRESULT RepaintVideo() override {
    if (Window == nullptr) return E_FAIL;
    HDC dc = GetDC(Window);
    if (dc == nullptr) return E_FAIL;
    const HRESULT hr = Control->RepaintVideo(Window, dc);
    ReleaseDC(Window, dc);
    return hr;
  }
  HRESULT GetCurrentImage(std::vector<BYTE>* dib) override {
    BYTE* packed = nullptr;
    const HRESULT hr = Control->GetCurrentImage(&packed);
    if (FAILED(hr)) return hr;
    const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(packed);
    const size_t bytes = static_cast<size_t>(PackedDibBits(reinterpret_cast<const BITMAPINFO*>(packed)) - packed) +
                         DibImageBytes(*header);
    dib->assign(packed, packed + bytes);
    CoTaskMemFree(packed);
    return CheckedDib(*dib);
  }

 private:
  ComPtr<IVMRWindowlessControl9> Control;
  HWND Window = nullptr;
};

}  // namespace

const BYTE* PackedDibBits(const BITMAPINFO* info) {
  const BITMAPINFOHEADER& header = info->bmiHeader;
  const DWORD colours =
      header.biBitCount <= 8 ? (header.biClrUsed != 0 ? header.biClrUsed : 1u << header.biBitCount) : 0;
  return reinterpret_cast<const BYTE*>(info) + header.biSize + colours * sizeof(RGBQUAD) +
         (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER) ? 3 * sizeof(DWORD) : 0);
}

size_t DibImageBytes(const BITMAPINFOHEADER& header) {
  const size_t rowBytes =
      ((static_cast<size_t>(header.biWidth > 0 ? header.biWidth : 0) * header.biBitCount + 31) / 32) * 4;
  return rowBytes * static_cast<size_t>(header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight);
}

HRESULT CheckedDib(const std::vector<BYTE>& dib) {
  if (dib.size() < sizeof(BITMAPINFOHEADER)) return E_FAIL;
  const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > dib.size() || header.biWidth <= 0 ||
      header.biHeight == 0 || header.biBitCount < 8 || header.biBitCount > 32 ||
      (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) || header.biClrUsed > 256) {
    return E_FAIL;
  }
  const size_t offset = static_cast<size_t>(PackedDibBits(info) - dib.data());
  return offset <= dib.size() && dib.size() - offset >= DibImageBytes(header) ? S_OK : E_FAIL;
}

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

RendererKind ChooseRendererKind() { return RunningUnderWine() ? RendererKind::VideoRenderer : RendererKind::Evr; }

HRESULT CreateRendererFilter(RendererKind kind, ComPtr<IBaseFilter>* filter) {
  const CLSID& clsid = kind == RendererKind::Evr    ? EnhancedVideoRendererClsid
                       : kind == RendererKind::Vmr9 ? VideoMixingRenderer9Clsid
                                                    : CLSID_VideoRenderer;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(filter->ReleaseAndGetAddressOf()));
}

HRESULT QueryRendererService(RendererKind kind, IBaseFilter* filter, ComPtr<IUnknown>* service) {
  service->Reset();
  if (filter == nullptr) return E_POINTER;
  HRESULT hr;
  if (kind == RendererKind::Evr) {
    ComPtr<IMFGetService> getService;
    hr = filter->QueryInterface(IID_PPV_ARGS(&getService));
    if (SUCCEEDED(hr)) hr = getService.As(service);
  } else if (kind == RendererKind::Vmr9) {
    ComPtr<IVMRFilterConfig9> config;
    hr = filter->QueryInterface(IID_PPV_ARGS(&config));
    if (SUCCEEDED(hr)) hr = config.As(service);
  } else {
    hr = filter->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(service->GetAddressOf()));
  }
  return hr;
}

HRESULT GetVideoDisplay(RendererKind kind, IUnknown* service, std::unique_ptr<VideoDisplay>* display) {
  display->reset();
  if (service == nullptr) return E_POINTER;
  HRESULT hr;
  if (kind == RendererKind::Evr) {
    ComPtr<IMFGetService> getService;
    ComPtr<IMFVideoDisplayControl> control;
    hr = service->QueryInterface(IID_PPV_ARGS(&getService));
    if (SUCCEEDED(hr)) hr = getService->GetService(VideoRenderService, IID_PPV_ARGS(&control));
    if (SUCCEEDED(hr)) display->reset(new (std::nothrow) EvrDisplay(control));
  } else if (kind == RendererKind::Vmr9) {
    ComPtr<IVMRFilterConfig9> config;
    ComPtr<IVMRWindowlessControl9> control;
    hr = service->QueryInterface(IID_PPV_ARGS(&config));
    if (SUCCEEDED(hr)) hr = config->SetRenderingMode(VMR9Mode_Windowless);
    if (SUCCEEDED(hr)) hr = config.As(&control);
    if (SUCCEEDED(hr)) display->reset(new (std::nothrow) Vmr9Display(control));
  } else {
    // (MinGW's headers give these two no __uuidof: their IIDs by name.)
    ComPtr<IVideoWindow> window;
    ComPtr<IBasicVideo> video;
    hr = service->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(window.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = service->QueryInterface(IID_IBasicVideo, reinterpret_cast<void**>(video.GetAddressOf()));
    if (SUCCEEDED(hr)) display->reset(new (std::nothrow) VideoRendererDisplay(window, video));
  }
  if (SUCCEEDED(hr) && *display == nullptr) hr = E_OUTOFMEMORY;
  return hr;
}
