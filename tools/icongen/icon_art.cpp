#include "icon_art.h"

#include <algorithm>
#include <cmath>
#include <system_error>

namespace {

// Every design is laid out on a 64 x 64 grid, whatever the image's pixel size.
constexpr double DesignSide = 64.0;

// Each pixel's coverage is sampled on a 4 x 4 grid for smooth edges.
constexpr int SamplesPerAxis = 4;

struct Colour {
  uint8_t R, G, B;
};

struct RoundRect {
  double Left, Top, Right, Bottom, Radius;
};

struct Triangle {
  double X0, Y0, X1, Y1, X2, Y2;
};

struct Ring {
  double CentreX, CentreY, Outer, Inner;
};

bool Contains(const RoundRect& r, double x, double y) {
  if (x < r.Left || x > r.Right || y < r.Top || y > r.Bottom) return false;
  const double cx = std::clamp(x, r.Left + r.Radius, r.Right - r.Radius);
  const double cy = std::clamp(y, r.Top + r.Radius, r.Bottom - r.Radius);
  const double dx = x - cx;
  const double dy = y - cy;
  return dx * dx + dy * dy <= r.Radius * r.Radius;
}

double EdgeSide(double ax, double ay, double bx, double by, double x, double y) {
  return (bx - ax) * (y - ay) - (by - ay) * (x - ax);
}

// Inside whichever way round the corners are given.
bool Contains(const Triangle& t, double x, double y) {
  const double a = EdgeSide(t.X0, t.Y0, t.X1, t.Y1, x, y);
  const double b = EdgeSide(t.X1, t.Y1, t.X2, t.Y2, x, y);
  const double c = EdgeSide(t.X2, t.Y2, t.X0, t.Y0, x, y);
  return (a >= 0 && b >= 0 && c >= 0) || (a <= 0 && b <= 0 && c <= 0);
}

bool Contains(const Ring& r, double x, double y) {
  const double dx = x - r.CentreX;
  const double dy = y - r.CentreY;
  const double d2 = dx * dx + dy * dy;
  return d2 <= r.Outer * r.Outer && d2 >= r.Inner * r.Inner;
}

// Paints colour over the pixel with the given opacity (0..1), straight alpha.
void BlendPixel(IconImage& image, int x, int y, Colour colour, double opacity) {
  uint8_t* p = &image.Bgra[(static_cast<size_t>(y) * image.Width + x) * 4];
  const double below = p[3] / 255.0;
  const double alpha = opacity + below * (1.0 - opacity);
  if (alpha <= 0.0) return;
  const auto mix = [&](uint8_t top, uint8_t under) {
    const double v = (top * opacity + under * below * (1.0 - opacity)) / alpha;
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
  };
  p[0] = mix(colour.B, p[0]);
  p[1] = mix(colour.G, p[1]);
  p[2] = mix(colour.R, p[2]);
  p[3] = static_cast<uint8_t>(std::lround(alpha * 255.0));
}

template <typename Shape>
void Fill(IconImage& image, const Shape& shape, Colour colour) {
  const double unitsX = DesignSide / image.Width;
  const double unitsY = DesignSide / image.Height;
  constexpr int samples = SamplesPerAxis * SamplesPerAxis;
  for (int y = 0; y < image.Height; ++y) {
    for (int x = 0; x < image.Width; ++x) {
      int inside = 0;
      for (int sy = 0; sy < SamplesPerAxis; ++sy) {
        for (int sx = 0; sx < SamplesPerAxis; ++sx) {
          const double px = (x + (sx + 0.5) / SamplesPerAxis) * unitsX;
          const double py = (y + (sy + 0.5) / SamplesPerAxis) * unitsY;
          if (Contains(shape, px, py)) ++inside;
        }
      }
      if (inside > 0) BlendPixel(image, x, y, colour, static_cast<double>(inside) / samples);
    }
  }
}

// The buttons: a light rounded face with a dark rim, and a dark symbol.
constexpr Colour ButtonRim = {0x46, 0x56, 0x6A};
constexpr Colour ButtonFace = {0xEC, 0xF0, 0xF4};
constexpr Colour Symbol = {0x1C, 0x28, 0x36};

void DrawButton(IconImage& image) {
  Fill(image, RoundRect{2, 2, 62, 62, 11}, ButtonRim);
  Fill(image, RoundRect{5, 5, 59, 59, 8}, ButtonFace);
}

void FillBar(IconImage& image, double left, double top, double right, double bottom) {
  Fill(image, RoundRect{left, top, right, bottom, 1}, Symbol);
}

// Triangles point along x: tip is the x of the point, base the x of the flat side.
void FillArrow(IconImage& image, double base, double tip, double top, double bottom) {
  Fill(image, Triangle{base, top, base, bottom, tip, (top + bottom) / 2}, Symbol);
}

void DrawStart(IconImage& image) {
  DrawButton(image);
  FillArrow(image, 23, 47, 17, 47);
}

void DrawPause(IconImage& image) {
  DrawButton(image);
  FillBar(image, 20, 18, 28, 46);
  FillBar(image, 36, 18, 44, 46);
}

// |< and >|: a full-size triangle against one bar.
void DrawBeginFile(IconImage& image) {
  DrawButton(image);
  FillBar(image, 16, 18, 22, 46);
  FillArrow(image, 48, 23, 18, 46);
}

void DrawEndFile(IconImage& image) {
  DrawButton(image);
  FillArrow(image, 16, 41, 18, 46);
  FillBar(image, 42, 18, 48, 46);
}

// One frame: a smaller triangle and a pause sign, "play a step, then stop".
void DrawForwardOneFrame(IconImage& image) {
  DrawButton(image);
  FillArrow(image, 14, 32, 22, 42);
  FillBar(image, 36, 22, 41, 42);
  FillBar(image, 45, 22, 50, 42);
}

void DrawBackOneFrame(IconImage& image) {
  DrawButton(image);
  FillBar(image, 14, 22, 19, 42);
  FillBar(image, 23, 22, 28, 42);
  FillArrow(image, 50, 32, 22, 42);
}

// The logo: a piece of blue film with cream perforations down both sides and
// an orange O in its frame.
constexpr Colour FilmBlue = {0x1D, 0x4F, 0x91};
constexpr Colour FrameBlue = {0x2E, 0x6F, 0xBF};
constexpr Colour Perforation = {0xF6, 0xF1, 0xE4};
constexpr Colour LogoOrange = {0xF5, 0x9A, 0x1B};

void DrawLogoLarge(IconImage& image) {
  Fill(image, RoundRect{4, 3, 60, 61, 7}, FilmBlue);
  for (int i = 0; i < 4; ++i) {
    const double top = 9 + i * 13;
    Fill(image, RoundRect{8, top, 14, top + 7, 1.5}, Perforation);
    Fill(image, RoundRect{50, top, 56, top + 7, 1.5}, Perforation);
  }
  Fill(image, RoundRect{18, 8, 46, 56, 3}, FrameBlue);
  Fill(image, Ring{32, 32, 12.5, 6.5}, LogoOrange);
}

// At half the pixels the perforations would blur, so fewer and bigger ones
// and a bolder O.
void DrawLogoSmall(IconImage& image) {
  Fill(image, RoundRect{2, 2, 62, 62, 8}, FilmBlue);
  for (int i = 0; i < 3; ++i) {
    const double top = 9 + i * 18;
    Fill(image, RoundRect{7, top, 15, top + 10, 2}, Perforation);
    Fill(image, RoundRect{49, top, 57, top + 10, 2}, Perforation);
  }
  Fill(image, RoundRect{19, 6, 45, 58, 4}, FrameBlue);
  Fill(image, Ring{32, 32, 12.5, 5.5}, LogoOrange);
}

}  // namespace

const IconDesign IconDesigns[IconCount] = {
    {"ORVO_logo_large.ico", 64, DrawLogoLarge},
    {"ORVO_logo_small.ico", 32, DrawLogoSmall},
    {"start64x.ico", 64, DrawStart},
    {"pause64x.ico", 64, DrawPause},
    {"beginFile64x.ico", 64, DrawBeginFile},
    {"endFile64x.ico", 64, DrawEndFile},
    {"forwardOneFrame64x.ico", 64, DrawForwardOneFrame},
    {"backOneFrame64x.ico", 64, DrawBackOneFrame},
};

IconImage RenderIcon(const IconDesign& design) {
  IconImage image = MakeIconImage(design.Size, design.Size);
  if (!image.Bgra.empty()) design.Draw(image);
  return image;
}

bool WriteAllIcons(const std::filesystem::path& folder, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = "cannot create " + folder.string() + ": " + ec.message();
    return false;
  }
  for (const IconDesign& design : IconDesigns) {
    const std::filesystem::path path = folder / design.FileName;
    if (!WriteIcoFile(path, RenderIcon(design))) {
      error = "cannot write " + path.string();
      return false;
    }
  }
  return true;
}
