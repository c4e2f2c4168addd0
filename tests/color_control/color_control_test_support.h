// Helpers for the tests of OrvoColorControl.dll: the DLL loaded from the test
// program's folder, media types, and a media buffer that counts its
// references.
#pragma once

#include <windows.h>
#include <mediaobj.h>
#include <propsys.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

// The DLL beside the test program, loaded once for the whole process.
struct ColorControlDll {
  HMODULE Module = nullptr;
  HRESULT(STDAPICALLTYPE* GetClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE* CanUnloadNow)() = nullptr;
  HRESULT(STDAPICALLTYPE* RegisterServer)() = nullptr;
  HRESULT(STDAPICALLTYPE* UnregisterServer)() = nullptr;
};
const ColorControlDll& Dll();
std::wstring DllPath();
std::wstring TestProgramFolder();

ComPtr<IClassFactory> ColorControlFactory();
// A DMO, not aggregated.
ComPtr<IMediaObject> CreateColorControl();

// DMO_MEDIA_TYPE from MoCreateMediaType, freed with MoDeleteMediaType.
struct MediaTypeDeleter {
  void operator()(DMO_MEDIA_TYPE* mt) const;
};
using MediaTypePtr = std::unique_ptr<DMO_MEDIA_TYPE, MediaTypeDeleter>;

// An empty type to be filled by GetInputType and friends.
MediaTypePtr EmptyMediaType();
// A complete video type with a VIDEOINFOHEADER (or VIDEOINFOHEADER2) block.
MediaTypePtr VideoType(const GUID& subtype, LONG width, LONG height, WORD bitCount, DWORD compression,
                       bool videoInfo2 = false);
MediaTypePtr Rgb32Type(LONG width, LONG height);
MediaTypePtr Rgb24Type(LONG width, LONG height);
MediaTypePtr Yuy2Type(LONG width, LONG height);
// The bitmap header inside a type made by VideoType.
BITMAPINFOHEADER* Header(DMO_MEDIA_TYPE* mt);

// An IMediaBuffer over a byte vector. It counts references but is owned by
// the test (never deleted by Release).
class TestBuffer final : public IMediaBuffer {
 public:
  TestBuffer(DWORD maxLength, DWORD length);
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP SetLength(DWORD length) override;
  STDMETHODIMP GetMaxLength(DWORD* maxLength) override;
  STDMETHODIMP GetBufferAndLength(BYTE** data, DWORD* length) override;

  std::vector<BYTE>& Bytes() { return bytes_; }
  DWORD Length() const { return length_; }
  // References beyond the owner's own one.
  LONG ExtraReferences() const { return references_ - 1; }
  int SetLengthCalls() const { return setLengthCalls_; }

 private:
  std::vector<BYTE> bytes_;
  DWORD length_;
  LONG references_ = 1;
  int setLengthCalls_ = 0;
};

// Fills bytes with a repeatable pseudo-random pattern.
void FillNoise(std::vector<BYTE>& bytes, uint32_t seed);

// Sets a setting through the property store (VT_I4).
HRESULT SetSetting(IPropertyStore* store, const PROPERTYKEY& key, LONG value);
