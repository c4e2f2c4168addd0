// OrvoColorControl.dll under Wine, as the DMO Wrapper uses it (in a playing graph: brightness_contrast_test).
#include <windows.h>
#include <mediaobj.h>
extern "C" {
#include <dmort.h>
}
#include <dmo.h>
#include <dmodshow.h>
#include <dshow.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "color_control/color_control_ids.h"

using Microsoft::WRL::ComPtr;

namespace {

// The input and output buffer flags have the same values.
const DWORD AllFlags =
    DMO_INPUT_DATA_BUFFERF_SYNCPOINT | DMO_INPUT_DATA_BUFFERF_TIME | DMO_INPUT_DATA_BUFFERF_TIMELENGTH;

// Calls an entry point of the DLL beside the test program, which stays loaded.
HRESULT CallDll(const char* name) {
  static const HMODULE dll = LoadLibraryW(L"OrvoColorControl.dll");
  const auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(dll, name));
  return entry != nullptr ? entry() : E_FAIL;
}

using MediaTypePtr = std::unique_ptr<DMO_MEDIA_TYPE, HRESULT(WINAPI*)(DMO_MEDIA_TYPE*)>;

// A video type with a VIDEOINFOHEADER block, then changed by `change`.
MediaTypePtr VideoType(
    const GUID& subtype, LONG width, LONG height, WORD bitCount, DWORD compression = BI_RGB,
    void (*change)(DMO_MEDIA_TYPE*) = [](DMO_MEDIA_TYPE*) {}) {
  DMO_MEDIA_TYPE* mt = nullptr;
  EXPECT_EQ(S_OK, MoCreateMediaType(&mt, sizeof(VIDEOINFOHEADER)));
  *mt = {MEDIATYPE_Video, subtype, TRUE, FALSE, 0, FORMAT_VideoInfo, nullptr, mt->cbFormat, mt->pbFormat};
  *reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat) = {
      {}, {}, 0, 0, 0, {sizeof(BITMAPINFOHEADER), width, height, 1, bitCount, compression}};
  change(mt);
  return MediaTypePtr(mt, MoDeleteMediaType);
}
MediaTypePtr Rgb32(LONG w, LONG h) { return VideoType(MEDIASUBTYPE_RGB32, w, h, 32); }
MediaTypePtr Rgb24(LONG w, LONG h) { return VideoType(MEDIASUBTYPE_RGB24, w, h, 24); }
MediaTypePtr Yuy2(LONG w, LONG h) { return VideoType(MEDIASUBTYPE_YUY2, w, h, 16, MAKEFOURCC('Y', 'U', 'Y', '2')); }
MediaTypePtr Rgb32With(void (*change)(DMO_MEDIA_TYPE*)) { return VideoType(MEDIASUBTYPE_RGB32, 16, 16, 32, 0, change); }

// An IMediaBuffer over bytes the test owns, counting the references on it.
struct TestBuffer final : IMediaBuffer {
  TestBuffer(std::vector<BYTE> bytes, DWORD length) : Bytes(std::move(bytes)), Length(length) {}
  STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  STDMETHODIMP_(ULONG) AddRef() override { return ++References; }
  STDMETHODIMP_(ULONG) Release() override { return --References; }
  STDMETHODIMP SetLength(DWORD length) override {
    return length <= Bytes.size() ? (Length = length, S_OK) : E_INVALIDARG;
  }
  STDMETHODIMP GetMaxLength(DWORD* maxLength) override { return *maxLength = static_cast<DWORD>(Bytes.size()), S_OK; }
  STDMETHODIMP GetBufferAndLength(BYTE** data, DWORD* size) override { return *data = &Bytes[0], *size = Length, S_OK; }
  std::vector<BYTE> Bytes;
  DWORD Length;
  ULONG References = 0;
};

// A DMO made through COM, with both types set when one is given.
ComPtr<IMediaObject> ColorControl(const MediaTypePtr& type = MediaTypePtr(nullptr, nullptr)) {
  ComPtr<IMediaObject> dmo;
  EXPECT_EQ(S_OK, CoCreateInstance(CLSID_OrvoColorControl, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dmo)));
  EXPECT_EQ(S_OK, dmo && type ? dmo->SetInputType(0, type.get(), 0) : S_OK);
  EXPECT_EQ(S_OK, dmo && type ? dmo->SetOutputType(0, type.get(), 0) : S_OK);
  return dmo;
}

// ProcessOutput into one buffer whose status and times start as garbage.
HRESULT Output(IMediaObject* dmo, IMediaBuffer* buffer, DMO_OUTPUT_DATA_BUFFER* result) {
  *result = {buffer, 0xFFFFFFFF, -1, -1};
  DWORD status = 0xFFFFFFFF;
  const HRESULT hr = dmo->ProcessOutput(DMO_PROCESS_OUTPUT_DISCARD_WHEN_NO_BUFFER, 1, result, &status);
  EXPECT_EQ(0u, status);
  return hr;
}

// Writes a setting through the object's property store.
HRESULT SetSetting(IUnknown* object, const PROPERTYKEY& key, LONG value, VARTYPE type = VT_I4) {
  ComPtr<IPropertyStore> store;
  PROPVARIANT v;
  PropVariantInit(&v);
  v.vt = type;
  v.lVal = value;
  const HRESULT hr = object->QueryInterface(IID_PPV_ARGS(&store));
  return FAILED(hr) ? hr : store->SetValue(key, v);
}

// COM for the whole process: all cases run on the main thread.
const HRESULT ComReady = CoInitializeEx(nullptr, COINIT_MULTITHREADED);

}  // namespace

// RGB32, RGB24, YUY2 offered; TEST_ONLY gives exactly S_OK (the wrapper checks) and sets nothing.
TEST(ColorControlDll, OffersAcceptsAndRefusesTypes) {
  ComPtr<IMediaObject> dmo = ColorControl();
  EXPECT_EQ(S_OK, dmo->Lock(TRUE));
  EXPECT_EQ(S_OK, dmo->Lock(FALSE));
  EXPECT_EQ(E_UNEXPECTED, dmo->Lock(FALSE)) << "no unlock without a lock";
  const GUID* offered[] = {&MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_RGB24, &MEDIASUBTYPE_YUY2};
  DMO_MEDIA_TYPE mt;
  for (DWORD i = 0; i < 3; ++i) {
    ASSERT_EQ(S_OK, dmo->GetInputType(0, i, &mt));
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, mt.majortype) && IsEqualGUID(*offered[i], mt.subtype)) << i;
    MoFreeMediaType(&mt);
  }
  EXPECT_EQ(DMO_E_NO_MORE_ITEMS, dmo->GetInputType(0, 3, &mt));
  EXPECT_EQ(DMO_E_TYPE_NOT_SET, dmo->GetOutputType(0, 0, &mt));
  int row = 0;
  for (const MediaTypePtr& type : {Rgb32(160, 120), Rgb32(160, -120), Rgb24(161, 121), Yuy2(2, -1)}) {
    EXPECT_EQ(S_OK, dmo->SetInputType(0, type.get(), DMO_SET_TYPEF_TEST_ONLY)) << "row " << row;
    EXPECT_EQ(S_OK, dmo->SetOutputType(0, type.get(), DMO_SET_TYPEF_TEST_ONLY)) << "row " << row++;
  }
  EXPECT_EQ(DMO_E_TYPE_NOT_SET, dmo->GetInputCurrentType(0, &mt));
  for (const MediaTypePtr& type :
       {VideoType(MEDIASUBTYPE_RGB565, 16, 16, 16), VideoType(MEDIASUBTYPE_RGB32, 16, 16, 24),
        VideoType(MEDIASUBTYPE_RGB24, 16, 16, 24, BI_BITFIELDS), VideoType(MEDIASUBTYPE_YUY2, 16, 16, 16), Yuy2(15, 16),
        Rgb32(0, 16), Rgb32(16, 0), Rgb32(16385, 1), Rgb32(16, LONG_MIN), Rgb32(16384, 16384),
        Rgb32With([](DMO_MEDIA_TYPE* t) { t->majortype = MEDIATYPE_Audio; }),
        Rgb32With([](DMO_MEDIA_TYPE* t) { t->formattype = FORMAT_WaveFormatEx; }),
        Rgb32With([](DMO_MEDIA_TYPE* t) { t->cbFormat = sizeof(VIDEOINFOHEADER) - 1; }),
        Rgb32With([](DMO_MEDIA_TYPE* t) { reinterpret_cast<VIDEOINFOHEADER*>(t->pbFormat)->bmiHeader.biSize = 12; }),
        Rgb32With([](DMO_MEDIA_TYPE* t) { CoTaskMemFree(t->pbFormat), t->pbFormat = nullptr; })}) {
    EXPECT_EQ(DMO_E_TYPE_NOT_ACCEPTED, dmo->SetInputType(0, type.get(), DMO_SET_TYPEF_TEST_ONLY)) << "row " << row;
    EXPECT_EQ(DMO_E_TYPE_NOT_ACCEPTED, dmo->SetOutputType(0, type.get(), 0)) << "row " << row++;
  }
}

// The output type is the whole input type, one frame large; the input then can only be that type.
TEST(ColorControlDll, OutputIsTheInputTypeAndOneFrameLarge) {
  ComPtr<IMediaObject> dmo = ColorControl();
  MediaTypePtr input = Rgb24(161, -33);
  ASSERT_EQ(S_OK, dmo->SetInputType(0, input.get(), 0));
  DMO_MEDIA_TYPE output;
  ASSERT_EQ(S_OK, dmo->GetOutputType(0, 0, &output));
  EXPECT_TRUE(IsEqualGUID(input->subtype, output.subtype) && output.cbFormat == input->cbFormat &&
              std::memcmp(input->pbFormat, output.pbFormat, input->cbFormat) == 0);
  for (const MediaTypePtr& other : {Rgb24(161, 33), Rgb24(160, -33), Rgb32(161, -33)}) {
    EXPECT_EQ(DMO_E_TYPE_NOT_ACCEPTED, dmo->SetOutputType(0, other.get(), 0));
  }
  EXPECT_EQ(S_OK, dmo->SetOutputType(0, &output, 0));
  MoFreeMediaType(&output);
  DWORD size = 0, alignment = 0;
  ASSERT_EQ(S_OK, dmo->GetOutputSizeInfo(0, &size, &alignment));
  EXPECT_EQ(484u * 33u, size);  // rows of 483 bytes padded to 484
  EXPECT_EQ(DMO_E_TYPE_NOT_ACCEPTED, dmo->SetInputType(0, Yuy2(160, 33).get(), DMO_SET_TYPEF_TEST_ONLY));
  // Disconnected (both types cleared), it can be connected again with another format.
  EXPECT_TRUE(dmo->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR) == S_OK &&
              dmo->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR) == S_OK);
  EXPECT_EQ(S_OK, dmo->SetOutputType(0, Yuy2(160, 33).get(), 0));
}

// {type of 2 x 1 pixels, input flags, input, output}: at brightness +100 each frame comes out
// changed (colour bytes only) with its flags and times, then nothing; its buffer is not kept.
TEST(ColorControlDll, EachFrameComesOutChangedWithItsFlagsAndTimes) {
  const std::tuple<MediaTypePtr (*)(LONG, LONG), DWORD, std::vector<BYTE>, std::vector<BYTE>> cases[] = {
      {Rgb32, AllFlags, {117, 96, 200, 7, 0, 128, 255, 99}, {217, 196, 255, 7, 100, 228, 255, 99}},
      {Rgb24, DMO_INPUT_DATA_BUFFERF_TIME, {0, 128, 200, 9, 0, 128, 200, 9}, {100, 228, 255, 109, 100, 228, 200, 9}},
      {Yuy2, 0, {126, 90, 235, 160}, {226, 90, 255, 160}}};
  for (const auto& [type, flags, input, expected] : cases) {
    ComPtr<IMediaObject> dmo = ColorControl(type(2, 1));
    ASSERT_EQ(S_OK, SetSetting(dmo.Get(), ColorControlBrightnessKey, 100));
    TestBuffer in(input, static_cast<DWORD>(input.size())), out(std::vector<BYTE>(input.size() + 4, 0xEE), 0);
    ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, flags, 400000, 333667));
    EXPECT_EQ(0u, in.References);
    in.Bytes.assign(input.size(), 0);
    DMO_OUTPUT_DATA_BUFFER result;
    ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
    EXPECT_EQ(flags, result.dwStatus);
    EXPECT_TRUE(!(flags & DMO_INPUT_DATA_BUFFERF_TIME) || result.rtTimestamp == 400000);
    EXPECT_TRUE(!(flags & DMO_INPUT_DATA_BUFFERF_TIMELENGTH) || result.rtTimelength == 333667);
    EXPECT_EQ(expected, std::vector<BYTE>(out.Bytes.begin(), out.Bytes.begin() + out.Length));
    EXPECT_EQ(S_FALSE, Output(dmo.Get(), &out, &result));
    EXPECT_EQ(0u, result.dwStatus);
  }
}

TEST(ColorControlDll, ShortFramesFlushDiscontinuityAndTooSmallABuffer) {
  TestBuffer in(std::vector<BYTE>(64), 64), cut(std::vector<BYTE>(64), 63), out(std::vector<BYTE>(64), 0);
  EXPECT_EQ(DMO_E_TYPE_NOT_SET, ColorControl()->ProcessInput(0, &in, 0, 0, 0));
  ComPtr<IMediaObject> dmo = ColorControl(Rgb32(4, 4));
  DMO_OUTPUT_DATA_BUFFER result;
  // A short chunk (cut, or empty for a dropped frame) holds no picture.
  EXPECT_EQ(S_FALSE, dmo->ProcessInput(0, &cut, AllFlags, 0, 1));
  EXPECT_EQ(S_FALSE, Output(dmo.Get(), &out, &result));
  // One frame at a time; a flush (seek, stop) throws the waiting one away.
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
  EXPECT_EQ(DMO_E_NOTACCEPTING, dmo->ProcessInput(0, &in, 0, 0, 0));
  EXPECT_EQ(S_OK, dmo->Flush());
  EXPECT_EQ(S_FALSE, Output(dmo.Get(), &out, &result));
  // At the end of the stream the wrapper signals a discontinuity and drains.
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
  EXPECT_EQ(S_OK, dmo->Discontinuity(0));
  EXPECT_EQ(S_OK, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(64u, out.Length);
  // No output buffer (pin unconnected) or too small a one: nothing written, the frame dropped.
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
  EXPECT_EQ(S_OK, Output(dmo.Get(), nullptr, &result));
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
  TestBuffer small(std::vector<BYTE>(63, 0xAB), 0);
  EXPECT_TRUE(FAILED(Output(dmo.Get(), &small, &result)));
  EXPECT_EQ(std::vector<BYTE>(63, 0xAB), small.Bytes);
  EXPECT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
}

// {key (brightness, contrast, another), type, value, taken, value read back}: the settings start
// at 0, take -127..127 as 32-bit integers, refuse anything else; other keys read empty.
TEST(ColorControlDll, SettingsTakeTheirRangeOnly) {
  ComPtr<IPropertyStore> store;
  ASSERT_EQ(S_OK, ColorControl().As(&store));
  const PROPERTYKEY keys[] = {ColorControlBrightnessKey, ColorControlContrastKey, {ColorControlContrastKey.fmtid, 3}};
  const std::tuple<int, VARTYPE, LONG, bool, LONG> cases[] = {
      {0, VT_EMPTY, 0, false, 0},   {1, VT_EMPTY, 0, false, 0},   {0, VT_I4, 127, true, 127},
      {0, VT_I4, 128, false, 127},  {0, VT_I4, -127, true, -127}, {0, VT_I4, -128, false, -127},
      {1, VT_I4, -127, true, -127}, {1, VT_I4, 128, false, -127}, {1, VT_INT, 127, true, 127},
      {1, VT_I2, 3, false, 127},    {0, VT_I4, 5, true, 5},       {2, VT_I4, 5, false, 0}};
  for (const auto& [key, type, value, taken, then] : cases) {
    EXPECT_EQ(taken ? S_OK : E_INVALIDARG, SetSetting(store.Get(), keys[key], value, type))
        << key << " " << type << " " << value;
    PROPVARIANT v;
    ASSERT_EQ(S_OK, store->GetValue(keys[key], &v));
    EXPECT_TRUE(v.vt == (key == 2 ? VT_EMPTY : VT_I4) && v.lVal == then) << key << " " << value;
  }
}

// Unregistering takes the DMO from DMOEnum and COM; registering again gives it back.
TEST(ColorControlDll, UnregisterRemovesWhatRegisterWritesForDmoEnumAndCom) {
  const auto listed = [] {
    ComPtr<IEnumDMO> dmos;
    CLSID clsid;
    wchar_t* name = nullptr;
    int count = 0;
    EXPECT_EQ(S_OK, DMOEnum(DMOCATEGORY_VIDEO_EFFECT, 0, 0, nullptr, 0, nullptr, &dmos));
    while (dmos && dmos->Next(1, &clsid, &name, nullptr) == S_OK) {
      count += IsEqualCLSID(CLSID_OrvoColorControl, clsid) && std::wstring(name) == ColorControlName;
      CoTaskMemFree(name);
    }
    return count;
  };
  ComPtr<IMediaObject> dmo;
  EXPECT_EQ(S_OK, CallDll("DllUnregisterServer"));
  EXPECT_EQ(0, listed());
  EXPECT_EQ(REGDB_E_CLASSNOTREG,
            CoCreateInstance(CLSID_OrvoColorControl, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dmo)));
  ASSERT_EQ(S_OK, CallDll("DllRegisterServer"));
  EXPECT_EQ(1, listed());
  EXPECT_EQ(S_OK, CoCreateInstance(CLSID_OrvoColorControl, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dmo)));
}
