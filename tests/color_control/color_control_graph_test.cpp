// OrvoColorControl.dll with the system around it: its registration, and a
// playback graph (generated recording -> AVI splitter -> DMO Wrapper -> VMR-9)
// whose picture is read back from the screen.
#include <windows.h>
#include <dmo.h>
#include <dmodshow.h>
#include <dshow.h>
#include <d3d9.h>
#include <vmr9.h>

#include <string>
#include <vector>

#include "avi_generator.h"
#include "color_control_test_support.h"
#include "frame_picture.h"

namespace {

// COM for each case, and whatever a case changes put back afterwards, so that
// all cases can share one process.
class ColorControlSystemTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
  void TearDown() override {
    if (classes_ != nullptr) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr), RegCloseKey(classes_);
    RegDeleteTreeW(HKEY_CURRENT_USER, ScratchKey);
    if (window_ != nullptr) DestroyWindow(window_);
    if (!path_.empty()) DeleteFileA(path_.c_str());
    CoUninitialize();
  }
  static constexpr const wchar_t* ScratchKey = L"Software\\OrvoColorControlTest";
  HKEY classes_ = nullptr;
  HWND window_ = nullptr;
  std::string path_;
};

}  // namespace

// Registered into a scratch key standing in for HKCR: the class with its
// server and threading model, and the DMO that DMOEnum lists by name.
TEST_F(ColorControlSystemTest, RegistrationIsWhatDmoEnumNeedsAndUnregisterRemovesIt) {
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, ScratchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes_, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_));
  const auto value = [this](const wchar_t* name) {
    wchar_t text[MAX_PATH] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    RegGetValueW(classes_, L"CLSID\\{02E3569D-6712-4F88-83F1-E8370854FC3C}\\InprocServer32", name, RRF_RT_REG_SZ,
                 nullptr, text, &bytes);
    return std::wstring(text);
  };
  const auto found = [] {
    std::vector<CLSID> clsids;
    ComPtr<IEnumDMO> dmos;
    CLSID clsid;
    wchar_t* name = nullptr;
    EXPECT_EQ(S_OK, DMOEnum(DMOCATEGORY_VIDEO_EFFECT, 0, 0, nullptr, 0, nullptr, &dmos));
    while (dmos && dmos->Next(1, &clsid, &name, nullptr) == S_OK) {
      if (std::wstring(name) == ColorControlName) clsids.push_back(clsid);
      CoTaskMemFree(name);
    }
    return clsids;
  };
  ASSERT_EQ(S_OK, DllEntry("DllRegisterServer")());
  EXPECT_EQ(0, _wcsicmp(DllPath().c_str(), value(nullptr).c_str())) << value(nullptr);
  EXPECT_EQ(L"Both", value(L"ThreadingModel"));
  EXPECT_EQ(std::vector<CLSID>{CLSID_OrvoColorControl}, found());
  ASSERT_EQ(S_OK, DllEntry("DllUnregisterServer")());
  EXPECT_EQ(L"", value(nullptr));
  EXPECT_TRUE(found().empty());
}

// Recording -> splitter -> DMO Wrapper hosting the registered DMO -> VMR-9
// drawing into a topmost window. Brightness +100 raises the grey background
// of the first frame by about 100; back at 0 the picture is the original.
TEST_F(ColorControlSystemTest, BrightnessShowsOnScreenAndNeutralRestoresThePicture) {
  AviGenOptions options;
  options.FrameCount = 5;  // 160 x 120, 24-bit
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  path_ = std::string(folder) + "orvo-colorcontrol-" + std::to_string(GetCurrentProcessId()) + ".avi";
  std::string error;
  ASSERT_TRUE(GenerateAviFile(options, path_, &error)) << error;
  window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP | WS_VISIBLE,
                            20, GetSystemMetrics(SM_CYSCREEN) - 140, 160, 120, nullptr, nullptr, nullptr, nullptr);
  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  ComPtr<IBaseFilter> source, color, renderer;
  ComPtr<IDMOWrapperFilter> wrapper;
  ComPtr<IVMRFilterConfig9> config;
  ComPtr<IVMRWindowlessControl9> windowless;
  ComPtr<IPropertyStore> settings;
  ComPtr<IMediaControl> control;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph)));
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder)));
  ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer)));
  ASSERT_EQ(S_OK, renderer.As(&config));
  ASSERT_EQ(S_OK, config->SetRenderingMode(VMR9Mode_Windowless));
  ASSERT_EQ(S_OK, renderer.As(&windowless));
  ASSERT_EQ(S_OK, windowless->SetVideoClippingWindow(window_));
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&color)));
  ASSERT_EQ(S_OK, color.As(&wrapper));
  ASSERT_EQ(S_OK, wrapper->Init(CLSID_OrvoColorControl, DMOCATEGORY_VIDEO_EFFECT));
  ASSERT_EQ(S_OK, color.As(&settings));
  ASSERT_EQ(S_OK, graph->AddSourceFilter(std::wstring(path_.begin(), path_.end()).c_str(), L"Source", &source));
  ASSERT_EQ(S_OK, graph->AddFilter(color.Get(), L"BrightnessContrast"));
  ASSERT_EQ(S_OK, graph->AddFilter(renderer.Get(), L"Video Renderer"));
  ASSERT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, source.Get(), color.Get(), renderer.Get()));
  RECT target = {0, 0, 160, 120};
  ASSERT_EQ(S_OK, windowless->SetVideoPosition(nullptr, &target));
  ASSERT_EQ(S_OK, graph.As(&control));

  // Shows the first frame again, paused, and reads a point of its background
  // (below the frame code, left of the digits) until it is within low..high.
  const auto firstFrameGrey = [&](int low, int high) {
    control->Stop();
    control->Pause();
    int grey = -1;
    for (int i = 0; i < 50 && (grey < low || grey > high); ++i) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(100);
      POINT p = {4, 100};
      ClientToScreen(window_, &p);
      HDC screen = GetDC(nullptr);
      const COLORREF c = GetPixel(screen, p.x, p.y);
      ReleaseDC(nullptr, screen);
      grey = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
    }
    return grey;
  };
  const int original = firstFrameGrey(FrameBackgroundLevel - 6, FrameBackgroundLevel + 6);
  ASSERT_NEAR(FrameBackgroundLevel, original, 6);
  ASSERT_EQ(S_OK, SetSetting(settings.Get(), ColorControlBrightnessKey, 100));
  EXPECT_NEAR(original + 100, firstFrameGrey(original + 94, original + 106), 6);
  ASSERT_EQ(S_OK, SetSetting(settings.Get(), ColorControlBrightnessKey, 0));
  EXPECT_EQ(original, firstFrameGrey(original, original));
  control->Stop();
}
