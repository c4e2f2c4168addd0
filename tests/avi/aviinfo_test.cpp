// orvo-aviinfo: dropped-frame runs, text and JSON reports, and the exit status.
#include <gtest/gtest.h>

#include "avi_test_support.h"
#include "aviinfo_report.h"

namespace {

// The text report, "|", the JSON report of a recording made from an orvo-avigen command line.
std::string Reports(const std::string& line, bool listDropped = true) {
  const std::vector<uint8_t> bytes = Recording(line);
  AviMemoryByteSource source(bytes);
  AviInfoResult result;
  InspectAviFile("rec \"1\".avi", &source, std::string(), result);
  return TextReport(result, listDropped) + "|" + JsonReport(result, listDropped);
}

}  // namespace

TEST(AviInfo, ReportsOfCaptureOtherRefusedAndUnreadableFilesAndTheExitStatus) {
  const std::string reports = Reports(Small) + Reports(Small + " --artist none");  // capture, then other
  for (const char* part : {"  Codec               NONE (DIB internal decoder) (DIB )\n  Total Frames        40\n"
                           "  Key Frames          36\n  Dropped Frames      4\n  Frame size          80 x 60\n"
                           "  Frame rate          30.00 fps\n",
                           "  ORVO Video Capture  yes\n", "  Dropped frame list  17-19, 25\n",
                           "{\"file\": \"rec \\\"1\\\".avi\", \"status\": \"parsed\", \"result\": \"0x00000000\"",
                           "\"key_frames\": 36, \"dropped_frames\": 4", "\"from_capture_program\": true",
                           "\"dropped_frame_runs\": [[17, 19], [25, 25]]}", "  Key Frames          unknown\n",
                           "  Dropped frame list  unknown\n", "\"key_frames\": null, \"dropped_frames\": null"})
    EXPECT_NE(reports.find(part), std::string::npos) << part << "\n" << reports;
  EXPECT_EQ(Reports(Small + " --bad-fourcc 0", false),
            "rec \"1\".avi\n  refused:\n    WARNING: AVI file header is not RIFF formatted; file open aborted\n|"
            "{\"file\": \"rec \\\"1\\\".avi\", \"status\": \"refused\", \"result\": \"0x80004004\", \"messages\": "
            "[\"WARNING: AVI file header is not RIFF formatted; file open aborted\"]}");
  AviInfoResult missing;
  InspectAviFile("gone.avi", nullptr, "No such file", missing);
  EXPECT_EQ(JsonReport(missing, false),
            "{\"file\": \"gone.avi\", \"status\": \"unreadable\", \"error\": \"No such file\"}");
  // Runs stop at the last frame; the exit status is the worst outcome, unreadable above refused.
  const std::vector<uint32_t> flags = {0, 1, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(
      DroppedFrameRunsText(DroppedFrameRuns(flags, 10)) + "|" + DroppedFrameRunsText(DroppedFrameRuns(flags, 100)),
      "0, 3-5, 7, 9|0, 3-5, 7, 9-12");
  EXPECT_EQ(CombineExitStatus(0, AviInfoStatus::Parsed) * 1000 + CombineExitStatus(0, AviInfoStatus::Refused) * 100 +
                CombineExitStatus(2, AviInfoStatus::Refused) * 10 + CombineExitStatus(1, AviInfoStatus::Unreadable),
            122);
}
