// orvo-aviinfo: dropped-frame runs, the text and JSON reports, and the
// exit status that combines the files' outcomes.
#include <gtest/gtest.h>

#include "avi_test_support.h"
#include "aviinfo_report.h"

namespace {

AviInfoResult Inspect(const AviGenOptions& options, const std::string& name) {
  const std::vector<uint8_t> bytes = GenerateAviBytes(options);
  AviMemoryByteSource source(bytes);
  AviInfoResult result;
  InspectAviFile(name, &source, std::string(), result);
  return result;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(AviInfo, DroppedRunsEndAtTheLastFrame) {
  const std::vector<uint32_t> flags = {0, 1, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(DroppedFrameRunsText(DroppedFrameRuns(flags, 10)), "0, 3-5, 7, 9");
  EXPECT_EQ(DroppedFrameRunsText(DroppedFrameRuns(flags, 100)), "0, 3-5, 7, 9-12");
}

TEST(AviInfo, ReportsOfCaptureOtherRefusedAndUnreadableFiles) {
  AviInfoResult r = Inspect(Options(Small), "rec \"1\".avi");
  const std::string text = TextReport(r, true), json = JsonReport(r, true);
  for (const char* line :
       {"  Codec               NONE (DIB internal decoder) (DIB )\n", "  Total Frames        40\n",
        "  Key Frames          36\n", "  Dropped Frames      4\n", "  Frame size          80 x 60\n",
        "  Frame rate          30.00 fps\n", "  ORVO Video Capture  yes\n", "  Dropped frame list  17-19, 25\n"})
    EXPECT_TRUE(Has(text, line)) << text;
  EXPECT_FALSE(Has(TextReport(r, false), "Dropped frame list"));
  for (const char* part : {"{\"file\": \"rec \\\"1\\\".avi\", \"status\": \"parsed\", \"result\": \"0x00000000\"",
                           "\"key_frames\": 36, \"dropped_frames\": 4", "\"from_capture_program\": true",
                           "\"dropped_frame_runs\": [[17, 19], [25, 25]]}"})
    EXPECT_TRUE(Has(json, part)) << json;

  r = Inspect(Options(Small + " --artist none"), "other.avi");
  EXPECT_TRUE(Has(TextReport(r, true), "  Key Frames          unknown\n  Dropped Frames      unknown\n"));
  EXPECT_TRUE(Has(TextReport(r, true), "  Dropped frame list  unknown\n"));
  EXPECT_TRUE(Has(JsonReport(r, true), "\"key_frames\": null, \"dropped_frames\": null"));
  r = Inspect(Options(Small + " --bad-fourcc 0"), "bad.avi");
  EXPECT_EQ(TextReport(r, false),
            "bad.avi\n  refused:\n    WARNING: AVI file header is not RIFF formatted; file open aborted\n");
  EXPECT_EQ(JsonReport(r, false),
            "{\"file\": \"bad.avi\", \"status\": \"refused\", \"result\": \"0x80004004\", \"messages\": "
            "[\"WARNING: AVI file header is not RIFF formatted; file open aborted\"]}");
  InspectAviFile("gone.avi", nullptr, "No such file", r);
  EXPECT_EQ(JsonReport(r, false), "{\"file\": \"gone.avi\", \"status\": \"unreadable\", \"error\": \"No such file\"}");
  EXPECT_EQ(std::to_string(CombineExitStatus(0, AviInfoStatus::Parsed)) +
                std::to_string(CombineExitStatus(0, AviInfoStatus::Refused)) +
                std::to_string(CombineExitStatus(2, AviInfoStatus::Refused)) +
                std::to_string(CombineExitStatus(1, AviInfoStatus::Unreadable)),
            "0122");
}
