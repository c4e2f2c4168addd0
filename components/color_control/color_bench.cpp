// orvo-colorbench: how fast the colour-control pixel kernels run on one core.
// Prints megapixels per second for each pixel format on 1920x1080 frames, with
// settings that change every pixel and with the neutral settings (a copy).
// The kernels run on the fastest instruction set the processor has, or on the
// one named after the seconds (scalar, sse2, avx2), to compare them.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "color_control/color_kernels.h"

namespace {

constexpr int32_t FrameWidth = 1920;
constexpr int32_t FrameHeight = 1080;

struct FormatName {
  ColorPixelFormat Format;
  const char* Name;
};

struct Speed {
  double CpuMegapixels;   // per second of this process's processor time
  double WallMegapixels;  // per second of elapsed time
};

struct FormatSpeeds {
  const char* Name;
  Speed WithEffect;
  Speed Copy;
};

// Runs frames until at least minSeconds of processor time have passed. The
// processor-time figure is the one per core: it does not drop when other
// programs share the machine.
Speed Measure(ColorKernelIsa isa, const ColorFrameLayout& layout, const ColorSettings& settings,
              const std::vector<uint8_t>& src, std::vector<uint8_t>& dst, double minSeconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point wallStart = Clock::now();
  const std::clock_t cpuStart = std::clock();
  uint64_t frames = 0;
  double cpuSeconds = 0;
  do {
    if (!ApplyColorControlUsing(isa, layout, settings, src.data(), src.size(), dst.data(), dst.size())) {
      std::fprintf(stderr, "ApplyColorControl refused the frame\n");
      std::exit(1);
    }
    ++frames;
    cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  } while (cpuSeconds < minSeconds);
  const double wallSeconds = std::chrono::duration<double>(Clock::now() - wallStart).count();
  const double megapixels = static_cast<double>(frames) * layout.Width * layout.Height / 1e6;
  return Speed{megapixels / cpuSeconds, megapixels / wallSeconds};
}

}  // namespace

int main(int argc, char** argv) {
  double minSeconds = 1.0;
  if (argc > 1) minSeconds = std::atof(argv[1]);
  ColorKernelIsa isa = BestColorKernelIsa();
  bool known = argc <= 3;
  if (argc > 2) {
    const char* const names[] = {"scalar", "sse2", "avx2"};
    known = false;
    for (int i = 0; i < 3; ++i) {
      if (std::strcmp(argv[2], names[i]) == 0) {
        isa = static_cast<ColorKernelIsa>(i);
        known = true;
      }
    }
  }
  if (minSeconds <= 0 || !known) {
    std::fprintf(stderr, "usage: orvo-colorbench [SECONDS per measurement, default 1] [scalar|sse2|avx2]\n");
    return 2;
  }
  const FormatName formats[] = {
      {ColorPixelFormat::Rgb32, "RGB32"}, {ColorPixelFormat::Rgb24, "RGB24"}, {ColorPixelFormat::Yuy2, "YUY2"}};
  const ColorSettings effect{40, 30};
  const ColorSettings neutral{0, 0};
  std::printf("frame %dx%d, one thread\n", FrameWidth, FrameHeight);
  std::printf("Mpixel/s per second of processor time (elapsed time in brackets)\n");
  std::printf("%-6s %22s %22s %10s\n", "format", "brightness+contrast", "neutral (copy)", "ms/frame");
  std::vector<FormatSpeeds> results;
  for (const FormatName& f : formats) {
    ColorFrameLayout layout;
    if (!DescribeColorFrame(f.Format, FrameWidth, FrameHeight, &layout)) return 1;
    std::vector<uint8_t> src(layout.FrameBytes), dst(layout.FrameBytes);
    uint32_t seed = 12345;
    for (uint8_t& byte : src) {
      seed = seed * 1664525u + 1013904223u;
      byte = static_cast<uint8_t>(seed >> 24);
    }
    const Speed withEffect = Measure(isa, layout, effect, src, dst, minSeconds);
    const Speed copy = Measure(isa, layout, neutral, src, dst, minSeconds);
    const double ms = 1e3 * layout.Width * layout.Height / (withEffect.CpuMegapixels * 1e6);
    std::printf("%-6s %12.0f (%7.0f) %12.0f (%7.0f) %10.2f\n", f.Name, withEffect.CpuMegapixels,
                withEffect.WallMegapixels, copy.CpuMegapixels, copy.WallMegapixels, ms);
    results.push_back(FormatSpeeds{f.Name, withEffect, copy});
  }
  // The same figures as key=value words, one line a format, for scripts/bench.sh.
  for (const FormatSpeeds& r : results) {
    std::printf("figures: format=%s width=%d height=%d effect_cpu=%.0f effect_wall=%.0f copy_cpu=%.0f copy_wall=%.0f\n",
                r.Name, FrameWidth, FrameHeight, r.WithEffect.CpuMegapixels, r.WithEffect.WallMegapixels,
                r.Copy.CpuMegapixels, r.Copy.WallMegapixels);
  }
  return 0;
}
