#include "color_control/color_media_type.h"

#include <dshow.h>
#include <dvdmedia.h>

namespace {

struct SubtypeFacts {
  const GUID* Subtype;
  ColorPixelFormat Format;
  WORD BitCount;
  DWORD Compression;
};

const SubtypeFacts Subtypes[ColorSubtypeCount] = {
    {&MEDIASUBTYPE_RGB32, ColorPixelFormat::Rgb32, 32, BI_RGB},
    {&MEDIASUBTYPE_RGB24, ColorPixelFormat::Rgb24, 24, BI_RGB},
    {&MEDIASUBTYPE_YUY2, ColorPixelFormat::Yuy2, 16, MAKEFOURCC('Y', 'U', 'Y', '2')},
};

const SubtypeFacts* FindSubtype(const GUID& subtype) {
  for (const SubtypeFacts& facts : Subtypes) {
    if (IsEqualGUID(*facts.Subtype, subtype)) return &facts;
  }
  return nullptr;
}

// The bitmap header inside mt's format block, or null when the block is
// missing, of another kind or too short.
const BITMAPINFOHEADER* BitmapHeader(const DMO_MEDIA_TYPE& mt) {
  if (mt.pbFormat == nullptr) return nullptr;
  if (IsEqualGUID(mt.formattype, FORMAT_VideoInfo) && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    return &reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  }
  if (IsEqualGUID(mt.formattype, FORMAT_VideoInfo2) && mt.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
    return &reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat)->bmiHeader;
  }
  return nullptr;
}

}  // namespace

const GUID& ColorSubtype(DWORD index) { return *Subtypes[index < ColorSubtypeCount ? index : 0].Subtype; }

bool DescribeVideoMediaType(const DMO_MEDIA_TYPE* mt, ColorFrameLayout* layout) {
  if (mt == nullptr || layout == nullptr) return false;
  if (!IsEqualGUID(mt->majortype, MEDIATYPE_Video)) return false;
  const SubtypeFacts* facts = FindSubtype(mt->subtype);
  const BITMAPINFOHEADER* header = BitmapHeader(*mt);
  if (facts == nullptr || header == nullptr) return false;
  if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biBitCount != facts->BitCount ||
      header->biCompression != facts->Compression) {
    return false;
  }
  ColorFrameLayout described;
  if (!DescribeColorFrame(facts->Format, header->biWidth, header->biHeight, &described)) {
    return false;
  }
  *layout = described;
  return true;
}

bool SameVideoMediaType(const DMO_MEDIA_TYPE& a, const DMO_MEDIA_TYPE& b) {
  ColorFrameLayout layoutA, layoutB;
  if (!DescribeVideoMediaType(&a, &layoutA) || !DescribeVideoMediaType(&b, &layoutB)) return false;
  const BITMAPINFOHEADER* headerA = BitmapHeader(a);
  const BITMAPINFOHEADER* headerB = BitmapHeader(b);
  return IsEqualGUID(a.subtype, b.subtype) && IsEqualGUID(a.formattype, b.formattype) &&
         headerA->biWidth == headerB->biWidth && headerA->biHeight == headerB->biHeight &&
         headerA->biBitCount == headerB->biBitCount && headerA->biCompression == headerB->biCompression;
}
