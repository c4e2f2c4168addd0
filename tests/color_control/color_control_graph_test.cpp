// OrvoColorControl.dll with the system around it: its registration (in a
// private copy of HKCR), the DMO Wrapper filter hosting it, and a playback
// graph (generated recording -> AVI splitter -> DMO Wrapper -> VMR-9) whose
// picture is read back from the screen.
#include <windows.h>
#include <dmo.h>
#include <dmodshow.h>
#include <dshow.h>
#include <d3d9.h>
#include <vmr9.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "avi_generator.h"
#include "color_control/color_control_ids.h"
#include "color_control_test_support.h"
#include "frame_picture.h"

namespace {

const wchar_t ClassKey[] = L"CLSID\\{02E3569D-6712-4F88-83F1-E8370854FC3C}";
const wchar_t DmoKey[] = L"DirectShow\\MediaObjects\\02E3569D-6712-4F88-83F1-E8370854FC3C";
const wchar_t CategoryKey[] =
    L"DirectShow\\MediaObjects\\Categories\\D990EE14-776C-4723-BE46-3DA2F56F10B9\\"
    L"02E3569D-6712-4F88-83F1-E8370854FC3C";

bool KeyExists(HKEY root, const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::wstring StringValue(HKEY root, const wchar_t* path, const wchar_t* name) {
  wchar_t text[1024] = {};
  DWORD bytes = sizeof(text) - sizeof(wchar_t);
  if (RegGetValueW(root, path, name, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return text;
}

// Every DMO of the video-effect category named "Color Control".
std::vector<CLSID> ColorControlsInRegistry() {
  std::vector<CLSID> found;
  IEnumDMO* enumerator = nullptr;
  if (FAILED(DMOEnum(DMOCATEGORY_VIDEO_EFFECT, 0, 0, nullptr, 0, nullptr, &enumerator))) {
    return found;
  }
  CLSID clsid;
  wchar_t* name = nullptr;
  while (enumerator->Next(1, &clsid, &name, nullptr) == S_OK) {
    if (name != nullptr && std::wstring(name) == ColorControlName) found.push_back(clsid);
    CoTaskMemFree(name);
    name = nullptr;
  }
  enumerator->Release();
  return found;
}

class ColorControlSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_NE(nullptr, Dll().Module) << "cannot load OrvoColorControl.dll";
  }
  void TearDown() override {
    if (classCookie_ != 0) CoRevokeClassObject(classCookie_);
    CoUninitialize();
  }

  // Makes the class creatable by CoCreateInstance in this process without
  // touching the registry of the Wine prefix, which other tests share.
  void ServeClassInProcess() {
    ComPtr<IClassFactory> factory = ColorControlFactory();
    ASSERT_TRUE(factory);
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_OrvoColorControl, factory.Get(), CLSCTX_INPROC_SERVER,
                                          REGCLS_MULTIPLEUSE, &classCookie_));
  }

  // A DMO Wrapper filter hosting the DMO, as the program makes it.
  ComPtr<IBaseFilter> WrappedColorControl() {
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&filter)));
    if (!filter) return filter;
    ComPtr<IDMOWrapperFilter> wrapper;
    EXPECT_EQ(S_OK, filter.As(&wrapper));
    if (!wrapper) return ComPtr<IBaseFilter>();
    EXPECT_EQ(S_OK, wrapper->Init(CLSID_OrvoColorControl, DMOCATEGORY_VIDEO_EFFECT));
    return filter;
  }

 private:
  DWORD classCookie_ = 0;
};

// HKCR redirected to a scratch key of this process for the test's duration.
class PrivateClassesRoot {
 public:
  PrivateClassesRoot() {
    path_ = L"Software\\OrvoColorControlTest\\" + std::to_wstring(GetCurrentProcessId());
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) ==
        ERROR_SUCCESS) {
      overridden_ = RegOverridePredefKey(HKEY_CLASSES_ROOT, key_) == ERROR_SUCCESS;
    }
  }
  ~PrivateClassesRoot() {
    if (overridden_) RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    if (key_ != nullptr) RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\OrvoColorControlTest");  // when empty
  }
  bool Ready() const { return overridden_; }
  HKEY Key() const { return key_; }

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
  bool overridden_ = false;
};

// --- graph helpers ---------------------------------------------------------------

void Pump(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

ComPtr<IPin> FindPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins))) return nullptr;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION d;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) return pin;
  }
  return nullptr;
}

std::string TempAviPath(const char* name) {
  char folder[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + "orvo-colorcontrol-" + std::to_string(GetCurrentProcessId()) + "-" + name + ".avi";
}

// Where a test's video window goes: each test case that runs a graph has a
// corner of the screen of its own.
enum class Corner { BottomRight, BottomLeft };

// A window that VMR-9 draws into (windowless mode): topmost, in a corner of
// the screen, so that the windows of tests running at the same time on the
// same display do not cover it.
HWND MakeVideoWindow(int width, int height, Corner corner) {
  static const wchar_t* className = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrvoColorControlTestVideo";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassW(&wc);
    return L"OrvoColorControlTestVideo";
  }();
  const int x = corner == Corner::BottomLeft ? 20 : GetSystemMetrics(SM_CXSCREEN) - width - 20;
  const int y = GetSystemMetrics(SM_CYSCREEN) - height - 20;
  return CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, className, L"Color Control test",
                         WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

// Grey level (mean of red, green and blue) of a point of the window as the
// screen shows it; -1 when it cannot be read.
int ScreenGrey(HWND window, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(window, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  if (c == CLR_INVALID) return -1;
  return (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
}

// The playback graph of one recording, with the colour control spliced in
// before the renderer.
struct PlaybackGraph {
  ComPtr<IGraphBuilder> Graph;
  ComPtr<IMediaControl> Control;
  ComPtr<IMediaSeeking> Seeking;
  ComPtr<IBaseFilter> Renderer;
  ComPtr<IPropertyStore> Settings;
  HWND Window = nullptr;

  ~PlaybackGraph() {
    if (Control) Control->Stop();
    Settings.Reset();
    Renderer.Reset();
    Seeking.Reset();
    Control.Reset();
    Graph.Reset();
    if (Window != nullptr) DestroyWindow(Window);
  }

  // Shows the first frame again, paused, and lets it be drawn.
  void ShowFirstFrame() {
    Control->Stop();
    LONGLONG start = 0;
    Seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    Control->Pause();
    OAFilterState state;
    Control->GetState(5000, &state);
    Pump(300);
  }

  // Waits until the grey at (x, y) leaves `from`; returns it.
  int WaitForChange(int x, int y, int from) {
    int grey = from;
    for (int i = 0; i < 40 && grey == from; ++i) {
      Pump(100);
      grey = ScreenGrey(Window, x, y);
    }
    return grey;
  }

  // Waits until the grey at (x, y) is within low..high; returns the last one.
  int WaitForGrey(int x, int y, int low, int high) {
    int grey = -1;
    for (int i = 0; i < 40 && (grey < low || grey > high); ++i) {
      Pump(100);
      grey = ScreenGrey(Window, x, y);
    }
    return grey;
  }
};

}  // namespace

// --- registration ------------------------------------------------------------------

TEST_F(ColorControlSystemTest, RegistersClassAndDmoAndRemovesBoth) {
  PrivateClassesRoot root;
  ASSERT_TRUE(root.Ready()) << "RegOverridePredefKey failed";

  ASSERT_EQ(S_OK, Dll().RegisterServer());
  const std::wstring server = std::wstring(ClassKey) + L"\\InprocServer32";
  EXPECT_EQ(DllPath().size(), StringValue(root.Key(), server.c_str(), nullptr).size());
  EXPECT_EQ(0, _wcsicmp(DllPath().c_str(), StringValue(root.Key(), server.c_str(), nullptr).c_str()));
  EXPECT_EQ(L"Both", StringValue(root.Key(), server.c_str(), L"ThreadingModel"));
  EXPECT_EQ(L"Color Control", StringValue(root.Key(), DmoKey, nullptr));
  EXPECT_TRUE(KeyExists(root.Key(), CategoryKey));

  // What the program does at start-up finds it, by name, exactly once.
  std::vector<CLSID> found = ColorControlsInRegistry();
  ASSERT_EQ(1u, found.size());
  EXPECT_TRUE(IsEqualCLSID(CLSID_OrvoColorControl, found[0]));

  // Registering again changes nothing.
  ASSERT_EQ(S_OK, Dll().RegisterServer());
  EXPECT_EQ(1u, ColorControlsInRegistry().size());

  ASSERT_EQ(S_OK, Dll().UnregisterServer());
  EXPECT_FALSE(KeyExists(root.Key(), ClassKey));
  EXPECT_FALSE(KeyExists(root.Key(), CategoryKey));
  EXPECT_FALSE(KeyExists(root.Key(), DmoKey));
  EXPECT_TRUE(ColorControlsInRegistry().empty());
  // Unregistering what is not registered is no failure.
  EXPECT_TRUE(SUCCEEDED(Dll().UnregisterServer()));
}

// --- inside the DMO Wrapper filter ----------------------------------------------------

TEST_F(ColorControlSystemTest, WrapperHostsItAndReachesItsPropertyStore) {
  ServeClassInProcess();
  ComPtr<IBaseFilter> filter = WrappedColorControl();
  ASSERT_TRUE(filter);

  // The property store is reached through the wrapper; the wrapper keeps
  // its own filter interfaces.
  ComPtr<IPropertyStore> store;
  ASSERT_EQ(S_OK, filter.As(&store));
  ASSERT_EQ(S_OK, SetSetting(store.Get(), ColorControlBrightnessKey, 50));
  PROPVARIANT value;
  ASSERT_EQ(S_OK, store->GetValue(ColorControlBrightnessKey, &value));
  EXPECT_EQ(50, value.lVal);
  ComPtr<IBaseFilter> again;
  ASSERT_EQ(S_OK, store.As(&again));
  EXPECT_EQ(filter.Get(), again.Get());
  ComPtr<IMediaFilter> mediaFilter;
  EXPECT_EQ(S_OK, filter.As(&mediaFilter));
  ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, filter.As(&persist));
  CLSID clsid;
  ASSERT_EQ(S_OK, persist->GetClassID(&clsid));
  EXPECT_TRUE(IsEqualCLSID(CLSID_DMOWrapperFilter, clsid));

  // One input and one output pin.
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(S_OK, filter->EnumPins(&pins));
  int inputs = 0, outputs = 0;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_INFO info;
    ASSERT_EQ(S_OK, pin->QueryPinInfo(&info));
    if (info.pFilter != nullptr) info.pFilter->Release();
    if (info.dir == PINDIR_INPUT) ++inputs;
    if (info.dir == PINDIR_OUTPUT) ++outputs;
  }
  EXPECT_EQ(1, inputs);
  EXPECT_EQ(1, outputs);
}

// --- a real playback graph ---------------------------------------------------------------

class ColorControlGraphTest : public ColorControlSystemTest, public ::testing::WithParamInterface<AviGenFormat> {
 protected:
  // Recording -> (splitter, chosen by the graph) -> wrapper -> VMR-9.
  void Build(PlaybackGraph* g, Corner corner) {
    AviGenOptions options;
    options.Format = GetParam();
    options.Width = 160;
    options.Height = 120;
    options.FrameCount = 5;
    path_ = TempAviPath(GetParam() == AviGenFormat::Yuy2 ? "yuy2" : "dib");
    std::string error;
    ASSERT_TRUE(GenerateAviFile(options, path_, &error)) << error;

    ServeClassInProcess();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&g->Graph)));
    ASSERT_EQ(S_OK, g->Graph.As(&g->Control));
    ASSERT_EQ(S_OK, g->Graph.As(&g->Seeking));

    g->Window = MakeVideoWindow(160, 120, corner);
    ASSERT_NE(nullptr, g->Window);
    ASSERT_EQ(S_OK,
              CoCreateInstance(CLSID_VideoMixingRenderer9, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&g->Renderer)));
    ComPtr<IVMRFilterConfig9> config;
    ASSERT_EQ(S_OK, g->Renderer.As(&config));
    ASSERT_EQ(S_OK, config->SetRenderingMode(VMR9Mode_Windowless));
    ComPtr<IVMRWindowlessControl9> windowless;
    ASSERT_EQ(S_OK, g->Renderer.As(&windowless));
    ASSERT_EQ(S_OK, windowless->SetVideoClippingWindow(g->Window));
    ASSERT_EQ(S_OK, g->Graph->AddFilter(g->Renderer.Get(), L"Video Renderer"));

    const std::wstring widePath(path_.begin(), path_.end());
    ComPtr<IBaseFilter> source;
    ASSERT_EQ(S_OK, g->Graph->AddSourceFilter(widePath.c_str(), L"Source", &source));
    ComPtr<IBaseFilter> color = WrappedColorControl();
    ASSERT_TRUE(color);
    ASSERT_EQ(S_OK, g->Graph->AddFilter(color.Get(), L"BrightnessContrast"));
    ASSERT_EQ(S_OK, color.As(&g->Settings));

    ComPtr<IPin> sourceOut = FindPin(source.Get(), PINDIR_OUTPUT);
    ComPtr<IPin> colorIn = FindPin(color.Get(), PINDIR_INPUT);
    ComPtr<IPin> colorOut = FindPin(color.Get(), PINDIR_OUTPUT);
    ComPtr<IPin> rendererIn = FindPin(g->Renderer.Get(), PINDIR_INPUT);
    ASSERT_TRUE(sourceOut && colorIn && colorOut && rendererIn);
    ASSERT_EQ(S_OK, g->Graph->Connect(sourceOut.Get(), colorIn.Get()));
    ASSERT_EQ(S_OK, g->Graph->ConnectDirect(colorOut.Get(), rendererIn.Get(), nullptr));

    RECT target = {0, 0, 160, 120};
    ASSERT_EQ(S_OK, windowless->SetVideoPosition(nullptr, &target));
  }

  void TearDown() override {
    if (!path_.empty()) DeleteFileA(path_.c_str());
    ColorControlSystemTest::TearDown();
  }

 private:
  std::string path_;
};

TEST_P(ColorControlGraphTest, BrightnessAndContrastShowOnScreenAndNeutralRestoresIt) {
  PlaybackGraph g;
  Build(&g, Corner::BottomRight);
  if (HasFatalFailure()) return;

  // A point of the background, below the frame code and left of the digits.
  const int x = 4, y = 100;
  g.ShowFirstFrame();
  const int original = g.WaitForGrey(x, y, FrameBackgroundLevel - 6, FrameBackgroundLevel + 6);
  ASSERT_GE(original, FrameBackgroundLevel - 6);
  ASSERT_LE(original, FrameBackgroundLevel + 6);

  // Brightness +100: the grey rises by about 100.
  ASSERT_EQ(S_OK, SetSetting(g.Settings.Get(), ColorControlBrightnessKey, 100));
  g.ShowFirstFrame();
  const int brighter = g.WaitForChange(x, y, original);
  EXPECT_NEAR(original + 100, brighter, 6);

  // The sliders at 100 and 0: brightness 127, contrast -127: a flat, light
  // picture.
  ASSERT_EQ(S_OK, SetSetting(g.Settings.Get(), ColorControlBrightnessKey, 127));
  ASSERT_EQ(S_OK, SetSetting(g.Settings.Get(), ColorControlContrastKey, -127));
  g.ShowFirstFrame();
  const int flat = g.WaitForChange(x, y, brighter);
  EXPECT_GE(flat, 245);

  // Neutral again: exactly the first picture.
  ASSERT_EQ(S_OK, SetSetting(g.Settings.Get(), ColorControlBrightnessKey, 0));
  ASSERT_EQ(S_OK, SetSetting(g.Settings.Get(), ColorControlContrastKey, 0));
  g.ShowFirstFrame();
  EXPECT_EQ(original, g.WaitForChange(x, y, flat));
}

TEST_P(ColorControlGraphTest, PlaysToTheEnd) {
  PlaybackGraph g;
  Build(&g, Corner::BottomLeft);
  if (HasFatalFailure()) return;
  ASSERT_EQ(S_OK, SetSetting(g.Settings.Get(), ColorControlContrastKey, 40));
  ComPtr<IMediaEvent> events;
  ASSERT_EQ(S_OK, g.Graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf())));
  ASSERT_TRUE(SUCCEEDED(g.Control->Run()));
  long code = 0;
  for (int i = 0; i < 100 && code != EC_COMPLETE; ++i) {
    LONG_PTR p1 = 0, p2 = 0;
    Pump(50);
    while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
      events->FreeEventParams(code, p1, p2);
      if (code == EC_COMPLETE || code == EC_ERRORABORT) break;
    }
  }
  EXPECT_EQ(EC_COMPLETE, code);
}

INSTANTIATE_TEST_SUITE_P(Recordings, ColorControlGraphTest, ::testing::Values(AviGenFormat::Yuy2, AviGenFormat::Dib24),
                         [](const ::testing::TestParamInfo<AviGenFormat>& info) {
                           return std::string(info.param == AviGenFormat::Yuy2 ? "Yuy2" : "Dib24");
                         });
