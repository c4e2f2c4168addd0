#include "graph/frame_seeking.h"

#include <wrl/client.h>

#include <atomic>
#include <new>

#include "graph/frame_time.h"

using Microsoft::WRL::ComPtr;

namespace {

// IUnknown for an object that offers one interface, counted across the
// graph's threads and deleted with its last reference.
template <typename Interface, const IID& InterfaceId>
class SingleInterfaceObject : public Interface {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, InterfaceId)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++References; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --References;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~SingleInterfaceObject() = default;

 private:
  std::atomic<ULONG> References{1};
};

// A reference clock that runs at a multiple of the system clock. A graph that
// keeps its own rate at 1.0 (Wine's) still schedules every sample and counts
// its position by its clock: on this clock the same graph plays slower or
// faster, and the position it reports is the frame on show. The rate changes
// only while the graph is not running; each change continues from the time
// reached, so the clock never goes back.
class ScaledClock final : public SingleInterfaceObject<IReferenceClock, IID_IReferenceClock> {
 public:
  explicit ScaledClock(IReferenceClock* base) : Base(base) {
    InitializeSRWLock(&Lock);
    Base->GetTime(&AnchorBase);
    AnchorScaled = AnchorBase;
  }


  STDMETHODIMP GetTime(REFERENCE_TIME* time) override {
    if (time == nullptr) return E_POINTER;
    REFERENCE_TIME now = 0;
    const HRESULT hr = Base->GetTime(&now);
    AcquireSRWLockShared(&Lock);
    *time = AnchorScaled + static_cast<REFERENCE_TIME>(static_cast<double>(now - AnchorBase) * Rate);
    ReleaseSRWLockShared(&Lock);
    return hr;
  }
  STDMETHODIMP AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event,
                           DWORD_PTR* cookie) override {
    return Base->AdviseTime(ToBase(baseTime + streamTime), 0, event, cookie);
  }
  STDMETHODIMP AdvisePeriodic(REFERENCE_TIME start, REFERENCE_TIME period, HSEMAPHORE semaphore,
                               DWORD_PTR* cookie) override {
    AcquireSRWLockShared(&Lock);
    const double rate = Rate;
    ReleaseSRWLockShared(&Lock);
    const REFERENCE_TIME basePeriod = static_cast<REFERENCE_TIME>(static_cast<double>(period) / rate);
    return Base->AdvisePeriodic(ToBase(start), basePeriod > 0 ? basePeriod : 1, semaphore, cookie);
  }
  STDMETHODIMP Unadvise(DWORD_PTR cookie) override { return Base->Unadvise(cookie); }

  void SetRate(double rate) {
    REFERENCE_TIME now = 0;
    Base->GetTime(&now);
    AcquireSRWLockExclusive(&Lock);
    AnchorScaled += static_cast<REFERENCE_TIME>(static_cast<double>(now - AnchorBase) * Rate);
    AnchorBase = now;
    Rate = rate;
    ReleaseSRWLockExclusive(&Lock);
  }

 private:
  ~ScaledClock() = default;

  REFERENCE_TIME ToBase(REFERENCE_TIME scaled) {
    AcquireSRWLockShared(&Lock);
    const REFERENCE_TIME base =
        AnchorBase + static_cast<REFERENCE_TIME>(static_cast<double>(scaled - AnchorScaled) / Rate);
    ReleaseSRWLockShared(&Lock);
    return base;
  }

  const ComPtr<IReferenceClock> Base;
  SRWLOCK Lock;
  REFERENCE_TIME AnchorBase = 0;
  REFERENCE_TIME AnchorScaled = 0;
  double Rate = 1.0;
};

bool SameFormat(const GUID* format, const GUID& expected) {
  return format != nullptr && IsEqualGUID(*format, expected);
}

class FrameSeeking final : public SingleInterfaceObject<IMediaSeeking, IID_IMediaSeeking> {
 public:
  FrameSeeking(IMediaSeeking* graphSeeking, uint32_t rate, uint32_t scale, uint32_t totalFrames)
      : Graph(graphSeeking), Rate(rate), Scale(scale), TotalFrames(totalFrames) {}


  // Capabilities and preroll are the graph's own.
  STDMETHODIMP GetCapabilities(DWORD* capabilities) override { return Graph->GetCapabilities(capabilities); }
  STDMETHODIMP CheckCapabilities(DWORD* capabilities) override { return Graph->CheckCapabilities(capabilities); }
  // The rate is the graph's where it keeps the rate set; where it stays at
  // 1.0, the graph's clock is made to run at the rate instead. Set while the
  // graph is not running.
  STDMETHODIMP SetRate(double rate) override {
    if (rate <= 0) return E_INVALIDARG;
    HRESULT hr = Graph->SetRate(rate);
    if (FAILED(hr)) return hr;
    double kept = 0;
    if (SUCCEEDED(Graph->GetRate(&kept)) && Near(kept, rate)) {
      if (Clock != nullptr) Clock->SetRate(1.0);
      ClockRate = 1.0;
      return hr;
    }
    if (Clock == nullptr && !Near(kept, 1.0)) return E_FAIL;  // a rate of its own: not ours to undo
    if (Clock == nullptr) {
      hr = InstallClock();
      if (FAILED(hr)) return hr;
    }
    Clock->SetRate(rate);
    ClockRate = rate;
    return S_OK;
  }
  STDMETHODIMP GetRate(double* rate) override {
    if (rate == nullptr) return E_POINTER;
    if (Clock == nullptr) return Graph->GetRate(rate);
    *rate = ClockRate;
    return S_OK;
  }
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override { return Graph->GetPreroll(preroll); }

  // Time formats: frames and media time.
  STDMETHODIMP IsFormatSupported(const GUID* format) override {
    if (format == nullptr) return E_POINTER;
    return SameFormat(format, TIME_FORMAT_FRAME) || SameFormat(format, TIME_FORMAT_MEDIA_TIME) ? S_OK : S_FALSE;
  }
  STDMETHODIMP QueryPreferredFormat(GUID* format) override {
    if (format == nullptr) return E_POINTER;
    *format = TIME_FORMAT_FRAME;
    return S_OK;
  }
  STDMETHODIMP GetTimeFormat(GUID* format) override {
    if (format == nullptr) return E_POINTER;
    *format = InFrames() ? TIME_FORMAT_FRAME : TIME_FORMAT_MEDIA_TIME;
    return S_OK;
  }
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override {
    if (format == nullptr) return E_POINTER;
    return SameFormat(format, InFrames() ? TIME_FORMAT_FRAME : TIME_FORMAT_MEDIA_TIME) ? S_OK : S_FALSE;
  }
  STDMETHODIMP SetTimeFormat(const GUID* format) override {
    if (format == nullptr) return E_POINTER;
    if (SameFormat(format, TIME_FORMAT_FRAME)) {
      Frames = true;
    } else if (SameFormat(format, TIME_FORMAT_MEDIA_TIME)) {
      Frames = false;
    } else {
      return E_INVALIDARG;
    }
    return S_OK;
  }

  // Positions.
  STDMETHODIMP GetDuration(LONGLONG* duration) override {
    if (duration == nullptr) return E_POINTER;
    if (InFrames()) {
      *duration = TotalFrames;
      return S_OK;
    }
    return Graph->GetDuration(duration);
  }
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override {
    if (stop == nullptr) return E_POINTER;
    const HRESULT hr = Graph->GetStopPosition(stop);
    if (SUCCEEDED(hr)) *stop = ToCurrentFormat(*stop);
    return hr;
  }
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override {
    if (current == nullptr) return E_POINTER;
    const HRESULT hr = Graph->GetCurrentPosition(current);
    if (SUCCEEDED(hr)) *current = ToCurrentFormat(*current);
    return hr;
  }
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override {
    if (current == nullptr || stop == nullptr) return E_POINTER;
    const HRESULT hr = Graph->GetPositions(current, stop);
    if (SUCCEEDED(hr)) {
      *current = ToCurrentFormat(*current);
      *stop = ToCurrentFormat(*stop);
    }
    return hr;
  }
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override {
    if (earliest == nullptr || latest == nullptr) return E_POINTER;
    const HRESULT hr = Graph->GetAvailable(earliest, latest);
    if (SUCCEEDED(hr)) {
      *earliest = ToCurrentFormat(*earliest);
      *latest = ToCurrentFormat(*latest);
    }
    return hr;
  }

  // Absolute positions in frames become the media times of the frames'
  // middles; relative and incremental positioning are not offered in frames.
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override {
    if (!InFrames()) return Graph->SetPositions(current, currentFlags, stop, stopFlags);
    LONGLONG currentTime = 0, stopTime = 0;
    HRESULT hr = FrameArgumentToTime(current, currentFlags, &currentTime);
    if (FAILED(hr)) return hr;
    hr = FrameArgumentToTime(stop, stopFlags, &stopTime);
    if (FAILED(hr)) return hr;
    hr = Graph->SetPositions(current != nullptr ? &currentTime : nullptr, currentFlags,
                             stop != nullptr ? &stopTime : nullptr, stopFlags);
    // With AM_SEEKING_ReturnTime the graph wrote the times it used.
    if (SUCCEEDED(hr) && current != nullptr && (currentFlags & AM_SEEKING_ReturnTime) != 0) {
      *current = TimeToFrame(currentTime);
    }
    if (SUCCEEDED(hr) && stop != nullptr && (stopFlags & AM_SEEKING_ReturnTime) != 0) {
      *stop = TimeToFrame(stopTime);
    }
    return hr;
  }

  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override {
    if (target == nullptr) return E_POINTER;
    const GUID current = InFrames() ? TIME_FORMAT_FRAME : TIME_FORMAT_MEDIA_TIME;
    const GUID& to = targetFormat != nullptr ? *targetFormat : current;
    const GUID& from = sourceFormat != nullptr ? *sourceFormat : current;
    const bool toFrames = IsEqualGUID(to, TIME_FORMAT_FRAME);
    const bool fromFrames = IsEqualGUID(from, TIME_FORMAT_FRAME);
    if ((!toFrames && !IsEqualGUID(to, TIME_FORMAT_MEDIA_TIME)) ||
        (!fromFrames && !IsEqualGUID(from, TIME_FORMAT_MEDIA_TIME))) {
      return E_INVALIDARG;
    }
    if (toFrames == fromFrames) {
      *target = source;
    } else if (toFrames) {
      *target = TimeToFrame(source);
    } else {
      int64_t time = 0;
      if (!FrameToMediaTime(Rate, Scale, source, &time)) return E_INVALIDARG;
      *target = time;
    }
    return S_OK;
  }

 private:
  ~FrameSeeking() = default;

  static bool Near(double a, double b) { return (a > b ? a - b : b - a) < 1e-6; }

  // The scaled clock as the graph's reference clock.
  HRESULT InstallClock() {
    ComPtr<IMediaFilter> graph;
    HRESULT hr = Graph.As(&graph);
    if (FAILED(hr)) return hr;
    ComPtr<IReferenceClock> system;
    hr = CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&system));
    if (FAILED(hr)) return hr;
    ComPtr<ScaledClock> clock;
    clock.Attach(new (std::nothrow) ScaledClock(system.Get()));
    if (clock == nullptr) return E_OUTOFMEMORY;
    hr = graph->SetSyncSource(clock.Get());
    if (FAILED(hr)) return hr;
    Clock = clock;
    return S_OK;
  }

  bool InFrames() const { return Frames.load(); }
  LONGLONG TimeToFrame(LONGLONG time) const { return MediaTimeToFrame(Rate, Scale, time); }
  LONGLONG ToCurrentFormat(LONGLONG time) const { return InFrames() ? TimeToFrame(time) : time; }

  HRESULT FrameArgumentToTime(const LONGLONG* frame, DWORD flags, LONGLONG* time) const {
    const DWORD positioning = flags & AM_SEEKING_PositioningBitsMask;
    if (positioning == AM_SEEKING_NoPositioning) return S_OK;
    if (positioning != AM_SEEKING_AbsolutePositioning) return E_NOTIMPL;
    if (frame == nullptr) return E_POINTER;
    int64_t converted = 0;
    if (!FrameToMediaTime(Rate, Scale, *frame, &converted)) return E_INVALIDARG;
    *time = converted;
    return S_OK;
  }

  std::atomic<bool> Frames{false};
  const ComPtr<IMediaSeeking> Graph;
  const uint32_t Rate;
  const uint32_t Scale;
  const uint32_t TotalFrames;
  ComPtr<ScaledClock> Clock;  // user-interface thread only
  double ClockRate = 1.0;
};

}  // namespace

HRESULT CreateFrameSeeking(IMediaSeeking* graphSeeking, uint32_t rate, uint32_t scale, uint32_t totalFrames,
                           IMediaSeeking** result) {
  if (result == nullptr) return E_POINTER;
  *result = nullptr;
  if (graphSeeking == nullptr) return E_POINTER;
  if (!FrameTimingUsable(rate, scale, totalFrames)) return E_INVALIDARG;
  FrameSeeking* seeking = new (std::nothrow) FrameSeeking(graphSeeking, rate, scale, totalFrames);
  if (seeking == nullptr) return E_OUTOFMEMORY;
  *result = seeking;
  return S_OK;
}
