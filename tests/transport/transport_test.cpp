// Transport against a stand-in graph whose control and seeking interfaces do
// what each test arranges: the command codes, the graph state it keeps, the
// positions it returns, the neighbour flags and the five warnings.
#include <windows.h>

#include <dshow.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_context.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "harness/app_harness.h"

namespace {

using Microsoft::WRL::ComPtr;

// A reference-counted COM object answering IUnknown and one interface.
template <class Interface>
class FakeBase : public Interface {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  virtual ~FakeBase() = default;

 private:
  ULONG references_ = 1;
};

class FakeControl : public FakeBase<IMediaControl> {
 public:
  HRESULT RunResult = S_OK;
  HRESULT PauseResult = S_OK;
  int Runs = 0;
  int Pauses = 0;

  STDMETHODIMP Run() override {
    ++Runs;
    return RunResult;
  }
  STDMETHODIMP Pause() override {
    ++Pauses;
    return PauseResult;
  }
  STDMETHODIMP Stop() override { return S_OK; }
  STDMETHODIMP GetState(LONG, OAFilterState* state) override {
    *state = State_Paused;
    return S_OK;
  }
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

class FakeSeeking : public FakeBase<IMediaSeeking> {
 public:
  LONGLONG Position = 0;
  HRESULT GetResult = S_OK;
  HRESULT SetResult = S_OK;
  int Gets = 0;
  std::vector<LONGLONG> Seeks;  // every position asked for, failed or not
  bool FlagsAsExpected = true;  // absolute current position, no stop position

  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override {
    ++Gets;
    if (*current != 0) FlagsAsExpected = false;  // the caller presets 0
    if (FAILED(GetResult)) return GetResult;
    *current = Position;
    return GetResult;
  }
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override {
    if (currentFlags != AM_SEEKING_AbsolutePositioning || stopFlags != AM_SEEKING_NoPositioning) {
      FlagsAsExpected = false;
    }
    (void)stop;
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

const wchar_t CannotPause[] = L"WARNING: cannot pause media controller";
const wchar_t RunFailed[] = L"WARNING: media controller run command failure";
const wchar_t GetFailed[] = L"WARNING: media seeking failed to get current position";
const wchar_t SetFailed[] = L"WARNING: media seeking failed to set current position";
const wchar_t RefreshRunning[] = L"WARNING: unexpected call to refresh frame with media in running state";

// 10 frames, 2, 3 and 7 dropped:  K K . . K K K . K K | end 10
class TransportTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_EQ(0, StartResult());
    if (TheGraph == nullptr) {  // a start-up that makes no graph: made here as it would
      TheApp->Graph = new PlaybackGraph(TheApp->Instance, TheApp->Shared);
      TheGraph = TheApp->Graph;
    }
    Control = new FakeControl;
    Seeking = new FakeSeeking;
    TheGraph->MediaControl.Attach(Control);
    TheGraph->MediaSeeking.Attach(Seeking);
    TheGraph->TotalFrames = 10;
    TheGraph->KeyFrameFlags = {1, 1, 0, 0, 1, 1, 1, 0, 1, 1};
    OpenFrameCount = 10;
    GraphRunState = 3;
    seen_ = MessagesText().size();
  }
  void TearDown() override {
    EXPECT_TRUE(Seeking->FlagsAsExpected);
    TheGraph->MediaControl.Reset();
    TheGraph->MediaSeeking.Reset();
    TheGraph->TotalFrames = 0;
    TheGraph->KeyFrameFlags.clear();
    OpenFrameCount = 0;
    AppTest::TearDown();
  }

  // The lines posted since the last call, without empty and time lines.
  std::vector<std::wstring> NewLines() {
    const std::wstring text = MessagesText();
    const std::wstring added = text.size() > seen_ ? text.substr(seen_) : L"";
    seen_ = text.size();
    std::vector<std::wstring> lines;
    for (const std::wstring& line : SplitLines(added)) {
      if (!line.empty() && !IsTimeLine(line)) lines.push_back(line);
    }
    return lines;
  }

  struct Result {
    int64_t Position;
    uint32_t After, Before;
  };
  // Transport with both flags preset to a value it must overwrite.
  Result Do(int command) {
    Result r{0, 7, 7};
    r.Position = Transport(command, &r.After, &r.Before);
    Pump(5);
    return r;
  }

  FakeControl* Control = nullptr;
  FakeSeeking* Seeking = nullptr;

 private:
  size_t seen_ = 0;
};

using Lines = std::vector<std::wstring>;

TEST_F(TransportTest, WithoutAGraphEveryCommandOnlyRecordsItself) {
  TheGraph->MediaControl.Reset();
  for (int command : {0, 1, 2, 3, 4, 5, 7, 8, 9}) {
    const Result r = Do(command);
    EXPECT_EQ(0, r.Position) << command;
    EXPECT_EQ(0u, r.After) << command;
    EXPECT_EQ(0u, r.Before) << command;
    EXPECT_EQ(command, LastTransportCommand);
  }
  EXPECT_EQ(0, Seeking->Gets);
  EXPECT_TRUE(Seeking->Seeks.empty());
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(TransportTest, CodesOfTenAndAboveAndSixTouchNothing) {
  for (int command : {6, 10, 11, 1000}) {
    const Result r = Do(command);
    EXPECT_EQ(0, r.Position);
    EXPECT_EQ(0u, r.After + r.Before);
    EXPECT_EQ(command, LastTransportCommand);
  }
  EXPECT_EQ(0, Control->Runs + Control->Pauses);
  EXPECT_EQ(0, Seeking->Gets);
  EXPECT_TRUE(Seeking->Seeks.empty());
  // Optional flags: none given, nothing written.
  EXPECT_EQ(0, Transport(TransportNone, nullptr, nullptr));
}

TEST_F(TransportTest, RunMarksTheGraphRunningAndReportsAFailedRun) {
  Seeking->Position = 5;
  const Result r = Do(TransportRun);
  EXPECT_EQ(0, r.Position);
  EXPECT_EQ(0u, r.After + r.Before) << "run computes no neighbours";
  EXPECT_EQ(1, GraphRunState);

  GraphRunState = 3;
  Control->RunResult = S_FALSE;  // still on its way: a success
  Do(TransportRun);
  EXPECT_EQ(1, GraphRunState);

  GraphRunState = 3;
  Control->RunResult = E_FAIL;
  EXPECT_EQ(0, Do(TransportRun).Position);
  EXPECT_EQ(3, GraphRunState);
  EXPECT_EQ(Lines{RunFailed}, NewLines());
}

TEST_F(TransportTest, PauseReturnsThePositionAndItsNeighbours) {
  GraphRunState = 1;
  Seeking->Position = 5;
  const Result r = Do(TransportPause);
  EXPECT_EQ(5, r.Position);
  EXPECT_EQ(1u, r.After);
  EXPECT_EQ(1u, r.Before);
  EXPECT_EQ(3, GraphRunState);
  EXPECT_EQ(1, Control->Pauses);
  EXPECT_EQ((std::vector<LONGLONG>{5}), Seeking->Seeks) << "the paused picture is the frame reported";

  Seeking->SetResult = E_FAIL;
  EXPECT_EQ(5, Do(TransportPause).Position);
  EXPECT_EQ(Lines{SetFailed}, NewLines());

  Seeking->GetResult = E_FAIL;
  const Result failed = Do(TransportPause);
  EXPECT_EQ(0, failed.Position);
  EXPECT_EQ(0u, failed.After + failed.Before);
  EXPECT_EQ(Lines{GetFailed}, NewLines());
}

TEST_F(TransportTest, AFailedPauseStopsEveryPausingCommandAndKeepsTheState) {
  GraphRunState = 1;
  Control->PauseResult = E_FAIL;
  for (int command : {TransportPause, TransportSeekStart, TransportSeekEnd, TransportRefresh}) {
    if (command == TransportRefresh) GraphRunState = 2;
    EXPECT_EQ(0, Do(command).Position) << command;
    EXPECT_EQ(Lines{CannotPause}, NewLines()) << command;
  }
  EXPECT_EQ(2, GraphRunState);
  EXPECT_EQ(0, Seeking->Gets);
  EXPECT_TRUE(Seeking->Seeks.empty());

  Control->PauseResult = S_FALSE;  // pausing still under way counts
  Seeking->Position = 4;
  EXPECT_EQ(4, Do(TransportPause).Position);
  EXPECT_EQ(3, GraphRunState);
}

TEST_F(TransportTest, StartAndEndPauseAndSeekToTheirEnds) {
  Seeking->Position = 5;
  const Result end = Do(TransportSeekEnd);
  EXPECT_EQ(10, end.Position);
  EXPECT_EQ(0u, end.After);
  EXPECT_EQ(1u, end.Before);
  const Result start = Do(TransportSeekStart);
  EXPECT_EQ(0, start.Position);
  EXPECT_EQ(1u, start.After);
  EXPECT_EQ(0u, start.Before);
  EXPECT_EQ((std::vector<LONGLONG>{10, 0}), Seeking->Seeks);
  EXPECT_EQ(2, Control->Pauses);
  EXPECT_EQ(3, GraphRunState);

  Seeking->SetResult = E_FAIL;
  GraphRunState = 1;
  const Result failed = Do(TransportSeekEnd);
  EXPECT_EQ(0, failed.Position);
  EXPECT_EQ(0u, failed.After + failed.Before);
  EXPECT_EQ(3, GraphRunState) << "the pause before the failed seek stands";
  EXPECT_EQ(Lines{SetFailed}, NewLines());
}

TEST_F(TransportTest, StepsSeekWithoutPausingAndReportTheirNeighbours) {
  GraphRunState = 1;
  Seeking->Position = 1;
  const Result dropped = Do(TransportNextNonKey);
  EXPECT_EQ(2, dropped.Position);
  EXPECT_EQ(1u, dropped.After);
  EXPECT_EQ(0u, dropped.Before);
  EXPECT_EQ(8, LastTransportCommand);
  EXPECT_EQ(4, Do(TransportStepForward).Position);
  EXPECT_EQ(3, Do(TransportPreviousNonKey).Position);
  EXPECT_EQ(1, Do(TransportStepBack).Position);
  EXPECT_EQ((std::vector<LONGLONG>{2, 4, 3, 1}), Seeking->Seeks);
  EXPECT_EQ(0, Control->Pauses);
  EXPECT_EQ(1, GraphRunState) << "steps leave the graph's state alone";
  EXPECT_TRUE(NewLines().empty());
}

TEST_F(TransportTest, AStepThatCannotSeekStaysWhereItStarted) {
  Seeking->Position = 4;
  Seeking->SetResult = E_FAIL;
  const Result r = Do(TransportStepForward);
  EXPECT_EQ(4, r.Position);
  EXPECT_EQ(0u, r.After + r.Before);
  EXPECT_EQ((std::vector<LONGLONG>{5}), Seeking->Seeks);
  EXPECT_EQ(Lines{SetFailed}, NewLines());

  Seeking->GetResult = E_FAIL;
  EXPECT_EQ(0, Do(TransportStepBack).Position);
  EXPECT_EQ(Lines{GetFailed}, NewLines());
  EXPECT_EQ(1u, Seeking->Seeks.size()) << "no seek without a position to start from";
}

TEST_F(TransportTest, StepsAtTheEndsSeekTheSamePositionAgain) {
  Seeking->Position = 10;
  EXPECT_EQ(10, Do(TransportStepForward).Position);
  EXPECT_EQ(10, Do(TransportNextNonKey).Position);
  Seeking->Position = 0;
  EXPECT_EQ(0, Do(TransportStepBack).Position);
  EXPECT_EQ((std::vector<LONGLONG>{10, 10, 0}), Seeking->Seeks);
}

TEST_F(TransportTest, RefreshRedrawsTheSameFrameButNotWhileRunning) {
  GraphRunState = 1;
  Seeking->Position = 6;
  EXPECT_EQ(0, Do(TransportRefresh).Position);
  EXPECT_EQ(Lines{RefreshRunning}, NewLines());
  EXPECT_EQ(0, Control->Pauses);
  EXPECT_EQ(0, Seeking->Gets);

  GraphRunState = 3;
  const Result r = Do(TransportRefresh);
  EXPECT_EQ(6, r.Position);
  EXPECT_EQ(0u, r.After + r.Before) << "refresh computes no neighbours";
  EXPECT_EQ((std::vector<LONGLONG>{6}), Seeking->Seeks);

  Seeking->SetResult = E_FAIL;
  EXPECT_EQ(0, Do(TransportRefresh).Position);
  EXPECT_EQ(Lines{SetFailed}, NewLines());
}

TEST_F(TransportTest, SliderSeekKeepsEarlierFlagsAndReportsAFailure) {
  uint32_t after = 0, before = 1;
  SeekToFrame(8, &after, &before);
  EXPECT_EQ(0u, after);
  EXPECT_EQ(1u, before);
  EXPECT_EQ(8, Seeking->Position);

  Seeking->SetResult = E_FAIL;
  after = before = 0;
  SeekToFrame(1, &after, &before);
  Pump(5);
  EXPECT_EQ(1u, after) << "the flags follow the frame asked for, seek or not";
  EXPECT_EQ(0u, before);
  EXPECT_EQ(Lines{SetFailed}, NewLines());
  EXPECT_EQ(0, Control->Pauses);
}

TEST_F(TransportTest, CurrentFrameAcceptsAnyNonFailureAndOtherwiseSaysZero) {
  Seeking->Position = 7;
  EXPECT_EQ(7u, CurrentFramePosition());
  Seeking->GetResult = S_FALSE;
  EXPECT_EQ(7u, CurrentFramePosition());
  Seeking->GetResult = E_FAIL;
  EXPECT_EQ(0u, CurrentFramePosition());
  Seeking->GetResult = S_OK;
  Seeking->Position = 0x100000003LL;
  EXPECT_EQ(3u, CurrentFramePosition()) << "the low 32 bits";
  TheGraph->MediaSeeking.Reset();
  Seeking = new FakeSeeking;  // checked again by TearDown
  EXPECT_EQ(0u, CurrentFramePosition());
  TheGraph->MediaSeeking.Attach(Seeking);
}

TEST_F(TransportTest, KeyFrameTestCountsTheEndAndBeyondAsKeyFrames) {
  EXPECT_TRUE(IsKeyFrame(0));
  EXPECT_FALSE(IsKeyFrame(2));
  EXPECT_FALSE(IsKeyFrame(7));
  EXPECT_TRUE(IsKeyFrame(10));
  EXPECT_TRUE(IsKeyFrame(0xFFFFFFFFu));
}

}  // namespace
