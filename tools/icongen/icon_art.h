// The program's icons, drawn in code: the logo in two sizes and the transport
// buttons of the main window.
#pragma once

#include <filesystem>
#include <string>

#include "ico_file.h"

struct IconDesign {
  const char* FileName;  // as the program looks it up in OrvoVideoIcons
  int Size;              // width and height in pixels
  void (*Draw)(IconImage& image);
};

// The eight icons, each with its file name, size and drawing function.
constexpr int IconCount = 8;
extern const IconDesign IconDesigns[IconCount];

// Draws the design into a new image of its size.
IconImage RenderIcon(const IconDesign& design);

// Creates folder (and its parents) if needed and writes every icon into it.
// On failure, error names what went wrong.
bool WriteAllIcons(const std::filesystem::path& folder, std::string& error);
