// orvo-aviinfo: dropped-frame runs, the two report forms, and the program's
// output and exit status on generated files.
#include <gtest/gtest.h>

#include "aviinfo_report.h"
#include "avi_test_support.h"

namespace {

AviInfoResult Inspect(const std::vector<uint8_t>& bytes, const std::string& name) {
  AviMemoryByteSource source(bytes);
  AviInfoResult result;
  InspectAviFile(name, &source, std::string(), result);
  return result;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(AviInfoRuns, RunsOfNonKeyFramesBeforeTheEnd) {
  std::vector<uint32_t> flags = {0, 1, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0};
  auto runs = DroppedFrameRuns(flags, 10);  // entries from 10 on are not frames
  EXPECT_EQ(runs, (std::vector<std::pair<uint32_t, uint32_t>>{{0, 0}, {3, 5}, {7, 7}, {9, 9}}));
  EXPECT_EQ(DroppedFrameRunsText(runs), "0, 3-5, 7, 9");
  EXPECT_EQ(DroppedFrameRunsText({}), "");
  EXPECT_EQ(DroppedFrameRuns(flags, 100).size(), 4u);  // bounded by the flags
}

TEST(AviInfoReport, TextAndJsonOfACaptureRecording) {
  AviInfoResult r = Inspect(Generate(SmallCaptureOptions()), "rec \"1\".avi");
  ASSERT_EQ(r.Status, AviInfoStatus::Parsed);
  std::string text = TextReport(r, true);
  EXPECT_TRUE(Contains(text, "  Codec               NONE (DIB internal decoder) (DIB )\n")) << text;
  EXPECT_TRUE(Contains(text, "  Total Frames        40\n"));
  EXPECT_TRUE(Contains(text, "  Key Frames          36\n"));
  EXPECT_TRUE(Contains(text, "  Dropped Frames      4\n"));
  EXPECT_TRUE(Contains(text, "  Frame size          80 x 60\n"));
  EXPECT_TRUE(Contains(text, "  Frame rate          30.00 fps\n"));
  EXPECT_TRUE(Contains(text, "  ORVO Video Capture  yes\n"));
  EXPECT_TRUE(Contains(text, "  Dropped frame list  17-19, 25\n"));
  EXPECT_FALSE(Contains(TextReport(r, false), "Dropped frame list"));

  std::string json = JsonReport(r, true);
  EXPECT_TRUE(Contains(json, "{\"file\": \"rec \\\"1\\\".avi\", \"status\": \"parsed\", \"result\": \"0x00000000\""))
      << json;
  EXPECT_TRUE(Contains(json, "\"key_frames\": 36, \"dropped_frames\": 4"));
  EXPECT_TRUE(Contains(json, "\"from_capture_program\": true"));
  EXPECT_TRUE(Contains(json, "\"dropped_frame_runs\": [[17, 19], [25, 25]]}"));
}

TEST(AviInfoReport, OtherAndRefusedAndUnreadableFiles) {
  AviGenOptions o = SmallCaptureOptions();
  o.HasArtist = false;
  AviInfoResult other = Inspect(Generate(o), "other.avi");
  EXPECT_TRUE(Contains(TextReport(other, true), "  Key Frames          unknown\n"));
  EXPECT_TRUE(Contains(TextReport(other, true), "  Dropped frame list  unknown\n"));
  EXPECT_TRUE(Contains(JsonReport(other, true), "\"key_frames\": null, \"dropped_frames\": null"));

  o = SmallCaptureOptions();
  o.BadFourccOffset = 0;
  AviInfoResult refused = Inspect(Generate(o), "bad.avi");
  EXPECT_EQ(refused.Status, AviInfoStatus::Refused);
  EXPECT_EQ(TextReport(refused, false),
            "bad.avi\n  refused:\n    WARNING: AVI file header is not RIFF formatted; file open aborted\n");
  EXPECT_EQ(JsonReport(refused, false),
            "{\"file\": \"bad.avi\", \"status\": \"refused\", \"result\": \"0x80004004\", \"messages\": "
            "[\"WARNING: AVI file header is not RIFF formatted; file open aborted\"]}");

  AviInfoResult missing;
  InspectAviFile("gone.avi", nullptr, "No such file", missing);
  EXPECT_EQ(missing.Status, AviInfoStatus::Unreadable);
  EXPECT_EQ(JsonReport(missing, false),
            "{\"file\": \"gone.avi\", \"status\": \"unreadable\", \"error\": \"No such file\"}");

  EXPECT_EQ(CombineExitStatus(0, AviInfoStatus::Parsed), 0);
  EXPECT_EQ(CombineExitStatus(0, AviInfoStatus::Refused), 1);
  EXPECT_EQ(CombineExitStatus(2, AviInfoStatus::Refused), 2);
  EXPECT_EQ(CombineExitStatus(1, AviInfoStatus::Unreadable), 2);
}

#if !defined(_WIN32) && defined(ORVO_AVIINFO_PATH) && defined(ORVO_AVIGEN_PATH)
TEST(AviInfoProgram, OutputAndExitStatus) {
  TempFile good("good.avi"), bad("bad.avi");
  int status = 0;
  RunCommand(std::string(ORVO_AVIGEN_PATH) + " --size 80x60 --frames 40 --drop 17-19,25 '" + good.Path() + "'",
             &status);
  ASSERT_EQ(status, 0);
  RunCommand(std::string(ORVO_AVIGEN_PATH) + " --bad-fourcc 164 '" + bad.Path() + "'", &status);
  ASSERT_EQ(status, 0);
  const std::string tool = ORVO_AVIINFO_PATH;

  std::string out = RunCommand(tool + " --dropped '" + good.Path() + "'", &status);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(Contains(out, "  Dropped frame list  17-19, 25\n")) << out;

  out = RunCommand(tool + " '" + good.Path() + "' '" + bad.Path() + "'", &status);
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(Contains(out, "WARNING: stream format structure FOURCC code is not \"strf\"; file open aborted")) << out;

  out = RunCommand(tool + " --json '" + bad.Path() + "' /nonexistent/file.avi '" + good.Path() + "'", &status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(out.substr(0, 2), "[\n");
  EXPECT_TRUE(Contains(out, "\"status\": \"unreadable\"")) << out;
  EXPECT_EQ(out.substr(out.size() - 2), "]\n");

  RunCommand(tool + " 2>/dev/null", &status);
  EXPECT_EQ(status, 3);
  RunCommand(tool + " --bogus x.avi 2>/dev/null", &status);
  EXPECT_EQ(status, 3);
}
#endif
