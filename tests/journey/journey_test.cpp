// A user's whole journey through the real OrvoVideoPlayback.exe, driven from
// outside its process: the first start without an options file, a capture
// recording opened through the real File > Open dialog and inspected with
// every tool, the log and the window positions saved, then a second start that
// finds the windows where they were left. Screenshots of the main states are
// kept beside the test (journey-01-open.png, ...) for people to look at.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "avi_generator.h"
#include "drive.h"

namespace {

using drive::Program;
using drive::RectOf;

// The recording: 90 frames of 320 x 240 at 30 fps, dropped frames in runs 20-22, 50 and 75.
constexpr uint32_t Frames = 90;
const std::vector<uint32_t> Drops = {20, 21, 22, 50, 75};
constexpr int PictureWidth = 320, PictureHeight = 240;
constexpr uint32_t NoPicture = UINT32_MAX;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }  // ASCII text

// Every digit as 9: time stamps compared by their shape.
std::wstring Masked(std::wstring text) {
  for (wchar_t& c : text) c = (c >= L'0' && c <= L'9') ? L'9' : c;
  return text;
}

// The frame line's start for a frame: its indent and label (the frame's time follows).
std::wstring Line(int indent, const wchar_t* label, uint32_t frame) {
  return std::wstring(indent, L' ') + label + L" Number:  " + std::to_wstring(frame) + L"  ";
}
std::wstring KeyLine(uint32_t frame) { return Line(49, L"Key Frame", frame); }
std::wstring DroppedLine(uint32_t frame) { return Line(49, L"Dropped Frame", frame); }

// The frame line comes to start with start and, unless NoPicture, the screen to show that frame.
void ExpectLine(const Program& p, const std::wstring& start, uint32_t picture = NoPicture) {
  EXPECT_TRUE(p.WaitForFrameLine(start)) << "\"" << Narrow(p.FrameText()) << "\" for \"" << Narrow(start) << "\"";
  if (picture != NoPicture) {
    EXPECT_TRUE(p.WaitForPicture(picture)) << "frame " << picture;
  }
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// The grey level of the picture's background (below the frame code, left of the digits).
int BackgroundLevel(const Program& p) {
  return GetGValue(drive::ScreenColour(Program::Child(p.Main(), drive::ClipClass), 8, PictureHeight - 8));
}

void Shot(const wchar_t* name) {
  EXPECT_TRUE(drive::SaveScreenshot(nullptr, drive::CurrentFolder() + L"\\" + name)) << Narrow(name);
}

// Where the windows are, as Options > Set Window Positions keeps them: the
// corners, and User Messages' size too.
std::vector<LONG> Places(const Program& p) {
  std::vector<LONG> places;
  for (HWND window : {p.Main(), p.Messages(), p.Playback(), p.Window(drive::BrightnessContrastClass),
                      p.Window(drive::MagnifyClass)}) {
    const RECT r = RectOf(window);
    places.insert(places.end(), {r.left, r.top});
    if (window == p.Messages()) places.insert(places.end(), {r.right - r.left, r.bottom - r.top});
  }
  return places;
}

TEST(JourneyTest, FirstRunInspectsACaptureRecordingAndTheSecondFindsTheWindowsWhereTheyWereLeft) {
  // A fresh working directory: the program, its icons, the recording, no options file.
  const std::wstring work = drive::CurrentFolder() + L"\\program", exe = work + L"\\OrvoVideoPlayback.exe";
  const std::wstring recording = work + L"\\journey.avi", framePng = work + L"\\frame51.png";
  ASSERT_TRUE(drive::MakeWorkFolder(work, drive::ExeFolder()));
  AviGenOptions options;
  options.Width = PictureWidth;
  options.Height = PictureHeight;
  options.FrameCount = Frames;
  options.DroppedFrames = Drops;
  std::string error;
  ASSERT_TRUE(GenerateAviFile(options, Narrow(recording), &error)) << error;

  Program p;
  ASSERT_TRUE(p.Start(exe, work));
  // The first start: default places, and the missing options file said last.
  EXPECT_EQ(L"ORVO Video Playback Version 1", drive::TextOf(p.Main()));
  const RECT main = RectOf(p.Main()), messages = RectOf(p.Messages());
  EXPECT_EQ((std::vector<LONG>{50, 50, 100, 150, 736, 650}),
            (std::vector<LONG>{main.left, main.top, messages.left, messages.top, messages.right, messages.bottom}));
  const wchar_t notice[] = L"No Options File or unreadable Options File\r\n";
  EXPECT_TRUE(drive::WaitFor([&] { return Contains(p.MessagesText(), notice); }));
  EXPECT_EQ(notice, p.MessagesText().substr(p.MessagesText().size() - 44)) << "the notice comes last";
  EXPECT_NE(0, SendMessageW(p.Button(L"Start\r\nPlayback"), BM_GETIMAGE, IMAGE_ICON, 0)) << "icons on the buttons";

  // The user puts the windows side by side.
  drive::MoveTo(p.Messages(), 740, 50);
  drive::MoveTo(p.Playback(), 50, 640);
  drive::MoveTo(p.Window(drive::MagnifyClass), 920, 600);
  drive::MoveTo(p.Window(drive::BrightnessContrastClass), 1220, 600);

  p.Command(drive::OpenCommand);
  ASSERT_TRUE(p.AnswerFileDialog(recording));
  ExpectLine(p, KeyLine(0), 0);
  // The open's report follows its first frame.
  EXPECT_TRUE(drive::WaitFor([&] { return Contains(p.MessagesText(), L"journey.avi\" is open for playback"); }));
  Shot(L"journey-01-open.png");
  p.Command(drive::InformationCommand);
  EXPECT_TRUE(drive::WaitFor([&] { return Contains(p.MessagesText(), L"File information for  "); }));
  EXPECT_TRUE(Contains(p.MessagesText(), L"\tDropped Frames\t\t5\r\n"));

  // Played to the end, back to the beginning, then ">" visits each dropped frame.
  ASSERT_TRUE(drive::Click(p.Button(L"Start\r\nPlayback")));
  ExpectLine(p, KeyLine(Frames));
  EXPECT_FALSE(IsWindowEnabled(p.Button(L"Pause")));
  ASSERT_TRUE(drive::Click(p.Button(L"Beginning\r\nof File")));
  ExpectLine(p, KeyLine(0), 0);
  for (uint32_t frame : Drops) {
    ASSERT_TRUE(drive::Click(p.Button(L">")));
    ExpectLine(p, DroppedLine(frame));
    if (frame == Drops.front()) Shot(L"journey-02-dropped-frame.png");
  }

  const std::pair<UINT, std::wstring> keys[] = {{VK_HOME, KeyLine(0)},
                                                {VK_RIGHT, KeyLine(1)},
                                                {VK_NEXT, DroppedLine(20)},
                                                {VK_END, KeyLine(Frames)},
                                                {VK_LEFT, KeyLine(Frames - 1)}};
  for (const auto& key : keys) {
    p.Key(key.first);
    ExpectLine(p, key.second);
  }

  p.Command(drive::GoToFrameCommand);
  HWND goTo = p.WaitForDialog(L"Go to Frame");
  ASSERT_NE(nullptr, goTo);
  SetWindowTextW(GetDlgItem(goTo, drive::GoToFrameEditId), L"45");
  UpdateWindow(GetDlgItem(goTo, drive::GoToFrameEditId));  // drawn before the screenshot
  Shot(L"journey-03-go-to-frame.png");
  PostMessageW(goTo, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ExpectLine(p, KeyLine(45), 45);

  // The Dropped Frames List: Enter on its second run pauses on that run.
  p.Command(drive::DroppedFramesListCommand);
  HWND list = p.WaitForWindow(drive::DroppedFramesClass);
  ASSERT_NE(nullptr, list);
  drive::MoveTo(list, 920, 860);
  EXPECT_EQ(L"Total: 5 dropped frames in 3 runs", drive::TextOf(Program::Child(list, L"STATIC")));
  Shot(L"journey-04-dropped-frames-list.png");
  for (UINT key : {VK_HOME, VK_DOWN, VK_RETURN}) p.Key(key, Program::Child(list, L"SysListView32"));
  ExpectLine(p, DroppedLine(50));
  PostMessageW(list, WM_CLOSE, 0, 0);

  // Save Frame As through the real dialog: the frame at its own size.
  p.Key(VK_RIGHT);
  ExpectLine(p, KeyLine(51), 51);
  p.Command(drive::SaveFrameAsCommand);
  ASSERT_TRUE(p.AnswerFileDialog(framePng));
  uint32_t width = 0, height = 0;
  EXPECT_TRUE(drive::WaitFor([&] { return drive::PictureSize(framePng, &width, &height); }));
  EXPECT_EQ((std::vector<uint32_t>{PictureWidth, PictureHeight}), (std::vector<uint32_t>{width, height}));

  // Magnify x 2 and back.
  p.Command(drive::MagnifyCommand);
  HWND magnify = p.WaitForWindow(drive::MagnifyClass);
  ASSERT_NE(nullptr, magnify);
  HWND clip = Program::Child(p.Main(), drive::ClipClass);
  for (const auto& choice : {std::make_pair(L" x 2.0", 2), std::make_pair(L" None", 1)}) {
    ASSERT_TRUE(drive::Click(Program::Child(magnify, L"BUTTON", choice.first)));
    RECT client = {};
    EXPECT_TRUE(drive::WaitFor([&] {
      GetClientRect(clip, &client);
      return client.right == PictureWidth * choice.second && client.bottom == PictureHeight * choice.second;
    })) << client.right
        << " x " << client.bottom;
    ExpectLine(p, KeyLine(51), 51);
    if (choice.second == 2) Shot(L"journey-05-magnify-x2.png");
  }
  PostMessageW(magnify, WM_CLOSE, 0, 0);

  // Brightness up: the picture lightens; back to neutral: it is as it was.
  const int neutral = BackgroundLevel(p);
  p.Command(drive::BrightnessContrastCommand);
  HWND colour = p.WaitForWindow(drive::BrightnessContrastClass);
  ASSERT_NE(nullptr, colour);
  HWND brightness = GetDlgItem(colour, drive::BrightnessSliderId);
  for (int step = 0; step < 10; ++step) p.Key(VK_RIGHT, brightness);
  EXPECT_TRUE(drive::WaitFor([&] { return BackgroundLevel(p) > neutral + 20; }))
      << BackgroundLevel(p) << ", " << neutral;
  EXPECT_EQ(60, SendMessageW(brightness, TBM_GETPOS, 0, 0));
  Shot(L"journey-06-brightness-up.png");
  for (int step = 0; step < 10; ++step) p.Key(VK_LEFT, brightness);
  EXPECT_TRUE(drive::WaitFor([&] { return BackgroundLevel(p) == neutral; })) << BackgroundLevel(p);
  ExpectLine(p, KeyLine(51), 51);

  // Save Messages and Clear: the log file holds the window's text (its bytes
  // and the reports' layout are log_files_test's and log_text_test's).
  const std::wstring before = p.MessagesText();
  p.Command(drive::SaveMessagesAndClearCommand, p.Messages());
  std::wstring after;
  ASSERT_TRUE(drive::WaitFor([&] { return Contains(after = p.MessagesText(), L"cleared"); }));
  EXPECT_EQ(
      L"\r\n99:99:99 (UTC)\r\nUser messages saved in file \"LogFiles\\log_99_99_9999_99_99_99.txt\" and all "
      L"messages cleared\r\n",
      Masked(after));
  const size_t name = after.find(L"LogFiles");
  const std::string log = drive::FileBytes(work + L"\\" + after.substr(name, after.find(L'"', name) - name));
  EXPECT_EQ(0u, log.find(Narrow(before.substr(0, before.find(L"\tCodec")))));
  EXPECT_NE(std::string::npos, log.find("\r\n    Dropped Frames       5\r\n")) << log;

  // Options > Set Window Positions keeps where the windows are; Exit ends with 0.
  p.Command(drive::SetWindowPositionsCommand);
  EXPECT_TRUE(drive::WaitFor([&] { return Contains(p.MessagesText(), L"Default window positions are set"); }));
  const std::vector<LONG> places = Places(p);
  EXPECT_EQ(0, p.Exit());

  // The second start, as "Open with" gives it: in another folder, the
  // recording named relative to it. The program works from its own folder:
  // every window where it was left, no complaint, the icons, the recording open.
  const std::wstring elsewhere = work + L"\\elsewhere";
  ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
  Program again;
  ASSERT_TRUE(again.Start(exe, elsewhere, L"..\\journey.avi"));
  EXPECT_EQ(places, Places(again));
  ExpectLine(again, KeyLine(0), 0);
  EXPECT_TRUE(drive::WaitFor(
      [&] { return Contains(again.MessagesText(), L"File \"" + recording + L"\" is open for playback"); }));
  EXPECT_FALSE(Contains(again.MessagesText(), L"No Options File"));
  EXPECT_NE(0, SendMessageW(again.Button(L"Start\r\nPlayback"), BM_GETIMAGE, IMAGE_ICON, 0));
  EXPECT_EQ(0, again.Exit());
}

}  // namespace
