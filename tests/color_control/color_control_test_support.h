// Helpers for the tests of OrvoColorControl.dll: the DLL beside the test
// program, its entry points and class factory, and writing a setting.
#pragma once

#include <windows.h>
#include <propsys.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>

#include "color_control/color_control_ids.h"

using Microsoft::WRL::ComPtr;

inline std::wstring DllPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring program(path);
  return program.substr(0, program.find_last_of(L"\\/") + 1) + L"OrvoColorControl.dll";
}

// An entry point of the DLL, which is loaded once for the whole process.
template <typename Function = HRESULT(STDAPICALLTYPE*)()>
Function DllEntry(const char* name) {
  static const HMODULE module = LoadLibraryW(DllPath().c_str());
  return module == nullptr ? nullptr : reinterpret_cast<Function>(GetProcAddress(module, name));
}

inline ComPtr<IClassFactory> ColorControlFactory() {
  ComPtr<IClassFactory> factory;
  const auto get = DllEntry<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
  EXPECT_EQ(S_OK, get ? get(CLSID_OrvoColorControl, IID_PPV_ARGS(&factory)) : E_FAIL) << "no OrvoColorControl.dll";
  return factory;
}

inline HRESULT SetSetting(IPropertyStore* store, const PROPERTYKEY& key, LONG value) {
  PROPVARIANT v;
  PropVariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return store->SetValue(key, v);
}
