// OrvoColorControl.dll used directly, the way the DMO Wrapper filter uses it:
// its class factory, aggregation, type negotiation, streaming and settings.
#include <windows.h>
#include <mediaerr.h>
#include <mediaobj.h>
#include <propidl.h>
#include <propsys.h>
#include <dmo.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "color_control/color_control_ids.h"
#include "color_control_test_support.h"

namespace {

const HRESULT InvalidStream = static_cast<HRESULT>(DMO_E_INVALIDSTREAMINDEX);
const HRESULT TypeNotSet = static_cast<HRESULT>(DMO_E_TYPE_NOT_SET);
const HRESULT NotAccepting = static_cast<HRESULT>(DMO_E_NOTACCEPTING);
const HRESULT TypeNotAccepted = static_cast<HRESULT>(DMO_E_TYPE_NOT_ACCEPTED);
const HRESULT NoMoreItems = static_cast<HRESULT>(DMO_E_NO_MORE_ITEMS);

const DWORD AllInputFlags =
    DMO_INPUT_DATA_BUFFERF_SYNCPOINT | DMO_INPUT_DATA_BUFFERF_TIME | DMO_INPUT_DATA_BUFFERF_TIMELENGTH;
const DWORD AllOutputFlags =
    DMO_OUTPUT_DATA_BUFFERF_SYNCPOINT | DMO_OUTPUT_DATA_BUFFERF_TIME | DMO_OUTPUT_DATA_BUFFERF_TIMELENGTH;

class ColorControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_NE(nullptr, Dll().Module) << "cannot load OrvoColorControl.dll";
  }
  void TearDown() override { CoUninitialize(); }

  // A DMO with input and output set to type.
  ComPtr<IMediaObject> Streaming(const DMO_MEDIA_TYPE* type) {
    ComPtr<IMediaObject> dmo = CreateColorControl();
    EXPECT_EQ(S_OK, dmo->SetInputType(0, type, 0));
    EXPECT_EQ(S_OK, dmo->SetOutputType(0, type, 0));
    return dmo;
  }

  static ComPtr<IPropertyStore> Store(IMediaObject* dmo) {
    ComPtr<IPropertyStore> store;
    EXPECT_EQ(S_OK, dmo->QueryInterface(IID_PPV_ARGS(&store)));
    return store;
  }

  // ProcessOutput into out; returns its result, with the buffer status in
  // *bufferStatus. The status word starts as garbage, as the wrapper leaves it.
  static HRESULT Output(IMediaObject* dmo, IMediaBuffer* out, DMO_OUTPUT_DATA_BUFFER* result,
                        DWORD flags = DMO_PROCESS_OUTPUT_DISCARD_WHEN_NO_BUFFER) {
    DMO_OUTPUT_DATA_BUFFER buffer = {};
    buffer.pBuffer = out;
    buffer.dwStatus = 0xFFFFFFFF;
    buffer.rtTimestamp = -1;
    buffer.rtTimelength = -1;
    DWORD status = 0xFFFFFFFF;
    const HRESULT hr = dmo->ProcessOutput(flags, 1, &buffer, &status);
    EXPECT_EQ(0u, status);
    *result = buffer;
    return hr;
  }
};

// A controlling object, as the DMO Wrapper filter is: it creates the DMO
// aggregated and hands out the DMO's interfaces as its own.
class Aggregator final : public IUnknown {
 public:
  Aggregator() {
    ComPtr<IClassFactory> factory = ColorControlFactory();
    if (factory) {
      created_ = factory->CreateInstance(this, IID_IUnknown, reinterpret_cast<void**>(inner_.GetAddressOf()));
    }
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    if (!inner_) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return inner_->QueryInterface(iid, out);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++references_); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--references_); }

  HRESULT Created() const { return created_; }
  IUnknown* Inner() const { return inner_.Get(); }
  void ReleaseInner() { inner_.Reset(); }
  LONG References() const { return references_; }

 private:
  LONG references_ = 1;
  HRESULT created_ = E_FAIL;
  ComPtr<IUnknown> inner_;
};

}  // namespace

// --- the class factory and the module ------------------------------------------

TEST_F(ColorControlTest, FactoryServesOnlyItsClassAndAggregatesByTheRules) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, Dll().GetClassObject(CLSID_FilterGraph, IID_IClassFactory, &object));
  EXPECT_EQ(nullptr, object);

  ComPtr<IClassFactory> factory = ColorControlFactory();
  ASSERT_TRUE(factory);
  Aggregator outer;
  object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IMediaObject, &object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IBaseFilter, &object));
  EXPECT_EQ(nullptr, object);
}

TEST_F(ColorControlTest, DllStaysLoadedWhileAnythingIsAlive) {
  {
    ComPtr<IClassFactory> factory = ColorControlFactory();
    EXPECT_EQ(S_FALSE, Dll().CanUnloadNow());
    ComPtr<IMediaObject> dmo = CreateColorControl();
    factory.Reset();
    EXPECT_EQ(S_FALSE, Dll().CanUnloadNow());
    dmo.Reset();
  }
  EXPECT_EQ(S_OK, Dll().CanUnloadNow());
  ComPtr<IClassFactory> factory = ColorControlFactory();
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  factory.Reset();
  EXPECT_EQ(S_FALSE, Dll().CanUnloadNow());
  factory = ColorControlFactory();
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  factory.Reset();
  EXPECT_EQ(S_OK, Dll().CanUnloadNow());
}

// --- aggregation -----------------------------------------------------------------

TEST_F(ColorControlTest, AggregatedObjectDelegatesToItsOuterObject) {
  Aggregator outer;
  ASSERT_EQ(S_OK, outer.Created());
  ASSERT_NE(nullptr, outer.Inner());
  EXPECT_NE(static_cast<IUnknown*>(&outer), outer.Inner());

  // The wrapper's path: its QueryInterface forwards to the inner IUnknown.
  ComPtr<IPropertyStore> store;
  ASSERT_EQ(S_OK, outer.QueryInterface(IID_PPV_ARGS(&store)));
  ComPtr<IMediaObject> dmo;
  ASSERT_EQ(S_OK, outer.QueryInterface(IID_PPV_ARGS(&dmo)));
  EXPECT_EQ(3, outer.References());  // the references went to the outer object

  // COM identity: IUnknown of any interface is the outer object.
  ComPtr<IUnknown> identity;
  ASSERT_EQ(S_OK, store->QueryInterface(IID_PPV_ARGS(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.Get());
  identity.Reset();
  ASSERT_EQ(S_OK, dmo->QueryInterface(IID_PPV_ARGS(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.Get());
  identity.Reset();

  // The inner IUnknown answers for itself.
  ComPtr<IUnknown> inner;
  ASSERT_EQ(S_OK, outer.Inner()->QueryInterface(IID_PPV_ARGS(&inner)));
  EXPECT_EQ(outer.Inner(), inner.Get());
  inner.Reset();

  store.Reset();
  dmo.Reset();
  EXPECT_EQ(1, outer.References());
  outer.ReleaseInner();
  EXPECT_EQ(S_OK, Dll().CanUnloadNow());
}

TEST_F(ColorControlTest, FilterInterfacesAreLeftToTheWrapper) {
  Aggregator outer;
  ASSERT_EQ(S_OK, outer.Created());
  const IID* refused[] = {&IID_IBaseFilter,         &IID_IMediaFilter,   &IID_IPersist,
                          &IID_IMediaSeeking,       &IID_IMediaPosition, &IID_IPersistStream,
                          &IID_IMediaObjectInPlace, &IID_IDispatch};
  for (const IID* iid : refused) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, outer.Inner()->QueryInterface(*iid, &object));
    EXPECT_EQ(nullptr, object);
  }
  EXPECT_EQ(1, outer.References());
  outer.ReleaseInner();
}

TEST_F(ColorControlTest, StandaloneObjectHasOneIdentity) {
  ComPtr<IMediaObject> dmo = CreateColorControl();
  ComPtr<IPropertyStore> store = Store(dmo.Get());
  ComPtr<IUnknown> a, b;
  ASSERT_EQ(S_OK, dmo->QueryInterface(IID_PPV_ARGS(&a)));
  ASSERT_EQ(S_OK, store->QueryInterface(IID_PPV_ARGS(&b)));
  EXPECT_EQ(a.Get(), b.Get());
  ComPtr<IMediaObject> again;
  ASSERT_EQ(S_OK, store->QueryInterface(IID_PPV_ARGS(&again)));
  EXPECT_EQ(dmo.Get(), again.Get());
}

// --- streams and types -------------------------------------------------------------

TEST_F(ColorControlTest, OneInputAndOneOutputStream) {
  ComPtr<IMediaObject> dmo = CreateColorControl();
  DWORD inputs = 0, outputs = 0, flags = 0;
  ASSERT_EQ(S_OK, dmo->GetStreamCount(&inputs, &outputs));
  EXPECT_EQ(1u, inputs);
  EXPECT_EQ(1u, outputs);
  EXPECT_EQ(S_OK, dmo->GetInputStreamInfo(0, &flags));
  EXPECT_EQ(7u, flags);  // whole samples, one per buffer, fixed size
  EXPECT_EQ(S_OK, dmo->GetOutputStreamInfo(0, &flags));
  EXPECT_EQ(7u, flags);
  auto type = Rgb32Type(8, 8);
  EXPECT_EQ(InvalidStream, dmo->GetInputStreamInfo(1, &flags));
  EXPECT_EQ(InvalidStream, dmo->GetOutputStreamInfo(1, &flags));
  EXPECT_EQ(InvalidStream, dmo->SetInputType(1, type.get(), DMO_SET_TYPEF_TEST_ONLY));
  EXPECT_EQ(InvalidStream, dmo->SetOutputType(1, type.get(), DMO_SET_TYPEF_TEST_ONLY));
  EXPECT_EQ(InvalidStream, dmo->GetInputType(1, 0, nullptr));
  EXPECT_EQ(InvalidStream, dmo->Discontinuity(1));
}

TEST_F(ColorControlTest, OffersItsSubtypesAndNoOutputBeforeTheInput) {
  ComPtr<IMediaObject> dmo = CreateColorControl();
  const GUID* expected[] = {&MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_RGB24, &MEDIASUBTYPE_YUY2};
  for (DWORD i = 0; i < 3; ++i) {
    auto mt = EmptyMediaType();
    ASSERT_EQ(S_OK, dmo->GetInputType(0, i, mt.get()));
    EXPECT_TRUE(IsEqualGUID(MEDIATYPE_Video, mt->majortype));
    EXPECT_TRUE(IsEqualGUID(*expected[i], mt->subtype)) << i;
  }
  auto mt = EmptyMediaType();
  EXPECT_EQ(NoMoreItems, dmo->GetInputType(0, 3, mt.get()));
  EXPECT_EQ(TypeNotSet, dmo->GetOutputType(0, 0, mt.get()));
  EXPECT_EQ(TypeNotSet, dmo->GetInputCurrentType(0, mt.get()));
  DWORD size = 0, lookahead = 0, alignment = 0;
  EXPECT_EQ(TypeNotSet, dmo->GetOutputSizeInfo(0, &size, &alignment));
  EXPECT_EQ(TypeNotSet, dmo->GetInputSizeInfo(0, &size, &lookahead, &alignment));
}

TEST_F(ColorControlTest, TestOnlyAcceptsEachHandledTypeWithExactlySOk) {
  ComPtr<IMediaObject> dmo = CreateColorControl();
  MediaTypePtr types[] = {
      Rgb32Type(160, 120),
      Rgb32Type(160, -120),
      Rgb24Type(161, 121),  // padded rows
      Rgb24Type(160, -120),
      Yuy2Type(160, 120),
      Yuy2Type(2, -1),
      VideoType(MEDIASUBTYPE_RGB32, 64, 48, 32, BI_RGB, true),
      VideoType(MEDIASUBTYPE_YUY2, 64, 48, 16, MAKEFOURCC('Y', 'U', 'Y', '2'), true),
  };
  for (const MediaTypePtr& type : types) {
    EXPECT_EQ(S_OK, dmo->SetInputType(0, type.get(), DMO_SET_TYPEF_TEST_ONLY))
        << Header(type.get())->biWidth << "x" << Header(type.get())->biHeight;
    EXPECT_EQ(S_OK, dmo->SetOutputType(0, type.get(), DMO_SET_TYPEF_TEST_ONLY));
  }
  // Testing sets nothing.
  auto mt = EmptyMediaType();
  EXPECT_EQ(TypeNotSet, dmo->GetInputCurrentType(0, mt.get()));
  EXPECT_EQ(TypeNotSet, dmo->GetOutputCurrentType(0, mt.get()));
}

TEST_F(ColorControlTest, RefusesTypesItCannotProcessSafely) {
  ComPtr<IMediaObject> dmo = CreateColorControl();
  std::vector<MediaTypePtr> refused;
  refused.push_back(VideoType(MEDIASUBTYPE_RGB565, 16, 16, 16, BI_RGB));
  refused.push_back(VideoType(MEDIASUBTYPE_RGB32, 16, 16, 24, BI_RGB));  // bit count
  refused.push_back(VideoType(MEDIASUBTYPE_RGB24, 16, 16, 24, BI_BITFIELDS));
  refused.push_back(VideoType(MEDIASUBTYPE_YUY2, 16, 16, 16, BI_RGB));  // compression
  refused.push_back(Yuy2Type(15, 16));                                  // odd width
  refused.push_back(Rgb32Type(0, 16));
  refused.push_back(Rgb32Type(-16, 16));
  refused.push_back(Rgb32Type(16, 0));
  refused.push_back(Rgb32Type(100000, 100000));
  refused.push_back(Rgb32Type(16, static_cast<LONG>(0x80000000u)));
  {
    auto audio = Rgb32Type(16, 16);
    audio->majortype = MEDIATYPE_Audio;
    refused.push_back(std::move(audio));
  }
  {
    auto wave = Rgb32Type(16, 16);
    wave->formattype = FORMAT_WaveFormatEx;
    refused.push_back(std::move(wave));
  }
  {
    auto shortBlock = Rgb32Type(16, 16);
    shortBlock->cbFormat = sizeof(VIDEOINFOHEADER) - 1;
    refused.push_back(std::move(shortBlock));
  }
  {
    auto smallHeader = Rgb32Type(16, 16);
    Header(smallHeader.get())->biSize = 12;
    refused.push_back(std::move(smallHeader));
  }
  {
    auto partial = EmptyMediaType();  // what GetInputType offers: no format block
    ASSERT_EQ(S_OK, dmo->GetInputType(0, 0, partial.get()));
    refused.push_back(std::move(partial));
  }
  for (std::size_t i = 0; i < refused.size(); ++i) {
    EXPECT_EQ(TypeNotAccepted, dmo->SetInputType(0, refused[i].get(), DMO_SET_TYPEF_TEST_ONLY)) << "type " << i;
    EXPECT_EQ(TypeNotAccepted, dmo->SetInputType(0, refused[i].get(), 0)) << "type " << i;
    EXPECT_EQ(TypeNotAccepted, dmo->SetOutputType(0, refused[i].get(), 0)) << "type " << i;
  }
  {
    auto noBlock = Rgb32Type(16, 16);
    BYTE* block = noBlock->pbFormat;
    noBlock->pbFormat = nullptr;
    EXPECT_EQ(TypeNotAccepted, dmo->SetInputType(0, noBlock.get(), 0));
    noBlock->pbFormat = block;
  }
  EXPECT_EQ(E_POINTER, dmo->SetInputType(0, nullptr, 0));
  EXPECT_EQ(E_INVALIDARG, dmo->SetInputType(0, Rgb32Type(8, 8).get(), 0x100));
}

TEST_F(ColorControlTest, OutputTypeIsTheWholeInputType) {
  ComPtr<IMediaObject> dmo = CreateColorControl();
  auto input = Rgb24Type(161, -33);
  ASSERT_EQ(S_OK, dmo->SetInputType(0, input.get(), 0));

  auto output = EmptyMediaType();
  ASSERT_EQ(S_OK, dmo->GetOutputType(0, 0, output.get()));
  EXPECT_TRUE(IsEqualGUID(input->majortype, output->majortype));
  EXPECT_TRUE(IsEqualGUID(input->subtype, output->subtype));
  EXPECT_TRUE(IsEqualGUID(input->formattype, output->formattype));
  EXPECT_EQ(input->bFixedSizeSamples, output->bFixedSizeSamples);
  EXPECT_EQ(input->lSampleSize, output->lSampleSize);
  ASSERT_EQ(input->cbFormat, output->cbFormat);
  ASSERT_NE(nullptr, output->pbFormat);
  EXPECT_EQ(0, std::memcmp(input->pbFormat, output->pbFormat, input->cbFormat));
  auto none = EmptyMediaType();
  EXPECT_EQ(NoMoreItems, dmo->GetOutputType(0, 1, none.get()));

  // The wrapper tests the type it was given, then sets it.
  EXPECT_EQ(S_OK, dmo->SetOutputType(0, output.get(), DMO_SET_TYPEF_TEST_ONLY));
  EXPECT_EQ(TypeNotAccepted, dmo->SetOutputType(0, Rgb24Type(161, 33).get(), 0));  // rows flipped
  EXPECT_EQ(TypeNotAccepted, dmo->SetOutputType(0, Rgb32Type(161, -33).get(), 0));
  EXPECT_EQ(TypeNotAccepted, dmo->SetOutputType(0, Rgb24Type(160, -33).get(), 0));
  ASSERT_EQ(S_OK, dmo->SetOutputType(0, output.get(), 0));
  DWORD size = 0, alignment = 0, lookahead = 0;
  ASSERT_EQ(S_OK, dmo->GetOutputSizeInfo(0, &size, &alignment));
  EXPECT_EQ(484u * 33u, size);
  ASSERT_EQ(S_OK, dmo->GetInputSizeInfo(0, &size, &lookahead, &alignment));
  EXPECT_EQ(484u * 33u, size);

  // With the output set, the input can only be that type again.
  auto offered = EmptyMediaType();
  ASSERT_EQ(S_OK, dmo->GetInputType(0, 0, offered.get()));
  EXPECT_EQ(S_OK, dmo->SetInputType(0, offered.get(), DMO_SET_TYPEF_TEST_ONLY));
  EXPECT_EQ(NoMoreItems, dmo->GetInputType(0, 1, none.get()));
  EXPECT_EQ(TypeNotAccepted, dmo->SetInputType(0, Yuy2Type(160, 33).get(), 0));
}

TEST_F(ColorControlTest, ClearingATypeTakesItAway) {
  ComPtr<IMediaObject> dmo = CreateColorControl();
  ASSERT_EQ(S_OK, dmo->SetInputType(0, Rgb32Type(16, 16).get(), 0));
  ASSERT_EQ(S_OK, dmo->SetOutputType(0, Rgb32Type(16, 16).get(), 0));
  EXPECT_EQ(S_OK, dmo->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR));
  EXPECT_EQ(S_OK, dmo->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR));
  auto mt = EmptyMediaType();
  EXPECT_EQ(TypeNotSet, dmo->GetInputCurrentType(0, mt.get()));
  EXPECT_EQ(TypeNotSet, dmo->GetOutputCurrentType(0, mt.get()));
  // Reconnected with another format, as after a new file.
  EXPECT_EQ(S_OK, dmo->SetInputType(0, Yuy2Type(32, 8).get(), 0));
  EXPECT_EQ(S_OK, dmo->SetOutputType(0, Yuy2Type(32, 8).get(), 0));
}

// --- streaming -----------------------------------------------------------------------

TEST_F(ColorControlTest, NoStreamingBeforeBothTypesAreSet) {
  ComPtr<IMediaObject> dmo = CreateColorControl();
  TestBuffer in(64 * 4, 64 * 4);
  EXPECT_EQ(TypeNotSet, dmo->ProcessInput(0, &in, 0, 0, 0));
  ASSERT_EQ(S_OK, dmo->SetInputType(0, Rgb32Type(8, 8).get(), 0));
  EXPECT_EQ(TypeNotSet, dmo->ProcessInput(0, &in, 0, 0, 0));
  TestBuffer out(64 * 4, 0);
  DMO_OUTPUT_DATA_BUFFER result;
  EXPECT_EQ(TypeNotSet, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(0u, result.dwStatus);
  EXPECT_EQ(0, in.ExtraReferences());
  // One buffer description, for the one output stream.
  DMO_OUTPUT_DATA_BUFFER buffers[2] = {};
  DWORD status = 0;
  EXPECT_EQ(E_INVALIDARG, dmo->ProcessOutput(0, 2, buffers, &status));
  EXPECT_EQ(E_POINTER, dmo->ProcessOutput(0, 1, nullptr, &status));
  EXPECT_EQ(E_NOTIMPL, dmo->Lock(TRUE));
}

TEST_F(ColorControlTest, NeutralFrameComesOutBitForBitWithItsTimes) {
  auto types = {Rgb32Type(33, 7), Rgb24Type(33, 7), Yuy2Type(34, -7)};
  for (const MediaTypePtr& type : types) {
    ComPtr<IMediaObject> dmo = Streaming(type.get());
    DWORD frame = 0, alignment = 0;
    ASSERT_EQ(S_OK, dmo->GetOutputSizeInfo(0, &frame, &alignment));
    TestBuffer in(frame, frame);
    FillNoise(in.Bytes(), 42);
    ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, AllInputFlags, 400000, 333667));
    EXPECT_EQ(0, in.ExtraReferences()) << "the input buffer was kept";

    TestBuffer out(frame + 100, 0);
    DMO_OUTPUT_DATA_BUFFER result;
    ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
    EXPECT_EQ(AllOutputFlags, result.dwStatus);
    EXPECT_EQ(400000, result.rtTimestamp);
    EXPECT_EQ(333667, result.rtTimelength);
    ASSERT_EQ(frame, out.Length());
    EXPECT_EQ(0, std::memcmp(in.Bytes().data(), out.Bytes().data(), frame));
    EXPECT_EQ(0, out.ExtraReferences());

    // Drained: nothing more, and the status says so.
    ASSERT_EQ(S_FALSE, Output(dmo.Get(), &out, &result));
    EXPECT_EQ(0u, result.dwStatus);
  }
}

TEST_F(ColorControlTest, StatusCarriesOnlyWhatTheInputHad) {
  ComPtr<IMediaObject> dmo = Streaming(Rgb32Type(4, 4).get());
  TestBuffer in(64, 64), out(64, 0);
  DMO_OUTPUT_DATA_BUFFER result;
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
  ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(0u, result.dwStatus);
  EXPECT_EQ(64u, out.Length());

  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, DMO_INPUT_DATA_BUFFERF_TIME, 123, 0));
  ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(static_cast<DWORD>(DMO_OUTPUT_DATA_BUFFERF_TIME), result.dwStatus);
  EXPECT_EQ(123, result.rtTimestamp);
}

TEST_F(ColorControlTest, OneFrameAtATime) {
  ComPtr<IMediaObject> dmo = Streaming(Rgb32Type(4, 4).get());
  TestBuffer in(64, 64), out(64, 0);
  DWORD flags = 0;
  ASSERT_EQ(S_OK, dmo->GetInputStatus(0, &flags));
  EXPECT_EQ(static_cast<DWORD>(DMO_INPUT_STATUSF_ACCEPT_DATA), flags);
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
  ASSERT_EQ(S_OK, dmo->GetInputStatus(0, &flags));
  EXPECT_EQ(0u, flags);
  EXPECT_EQ(NotAccepting, dmo->ProcessInput(0, &in, 0, 0, 0));
  DMO_OUTPUT_DATA_BUFFER result;
  ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));  // accepted again once drained
}

TEST_F(ColorControlTest, InputIsCopiedSoTheCallerMayReuseItsBuffer) {
  ComPtr<IMediaObject> dmo = Streaming(Rgb32Type(4, 4).get());
  TestBuffer in(64, 64), out(64, 0);
  FillNoise(in.Bytes(), 1);
  const std::vector<BYTE> sent = in.Bytes();
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
  std::fill(in.Bytes().begin(), in.Bytes().end(), 0);  // the wrapper's sample is gone
  DMO_OUTPUT_DATA_BUFFER result;
  ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(sent, out.Bytes());
}

TEST_F(ColorControlTest, BrightnessAndContrastChangeThePicture) {
  // RGB32: colour channels change, the fourth byte does not.
  {
    ComPtr<IMediaObject> dmo = Streaming(Rgb32Type(2, 1).get());
    ComPtr<IPropertyStore> store = Store(dmo.Get());
    ASSERT_EQ(S_OK, SetSetting(store.Get(), ColorControlBrightnessKey, 100));
    TestBuffer in(8, 8), out(8, 0);
    in.Bytes() = {117, 96, 200, 7, 0, 128, 255, 99};
    ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
    DMO_OUTPUT_DATA_BUFFER result;
    ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
    EXPECT_EQ((std::vector<BYTE>{217, 196, 255, 7, 100, 228, 255, 99}), out.Bytes());

    ASSERT_EQ(S_OK, SetSetting(store.Get(), ColorControlBrightnessKey, 0));
    ASSERT_EQ(S_OK, SetSetting(store.Get(), ColorControlContrastKey, 64));  // x 1.5
    ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
    ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
    EXPECT_EQ((std::vector<BYTE>{111, 80, 236, 7, 0, 128, 255, 99}), out.Bytes());

    // Back to neutral: the input again, exactly.
    ASSERT_EQ(S_OK, SetSetting(store.Get(), ColorControlContrastKey, 0));
    ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
    ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
    EXPECT_EQ(in.Bytes(), out.Bytes());
  }
  // YUY2: luma changes, chroma does not.
  {
    ComPtr<IMediaObject> dmo = Streaming(Yuy2Type(2, 1).get());
    ComPtr<IPropertyStore> store = Store(dmo.Get());
    ASSERT_EQ(S_OK, SetSetting(store.Get(), ColorControlBrightnessKey, -127));
    TestBuffer in(4, 4), out(4, 0);
    in.Bytes() = {126, 90, 235, 160};
    ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
    DMO_OUTPUT_DATA_BUFFER result;
    ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
    EXPECT_EQ((std::vector<BYTE>{0, 90, 108, 160}), out.Bytes());
  }
}

TEST_F(ColorControlTest, UndeliverableFramesAreDroppedNotStuck) {
  ComPtr<IMediaObject> dmo = Streaming(Rgb32Type(4, 4).get());
  TestBuffer in(64, 64);
  DMO_OUTPUT_DATA_BUFFER result;

  // No output buffer, discarding allowed (the output pin is not connected).
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, AllInputFlags, 5, 5));
  EXPECT_EQ(S_OK, Output(dmo.Get(), nullptr, &result));
  EXPECT_EQ(0u, result.dwStatus);
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));

  // No output buffer and no permission to discard: the frame waits.
  EXPECT_EQ(E_POINTER, Output(dmo.Get(), nullptr, &result, 0));
  TestBuffer out(64, 0);
  ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(64u, out.Length());

  // An output buffer too small for a frame: nothing written past it, the
  // frame dropped, the next one accepted.
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
  TestBuffer small(63, 0);
  std::fill(small.Bytes().begin(), small.Bytes().end(), 0xAB);
  EXPECT_TRUE(FAILED(Output(dmo.Get(), &small, &result)));
  EXPECT_EQ(0u, result.dwStatus);
  EXPECT_EQ(0u, small.Length());
  EXPECT_EQ(std::vector<BYTE>(63, 0xAB), small.Bytes());
  EXPECT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
}

TEST_F(ColorControlTest, ShortInputHoldsNoPicture) {
  ComPtr<IMediaObject> dmo = Streaming(Rgb32Type(4, 4).get());
  TestBuffer empty(64, 0), cut(64, 63), out(64, 0);
  DMO_OUTPUT_DATA_BUFFER result;
  EXPECT_EQ(S_FALSE, dmo->ProcessInput(0, &empty, AllInputFlags, 0, 1));
  EXPECT_EQ(S_FALSE, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(0u, result.dwStatus);
  EXPECT_EQ(S_FALSE, dmo->ProcessInput(0, &cut, 0, 0, 0));
  EXPECT_EQ(S_FALSE, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(0u, out.Length());
  EXPECT_EQ(E_POINTER, dmo->ProcessInput(0, nullptr, 0, 0, 0));
}

TEST_F(ColorControlTest, FlushAndDiscontinuity) {
  ComPtr<IMediaObject> dmo = Streaming(Yuy2Type(4, 2).get());
  TestBuffer in(16, 16), out(16, 0);
  DMO_OUTPUT_DATA_BUFFER result;

  // The wrapper's order at a discontinuity: Discontinuity, an output pass.
  EXPECT_EQ(S_OK, dmo->Discontinuity(0));
  EXPECT_EQ(S_FALSE, Output(dmo.Get(), &out, &result));
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, AllInputFlags, 0, 1));
  ASSERT_EQ(S_OK, Output(dmo.Get(), &out, &result));

  // A flush (seek, stop, end of stream) throws the pending frame away.
  ASSERT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));
  EXPECT_EQ(S_OK, dmo->Flush());
  EXPECT_EQ(S_FALSE, Output(dmo.Get(), &out, &result));
  EXPECT_EQ(S_OK, dmo->ProcessInput(0, &in, 0, 0, 0));

  // So does disconnecting (clearing a type).
  EXPECT_EQ(S_OK, dmo->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR));
  EXPECT_EQ(S_OK, dmo->SetOutputType(0, Yuy2Type(4, 2).get(), 0));
  EXPECT_EQ(S_FALSE, Output(dmo.Get(), &out, &result));
}

// --- settings ------------------------------------------------------------------------

TEST_F(ColorControlTest, PropertyStoreListsTheTwoKeys) {
  ComPtr<IPropertyStore> store = Store(CreateColorControl().Get());
  DWORD count = 0;
  ASSERT_EQ(S_OK, store->GetCount(&count));
  EXPECT_EQ(2u, count);
  PROPERTYKEY key;
  ASSERT_EQ(S_OK, store->GetAt(0, &key));
  EXPECT_TRUE(IsEqualPropertyKey(ColorControlBrightnessKey, key));
  ASSERT_EQ(S_OK, store->GetAt(1, &key));
  EXPECT_TRUE(IsEqualPropertyKey(ColorControlContrastKey, key));
  EXPECT_EQ(E_INVALIDARG, store->GetAt(2, &key));
  // The format identifier of both keys.
  const GUID fmtid = {0x174fb0ec, 0x2695, 0x476c, {0x88, 0xaa, 0xd2, 0xb4, 0x1c, 0xe7, 0x5e, 0x67}};
  EXPECT_TRUE(IsEqualGUID(fmtid, ColorControlBrightnessKey.fmtid));
  EXPECT_EQ(1u, ColorControlBrightnessKey.pid);
  EXPECT_EQ(2u, ColorControlContrastKey.pid);

  // Any other key: empty, and not writable.
  PROPERTYKEY other = ColorControlBrightnessKey;
  other.pid = 3;
  PROPVARIANT value;
  value.vt = VT_I4;
  ASSERT_EQ(S_OK, store->GetValue(other, &value));
  EXPECT_EQ(VT_EMPTY, value.vt);
  EXPECT_EQ(E_INVALIDARG, SetSetting(store.Get(), other, 1));
  EXPECT_EQ(E_POINTER, store->GetValue(ColorControlBrightnessKey, nullptr));
}

TEST_F(ColorControlTest, SettingsStartNeutralAndTakeTheirRange) {
  ComPtr<IPropertyStore> store = Store(CreateColorControl().Get());
  for (const PROPERTYKEY* key : {&ColorControlBrightnessKey, &ColorControlContrastKey}) {
    PROPVARIANT value;
    ASSERT_EQ(S_OK, store->GetValue(*key, &value));
    EXPECT_EQ(VT_I4, value.vt);
    EXPECT_EQ(0, value.lVal);
    for (LONG v : {-127L, 127L, 5L}) {
      ASSERT_EQ(S_OK, SetSetting(store.Get(), *key, v));
      ASSERT_EQ(S_OK, store->GetValue(*key, &value));
      EXPECT_EQ(v, value.lVal);
    }
    // Out of range or of another type: refused, the value stays.
    EXPECT_EQ(E_INVALIDARG, SetSetting(store.Get(), *key, 128));
    EXPECT_EQ(E_INVALIDARG, SetSetting(store.Get(), *key, -128));
    PROPVARIANT other;
    PropVariantInit(&other);
    other.vt = VT_I2;
    other.iVal = 3;
    EXPECT_EQ(E_INVALIDARG, store->SetValue(*key, other));
    other.vt = VT_EMPTY;
    EXPECT_EQ(E_INVALIDARG, store->SetValue(*key, other));
    other.vt = VT_INT;
    other.intVal = -9;
    EXPECT_EQ(S_OK, store->SetValue(*key, other));
    ASSERT_EQ(S_OK, store->GetValue(*key, &value));
    EXPECT_EQ(-9, value.lVal);
  }
  EXPECT_EQ(S_OK, store->Commit());
}

TEST_F(ColorControlTest, TheProgramsWayOfWritingASetting) {
  // Read the value, replace its 32-bit payload, keep its type, write it back.
  ComPtr<IPropertyStore> store = Store(CreateColorControl().Get());
  PROPVARIANT value;
  ASSERT_EQ(S_OK, store->GetValue(ColorControlContrastKey, &value));
  value.lVal = (100 * 254) / 100 - 127;
  ASSERT_EQ(S_OK, store->SetValue(ColorControlContrastKey, value));
  PROPVARIANT check;
  ASSERT_EQ(S_OK, store->GetValue(ColorControlContrastKey, &check));
  EXPECT_EQ(127, check.lVal);
  ASSERT_EQ(S_OK, store->GetValue(ColorControlBrightnessKey, &check));
  EXPECT_EQ(0, check.lVal);
}
