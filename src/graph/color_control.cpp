#include "graph/color_control.h"

#include <dmo.h>
#include <dmodshow.h>
#include <dshow.h>

#include <cwchar>

#include "base/win_handles.h"
#include "controls/brightness_contrast_values.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "messages/user_messages.h"

using Microsoft::WRL::ComPtr;

ColorControlStep ForcedColorControlFailure = ColorControlStep::None;

namespace {

const wchar_t ColorControlDmoName[] = L"Color Control";
const wchar_t ColorFilterName[] = L"BrightnessContrast";

const wchar_t RendererPinDisconnectFailed[] = L"WARNING: EVR filter input pin disconnect failed\r\n";
const wchar_t UpstreamPinDisconnectFailed[] = L"WARNING: EVR filter connected to pin disconnect failed\r\n";
const wchar_t ColorInputDisconnectFailed[] = L"WARNING: brightness/contrast filter input pin disconnect failed\r\n";
const wchar_t ColorOutputDisconnectFailed[] = L"WARNING: brightness/contrast filter ouput pin disconnect failed\r\n";
const wchar_t UpstreamConnectFailed[] =
    L"WARNING: direct connection of brightness/contrast input pin and EVR connected to pin failed\r\n";

void Report(const wchar_t* text) { RouteUserMessage(text, 1); }

bool Forced(ColorControlStep step) { return ForcedColorControlFailure == step; }

// Carries out one step, or refuses it when the test seam says so.
template <class Call>
HRESULT Attempt(ColorControlStep step, Call call) {
  return Forced(step) ? E_FAIL : call();
}

// The class identifier of the first video effect named "Color Control", or
// GUID_NULL when there is none (or the effects cannot be listed).
CLSID FindColorControlClass() {
  CLSID found = GUID_NULL;
  ComPtr<IEnumDMO> effects;
  if (FAILED(DMOEnum(DMOCATEGORY_VIDEO_EFFECT, 0, 0, nullptr, 0, nullptr, &effects)) || effects == nullptr) {
    return found;
  }
  CLSID clsid;
  CoTaskString name;
  while (effects->Next(1, &clsid, name.Receive(), nullptr) == S_OK) {
    if (name.Get() != nullptr && wcscmp(name.Get(), ColorControlDmoName) == 0) {
      found = clsid;
      break;
    }
  }
  return found;
}

// A failed wrapper step: nothing of the filter is kept.
int GiveUpWrapper(PlaybackGraph& graph, const wchar_t* message) {
  graph.ColorProperties.Reset();
  graph.ColorWrapper.Reset();
  graph.ColorFilter.Reset();
  Report(message);
  return 0;
}

// Takes the wrapper filter's input and output pins.
int FindColorPins(PlaybackGraph& graph) {
  ComPtr<IEnumPins> pins;
  if (Attempt(ColorControlStep::EnumPins, [&] { return graph.ColorFilter->EnumPins(&pins); }) != S_OK ||
      pins == nullptr) {
    Report(L"WARNING: cannot create pin enumerator on the brightness/contrast filter - thus not enabled\r\n");
    return 0;
  }
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PinInfo info;
    if (FAILED(pin->QueryPinInfo(&info.Info))) continue;
    if (info.Info.dir == PINDIR_INPUT) graph.ColorInputPin = pin;
    if (info.Info.dir == PINDIR_OUTPUT) graph.ColorOutputPin = pin;
    if (graph.ColorInputPin != nullptr && graph.ColorOutputPin != nullptr) break;
  }
  if (Forced(ColorControlStep::FindPins)) graph.ColorOutputPin.Reset();
  if (graph.ColorInputPin != nullptr && graph.ColorOutputPin != nullptr) return 1;
  Report(L"WARNING: cannot find pin on the brightness/contrast filter - thus not enabled\r\n");
  return 0;
}

bool Disconnect(PlaybackGraph& graph, IPin* pin, ColorControlStep step, const wchar_t* message) {
  if (FAILED(Attempt(step, [&] { return graph.GraphBuilder->Disconnect(pin); }))) {
    Report(message);
    return false;
  }
  return true;
}

// The four pins around the splice, one at a time, in this order.
bool DisconnectSplicePins(PlaybackGraph& graph) {
  return Disconnect(graph, graph.EvrInputPin.Get(), ColorControlStep::DisconnectRendererPin,
                    RendererPinDisconnectFailed) &&
         Disconnect(graph, EvrUpstreamPin, ColorControlStep::DisconnectUpstreamPin, UpstreamPinDisconnectFailed) &&
         Disconnect(graph, graph.ColorInputPin.Get(), ColorControlStep::DisconnectColorInput,
                    ColorInputDisconnectFailed) &&
         Disconnect(graph, graph.ColorOutputPin.Get(), ColorControlStep::DisconnectColorOutput,
                    ColorOutputDisconnectFailed);
}

bool ConnectDirect(PlaybackGraph& graph, IPin* from, IPin* to, ColorControlStep step, const wchar_t* message) {
  if (FAILED(Attempt(step, [&] { return graph.GraphBuilder->ConnectDirect(from, to, nullptr); }))) {
    Report(message);
    return false;
  }
  return true;
}

// Draws the current frame again, paused, unless the video is playing.
void RefreshUnlessPlaying() {
  if (GraphRunState != GraphRun::Running) Transport(TransportRefresh, nullptr, nullptr);
}

// Writes value into the setting under key: the value is read first and its
// 32-bit payload replaced, keeping the type the store answered with.
bool WriteSetting(IPropertyStore* store, const PROPERTYKEY& key, int32_t value) {
  UniquePropVariant held;
  PROPVARIANT& setting = held.Value;
  HRESULT hr = Attempt(ColorControlStep::GetSetting, [&] { return store->GetValue(key, &setting); });
  if (SUCCEEDED(hr)) {
    VARTYPE type = setting.vt;
    if (type != VT_I4 && type != VT_INT && type != VT_UI4 && type != VT_UINT) {
      // The payload of any other type may own memory (a string, a blob):
      // it is let go and the setting written as a plain 32-bit integer.
      PropVariantClear(&setting);
      type = VT_I4;
    }
    setting.vt = type;
    setting.lVal = value;
    hr = Attempt(ColorControlStep::SetSetting, [&] { return store->SetValue(key, setting); });
  }
  return SUCCEEDED(hr);
}

void WriteAndRefresh(IPropertyStore* store, const PROPERTYKEY& key, int32_t value, const wchar_t* failure) {
  if (WriteSetting(store, key, value)) {
    RefreshUnlessPlaying();
  } else {
    Report(failure);
  }
}

}  // namespace

int FindColorControlFilter(PlaybackGraph& graph) {
  const CLSID effect = FindColorControlClass();
  if (IsEqualGUID(effect, GUID_NULL)) {
    Report(L"\r\nThe DMO color control filter is not installed.  Brightness/contrast is not available.");
    return 0;
  }
  if (FAILED(Attempt(ColorControlStep::CreateWrapper, [&] {
        return CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(graph.ColorFilter.ReleaseAndGetAddressOf()));
      }))) {
    return GiveUpWrapper(
        graph, L"\r\nCannot create DMO Wrapper on color control filter.  Brightness/contrast is not available.");
  }
  if (FAILED(Attempt(ColorControlStep::QueryWrapper, [&] { return graph.ColorFilter.As(&graph.ColorWrapper); }))) {
    return GiveUpWrapper(graph,
                         L"\r\nCannot query interface for DMO Wrapper on color control filter.  "
                         L"Brightness/contrast is not available.");
  }
  if (FAILED(Attempt(ColorControlStep::InitWrapper,
                     [&] { return graph.ColorWrapper->Init(effect, DMOCATEGORY_VIDEO_EFFECT); }))) {
    return GiveUpWrapper(
        graph,
        L"\r\nCannot initialize the DMO Wrapper on color control filter.  Brightness/contrast is not available.");
  }
  if (FAILED(Attempt(ColorControlStep::QueryPropertyStore,
                     [&] { return graph.ColorFilter.As(&graph.ColorProperties); }))) {
    return GiveUpWrapper(
        graph, L"\r\nCannot obtain property store for color control filter.  Brightness/contrast is not available.");
  }
  return FindColorPins(graph);
}

int InsertColorControl() {
  PlaybackGraph* graph = TheGraph;
  if (graph == nullptr || graph->GraphBuilder == nullptr || graph->EvrFilter == nullptr ||
      graph->MediaControl == nullptr || graph->ColorFilter == nullptr) {
    return 1;
  }
  StopGraph(*graph);

  if (FAILED(Attempt(ColorControlStep::AddFilter,
                     [&] { return graph->GraphBuilder->AddFilter(graph->ColorFilter.Get(), ColorFilterName); }))) {
    Report(L"WARNING: cannot add brightness/contrast filter to graph - thus not enabled\r\n");
    return 0;
  }
  graph->FindEvrInputPin();
  if (Forced(ColorControlStep::FindRendererPin)) graph->EvrInputPin.Reset();
  if (graph->EvrInputPin == nullptr) {
    Report(L"WARNING: cannot find input pin on the EVR filter - brightness/contrast not enabled\r\n");
    return 0;
  }
  ReleaseEvrUpstreamPin();
  graph->EvrInputPin->ConnectedTo(&EvrUpstreamPin);
  if (Forced(ColorControlStep::FindUpstreamPin)) ReleaseEvrUpstreamPin();
  if (EvrUpstreamPin == nullptr) {
    Report(L"WARNING: cannot find EVR filter connected to pin\r\n");
    return 0;
  }
  if (!DisconnectSplicePins(*graph)) return 0;
  if (!ConnectDirect(*graph, EvrUpstreamPin, graph->ColorInputPin.Get(), ColorControlStep::ConnectColorInput,
                     UpstreamConnectFailed)) {
    return 0;
  }
  if (!ConnectDirect(*graph, graph->ColorOutputPin.Get(), graph->EvrInputPin.Get(),
                     ColorControlStep::ConnectColorOutput,
                     L"WARNING: direct connection of brightness/contrast output pin and EVR input pin failed\r\n")) {
    return 0;
  }
  Transport(TransportRefresh, nullptr, nullptr);
  return 1;
}

void RemoveColorControl() {
  PlaybackGraph* graph = TheGraph;
  if (graph == nullptr || graph->GraphBuilder == nullptr || graph->EvrFilter == nullptr ||
      graph->MediaControl == nullptr || graph->ColorFilter == nullptr || EvrUpstreamPin == nullptr ||
      graph->EvrInputPin == nullptr) {
    return;
  }
  StopGraph(*graph);
  if (!DisconnectSplicePins(*graph)) return;
  if (!ConnectDirect(*graph, EvrUpstreamPin, graph->EvrInputPin.Get(), ColorControlStep::ConnectRendererBack,
                     UpstreamConnectFailed)) {
    return;
  }
  // Out of the graph as well as out of the video path: the graph does not
  // notice that a filter it is given is already a member, and would hold the
  // effect twice after the next switch-on.
  graph->GraphBuilder->RemoveFilter(graph->ColorFilter.Get());
  graph->EvrInputPin.Reset();
  ReleaseEvrUpstreamPin();
  Transport(TransportRefresh, nullptr, nullptr);
}

void SetBrightnessContrast(int brightness, int contrast) {
  IPropertyStore* store = TheGraph != nullptr ? TheGraph->ColorProperties.Get() : nullptr;
  if (store == nullptr) {
    Report(L"Logic error: attemp to set brightness control with NULL property store cache\r\n");
    return;
  }
  if (brightness >= 0) {
    WriteAndRefresh(store, BrightnessPropertyKey, ColorSettingForSlider(brightness),
                    L"\r\nCannot set brightness control\r\n");
  }
  if (contrast >= 0) {
    WriteAndRefresh(store, ContrastPropertyKey, ColorSettingForSlider(contrast),
                    L"\r\nCannot set contrast control\r\n");
  }
}

void ResetColorSettings() {
  IPropertyStore* store = TheGraph != nullptr ? TheGraph->ColorProperties.Get() : nullptr;
  if (store == nullptr) return;
  WriteAndRefresh(store, BrightnessPropertyKey, 0, L"\r\nCannot set brightness control\r\n");
  WriteAndRefresh(store, ContrastPropertyKey, 0, L"\r\nCannot set contrast control\r\n");
}
