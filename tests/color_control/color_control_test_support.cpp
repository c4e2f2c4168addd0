#include "color_control_test_support.h"

#include <propidl.h>
extern "C" {
#include <dmort.h>
}
#include <dmo.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <gtest/gtest.h>

#include <cstring>

#include "color_control/color_control_ids.h"

std::wstring TestProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  const std::size_t slash = folder.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

std::wstring DllPath() { return TestProgramFolder() + L"OrvoColorControl.dll"; }

const ColorControlDll& Dll() {
  static const ColorControlDll dll = [] {
    ColorControlDll d;
    d.Module = LoadLibraryW(DllPath().c_str());
    if (d.Module != nullptr) {
      d.GetClassObject = reinterpret_cast<decltype(d.GetClassObject)>(GetProcAddress(d.Module, "DllGetClassObject"));
      d.CanUnloadNow = reinterpret_cast<decltype(d.CanUnloadNow)>(GetProcAddress(d.Module, "DllCanUnloadNow"));
      d.RegisterServer = reinterpret_cast<decltype(d.RegisterServer)>(GetProcAddress(d.Module, "DllRegisterServer"));
      d.UnregisterServer =
          reinterpret_cast<decltype(d.UnregisterServer)>(GetProcAddress(d.Module, "DllUnregisterServer"));
    }
    return d;
  }();
  return dll;
}

ComPtr<IClassFactory> ColorControlFactory() {
  ComPtr<IClassFactory> factory;
  const ColorControlDll& dll = Dll();
  if (dll.GetClassObject == nullptr) {
    ADD_FAILURE() << "OrvoColorControl.dll not loaded";
    return factory;
  }
  EXPECT_EQ(S_OK, dll.GetClassObject(CLSID_OrvoColorControl, IID_IClassFactory,
                                     reinterpret_cast<void**>(factory.GetAddressOf())));
  return factory;
}

ComPtr<IMediaObject> CreateColorControl() {
  ComPtr<IMediaObject> dmo;
  ComPtr<IClassFactory> factory = ColorControlFactory();
  if (factory) {
    EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IMediaObject, reinterpret_cast<void**>(dmo.GetAddressOf())));
  }
  return dmo;
}

void MediaTypeDeleter::operator()(DMO_MEDIA_TYPE* mt) const { MoDeleteMediaType(mt); }

MediaTypePtr EmptyMediaType() {
  DMO_MEDIA_TYPE* mt = nullptr;
  EXPECT_EQ(S_OK, MoCreateMediaType(&mt, 0));
  return MediaTypePtr(mt);
}

MediaTypePtr VideoType(const GUID& subtype, LONG width, LONG height, WORD bitCount, DWORD compression,
                       bool videoInfo2) {
  const DWORD formatBytes = videoInfo2 ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER);
  DMO_MEDIA_TYPE* mt = nullptr;
  EXPECT_EQ(S_OK, MoCreateMediaType(&mt, formatBytes));
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = subtype;
  mt->bFixedSizeSamples = TRUE;
  mt->bTemporalCompression = FALSE;
  mt->formattype = videoInfo2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo;
  std::memset(mt->pbFormat, 0, formatBytes);
  BITMAPINFOHEADER* header = Header(mt);
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = bitCount;
  header->biCompression = compression;
  const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
  header->biSizeImage = static_cast<DWORD>((static_cast<int64_t>(width) * bitCount / 8 + 3) / 4 * 4 * rows);
  mt->lSampleSize = header->biSizeImage;
  return MediaTypePtr(mt);
}

BITMAPINFOHEADER* Header(DMO_MEDIA_TYPE* mt) {
  if (IsEqualGUID(mt->formattype, FORMAT_VideoInfo2)) {
    return &reinterpret_cast<VIDEOINFOHEADER2*>(mt->pbFormat)->bmiHeader;
  }
  return &reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader;
}

MediaTypePtr Rgb32Type(LONG width, LONG height) { return VideoType(MEDIASUBTYPE_RGB32, width, height, 32, BI_RGB); }

MediaTypePtr Rgb24Type(LONG width, LONG height) { return VideoType(MEDIASUBTYPE_RGB24, width, height, 24, BI_RGB); }

MediaTypePtr Yuy2Type(LONG width, LONG height) {
  return VideoType(MEDIASUBTYPE_YUY2, width, height, 16, MAKEFOURCC('Y', 'U', 'Y', '2'));
}

TestBuffer::TestBuffer(DWORD maxLength, DWORD length) : bytes_(maxLength), length_(length) {}

STDMETHODIMP TestBuffer::QueryInterface(REFIID iid, void** out) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMediaBuffer)) {
    *out = static_cast<IMediaBuffer*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) TestBuffer::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

STDMETHODIMP_(ULONG) TestBuffer::Release() { return static_cast<ULONG>(InterlockedDecrement(&references_)); }

STDMETHODIMP TestBuffer::SetLength(DWORD length) {
  ++setLengthCalls_;
  if (length > bytes_.size()) return E_INVALIDARG;
  length_ = length;
  return S_OK;
}

STDMETHODIMP TestBuffer::GetMaxLength(DWORD* maxLength) {
  *maxLength = static_cast<DWORD>(bytes_.size());
  return S_OK;
}

STDMETHODIMP TestBuffer::GetBufferAndLength(BYTE** data, DWORD* length) {
  if (data != nullptr) *data = bytes_.empty() ? nullptr : bytes_.data();
  if (length != nullptr) *length = length_;
  return S_OK;
}

void FillNoise(std::vector<BYTE>& bytes, uint32_t seed) {
  for (BYTE& byte : bytes) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<BYTE>(seed >> 24);
  }
}

HRESULT SetSetting(IPropertyStore* store, const PROPERTYKEY& key, LONG value) {
  PROPVARIANT v;
  PropVariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return store->SetValue(key, v);
}
