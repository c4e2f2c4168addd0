// Transport against a stand-in graph whose control and seeking interfaces
// fail as each step arranges: the five warnings, and where the video is left.
// (The real graph under every command is driven through the playback
// controls' tests.)
#include <windows.h>

#include <dshow.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/app_context.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "harness/app_harness.h"

namespace {

template <class Interface>
class Fake : public Interface {
 public:
  STDMETHODIMP QueryInterface(REFIID, void** object) override { return *object = nullptr, E_NOINTERFACE; }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  virtual ~Fake() = default;

 private:
  ULONG references_ = 1;
};

struct FakeControl : Fake<IMediaControl> {
  HRESULT RunResult = S_OK, PauseResult = S_OK;
  int Pauses = 0;
  STDMETHODIMP Run() override { return RunResult; }
  STDMETHODIMP Pause() override { return ++Pauses, PauseResult; }
  STDMETHODIMP Stop() override { return S_OK; }
  STDMETHODIMP GetState(LONG, OAFilterState*) override { return E_NOTIMPL; }
  STDMETHODIMP RenderFile(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP AddSourceFilter(BSTR, IDispatch**) override { return E_NOTIMPL; }
  STDMETHODIMP get_FilterCollection(IDispatch**) override { return E_NOTIMPL; }
  STDMETHODIMP get_RegFilterCollection(IDispatch**) override { return E_NOTIMPL; }
  STDMETHODIMP StopWhenReady() override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};

struct FakeSeeking : Fake<IMediaSeeking> {
  LONGLONG Position = 0;
  HRESULT GetResult = S_OK, SetResult = S_OK;
  std::vector<LONGLONG> Seeks;  // every position asked for, failed or not
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override {
    if (SUCCEEDED(GetResult)) *current = Position;
    return GetResult;
  }
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD flags, LONGLONG*, DWORD stopFlags) override {
    EXPECT_EQ(AM_SEEKING_AbsolutePositioning, flags);
    EXPECT_EQ(AM_SEEKING_NoPositioning, stopFlags);
    Seeks.push_back(*current);
    if (SetResult == S_OK) Position = *current;
    return SetResult;
  }
  STDMETHODIMP GetCapabilities(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP CheckCapabilities(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP IsFormatSupported(const GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryPreferredFormat(GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTimeFormat(GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP IsUsingTimeFormat(const GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP SetTimeFormat(const GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetDuration(LONGLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetStopPosition(LONGLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetPositions(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetAvailable(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP SetRate(double) override { return E_NOTIMPL; }
  STDMETHODIMP GetRate(double*) override { return E_NOTIMPL; }
  STDMETHODIMP GetPreroll(LONGLONG*) override { return E_NOTIMPL; }
};

// 10 frames, 2, 3 and 7 dropped:  K K . . K K K . K K | end 10
class TransportTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    TheGraph->MediaControl.Attach(Control = new FakeControl);
    TheGraph->MediaSeeking.Attach(Seeking = new FakeSeeking);
    TheGraph->TotalFrames = 10;
    const uint32_t flags[] = {1, 1, 0, 0, 1, 1, 1, 0, 1, 1};
    TheGraph->KeyFrameFlags = KeyFrameFlagRuns::FromEntries(flags, 10);
  }
  void TearDown() override {
    TheGraph->MediaControl.Reset();
    TheGraph->MediaSeeking.Reset();
    TheGraph->TotalFrames = 0;
    TheGraph->KeyFrameFlags.Clear();
    AppTest::TearDown();
  }
  FakeControl* Control = nullptr;
  FakeSeeking* Seeking = nullptr;
};

TEST_F(TransportTest, FailuresAreReportedAndLeaveTheVideoWhereItWas) {
  const std::wstring cannotPause = L"WARNING: cannot pause media controller";
  const std::wstring setFailed = L"WARNING: media seeking failed to set current position";
  const std::wstring getFailed = L"WARNING: media seeking failed to get current position";
  Seeking->Position = 4;
  GraphRunState = GraphRun::Paused;
  Control->RunResult = E_FAIL;
  EXPECT_EQ(0, Transport(TransportRun, nullptr, nullptr));
  EXPECT_EQ(GraphRun::Paused, GraphRunState);
  EXPECT_EQ(std::vector<std::wstring>{L"WARNING: media controller run command failure"}, NewTexts());

  GraphRunState = GraphRun::Running;
  EXPECT_EQ(0, Transport(TransportRefresh, nullptr, nullptr));
  EXPECT_EQ(std::vector<std::wstring>{L"WARNING: unexpected call to refresh frame with media in running state"},
            NewTexts());

  Control->PauseResult = E_FAIL;
  for (TransportCommand pausing : {TransportPause, TransportSeekStart, TransportSeekEnd}) {
    EXPECT_EQ(0, Transport(pausing, nullptr, nullptr));
    EXPECT_EQ(std::vector<std::wstring>{cannotPause}, NewTexts());
  }
  EXPECT_TRUE(Seeking->Seeks.empty()) << "nothing moves without the pause";
  EXPECT_EQ(GraphRun::Running, GraphRunState);

  Control->PauseResult = S_FALSE;  // a pause still under way counts
  Seeking->SetResult = E_FAIL;
  uint32_t after = 0, before = 0;
  EXPECT_EQ(4, Transport(TransportStepForward, &after, &before)) << "a step that cannot seek stays";
  EXPECT_EQ(0u, after + before);
  EXPECT_EQ(0, Transport(TransportSeekEnd, nullptr, nullptr));
  EXPECT_EQ(0, Transport(TransportRefresh, nullptr, nullptr));
  EXPECT_EQ(std::vector<std::wstring>(3, setFailed), NewTexts());
  EXPECT_EQ(GraphRun::Paused, GraphRunState);

  SeekToFrame(1, &after, &before);  // the slider: flags follow the frame asked for
  EXPECT_EQ(1u, after);
  EXPECT_EQ(std::vector<std::wstring>{setFailed}, NewTexts());

  Seeking->GetResult = E_FAIL;
  EXPECT_EQ(0, Transport(TransportStepBack, nullptr, nullptr));
  EXPECT_EQ(0, Transport(TransportPause, nullptr, nullptr));
  EXPECT_EQ(0u, CurrentFramePosition());
  EXPECT_EQ(std::vector<std::wstring>(2, getFailed), NewTexts());
  Seeking->GetResult = S_FALSE;
  Seeking->Position = 0x100000003LL;
  EXPECT_EQ(3u, CurrentFramePosition()) << "any non-failure, the low 32 bits";
}

}  // namespace
