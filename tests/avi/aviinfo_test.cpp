// orvo-aviinfo: dropped-frame runs and bins, text, JSON and CSV reports, folders, the summary and the exit
// status.
#include <gtest/gtest.h>

#include <fstream>

#ifdef _WIN32
#include <windows.h>

#include "base/win_handles.h"
#endif

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
  for (const char* part : {"  Codec               NONE (DIB internal decoder)\n  Total Frames        40\n"
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
  // --histogram: the bins of the player's strip, empty ones too; a bad width is a usage error.
  const std::vector<uint8_t> bytes = Recording(Small);
  AviMemoryByteSource source(bytes);
  AviInfoResult histogram;
  InspectAviFile("h.avi", &source, std::string(), histogram);
  const std::string text = TextReport(histogram, false, 1);
  EXPECT_EQ(text.substr(text.find("  Histogram")),
            "  Histogram           dropped frames per 1 s\n    00:00:00-00:00:01\t4\n    00:00:01-00:00:02\t0\n");
  for (const char* width : {"0", "-5", "2s", "4294967296", ""}) {
    std::string err;
    EXPECT_EQ(AviInfoExitUsage,
              RunAviInfo({"--histogram", width, "h.avi"}, [&err](int, const std::string& t) { err += t; }))
        << width;
    EXPECT_EQ(0u, err.find("orvo-aviinfo: --histogram needs a whole number of seconds")) << width;
  }
  EXPECT_EQ(AviInfoExitUsage, RunAviInfo({"--json", "--histogram", "5", "h.avi"}, [](int, const std::string&) {}));
  AviInfoResult missing;
  InspectAviFile("gone.avi", nullptr, "No such file", missing);
  EXPECT_EQ(JsonReport(missing, false),
            "{\"file\": \"gone.avi\", \"status\": \"unreadable\", \"error\": \"No such file\"}");
  // Runs as text; the exit status is the worst outcome, unreadable above refused.
  const std::vector<uint32_t> flags = {0, 1, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0};
  EXPECT_EQ(DroppedFrameRunsText(FindDropRuns(flags.data(), flags.size(), 10, nullptr)), "0, 3-5, 7, 9");
  EXPECT_EQ(CombineExitStatus(0, AviInfoStatus::Parsed) * 1000 + CombineExitStatus(0, AviInfoStatus::Refused) * 100 +
                CombineExitStatus(2, AviInfoStatus::Refused) * 10 + CombineExitStatus(1, AviInfoStatus::Unreadable),
            122);
}

TEST(AviInfo, FoldersInNameOrderWithSummaryAndCsvRowsMatchingTheJsonObjects) {
  namespace fs = std::filesystem;
  const fs::path dir = TempFile("-aviinfo").Path;
  fs::create_directories(dir / "sub");
  std::string error;
  for (const auto& [name, line] : {std::pair<const char*, std::string>{"b.AVI", Small},
                                   {"a,1.avi", Small + " --artist none"},
                                   {"c.avi", Small + " --bad-fourcc 8"},
                                   {"sub/d.avi", Small}})
    ASSERT_TRUE(GenerateAviFile(Options(line), (dir / name).string(), &error)) << error;
  std::ofstream(dir / "notes.txt") << "not a recording";
#ifdef _WIN32  // e.avi: held open without sharing, or a link to nothing
  UniqueHandle held(CreateFileW((dir / "e.avi").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
#else
  fs::create_symlink(dir / "gone", dir / "e.avi");
#endif
  auto run = [](std::vector<fs::path> arguments) {
    std::string out[3];
    const int status = RunAviInfo(arguments, [&out](int stream, const std::string& text) { out[stream] += text; });
    return std::to_string(status) + "|" + out[AviInfoOut] + "|" + out[AviInfoErr];
  };
  const std::string text = run({dir}), csv = run({"-r", "--csv", dir}), json = run({"-r", "--json", dir});
  const std::string a = (dir / "a,1.avi").string(), b = (dir / "b.AVI").string(), c = (dir / "c.avi").string();
  EXPECT_EQ(text.substr(0, 2 + a.size()), "2|" + a) << text;
  EXPECT_LT(text.find(b), text.find(c)) << text;  // then e.avi, unreadable
  EXPECT_LT(text.find(c), text.find("cannot open the file")) << text;
  EXPECT_NE(text.find("\n\nSummary: 4 files inspected, 2 refused, 80 frames, 4 dropped frames\n|"), std::string::npos);
  for (const std::string& part :
       {"\n\"" + a + "\",parsed,,0x00000000,,NONE (DIB internal decoder),DIB ,40,,,80,60,",
        "\n" + b + ",parsed,,0x00000000,,NONE (DIB internal decoder),DIB ,40,36,4,80,60,30.00,30,1,",
        "\n" + c +
            ",refused,,0x80004004,\"WARNING: AVI file header FOURCC code is not \"\"AVI \"\"; file open "
            "aborted\",,,,,,,,,,,,,\n",
        std::string("|Summary: 5 files inspected, 2 refused, 120 frames, 8 dropped frames\n")})
    EXPECT_NE(csv.find(part), std::string::npos) << part << "\n" << csv;
  // The same files and summary in JSON; a file named on its own is read whatever its name.
  EXPECT_NE(json.find("\"total_frames\": 40, \"key_frames\": 36, \"dropped_frames\": 4, \"frame_width\": 80"),
            std::string::npos);
  EXPECT_EQ(json.substr(json.rfind('|')), csv.substr(csv.rfind('|')));
  const std::string one = run({"--json", dir / "notes.txt"});
  EXPECT_EQ(one.substr(0, 2) + one.substr(one.rfind('|')),
            "1||Summary: 1 file inspected, 1 refused, 0 frames, 0 dropped frames\n");
#ifdef _WIN32
  held.Close();
#endif
  fs::remove_all(dir);
}
