// Inspecting a capture recording: the list of dropped-frame runs with its
// jumps, copy and CSV file, the strip of drops per second above it, the
// slider's ticks, File > Save Frame As... writing the frame on show as a PNG
// and Display > Copy Frame putting it on the clipboard, both decoded back here.
#include <windows.h>

#include <commctrl.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "app/app_context.h"
#include "app/main_window.h"
#include "controls/dropped_frames_list.h"
#include "controls/playback_controls.h"
#include "controls/save_frame.h"
#include "frame_picture.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

using Microsoft::WRL::ComPtr;

namespace {

std::wstring Cell(int row, int column) {
  wchar_t text[64] = L"";
  ListView_GetItemText(DroppedFramesListView, row, column, text, 64);
  return text;
}

std::vector<uint32_t> Ticks() {  // less the two end marks
  std::vector<uint32_t> ticks(static_cast<size_t>(SendMessageW(PositionSlider, TBM_GETNUMTICS, 0, 0) - 2));
  for (size_t i = 0; i < ticks.size(); ++i)
    ticks[i] = static_cast<uint32_t>(SendMessageW(PositionSlider, TBM_GETTIC, i, 0));
  return ticks;
}

std::wstring ProposedPath, ChosenPath;
HRESULT ChooseArrangedFramePath(const wchar_t* proposed, wchar_t** path) {
  ProposedPath = proposed;
  const size_t bytes = (ChosenPath.size() + 1) * sizeof(wchar_t);
  *path = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
  memcpy(*path, ChosenPath.c_str(), bytes);
  return S_OK;
}

HRESULT CancelChoice(const wchar_t*, wchar_t** path) {
  *path = nullptr;
  return E_ABORT;
}

}  // namespace

using InspectionTest = AppTest;

TEST_F(InspectionTest, DroppedFramesListShowsTheRunsMarksTheSliderAndJumpsInAnyLength) {
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
  for (int i = 0; i < 12; ++i) EXPECT_EQ(rows[i / 4][i % 4], Cell(i / 4, i % 4)) << i;
  EXPECT_EQ(L"Total: 6 dropped frames in 3 runs", drive::TextOf(DroppedFramesTotalLine));

  RECT r = {LVIR_BOUNDS};  // the user double-clicks on the second run
  ListView_GetItemRect(DroppedFramesListView, 1, &r, LVIR_BOUNDS);
  SendMessageW(DroppedFramesListView, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(r.left + 20, (r.top + r.bottom) / 2));
  Pump(20);
  EXPECT_EQ(DroppedLine(120), StatusText());
  EXPECT_EQ(120u, SliderPosition());
  EXPECT_EQ(PausedInside(true, true), States());
  // Enter on the selected run; from playing, the video pauses there.
  Click(StartButton);
  ListView_SetItemState(DroppedFramesListView, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageW(DroppedFramesListView, WM_KEYDOWN, VK_RETURN, 0);
  Pump(20);
  EXPECT_EQ(DroppedLine(250), StatusText());
  EXPECT_EQ(PausedInside(true, true), States());

  Command(CloseId);
  EXPECT_FALSE(IsWindowVisible(DroppedFramesWindow));
  EXPECT_TRUE(Grayed(TheApp->DisplayMenu, DroppedFramesListId));
  EXPECT_TRUE(Ticks().empty());
  EXPECT_EQ(0, SendMessageW(DroppedFramesListView, LVM_GETITEMCOUNT, 0, 0));

  // A long recording: a row for each of its 20,000 runs, the last one as right
  // as the first, and Enter on the last row jumps there.
  AviGenOptions options;
  options.Width = 80;  // the smallest picture that carries the frame code
  options.Height = 16;
  options.FrameCount = 200000;
  options.DropStyle = AviGenDropStyle::Repeat;
  options.Sparse = true;
  options.SparseFrom = 1;
  for (uint32_t f = 5; f < options.FrameCount; f += 10)
    options.DroppedFrames.insert(options.DroppedFrames.end(), {f, f + 1});
  const std::wstring path = WorkDir() + L"\\long capture.avi";
  std::string error;
  ASSERT_TRUE(GenerateAviFile(options, std::string(path.begin(), path.end()), &error)) << error;
  Open(path);
  Command(DroppedFramesListId);
  ASSERT_EQ(20000, SendMessageW(DroppedFramesListView, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(L"Total: 40000 dropped frames in 20000 runs", drive::TextOf(DroppedFramesTotalLine));
  const wchar_t* ends[2][4] = {{L"5", L"6", L"2", L"00:00:00.166"}, {L"199995", L"199996", L"2", L"01:51:06.500"}};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ends[i / 4][i % 4], Cell(i < 4 ? 0 : 19999, i % 4)) << i;

  SendMessageW(DroppedFramesListView, WM_KEYDOWN, VK_END, 0);  // the user goes to the last row
  SendMessageW(DroppedFramesListView, WM_KEYDOWN, VK_RETURN, 0);
  Pump(20);
  EXPECT_EQ(19999, SendMessageW(DroppedFramesListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  EXPECT_EQ(DroppedLine(199995), StatusText());
  EXPECT_EQ(199995u, SliderPosition());
}

TEST_F(InspectionTest, SaveFrameAsAndCopyFrameTakeTheNativeFrameOrNothing) {
  Open(MakeCaptureRecording(40, {30}, L"lab run.avi"));
  Scroll(TB_THUMBPOSITION, 17);
  Command(MagnifyId);
  Click(TheApp->MagnifyDoubleButton);
  ASSERT_TRUE(WaitForShownFrame(17));
  ASSERT_FALSE(Grayed(TheApp->FileMenu, SaveFrameAsId));

  ChooseFramePath = ChooseArrangedFramePath;
  ChosenPath = WorkDir() + L"\\saved.png";
  Command(SaveFrameAsId);
  EXPECT_EQ(WorkDir() + L"\\lab run_frame17.png", ProposedPath);
  EXPECT_TRUE(Posted(L" (UTC)\r\nFrame 17 saved as \"" + ChosenPath + L"\"\r\n"));

  ComPtr<IWICImagingFactory> factory;  // the PNG decoded back
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  ASSERT_HRESULT_SUCCEEDED(
      CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)));
  ASSERT_HRESULT_SUCCEEDED(factory->CreateDecoderFromFilename(ChosenPath.c_str(), nullptr, GENERIC_READ,
                                                              WICDecodeMetadataCacheOnDemand, &decoder));
  ASSERT_HRESULT_SUCCEEDED(decoder->GetFrame(0, &frame));
  UINT width = 0, height = 0;
  frame->GetSize(&width, &height);
  EXPECT_EQ(160u * 120u, width * height) << "native size, not magnified: " << width << " x " << height;
  std::vector<uint8_t> pixels(width * height * 4);
  ASSERT_HRESULT_SUCCEEDED(factory->CreateFormatConverter(&converter));
  ASSERT_HRESULT_SUCCEEDED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                                 nullptr, 0, WICBitmapPaletteTypeCustom));
  ASSERT_HRESULT_SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data()));
  uint32_t shown = 0;
  EXPECT_TRUE(ReadFrameCode(pixels.data(), width, height, width * 4, 4, &shown) && shown == 17) << shown;

  // A folder that does not exist: a warning, and no file anywhere.
  ChosenPath = WorkDir() + L"\\missing\\saved.png";
  Command(SaveFrameAsId);
  EXPECT_TRUE(Posted(L"WARNING: the frame could not be saved as \"" + ChosenPath + L"\" (error 0x"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ChosenPath.c_str()));
  WIN32_FIND_DATAW found;
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW((WorkDir() + L"\\*.tmp").c_str(), &found)) << "a temporary left";
  ChooseFramePath = ShowSaveFrameDialog;

  // Display > Copy Frame and Ctrl+Shift+C: the same native frame on the clipboard.
  for (bool key : {false, true}) {
    EmptyTheClipboard();
    if (key) {
      Key(TheApp->MainWindow, 'C', true, true);
    } else {
      Command(CopyFrameId);
    }
    EXPECT_TRUE(Posted(L" (UTC)\r\nFrame 17 copied to the clipboard\r\n"));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_DIB);
    const BITMAPINFOHEADER* header = data != nullptr ? static_cast<const BITMAPINFOHEADER*>(GlobalLock(data)) : nullptr;
    if (header == nullptr) {
      CloseClipboard();
      FAIL() << "no CF_DIB on the clipboard, key " << key;
    }
    // Native size, not magnified; bottom-up rows of 24 bits.
    EXPECT_EQ(160, header->biWidth);
    EXPECT_EQ(120, header->biHeight);
    EXPECT_EQ(24, header->biBitCount);
    const UINT stride = (160 * 3 + 3) & ~3u;
    std::vector<uint8_t> rows(stride * 120);
    const uint8_t* bits = reinterpret_cast<const uint8_t*>(header) + header->biSize;
    for (UINT y = 0; y < 120; ++y) memcpy(&rows[y * stride], bits + (119 - y) * stride, stride);
    GlobalUnlock(data);
    CloseClipboard();
    shown = 0;
    EXPECT_TRUE(ReadFrameCode(rows.data(), 160, 120, stride, 3, &shown) && shown == 17) << shown;
  }
  Click(StartButton);
  EXPECT_TRUE(Grayed(TheApp->FileMenu, SaveFrameAsId)) << "not while playing";
  EXPECT_TRUE(Grayed(TheApp->DisplayMenu, CopyFrameId)) << "not while playing";
}

// Copy and Save as CSV take the selected runs, or all; the strip above the
// list has a bar per second, names the bin under the mouse, and a click on a
// bin selects its first run and pauses on the bin's first dropped frame.
TEST_F(InspectionTest, DroppedRunsCopySaveAsCsvAndTheStrip) {
  // 30 s at 30 fps; the run 59-61 crosses from second 1 into second 2.
  Open(MakeCaptureRecording(900, {5, 6, 7, 59, 60, 61, 120, 250, 251, 700}, L"lab run.avi"));
  Command(DroppedFramesListId);
  ASSERT_TRUE(IsWindowVisible(DroppedFramesWindow));
  const std::wstring head = L"First Frame\tLast Frame\tLength\tTime of First Frame\r\n";
  Key(DroppedFramesListView, 'C', true);  // nothing selected: every run
  EXPECT_EQ(head +
                L"5\t7\t3\t00:00:00.166\r\n59\t61\t3\t00:00:01.966\r\n120\t120\t1\t00:00:04.000\r\n"
                L"250\t251\t2\t00:00:08.333\r\n700\t700\t1\t00:00:23.333\r\n",
            ClipboardText());
  EXPECT_NE(std::wstring::npos, MessagesText().find(L" (UTC)\r\n5 dropped frame runs copied to the clipboard\r\n"));
  ListView_SetItemState(DroppedFramesListView, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  Key(DroppedFramesListView, 'C', true);
  EXPECT_EQ(head + L"250\t251\t2\t00:00:08.333\r\n", ClipboardText());

  // The strip: 30 bins of one second; at x the middle of bin b.
  RECT strip = {};
  GetClientRect(DroppedFramesStrip, &strip);
  ASSERT_GE(strip.right, 30);
  auto middle = [&strip](int bin) { return static_cast<WORD>((2 * bin + 1) * strip.right / 60); };
  SendMessageW(DroppedFramesStrip, WM_MOUSEMOVE, 0, MAKELPARAM(middle(8), 10));
  wchar_t tip[80] = L"";
  TTTOOLINFOW tool = {TTTOOLINFOW_V2_SIZE, 0, DroppedFramesWindow, reinterpret_cast<UINT_PTR>(DroppedFramesStrip)};
  tool.lpszText = tip;
  SendMessageW(DroppedFramesStripTip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(std::wstring(L"00:00:08-00:00:09: 2 dropped"), tip);
  SendMessageW(DroppedFramesStrip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(middle(2), 10));
  Pump(20);
  EXPECT_EQ(1, SendMessageW(DroppedFramesListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  EXPECT_EQ(1u, ListView_GetSelectedCount(DroppedFramesListView));
  EXPECT_EQ(60u, SliderPosition());
  EXPECT_EQ(DroppedLine(60), StatusText());
  SendMessageW(DroppedFramesStrip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(middle(3), 10));  // no drops there
  Pump(20);
  EXPECT_EQ(60u, SliderPosition());
  EXPECT_EQ(1, SendMessageW(DroppedFramesListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));

  // Save as CSV... on the selected run, beside the recording; then a folder
  // that is not there: a warning and no file; a cancelled dialog: nothing.
  ChooseCsvPath = ChooseArrangedFramePath;
  ChosenPath = WorkDir() + L"\\runs.csv";
  Command(DroppedRunsSaveCsvId, DroppedFramesWindow);
  EXPECT_EQ(WorkDir() + L"\\lab run_dropped_frames.csv", ProposedPath);
  EXPECT_EQ("First Frame,Last Frame,Length,Time of First Frame\r\n59,61,3,00:00:01.966\r\n",
            drive::FileBytes(ChosenPath));
  EXPECT_NE(std::wstring::npos, MessagesText().find(L"\r\n1 dropped frame run saved as \"" + ChosenPath + L"\"\r\n"));
  ChosenPath = WorkDir() + L"\\missing\\runs.csv";
  Command(DroppedRunsSaveCsvId, DroppedFramesWindow);
  EXPECT_NE(std::wstring::npos, MessagesText().find(L"WARNING: the dropped frame runs could not be saved as \"" +
                                                    ChosenPath + L"\" (error 0x"));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ChosenPath.c_str()));
  WIN32_FIND_DATAW found;
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileW((WorkDir() + L"\\*.tmp").c_str(), &found)) << "a temporary left";
  const std::wstring before = MessagesText();
  ChooseCsvPath = CancelChoice;
  Command(DroppedRunsSaveCsvId, DroppedFramesWindow);
  EXPECT_EQ(before, MessagesText());
  ChooseCsvPath = ShowSaveCsvDialog;
}
