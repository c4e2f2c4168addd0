// The DLL's entry points: its class factory, DllCanUnloadNow, and the
// registration of the COM class (HKCR\CLSID, ThreadingModel "Both") and of
// the DMO ("Color Control" in DMOCATEGORY_VIDEO_EFFECT).
#include <windows.h>
#include <mediaobj.h>
#include <dmo.h>
#include <dmoreg.h>
#include <uuids.h>

#include <string>

#include "color_control/color_control_dmo.h"
#include "color_control/color_control_ids.h"
#include "color_control/color_control_module.h"
#include "color_control/color_media_type.h"

HINSTANCE ColorControlModule = nullptr;

namespace {

LONG ObjectCount = 0;  // live ColorControlDmo objects
LONG ServerLocks = 0;  // LockServer(TRUE) calls and factory references

// The one class factory, never freed; its references count as server locks.
class ColorControlFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    InterlockedIncrement(&ServerLocks);
    return 2;
  }
  STDMETHODIMP_(ULONG) Release() override {
    InterlockedDecrement(&ServerLocks);
    return 1;
  }

  // COM's rule for aggregation: the aggregator asks for IUnknown.
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    IUnknown* inner = nullptr;
    HRESULT hr = ColorControlDmo::Create(outer, &inner);
    if (FAILED(hr)) return hr;
    hr = inner->QueryInterface(iid, out);
    inner->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&ServerLocks);
    } else {
      InterlockedDecrement(&ServerLocks);
    }
    return S_OK;
  }
};

ColorControlFactory Factory;

// "CLSID\{...}" of the DMO class.
std::wstring ClassKeyPath() {
  wchar_t text[40] = {};
  StringFromGUID2(CLSID_OrvoColorControl, text, 40);
  return std::wstring(L"CLSID\\") + text;
}

HRESULT SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value) {
  const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const LONG result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
  return HRESULT_FROM_WIN32(result);
}

// The full path of this DLL; empty when it cannot be had whole.
std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(ColorControlModule, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return std::wstring();
    path.resize(path.size() * 2);
  }
}

// HKCR\CLSID\{clsid} = "Color Control", InprocServer32 = path,
// ThreadingModel = "Both".
HRESULT RegisterComClass(const std::wstring& modulePath) {
  HKEY classKey = nullptr;
  LONG result =
      RegCreateKeyExW(HKEY_CLASSES_ROOT, ClassKeyPath().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &classKey, nullptr);
  if (result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);
  HRESULT hr = SetStringValue(classKey, nullptr, ColorControlName);
  HKEY serverKey = nullptr;
  if (SUCCEEDED(hr)) {
    result = RegCreateKeyExW(classKey, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &serverKey, nullptr);
    hr = HRESULT_FROM_WIN32(result);
  }
  if (SUCCEEDED(hr)) hr = SetStringValue(serverKey, nullptr, modulePath);
  if (SUCCEEDED(hr)) hr = SetStringValue(serverKey, L"ThreadingModel", L"Both");
  if (serverKey != nullptr) RegCloseKey(serverKey);
  RegCloseKey(classKey);
  return hr;
}

HRESULT UnregisterComClass() {
  const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath().c_str());
  if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) return S_OK;
  return HRESULT_FROM_WIN32(result);
}

HRESULT RegisterDmo() {
  DMO_PARTIAL_MEDIATYPE types[ColorSubtypeCount];
  for (DWORD i = 0; i < ColorSubtypeCount; ++i) {
    types[i].type = MEDIATYPE_Video;
    types[i].subtype = ColorSubtype(i);
  }
  return DMORegister(ColorControlName, CLSID_OrvoColorControl, DMOCATEGORY_VIDEO_EFFECT, 0, ColorSubtypeCount, types,
                     ColorSubtypeCount, types);
}

}  // namespace

void ColorControlObjectCreated() { InterlockedIncrement(&ObjectCount); }

void ColorControlObjectDestroyed() { InterlockedDecrement(&ObjectCount); }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ColorControlModule = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_OrvoColorControl)) return CLASS_E_CLASSNOTAVAILABLE;
  return Factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return ObjectCount == 0 && ServerLocks == 0 ? S_OK : S_FALSE; }

// Registers both or neither.
STDAPI DllRegisterServer() {
  const std::wstring path = ModulePath();
  if (path.empty()) return E_FAIL;
  HRESULT hr = RegisterComClass(path);
  if (SUCCEEDED(hr)) hr = RegisterDmo();
  if (FAILED(hr)) {
    DMOUnregister(CLSID_OrvoColorControl, DMOCATEGORY_VIDEO_EFFECT);
    UnregisterComClass();
    return hr;
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  const HRESULT dmo = DMOUnregister(CLSID_OrvoColorControl, DMOCATEGORY_VIDEO_EFFECT);
  const HRESULT cls = UnregisterComClass();
  if (FAILED(dmo)) return dmo;
  return cls;
}
