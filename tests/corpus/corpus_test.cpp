// Recordings written by other programs (ffmpeg, GStreamer's avimux), made at
// test time by make_corpus.sh with what ffprobe reads from each: every one is
// opened through File > Open as a user would, and either opens with the facts
// that ffprobe reports and steps to the right pictures, or is refused with a
// clear message.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "app/app_context.h"
#include "app/main_window.h"
#include "avi/avi_text_format.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "harness/app_harness.h"

namespace {

// One line of the corpus manifest (see make_corpus.sh).
struct CorpusFile {
  std::string Name;
  std::string Writer;
  bool Opens = false;
  uint32_t Frames = 0;  // video frames present in the file
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint32_t Rate = 0;
  uint32_t Scale = 0;
  uint32_t HeaderFrames = 0;  // what the stream header claims
  std::string Refusal;        // a text of the message that refuses the file
};

void PrintTo(const CorpusFile& file, std::ostream* out) { *out << file.Name << " (" << file.Writer << ")"; }

// The corpus folder as the Windows program sees it: Wine's drive Z: is "/".
std::wstring CorpusFolder() {
  std::wstring folder = L"Z:";
  for (const char c : std::string(ORVO_CORPUS_DIR)) folder += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return folder;
}

std::vector<CorpusFile> ReadManifest() {
  std::vector<CorpusFile> files;
  std::ifstream manifest(std::string(ORVO_CORPUS_DIR) + "/manifest.tsv");
  std::string line;
  while (std::getline(manifest, line)) {
    std::vector<std::string> fields;
    std::stringstream columns(line);
    for (std::string field; std::getline(columns, field, '\t');) fields.push_back(field);
    if (fields.size() < 9) continue;
    CorpusFile file{fields[0], fields[1], fields[2] == "open"};
    uint32_t* numbers[] = {&file.Frames, &file.Width, &file.Height, &file.Rate, &file.Scale, &file.HeaderFrames};
    for (int i = 0; i < 6; ++i) *numbers[i] = static_cast<uint32_t>(std::stoul(fields[3 + i]));
    if (fields.size() > 9) file.Refusal = fields[9];
    files.push_back(file);
  }
  // No manifest: one case that says so.
  if (files.empty()) files.push_back(CorpusFile{"no_manifest", "make_corpus.sh"});
  return files;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring FrameRateText(uint32_t rate, uint32_t scale) {
  char16_t field[AviFrameRateTextUnits] = {};
  FormatFrameRateText(field, AviFrameRateTextUnits, rate, scale);
  return std::wstring(field, field + std::char_traits<char16_t>::length(field));
}

bool HasLine(const std::vector<std::wstring>& lines, const std::wstring& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// One text per line, for failure output.
std::wstring Joined(const std::vector<std::wstring>& lines) {
  std::wstring all;
  for (const std::wstring& line : lines) all += L"\n  " + line;
  return all;
}

class CorpusTest : public AppTest, public ::testing::WithParamInterface<CorpusFile> {};

TEST_P(CorpusTest, OpensWithItsFactsAndStepsOrIsRefusedClearly) {
  const CorpusFile& file = GetParam();
  ASSERT_NE("no_manifest", file.Name) << "no corpus manifest in " << ORVO_CORPUS_DIR;
  TryOpen(CorpusFolder() + L"\\" + Widen(file.Name));
  const std::vector<std::wstring> texts = NewTexts();
  EXPECT_FALSE(HasLine(texts, L"Cancelled file open")) << "the open was not cancelled:" << Joined(texts);

  if (!file.Opens) {
    EXPECT_EQ(0u, OpenFrameCount) << "expected a refusal:" << Joined(texts);
    EXPECT_EQ(NoFile(), States());
    const bool said = std::any_of(texts.begin(), texts.end(), [&](const std::wstring& line) {
      return line.rfind(L"SEVERE: ", 0) == 0 && line.find(Widen(file.Refusal)) != std::wstring::npos;
    });
    EXPECT_TRUE(said) << "expected SEVERE: ..." << file.Refusal << "...:" << Joined(texts);
    return;
  }

  ASSERT_NE(0u, OpenFrameCount) << "the file did not open:" << Joined(texts);
  const uint32_t n = file.Frames;
  EXPECT_EQ(n, OpenFrameCount);
  EXPECT_TRUE(HasLine(texts, L"\tTotal Frames\t\t" + std::to_wstring(n))) << Joined(texts);
  EXPECT_TRUE(HasLine(texts, L"\tFrame size\t\t" + std::to_wstring(file.Width) + L" x " + std::to_wstring(file.Height)))
      << Joined(texts);
  EXPECT_TRUE(HasLine(texts, L"\tFrame rate\t\t" + FrameRateText(file.Rate, file.Scale) + L" fps")) << Joined(texts);
  if (file.HeaderFrames != n) {
    const bool warned = std::any_of(texts.begin(), texts.end(), [&](const std::wstring& line) {
      return line.rfind(L"WARNING: ", 0) == 0 && line.find(std::to_wstring(n)) != std::wstring::npos &&
             line.find(std::to_wstring(file.HeaderFrames)) != std::wstring::npos;
    });
    EXPECT_TRUE(warned) << "no WARNING naming " << file.HeaderFrames << " and " << n << ":" << Joined(texts);
  }
  // A picture wider than the virtual screen is looked at half size, as a
  // user with a small screen would.
  if (file.Width > 1200) {
    Command(MagnifyId);
    Click(TheApp->MagnifyHalfButton);
  }

  for (int i = 0; i < 3; ++i) Key(TheApp->MainWindow, VK_RIGHT);
  EXPECT_EQ(PlainLine(3), StatusText());
  EXPECT_TRUE(WaitForShownFrame(3)) << "after Right x3";

  // The last frame, with the slider's thumb dragged there.
  SendMessageW(PositionSlider, TBM_SETPOS, TRUE, n - 1);
  SendMessageW(TheApp->PlaybackWindow, WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(PositionSlider));
  Pump(30);
  EXPECT_EQ(PlainLine(n - 1), StatusText());
  EXPECT_TRUE(WaitForShownFrame(n - 1)) << "the slider at the last frame";

  // Under Wine 8, after a seek to the end of a compressed stream, the next
  // paused seeks now and then decode from a frame that is not a key frame and
  // present a grey picture (about 1 in 10 with MPEG-4); so here only the
  // positions are looked at.
  Key(TheApp->MainWindow, VK_END);
  EXPECT_EQ(n, SliderPosition());
  EXPECT_EQ(AtEnd(), States());
  Key(TheApp->MainWindow, VK_LEFT);
  EXPECT_EQ(PlainLine(n - 1), StatusText());
}

std::string CaseName(const ::testing::TestParamInfo<CorpusFile>& info) {
  std::string name = info.param.Name.substr(0, info.param.Name.rfind(".avi"));
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusTest, ::testing::ValuesIn(ReadManifest()), CaseName);

}  // namespace
