// The renderers behind the display interface: the VMR-9 in windowless mode
// (under Wine it builds, pauses and seeks, but shows nothing in a child window
// and its picture copy is garbled, so only positions are checked) and the
// Enhanced Video Renderer's display control as far as Wine runs it without
// streaming.

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "graph/video_display.h"
#include "graph_test_support.h"

namespace {

class RendererTest : public GraphTest {};

TEST_F(RendererTest, Vmr9WindowlessOpensPausedAndSeeksInFrames) {
  TheGraph->Renderer = RendererKind::Vmr9;
  AviGenOptions options;
  options.FrameCount = 25;
  options.DroppedFrames = {3};
  ASSERT_EQ(S_OK, Open(MakeRecording(L"vmr.avi", options)));
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
  EXPECT_EQ(25u, OpenFrameCount);
  EXPECT_EQ(3, GraphRunState);
  OAFilterState state = State_Stopped;
  EXPECT_EQ(S_OK, TheGraph->MediaControl->GetState(5000, &state));
  EXPECT_EQ(State_Paused, state);
  for (uint32_t frame : {9u, 24u, 2u, 25u}) {
    ASSERT_EQ(S_OK, SeekTo(frame));
    EXPECT_EQ(frame, CurrentPosition());
  }
  TheApp->Shared->MagnifyLevel = 4;
  TheGraph->ApplyMagnify();
  EXPECT_EQ(320u, TheApp->Shared->DisplayWidth);
  EXPECT_EQ(S_OK, TheGraph->DisplayControl->RepaintVideo());
  EXPECT_EQ(std::vector<std::wstring>{}, NewMessages());
  TheGraph->CloseVideoFile();
  EXPECT_EQ(nullptr, TheGraph->DisplayControl);
}

TEST_F(RendererTest, EvrDisplayControlTakesWindowAspectModeAndPosition) {
  Microsoft::WRL::ComPtr<IBaseFilter> evr;
  ASSERT_EQ(S_OK, CreateRendererFilter(RendererKind::Evr, &evr));
  Microsoft::WRL::ComPtr<IUnknown> service;
  ASSERT_EQ(S_OK, QueryRendererService(RendererKind::Evr, evr.Get(), &service));
  std::unique_ptr<VideoDisplay> display;
  ASSERT_EQ(S_OK, GetVideoDisplay(RendererKind::Evr, service.Get(), &display));
  ASSERT_NE(nullptr, display);
  EXPECT_EQ(S_OK, display->SetVideoWindow(Clip));
  EXPECT_EQ(S_OK, display->SetAspectRatioModeNone());
  const RECT r = {0, 0, 320, 240};
  EXPECT_EQ(S_OK, display->SetVideoPosition(r));
}

TEST_F(RendererTest, ConfigurationInterfaceOfTheWrongRendererIsRefused) {
  Microsoft::WRL::ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(S_OK, CreateRendererFilter(RendererKind::VideoRenderer, &renderer));
  Microsoft::WRL::ComPtr<IUnknown> service;
  EXPECT_TRUE(FAILED(QueryRendererService(RendererKind::Vmr9, renderer.Get(), &service)));
  EXPECT_EQ(nullptr, service);
  EXPECT_EQ(S_OK, QueryRendererService(RendererKind::VideoRenderer, renderer.Get(), &service));
  std::unique_ptr<VideoDisplay> display;
  EXPECT_TRUE(FAILED(GetVideoDisplay(RendererKind::Evr, service.Get(), &display)));
  EXPECT_EQ(nullptr, display);
}

}  // namespace
