// Fit renders of the preview (open, then the two-stage reduction into the
// default 760 x 670 box, colour conversion and the bottom-up bitmap) beside
// `vips thumbnail` of the same file into the same box, in the same run: an A4
// page at 600 dpi in G4 (ITU chart 1 enlarged) and an A4 RGB page at 300 dpi
// in LZW. The peer runs as a process, so its time includes its start-up; the
// counter "x_peer" is ours over vips'.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench_pair.h"
#include "preview/dravix_doc.h"
#include "preview/rst_interface.h"
#include "raster/color/rst_color_creators.h"
#include "raster/geometry/rst_geometry_creators.h"

namespace {

std::string scratch() {
  static const std::string dir = [] {
    std::string d = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/pk-preview-bench-" +
                    std::to_string(getpid());
    std::system(("mkdir -p '" + d + "'").c_str());
    return d;
  }();
  return dir;
}

// The A4 G4 page at 600 dpi; empty when the tools fail.
std::string g4_page() {
  static const std::string path = [] {
    std::string p = scratch() + "/a4-g4.tif";
    std::string cmd =
        "jbgtopbm /usr/share/jbigkit-testdata/ccitt1.jbg | pnmenlarge 3 | pamcut -width 4960 "
        "-height 7016 | pnmtotiff -g4 -xresolution 600 -yresolution 600 > '" +
        p + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 ? p : std::string();
  }();
  return path;
}

// The A4 RGB page at 300 dpi: gradients with thin dark lines.
std::string rgb_page() {
  static const std::string path = [] {
    std::string ppm = scratch() + "/a4.ppm", p = scratch() + "/a4-rgb.tif";
    {
      std::ofstream f(ppm, std::ios::binary);
      f << "P6\n2480 3508\n255\n";
      std::string row(2480 * 3, '\0');
      for (int y = 0; y < 3508; ++y) {
        for (int x = 0; x < 2480; ++x) {
          bool line = x % 97 == 0 || y % 131 == 0;
          row[size_t(x) * 3] = char(line ? 20 : x / 10);
          row[size_t(x) * 3 + 1] = char(line ? 20 : y / 14);
          row[size_t(x) * 3 + 2] = char(line ? 20 : 255 - x / 10);
        }
        f.write(row.data(), std::streamsize(row.size()));
      }
    }
    std::string cmd = "pnmtotiff -lzw -xresolution 300 -yresolution 300 '" + ppm + "' > '" + p + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 ? p : std::string();
  }();
  return path;
}

void fit_render(benchmark::State& state, const std::string& path) {
  if (path.empty()) {
    state.SkipWithError("fixture not made (jbigkit, netpbm)");
    return;
  }
  rst_register_color_creators();
  rst_register_geometry_creators();
  std::string out = scratch() + "/thumb.png";
  std::string vips = "vips thumbnail '" + path + "' '" + out + "' 760 --height 670 >/dev/null 2>&1";
  int width = 0;
  run_pair(
      state,
      [&] {
        CRstInterface bridge;
        if (!bridge.OpenPage(path.c_str(), 1)) return;
        int fit = DravixFitPercent(bridge, 760, 670);
        if (bridge.RenderPage(path.c_str(), fit, 2, 0, 1)) width = bridge.GetDisplayWidth();
        benchmark::DoNotOptimize(bridge.GetBits());
      },
      [&] {
        if (std::system(vips.c_str()) != 0) state.SkipWithError("vips thumbnail failed (libvips-tools)");
      });
  state.counters["width"] = width;
}

void BM_FitRenderA4G4At600(benchmark::State& state) { fit_render(state, g4_page()); }
void BM_FitRenderA4RgbAt300(benchmark::State& state) { fit_render(state, rgb_page()); }

BENCHMARK(BM_FitRenderA4G4At600)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FitRenderA4RgbAt300)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
