// orvo-aviinfo: the player's file facts for AVI files and folders of them,
// from the command line (see AviInfoUsage and RunAviInfo). On Windows the
// arguments come in as UTF-16.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "aviinfo_report.h"

namespace {

template <typename ArgumentChar>
int Run(int argc, ArgumentChar** argv) {
  std::vector<std::filesystem::path> arguments(argv + 1, argv + argc);
  int status = RunAviInfo(arguments, [](int stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream == AviInfoErr ? stderr : stdout);
  });
  return std::fflush(stdout) == 0 ? status : AviInfoExitUnreadable;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return Run(argc, argv); }
#else
int main(int argc, char** argv) { return Run(argc, argv); }
#endif
