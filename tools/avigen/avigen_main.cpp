// orvo-avigen: writes test recordings (see AviGenUsage).
#include <cstdio>
#include <string>
#include <vector>

#include "avi_generator.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  AviGenOptions options;
  std::string output, error;
  bool help = false;
  if (!ParseAviGenArguments(arguments, &options, &output, &help, &error)) {
    std::fprintf(stderr, "orvo-avigen: %s\n%s", error.c_str(), AviGenUsage);
    return 2;
  }
  if (help) {
    std::fputs(AviGenUsage, stdout);
    return 0;
  }
  if (!GenerateAviFile(options, output, &error)) {
    std::fprintf(stderr, "orvo-avigen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
