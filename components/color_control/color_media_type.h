// The media types the "Color Control" DMO takes and gives: uncompressed video,
// RGB32, RGB24 or YUY2, described by a VIDEOINFOHEADER or VIDEOINFOHEADER2.
// The same type on the input and on the output.
#pragma once

#include <windows.h>
#include <mediaobj.h>

#include "color_control/color_kernels.h"

// Subtypes handled, in the order GetInputType offers them.
constexpr DWORD ColorSubtypeCount = 3;
const GUID& ColorSubtype(DWORD index);

// True when mt is a complete video type of a handled subtype whose format
// block is present, large enough for its header and consistent with the
// subtype (bit count, compression); layout then describes one frame. Never
// reads outside the format block. The stated image and sample sizes are not
// relied on: every buffer's own length is checked when it comes.
bool DescribeVideoMediaType(const DMO_MEDIA_TYPE* mt, ColorFrameLayout* layout);

// True when a and b are both handled types describing the same frames: same
// subtype, format type, width, height (and row order), bit count and
// compression.
bool SameVideoMediaType(const DMO_MEDIA_TYPE& a, const DMO_MEDIA_TYPE& b);
