// icongen: draws the program's icons and writes them as .ico files into the
// folder given on the command line, creating it if needed. The build runs it
// so that no icon file has to be kept in the source tree.
#include <cstdio>
#include <string>

#include "icon_art.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: icongen OUTPUT_FOLDER\n");
    return 2;
  }
  std::string error;
  if (!WriteAllIcons(argv[1], error)) {
    std::fprintf(stderr, "icongen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
