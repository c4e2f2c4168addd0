// The frame-unit seeking layer over a graph that seeks in media time only,
// checked against a stand-in graph that records what it is asked.

#include <windows.h>

#include <dshow.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "graph/frame_seeking.h"
#include "graph/frame_time.h"

namespace {

// A media-time-only IMediaSeeking: remembers the last position set and
// reports it back as the current position.
class MediaTimeGraph final : public IMediaSeeking {
 public:
  std::atomic<LONGLONG> Current{0};
  LONGLONG Duration = 0;
  int SetCalls = 0;
  DWORD LastCurrentFlags = 0;
  DWORD LastStopFlags = 0;
  bool StopGiven = false;
  std::atomic<ULONG> References{1};

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMediaSeeking)) {
      *object = static_cast<IMediaSeeking*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++References; }
  STDMETHODIMP_(ULONG) Release() override { return --References; }  // lives on the test's stack
  STDMETHODIMP GetCapabilities(DWORD* c) override {
    *c = AM_SEEKING_CanSeekAbsolute;
    return S_OK;
  }
  STDMETHODIMP CheckCapabilities(DWORD*) override { return S_OK; }
  STDMETHODIMP IsFormatSupported(const GUID* f) override {
    return IsEqualGUID(*f, TIME_FORMAT_MEDIA_TIME) ? S_OK : S_FALSE;
  }
  STDMETHODIMP QueryPreferredFormat(GUID* f) override {
    *f = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
  }
  STDMETHODIMP GetTimeFormat(GUID* f) override {
    *f = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
  }
  STDMETHODIMP IsUsingTimeFormat(const GUID* f) override {
    return IsEqualGUID(*f, TIME_FORMAT_MEDIA_TIME) ? S_OK : S_FALSE;
  }
  STDMETHODIMP SetTimeFormat(const GUID* f) override {
    return IsEqualGUID(*f, TIME_FORMAT_MEDIA_TIME) ? S_OK : E_NOTIMPL;
  }
  STDMETHODIMP GetDuration(LONGLONG* d) override {
    *d = Duration;
    return S_OK;
  }
  STDMETHODIMP GetStopPosition(LONGLONG* s) override {
    *s = Duration;
    return S_OK;
  }
  STDMETHODIMP GetCurrentPosition(LONGLONG* c) override {
    *c = Current.load();
    return S_OK;
  }
  STDMETHODIMP ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override {
    ++SetCalls;
    LastCurrentFlags = currentFlags;
    LastStopFlags = stopFlags;
    StopGiven = stop != nullptr;
    if ((currentFlags & AM_SEEKING_PositioningBitsMask) == AM_SEEKING_AbsolutePositioning) {
      Current = *current;
      if (currentFlags & AM_SEEKING_ReturnTime) *current = Current + 7;  // a time near the one asked
    }
    return S_OK;
  }
  STDMETHODIMP GetPositions(LONGLONG* c, LONGLONG* s) override {
    *c = Current;
    *s = Duration;
    return S_OK;
  }
  STDMETHODIMP GetAvailable(LONGLONG* e, LONGLONG* l) override {
    *e = 0;
    *l = Duration;
    return S_OK;
  }
  STDMETHODIMP SetRate(double) override { return S_OK; }
  STDMETHODIMP GetRate(double* r) override {
    *r = 1.0;
    return S_OK;
  }
  STDMETHODIMP GetPreroll(LONGLONG* p) override {
    *p = 0;
    return S_OK;
  }
};

// 29.97 frames a second, 1000 frames.
constexpr uint32_t Rate = 30000, Scale = 1001, Frames = 1000;

class FrameSeekingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graph.Duration = 333666667;  // 1000 frames
    ASSERT_EQ(S_OK, CreateFrameSeeking(&graph, Rate, Scale, Frames, &seeking));
    ASSERT_EQ(S_OK, seeking->SetTimeFormat(&TIME_FORMAT_FRAME));
  }
  void TearDown() override {
    if (seeking != nullptr) seeking->Release();
    EXPECT_EQ(1u, graph.References.load()) << "the layer let go of the graph";
  }
  HRESULT SeekFrame(LONGLONG frame, DWORD extraFlags = 0) {
    return seeking->SetPositions(&frame, AM_SEEKING_AbsolutePositioning | extraFlags, nullptr,
                                 AM_SEEKING_NoPositioning);
  }
  static LONGLONG Middle(LONGLONG frame) {
    int64_t time = 0;
    EXPECT_TRUE(FrameToMediaTime(Rate, Scale, frame, &time));
    return time;
  }

  MediaTimeGraph graph;
  IMediaSeeking* seeking = nullptr;
};

TEST_F(FrameSeekingTest, EveryFrameGoesToItsMiddleAndComesBack) {
  for (LONGLONG frame = 0; frame <= Frames; ++frame) {
    ASSERT_EQ(S_OK, SeekFrame(frame));
    ASSERT_EQ(Middle(frame), graph.Current.load());
    LONGLONG current = -1;
    ASSERT_EQ(S_OK, seeking->GetCurrentPosition(&current));
    ASSERT_EQ(frame, current);
  }
  EXPECT_FALSE(graph.StopGiven);
  EXPECT_EQ(static_cast<DWORD>(AM_SEEKING_NoPositioning), graph.LastStopFlags);
}

TEST_F(FrameSeekingTest, PlayingPositionsFallInTheirFrames) {
  graph.Current = 333667;  // the first unit of frame 1 (which starts at 333666.67)
  LONGLONG current = -1;
  ASSERT_EQ(S_OK, seeking->GetCurrentPosition(&current));
  EXPECT_EQ(1, current);
  graph.Current = 333666;
  ASSERT_EQ(S_OK, seeking->GetCurrentPosition(&current));
  EXPECT_EQ(0, current);
  LONGLONG stop = 0, duration = 0;
  ASSERT_EQ(S_OK, seeking->GetStopPosition(&stop));
  EXPECT_EQ(1000, stop);
  ASSERT_EQ(S_OK, seeking->GetDuration(&duration));
  EXPECT_EQ(1000, duration);
}

TEST_F(FrameSeekingTest, TimeFormatsAreFramesOrMediaTime) {
  EXPECT_EQ(S_OK, seeking->IsUsingTimeFormat(&TIME_FORMAT_FRAME));
  EXPECT_EQ(S_FALSE, seeking->IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME));
  EXPECT_EQ(S_OK, seeking->IsFormatSupported(&TIME_FORMAT_FRAME));
  EXPECT_EQ(S_FALSE, seeking->IsFormatSupported(&TIME_FORMAT_BYTE));
  EXPECT_EQ(E_INVALIDARG, seeking->SetTimeFormat(&TIME_FORMAT_BYTE));
  GUID format = GUID_NULL;
  ASSERT_EQ(S_OK, seeking->GetTimeFormat(&format));
  EXPECT_TRUE(IsEqualGUID(format, TIME_FORMAT_FRAME));

  // Back in media time the graph's positions pass through untouched.
  ASSERT_EQ(S_OK, seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME));
  LONGLONG time = 123456;
  ASSERT_EQ(S_OK, seeking->SetPositions(&time, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  EXPECT_EQ(123456, graph.Current.load());
  LONGLONG current = 0;
  ASSERT_EQ(S_OK, seeking->GetCurrentPosition(&current));
  EXPECT_EQ(123456, current);
}

TEST_F(FrameSeekingTest, ConvertsBetweenFramesAndMediaTime) {
  LONGLONG target = 0;
  ASSERT_EQ(S_OK, seeking->ConvertTimeFormat(&target, &TIME_FORMAT_MEDIA_TIME, 10, &TIME_FORMAT_FRAME));
  EXPECT_EQ(Middle(10), target);
  ASSERT_EQ(S_OK, seeking->ConvertTimeFormat(&target, &TIME_FORMAT_FRAME, Middle(10), &TIME_FORMAT_MEDIA_TIME));
  EXPECT_EQ(10, target);
  ASSERT_EQ(S_OK, seeking->ConvertTimeFormat(&target, nullptr, 42, nullptr));  // both the current format
  EXPECT_EQ(42, target);
  EXPECT_EQ(E_INVALIDARG, seeking->ConvertTimeFormat(&target, &TIME_FORMAT_BYTE, 1, &TIME_FORMAT_FRAME));
  EXPECT_EQ(E_INVALIDARG, seeking->ConvertTimeFormat(&target, &TIME_FORMAT_MEDIA_TIME, -1, &TIME_FORMAT_FRAME));
}

TEST_F(FrameSeekingTest, RefusesWhatFramesCannotSayWithoutTouchingTheGraph) {
  LONGLONG delta = 3;
  EXPECT_EQ(E_NOTIMPL, seeking->SetPositions(&delta, AM_SEEKING_RelativePositioning, nullptr, 0));
  EXPECT_EQ(E_INVALIDARG, SeekFrame(-1));
  EXPECT_EQ(0, graph.SetCalls);
  // A returned time comes back as the frame it falls in.
  LONGLONG frame = 77;
  ASSERT_EQ(S_OK, seeking->SetPositions(&frame, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime, nullptr,
                                        AM_SEEKING_NoPositioning));
  EXPECT_EQ(77, frame);
}

TEST_F(FrameSeekingTest, TimerThreadReadsWhileTheInterfaceThreadSeeks) {
  std::atomic<bool> done{false};
  std::atomic<int> wrong{0};
  std::thread timer([&]() {
    while (!done) {
      LONGLONG current = -1;
      if (FAILED(seeking->GetCurrentPosition(&current)) || current < 0 || current > Frames) ++wrong;
    }
  });
  for (int round = 0; round < 20; ++round) {
    for (LONGLONG frame = 0; frame <= Frames; frame += 7) ASSERT_EQ(S_OK, SeekFrame(frame));
  }
  done = true;
  timer.join();
  EXPECT_EQ(0, wrong.load());
}

TEST(FrameSeekingCreation, RefusesTimingsThatCannotRoundTrip) {
  MediaTimeGraph graph;
  IMediaSeeking* seeking = reinterpret_cast<IMediaSeeking*>(1);
  EXPECT_EQ(E_INVALIDARG, CreateFrameSeeking(&graph, 0, 1, 10, &seeking));
  EXPECT_EQ(nullptr, seeking);
  EXPECT_EQ(E_INVALIDARG, CreateFrameSeeking(&graph, 30, 0, 10, &seeking));
  EXPECT_EQ(E_INVALIDARG, CreateFrameSeeking(&graph, 10000000, 1, 10, &seeking));       // frames under 2 units
  EXPECT_EQ(E_INVALIDARG, CreateFrameSeeking(&graph, 1, 0xFFFFFFFFu, 1000, &seeking));  // end time past 64 bits
  EXPECT_EQ(E_POINTER, CreateFrameSeeking(nullptr, 30, 1, 10, &seeking));
  EXPECT_EQ(1u, graph.References.load());
  ASSERT_EQ(S_OK, CreateFrameSeeking(&graph, 30, 1, 10, &seeking));
  EXPECT_EQ(2u, graph.References.load());
  IUnknown* unknown = nullptr;
  ASSERT_EQ(S_OK, seeking->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
  IMediaControl* control = nullptr;
  EXPECT_EQ(E_NOINTERFACE, seeking->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)));
  EXPECT_EQ(1u, unknown->Release());
  EXPECT_EQ(0u, seeking->Release());
  EXPECT_EQ(1u, graph.References.load());
}

}  // namespace
