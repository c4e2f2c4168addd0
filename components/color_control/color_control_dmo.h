// ColorControlDmo: the "Color Control" video-effect DMO. One input and one
// output stream of the same uncompressed video type (color_media_type.h);
// brightness and contrast come from its property store and are applied by
// ApplyColorControl.
//
// The DMO Wrapper filter creates it aggregated and forwards QueryInterface
// calls it does not answer itself to it, so the object exposes IMediaObject
// and IPropertyStore only: anything else, IBaseFilter, IMediaFilter,
// IPersist and IMediaSeeking included, is E_NOINTERFACE.
//
// ProcessInput copies the frame, so no IMediaBuffer is kept after a call
// returns; ProcessOutput writes one whole frame per input frame, sets the
// output length and the status flags every time, and passes the time stamps
// on. All methods may be called from any thread.
#pragma once

#include <windows.h>
#include <mediaobj.h>
#include <propsys.h>

#include <memory>

#include "color_control/color_kernels.h"

class ColorControlDmo final : public IMediaObject, public IPropertyStore {
 public:
  // Makes an object and returns its own (non-delegating) IUnknown with one
  // reference. outer is the controlling IUnknown when the object is
  // aggregated, null otherwise.
  static HRESULT Create(IUnknown* outer, IUnknown** inner);

  // IUnknown of both interfaces: delegates to the controlling IUnknown.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IMediaObject
  STDMETHODIMP GetStreamCount(DWORD* inputs, DWORD* outputs) override;
  STDMETHODIMP GetInputStreamInfo(DWORD stream, DWORD* flags) override;
  STDMETHODIMP GetOutputStreamInfo(DWORD stream, DWORD* flags) override;
  STDMETHODIMP GetInputType(DWORD stream, DWORD index, DMO_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetOutputType(DWORD stream, DWORD index, DMO_MEDIA_TYPE* mt) override;
  STDMETHODIMP SetInputType(DWORD stream, const DMO_MEDIA_TYPE* mt, DWORD flags) override;
  STDMETHODIMP SetOutputType(DWORD stream, const DMO_MEDIA_TYPE* mt, DWORD flags) override;
  STDMETHODIMP GetInputCurrentType(DWORD stream, DMO_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetOutputCurrentType(DWORD stream, DMO_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetInputSizeInfo(DWORD stream, DWORD* size, DWORD* lookahead, DWORD* alignment) override;
  STDMETHODIMP GetOutputSizeInfo(DWORD stream, DWORD* size, DWORD* alignment) override;
  STDMETHODIMP GetInputMaxLatency(DWORD stream, REFERENCE_TIME* latency) override;
  STDMETHODIMP SetInputMaxLatency(DWORD stream, REFERENCE_TIME latency) override;
  STDMETHODIMP Flush() override;
  STDMETHODIMP Discontinuity(DWORD stream) override;
  STDMETHODIMP AllocateStreamingResources() override;
  STDMETHODIMP FreeStreamingResources() override;
  STDMETHODIMP GetInputStatus(DWORD stream, DWORD* flags) override;
  STDMETHODIMP ProcessInput(DWORD stream, IMediaBuffer* buffer, DWORD flags, REFERENCE_TIME timestamp,
                            REFERENCE_TIME timelength) override;
  STDMETHODIMP ProcessOutput(DWORD flags, DWORD bufferCount, DMO_OUTPUT_DATA_BUFFER* buffers, DWORD* status) override;
  STDMETHODIMP Lock(LONG lock) override;

  // IPropertyStore: the brightness and contrast keys (color_control_ids.h).
  STDMETHODIMP GetCount(DWORD* count) override;
  STDMETHODIMP GetAt(DWORD index, PROPERTYKEY* key) override;
  STDMETHODIMP GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override;
  STDMETHODIMP SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) override;
  STDMETHODIMP Commit() override;

 private:
  // The object's own IUnknown, which holds its reference count and answers
  // QueryInterface; the controlling IUnknown when not aggregated.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(ColorControlDmo* owner) : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

   private:
    ColorControlDmo* owner_;
  };

  explicit ColorControlDmo(IUnknown* outer);
  ~ColorControlDmo();
  ColorControlDmo(const ColorControlDmo&) = delete;
  ColorControlDmo& operator=(const ColorControlDmo&) = delete;

  // Type negotiation; called with lock_ held.
  HRESULT SetType(bool input, const DMO_MEDIA_TYPE* mt, DWORD flags);
  HRESULT CopyType(const DMO_MEDIA_TYPE& from, DMO_MEDIA_TYPE* to) const;
  bool TypesSet() const { return inputSet_ && outputSet_; }
  void DropHeldFrame() { holding_ = false; }

  InnerUnknown inner_;
  IUnknown* outer_;  // the controlling IUnknown: the aggregator or &inner_
  LONG references_ = 1;

  CRITICAL_SECTION lock_;  // held by every method that reads or changes the state
  // A client's hold on the object through IMediaObject::Lock: the thread
  // that holds lock_ that way, and how many times it locked.
  DWORD clientLockThread_ = 0;
  LONG clientLockDepth_ = 0;

  DMO_MEDIA_TYPE inputType_ = {};
  DMO_MEDIA_TYPE outputType_ = {};
  bool inputSet_ = false;
  bool outputSet_ = false;
  ColorFrameLayout layout_;  // of whichever type is set (they are the same)

  // The frame taken by ProcessInput, waiting for ProcessOutput.
  std::unique_ptr<uint8_t[]> frame_;
  DWORD frameCapacity_ = 0;
  bool holding_ = false;
  DWORD heldFlags_ = 0;  // DMO_INPUT_DATA_BUFFERF_*
  REFERENCE_TIME heldTimestamp_ = 0;
  REFERENCE_TIME heldTimelength_ = 0;

  ColorSettings settings_;
};
