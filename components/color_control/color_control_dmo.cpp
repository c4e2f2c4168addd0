#include "color_control/color_control_dmo.h"

#include <mediaerr.h>
#include <propidl.h>
extern "C" {
#include <dmort.h>
}
#include <dmo.h>
#include <uuids.h>

#include <cstring>
#include <new>

#include "color_control/color_control_ids.h"
#include "color_control/color_control_module.h"
#include "color_control/color_media_type.h"

namespace {

const HRESULT InvalidStream = static_cast<HRESULT>(DMO_E_INVALIDSTREAMINDEX);
const HRESULT TypeNotSet = static_cast<HRESULT>(DMO_E_TYPE_NOT_SET);
const HRESULT NotAccepting = static_cast<HRESULT>(DMO_E_NOTACCEPTING);
const HRESULT TypeNotAccepted = static_cast<HRESULT>(DMO_E_TYPE_NOT_ACCEPTED);
const HRESULT NoMoreItems = static_cast<HRESULT>(DMO_E_NO_MORE_ITEMS);

// Stream flags (DMO_INPUT_STREAMF_* and DMO_OUTPUT_STREAMF_* have the same
// values; MinGW's headers lack them): whole samples, one sample per buffer,
// a fixed sample size.
const DWORD StreamFlags = 0x1 | 0x2 | 0x4;

const DWORD InputBufferFlags =
    DMO_INPUT_DATA_BUFFERF_SYNCPOINT | DMO_INPUT_DATA_BUFFERF_TIME | DMO_INPUT_DATA_BUFFERF_TIMELENGTH;

// Holds a critical section for one scope.
class Guard {
 public:
  explicit Guard(CRITICAL_SECTION* section) : section_(section) { EnterCriticalSection(section_); }
  ~Guard() { LeaveCriticalSection(section_); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  CRITICAL_SECTION* section_;
};

bool SameKey(const PROPERTYKEY& a, const PROPERTYKEY& b) { return a.pid == b.pid && IsEqualGUID(a.fmtid, b.fmtid); }

}  // namespace

// --- life and identity ---------------------------------------------------------

HRESULT ColorControlDmo::Create(IUnknown* outer, IUnknown** inner) {
  if (inner == nullptr) return E_POINTER;
  *inner = nullptr;
  ColorControlDmo* dmo = new (std::nothrow) ColorControlDmo(outer);
  if (dmo == nullptr) return E_OUTOFMEMORY;
  *inner = &dmo->inner_;
  return S_OK;
}

ColorControlDmo::ColorControlDmo(IUnknown* outer) : inner_(this), outer_(outer != nullptr ? outer : &inner_) {
  InitializeCriticalSection(&lock_);
  ColorControlObjectCreated();
}

ColorControlDmo::~ColorControlDmo() {
  if (inputSet_) MoFreeMediaType(&inputType_);
  if (outputSet_) MoFreeMediaType(&outputType_);
  DeleteCriticalSection(&lock_);
  ColorControlObjectDestroyed();
}

STDMETHODIMP ColorControlDmo::InnerUnknown::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown)) {
    *out = static_cast<IUnknown*>(this);
  } else if (IsEqualIID(iid, IID_IMediaObject)) {
    *out = static_cast<IMediaObject*>(owner_);
  } else if (IsEqualIID(iid, IID_IPropertyStore)) {
    *out = static_cast<IPropertyStore*>(owner_);
  } else {
    return E_NOINTERFACE;
  }
  // Through the interface just handed out: for IMediaObject and
  // IPropertyStore that counts on the controlling IUnknown.
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ColorControlDmo::InnerUnknown::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&owner_->references_));
}

STDMETHODIMP_(ULONG) ColorControlDmo::InnerUnknown::Release() {
  const LONG left = InterlockedDecrement(&owner_->references_);
  if (left == 0) delete owner_;
  return static_cast<ULONG>(left);
}

STDMETHODIMP ColorControlDmo::QueryInterface(REFIID iid, void** out) { return outer_->QueryInterface(iid, out); }

STDMETHODIMP_(ULONG) ColorControlDmo::AddRef() { return outer_->AddRef(); }

STDMETHODIMP_(ULONG) ColorControlDmo::Release() { return outer_->Release(); }

// --- streams and types ---------------------------------------------------------

STDMETHODIMP ColorControlDmo::GetStreamCount(DWORD* inputs, DWORD* outputs) {
  if (inputs == nullptr || outputs == nullptr) return E_POINTER;
  *inputs = 1;
  *outputs = 1;
  return S_OK;
}

STDMETHODIMP ColorControlDmo::GetInputStreamInfo(DWORD stream, DWORD* flags) {
  if (stream != 0) return InvalidStream;
  if (flags == nullptr) return E_POINTER;
  *flags = StreamFlags;
  return S_OK;
}

STDMETHODIMP ColorControlDmo::GetOutputStreamInfo(DWORD stream, DWORD* flags) {
  if (stream != 0) return InvalidStream;
  if (flags == nullptr) return E_POINTER;
  *flags = StreamFlags;
  return S_OK;
}

HRESULT ColorControlDmo::CopyType(const DMO_MEDIA_TYPE& from, DMO_MEDIA_TYPE* to) const {
  return MoCopyMediaType(to, &from);
}

// Once the output type is set, the input can only be the same; before that
// the subtypes are offered without a format block.
STDMETHODIMP ColorControlDmo::GetInputType(DWORD stream, DWORD index, DMO_MEDIA_TYPE* mt) {
  if (stream != 0) return InvalidStream;
  Guard guard(&lock_);
  if (outputSet_) {
    if (index != 0) return NoMoreItems;
    return mt != nullptr ? CopyType(outputType_, mt) : S_OK;
  }
  if (index >= ColorSubtypeCount) return NoMoreItems;
  if (mt == nullptr) return S_OK;
  const HRESULT hr = MoInitMediaType(mt, 0);
  if (FAILED(hr)) return hr;
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = ColorSubtype(index);
  mt->bFixedSizeSamples = TRUE;
  mt->bTemporalCompression = FALSE;
  mt->lSampleSize = 0;
  mt->formattype = GUID_NULL;
  return S_OK;
}

// The output is the input type, whole, format block included.
STDMETHODIMP ColorControlDmo::GetOutputType(DWORD stream, DWORD index, DMO_MEDIA_TYPE* mt) {
  if (stream != 0) return InvalidStream;
  Guard guard(&lock_);
  if (!inputSet_) return TypeNotSet;
  if (index != 0) return NoMoreItems;
  return mt != nullptr ? CopyType(inputType_, mt) : S_OK;
}

HRESULT ColorControlDmo::SetType(bool input, const DMO_MEDIA_TYPE* mt, DWORD flags) {
  DMO_MEDIA_TYPE& type = input ? inputType_ : outputType_;
  bool& set = input ? inputSet_ : outputSet_;
  const bool otherSet = input ? outputSet_ : inputSet_;
  const DMO_MEDIA_TYPE& other = input ? outputType_ : inputType_;

  if ((flags & ~static_cast<DWORD>(DMO_SET_TYPEF_TEST_ONLY | DMO_SET_TYPEF_CLEAR)) != 0) {
    return E_INVALIDARG;
  }
  if ((flags & DMO_SET_TYPEF_CLEAR) != 0) {
    if ((flags & DMO_SET_TYPEF_TEST_ONLY) != 0) return E_INVALIDARG;
    if (set) MoFreeMediaType(&type);
    type = DMO_MEDIA_TYPE{};
    set = false;
    DropHeldFrame();
    return S_OK;
  }
  if (mt == nullptr) return E_POINTER;
  ColorFrameLayout layout;
  if (!DescribeVideoMediaType(mt, &layout)) return TypeNotAccepted;
  if (otherSet && !SameVideoMediaType(*mt, other)) return TypeNotAccepted;
  if ((flags & DMO_SET_TYPEF_TEST_ONLY) != 0) return S_OK;

  DMO_MEDIA_TYPE copy = {};
  const HRESULT hr = MoCopyMediaType(&copy, mt);
  if (FAILED(hr)) return hr;
  if (set) MoFreeMediaType(&type);
  type = copy;
  set = true;
  layout_ = layout;
  DropHeldFrame();
  return S_OK;
}

STDMETHODIMP ColorControlDmo::SetInputType(DWORD stream, const DMO_MEDIA_TYPE* mt, DWORD flags) {
  if (stream != 0) return InvalidStream;
  Guard guard(&lock_);
  return SetType(true, mt, flags);
}

STDMETHODIMP ColorControlDmo::SetOutputType(DWORD stream, const DMO_MEDIA_TYPE* mt, DWORD flags) {
  if (stream != 0) return InvalidStream;
  Guard guard(&lock_);
  return SetType(false, mt, flags);
}

STDMETHODIMP ColorControlDmo::GetInputCurrentType(DWORD stream, DMO_MEDIA_TYPE* mt) {
  if (stream != 0) return InvalidStream;
  if (mt == nullptr) return E_POINTER;
  Guard guard(&lock_);
  if (!inputSet_) return TypeNotSet;
  return CopyType(inputType_, mt);
}

STDMETHODIMP ColorControlDmo::GetOutputCurrentType(DWORD stream, DMO_MEDIA_TYPE* mt) {
  if (stream != 0) return InvalidStream;
  if (mt == nullptr) return E_POINTER;
  Guard guard(&lock_);
  if (!outputSet_) return TypeNotSet;
  return CopyType(outputType_, mt);
}

STDMETHODIMP ColorControlDmo::GetInputSizeInfo(DWORD stream, DWORD* size, DWORD* lookahead, DWORD* alignment) {
  if (stream != 0) return InvalidStream;
  if (size == nullptr || lookahead == nullptr || alignment == nullptr) return E_POINTER;
  Guard guard(&lock_);
  if (!inputSet_) return TypeNotSet;
  *size = layout_.FrameBytes;
  *lookahead = 0;
  *alignment = 1;
  return S_OK;
}

STDMETHODIMP ColorControlDmo::GetOutputSizeInfo(DWORD stream, DWORD* size, DWORD* alignment) {
  if (stream != 0) return InvalidStream;
  if (size == nullptr || alignment == nullptr) return E_POINTER;
  Guard guard(&lock_);
  if (!outputSet_) return TypeNotSet;
  *size = layout_.FrameBytes;
  *alignment = 1;
  return S_OK;
}

STDMETHODIMP ColorControlDmo::GetInputMaxLatency(DWORD, REFERENCE_TIME*) { return E_NOTIMPL; }

STDMETHODIMP ColorControlDmo::SetInputMaxLatency(DWORD, REFERENCE_TIME) { return E_NOTIMPL; }

// --- streaming -------------------------------------------------------------------

STDMETHODIMP ColorControlDmo::Flush() {
  Guard guard(&lock_);
  DropHeldFrame();
  return S_OK;
}

// Frames are independent of each other: nothing is pending across them.
STDMETHODIMP ColorControlDmo::Discontinuity(DWORD stream) {
  if (stream != 0) return InvalidStream;
  Guard guard(&lock_);
  if (!TypesSet()) return TypeNotSet;
  return S_OK;
}

STDMETHODIMP ColorControlDmo::AllocateStreamingResources() {
  Guard guard(&lock_);
  if (!TypesSet()) return TypeNotSet;
  if (frameCapacity_ < layout_.FrameBytes) {
    frame_.reset(new (std::nothrow) uint8_t[layout_.FrameBytes]);
    frameCapacity_ = frame_ ? layout_.FrameBytes : 0;
    if (!frame_) return E_OUTOFMEMORY;
  }
  return S_OK;
}

STDMETHODIMP ColorControlDmo::FreeStreamingResources() {
  Guard guard(&lock_);
  DropHeldFrame();
  frame_.reset();
  frameCapacity_ = 0;
  return S_OK;
}

STDMETHODIMP ColorControlDmo::GetInputStatus(DWORD stream, DWORD* flags) {
  if (stream != 0) return InvalidStream;
  if (flags == nullptr) return E_POINTER;
  Guard guard(&lock_);
  *flags = holding_ ? 0 : DMO_INPUT_STATUSF_ACCEPT_DATA;
  return S_OK;
}

// The frame is copied: the caller's buffer may be gone once this returns. A
// buffer shorter than one frame (an empty chunk standing for a dropped frame,
// or a cut one) holds no picture and gives no output (S_FALSE).
STDMETHODIMP ColorControlDmo::ProcessInput(DWORD stream, IMediaBuffer* buffer, DWORD flags, REFERENCE_TIME timestamp,
                                           REFERENCE_TIME timelength) {
  if (stream != 0) return InvalidStream;
  if (buffer == nullptr) return E_POINTER;
  Guard guard(&lock_);
  if (!TypesSet()) return TypeNotSet;
  if (holding_) return NotAccepting;

  BYTE* data = nullptr;
  DWORD length = 0;
  const HRESULT hr = buffer->GetBufferAndLength(&data, &length);
  if (FAILED(hr)) return hr;
  if (length < layout_.FrameBytes) return S_FALSE;
  if (data == nullptr) return E_POINTER;

  if (frameCapacity_ < layout_.FrameBytes) {
    frame_.reset(new (std::nothrow) uint8_t[layout_.FrameBytes]);
    frameCapacity_ = frame_ ? layout_.FrameBytes : 0;
    if (!frame_) return E_OUTOFMEMORY;
  }
  std::memcpy(frame_.get(), data, layout_.FrameBytes);
  holding_ = true;
  heldFlags_ = flags & InputBufferFlags;
  heldTimestamp_ = timestamp;
  heldTimelength_ = timelength;
  return S_OK;
}

// One output frame for each input frame. The status of the output buffer is
// set on every call, its length whenever a frame is written. A frame that
// cannot be delivered (no buffer with DISCARD_WHEN_NO_BUFFER, a buffer too
// small, a failing buffer) is dropped, so that the next input is accepted.
STDMETHODIMP ColorControlDmo::ProcessOutput(DWORD flags, DWORD bufferCount, DMO_OUTPUT_DATA_BUFFER* buffers,
                                            DWORD* status) {
  if (status != nullptr) *status = 0;
  if (buffers == nullptr) return E_POINTER;
  if (bufferCount != 1) return E_INVALIDARG;
  DMO_OUTPUT_DATA_BUFFER& out = buffers[0];
  out.dwStatus = 0;
  Guard guard(&lock_);
  if (!TypesSet()) return TypeNotSet;
  if (!holding_) return S_FALSE;

  if (out.pBuffer == nullptr) {
    if ((flags & DMO_PROCESS_OUTPUT_DISCARD_WHEN_NO_BUFFER) == 0) return E_POINTER;
    DropHeldFrame();
    return S_OK;
  }
  BYTE* data = nullptr;
  DWORD length = 0;
  DWORD capacity = 0;
  HRESULT hr = out.pBuffer->GetBufferAndLength(&data, &length);
  if (SUCCEEDED(hr)) hr = out.pBuffer->GetMaxLength(&capacity);
  if (SUCCEEDED(hr) && (data == nullptr || capacity < layout_.FrameBytes)) hr = E_INVALIDARG;
  if (SUCCEEDED(hr) && !ApplyColorControl(layout_, settings_, frame_.get(), frameCapacity_, data, capacity)) {
    hr = E_FAIL;
  }
  if (SUCCEEDED(hr)) hr = out.pBuffer->SetLength(layout_.FrameBytes);
  if (FAILED(hr)) {
    DropHeldFrame();
    return hr;
  }

  if ((heldFlags_ & DMO_INPUT_DATA_BUFFERF_SYNCPOINT) != 0) {
    out.dwStatus |= DMO_OUTPUT_DATA_BUFFERF_SYNCPOINT;
  }
  if ((heldFlags_ & DMO_INPUT_DATA_BUFFERF_TIME) != 0) {
    out.dwStatus |= DMO_OUTPUT_DATA_BUFFERF_TIME;
    out.rtTimestamp = heldTimestamp_;
  }
  if ((heldFlags_ & DMO_INPUT_DATA_BUFFERF_TIMELENGTH) != 0) {
    out.dwStatus |= DMO_OUTPUT_DATA_BUFFERF_TIMELENGTH;
    out.rtTimelength = heldTimelength_;
  }
  DropHeldFrame();
  return S_OK;
}

// Every method takes the object's own lock already; a caller-held lock
// across calls is not offered (the DMO Wrapper filter never asks for one).
// Lets a client hold the object across several calls: a lock keeps every
// other thread's call waiting until the same thread unlocks. An unlock by a
// thread that holds no lock is refused.
STDMETHODIMP ColorControlDmo::Lock(LONG lock) {
  if (lock != 0) {
    EnterCriticalSection(&lock_);
    clientLockThread_ = GetCurrentThreadId();
    ++clientLockDepth_;
    return S_OK;
  }
  if (clientLockDepth_ == 0 || clientLockThread_ != GetCurrentThreadId()) return E_UNEXPECTED;
  if (--clientLockDepth_ == 0) clientLockThread_ = 0;
  LeaveCriticalSection(&lock_);
  return S_OK;
}

// --- settings --------------------------------------------------------------------

STDMETHODIMP ColorControlDmo::GetCount(DWORD* count) {
  if (count == nullptr) return E_POINTER;
  *count = 2;
  return S_OK;
}

STDMETHODIMP ColorControlDmo::GetAt(DWORD index, PROPERTYKEY* key) {
  if (key == nullptr) return E_POINTER;
  if (index == 0) {
    *key = ColorControlBrightnessKey;
  } else if (index == 1) {
    *key = ColorControlContrastKey;
  } else {
    *key = PROPERTYKEY{};
    return E_INVALIDARG;
  }
  return S_OK;
}

STDMETHODIMP ColorControlDmo::GetValue(REFPROPERTYKEY key, PROPVARIANT* value) {
  if (value == nullptr) return E_POINTER;
  PropVariantInit(value);
  Guard guard(&lock_);
  if (SameKey(key, ColorControlBrightnessKey)) {
    value->vt = VT_I4;
    value->lVal = settings_.Brightness;
  } else if (SameKey(key, ColorControlContrastKey)) {
    value->vt = VT_I4;
    value->lVal = settings_.Contrast;
  }
  // Any other key: S_OK with VT_EMPTY, as a property store answers for a
  // property it does not have.
  return S_OK;
}

// Takes a 32-bit integer (VT_I4 or VT_INT) from -127 to 127.
STDMETHODIMP ColorControlDmo::SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) {
  int32_t* setting = nullptr;
  if (SameKey(key, ColorControlBrightnessKey)) {
    setting = &settings_.Brightness;
  } else if (SameKey(key, ColorControlContrastKey)) {
    setting = &settings_.Contrast;
  } else {
    return E_INVALIDARG;
  }
  int64_t number = 0;
  if (value.vt == VT_I4) {
    number = value.lVal;
  } else if (value.vt == VT_INT) {
    number = value.intVal;
  } else {
    return E_INVALIDARG;
  }
  if (!IsColorSettingInRange(number)) return E_INVALIDARG;
  Guard guard(&lock_);
  *setting = static_cast<int32_t>(number);
  return S_OK;
}

STDMETHODIMP ColorControlDmo::Commit() { return S_OK; }
