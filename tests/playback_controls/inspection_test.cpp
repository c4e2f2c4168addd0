// Inspecting a capture recording: the list of dropped-frame runs with its
// jumps, the slider's ticks, and File > Save Frame As... writing the frame on
// show as a PNG, decoded back here.
#include <windows.h>

#include <commctrl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/main_window.h"
#include "controls/display_windows.h"
#include "controls/dropped_frames_list.h"
#include "controls/playback_controls.h"
#include "controls/save_frame.h"
#include "frame_picture.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

using Microsoft::WRL::ComPtr;

namespace {

class InspectionTest : public AppTest {
 protected:
  static std::wstring Cell(int row, int column) {
    wchar_t text[64] = L"";
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(DroppedFramesListView, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
  }
  static std::vector<uint32_t> Ticks() {
    std::vector<uint32_t> ticks;
    const LRESULT n = SendMessageW(PositionSlider, TBM_GETNUMTICS, 0, 0) - 2;  // less the two end marks
    for (LRESULT i = 0; i < n; ++i) ticks.push_back(static_cast<uint32_t>(SendMessageW(PositionSlider, TBM_GETTIC, i, 0)));
    return ticks;
  }
  // The user double-clicks on a row.
  static void DoubleClick(int row) {
    RECT r = {LVIR_BOUNDS};
    SendMessageW(DroppedFramesListView, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM(r.left + 20, (r.top + r.bottom) / 2);
    SendMessageW(DroppedFramesListView, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(DroppedFramesListView, WM_LBUTTONUP, 0, at);
    SendMessageW(DroppedFramesListView, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(DroppedFramesListView, WM_LBUTTONUP, 0, at);
    Pump(20);
  }
};

std::wstring ProposedPath;
std::wstring ChosenPath;
HRESULT ChooseArrangedFramePath(const wchar_t* proposed, wchar_t** path) {
  ProposedPath = proposed;
  const size_t bytes = (ChosenPath.size() + 1) * sizeof(wchar_t);
  *path = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
  memcpy(*path, ChosenPath.c_str(), bytes);
  return S_OK;
}

}  // namespace

TEST_F(InspectionTest, DroppedFramesListShowsTheRunsMarksTheSliderAndJumps) {
  Open(MakeRecording(L"plain.avi", AviGenOptions{}));
  EXPECT_TRUE(Grayed(TheApp->DisplayMenu, DroppedFramesListId)) << "no drops, no list";
  Open(MakeCaptureRecording(300, {5, 6, 7, 120, 250, 251}));
  ASSERT_FALSE(Grayed(TheApp->DisplayMenu, DroppedFramesListId));
  EXPECT_EQ((std::vector<uint32_t>{5, 6, 7, 120, 250, 251}), Ticks());

  Command(DroppedFramesListId);
  ASSERT_TRUE(IsWindowVisible(DroppedFramesWindow));
  ASSERT_EQ(3, SendMessageW(DroppedFramesListView, LVM_GETITEMCOUNT, 0, 0));
  const wchar_t* rows[3][4] = {{L"5", L"7", L"3", L"00:00:00.166"},
                               {L"120", L"120", L"1", L"00:00:04.000"},
                               {L"250", L"251", L"2", L"00:00:08.333"}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(rows[r][c], Cell(r, c)) << r << "," << c;
  }
  EXPECT_EQ(L"Total: 6 dropped frames in 3 runs", WindowTextOf(DroppedFramesTotalLine));

  DoubleClick(1);
  EXPECT_EQ(DroppedLine(120), StatusText());
  EXPECT_EQ(120u, SliderPosition());
  EXPECT_EQ(PausedInside(true, true), States());
  // Enter on the selected run; from playing, the video pauses there.
  Click(StartButton);
  ListView_SetItemState(DroppedFramesListView, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageW(DroppedFramesListView, WM_KEYDOWN, VK_RETURN, 0);
  Pump(20);
  EXPECT_EQ(DroppedLine(250), StatusText());
  EXPECT_EQ(TransportPause, PlaybackState);
  EXPECT_EQ(PausedInside(true, true), States());
  EXPECT_EQ(250u, CurrentFramePosition());

  Command(CloseId);
  EXPECT_FALSE(IsWindowVisible(DroppedFramesWindow));
  EXPECT_EQ(0, SendMessageW(DroppedFramesListView, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_TRUE(Grayed(TheApp->DisplayMenu, DroppedFramesListId));
  EXPECT_TRUE(Ticks().empty());
}

TEST_F(InspectionTest, SaveFrameAsWritesTheNativeFrameOrNothing) {
  const std::wstring recording = MakeCaptureRecording(40, {30}, L"lab run.avi");
  EXPECT_TRUE(Grayed(TheApp->FileMenu, SaveFrameAsId));
  Open(recording);
  Scroll(TB_THUMBPOSITION, 17);
  Command(MagnifyId);
  SendMessageW(TheApp->MagnifyWindow, WM_COMMAND, MAKEWPARAM(MagnifyDoubleId, BN_CLICKED), 0);
  ASSERT_TRUE(WaitForShownFrame(17));
  ASSERT_EQ(320u, TheApp->Shared->DisplayWidth);
  ASSERT_FALSE(Grayed(TheApp->FileMenu, SaveFrameAsId));

  ChooseFramePath = ChooseArrangedFramePath;
  ChosenPath = WorkDir() + L"\\saved.png";
  NewLines();
  Command(SaveFrameAsId);
  EXPECT_EQ(WorkDir() + L"\\lab run_frame17.png", ProposedPath);
  const std::vector<std::wstring> lines = NewLines();
  ASSERT_LE(3u, lines.size());
  EXPECT_TRUE(IsTimeLine(lines[1]));
  EXPECT_EQ(L"Frame 17 saved as \"" + ChosenPath + L"\"", lines[2]);

  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ASSERT_HRESULT_SUCCEEDED(
      CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
  ASSERT_HRESULT_SUCCEEDED(factory->CreateDecoderFromFilename(ChosenPath.c_str(), nullptr, GENERIC_READ,
                                                              WICDecodeMetadataCacheOnDemand, &decoder));
  ASSERT_HRESULT_SUCCEEDED(decoder->GetFrame(0, &frame));
  UINT width = 0, height = 0;
  frame->GetSize(&width, &height);
  EXPECT_EQ(160u, width) << "native size, not magnified";
  EXPECT_EQ(120u, height);
  std::vector<uint8_t> pixels(width * height * 4);
  ComPtr<IWICFormatConverter> converter;
  ASSERT_HRESULT_SUCCEEDED(factory->CreateFormatConverter(&converter));
  ASSERT_HRESULT_SUCCEEDED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                                 nullptr, 0, WICBitmapPaletteTypeCustom));
  ASSERT_HRESULT_SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data()));
  uint32_t shown = 0;
  EXPECT_TRUE(ReadFrameCode(pixels.data(), width, height, width * 4, 4, &shown));
  EXPECT_EQ(17u, shown);
  decoder.Reset();
  frame.Reset();
  converter.Reset();

  // A folder that does not exist: a warning, and no file anywhere.
  ChosenPath = WorkDir() + L"\\missing\\saved.png";
  Command(SaveFrameAsId);
  const std::wstring messages = MessagesText();
  EXPECT_NE(std::wstring::npos,
            messages.find(L"WARNING: the frame could not be saved as \"" + ChosenPath + L"\" (error 0x"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ChosenPath.c_str()));
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((WorkDir() + L"\\*.tmp").c_str(), &found);
  EXPECT_EQ(INVALID_HANDLE_VALUE, search) << "a temporary file was left behind";
  if (search != INVALID_HANDLE_VALUE) FindClose(search);

  Click(StartButton);
  EXPECT_TRUE(Grayed(TheApp->FileMenu, SaveFrameAsId)) << "not while playing";
  ChooseFramePath = ShowSaveFrameDialog;
}
