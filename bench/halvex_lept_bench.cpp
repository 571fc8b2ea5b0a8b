// The Halvex mask segmentation on an A4 400-dpi colour page (3307 x 4677)
// drawn by ImageMagick (text in three colours, a gray box with text, a plasma
// photograph), with 0 (one stripe), 1000 and 300 rows per stripe, beside
// Leptonica's page segmentation pixGetRegionsBinary on the same page
// binarised at 128, in the same run. "x_peer" is our time over the peer's;
// "peak_MB" the resident memory one segmentation adds at its peak, measured
// in a child process.
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_pair.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/mrc/rst_halvex.h"

namespace {

struct Page {
  std::vector<uint8_t> lab;  // 8-bit ITU Lab, 3 bytes a pixel
  PIX* binary = nullptr;     // the peer's input
  int32_t width = 3307, height = 4677;
};

RstRead* raw(const uint8_t* bytes, int32_t w, int32_t h, RstColorType* type) {
  RstHeader hd;
  hd.width = w;
  hd.height = h;
  hd.bits_per_sample = 8;
  hd.samples_per_pixel = 3;
  hd.color_type = type;
  return RstReadRawFromByteArray::create(bytes, hd, w * 3, false, false);
}

// The page, or an empty one when ImageMagick is missing.
const Page& page() {
  static Page page = [] {
    Page p;
    const std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    const std::string ppm = dir + "/pk-bench-halvex-" + std::to_string(getpid()) + ".ppm";
    std::string cmd = "/usr/bin/convert -size 3307x4677 xc:white -font DejaVu-Sans -pointsize 60";
    const char* colours[] = {"black", "red", "blue"};
    for (int line = 0; line < 40; ++line)
      cmd += " -fill " + std::string(colours[line % 3]) + " -annotate +200+" + std::to_string(300 + line * 100) +
             " 'Mixed raster content keeps text sharp and pictures small, line " + std::to_string(line) + "'";
    cmd += " -fill 'rgb(128,128,128)' -draw 'rectangle 200,4400 1600,4600' -fill black -annotate +260+4530 'Boxed'";
    cmd += " \\( -size 1400x1000 -seed 3 plasma:fractal +level 0%,60% \\) -geometry +1800+4400 -composite";
    cmd += " -depth 8 " + ppm;
    std::vector<uint8_t> rgb;
    if (std::system(cmd.c_str()) == 0) {
      std::ifstream f(ppm, std::ios::binary);
      std::string magic;
      int w = 0, h = 0, max = 0;
      f >> magic >> w >> h >> max;
      f.get();
      if (magic == "P6" && w == p.width && h == p.height && max == 255) {
        rgb.resize(size_t(w) * size_t(h) * 3);
        f.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()));
        if (!f) rgb.clear();
      }
    }
    std::remove(ppm.c_str());
    if (rgb.empty()) return Page{};
    // Lab through the library, once.
    RstRead* lab =
        RstTransformColorTo::create(raw(rgb.data(), p.width, p.height, RstColorType::s_rgb()), RstColorType::itu_lab());
    p.lab.resize(rgb.size());
    for (int32_t y = 0; y < p.height; ++y) lab->read(p.lab.data() + size_t(y) * size_t(p.width) * 3);
    lab->end();
    // The peer's page: gray, then bits at 128.
    PIX* color = pixCreate(p.width, p.height, 32);
    for (int32_t y = 0; y < p.height; ++y)
      for (int32_t x = 0; x < p.width; ++x) {
        const uint8_t* px = &rgb[(size_t(y) * size_t(p.width) + size_t(x)) * 3];
        pixSetRGBPixel(color, x, y, px[0], px[1], px[2]);
      }
    PIX* gray = pixConvertRGBToLuminance(color);
    p.binary = pixThresholdToBinary(gray, 128);
    pixDestroy(&gray);
    pixDestroy(&color);
    return p;
  }();
  return page;
}

// Pulls the page mask; false when the segmentation was refused.
bool segment(const Page& p, int32_t rows) {
  RstMRCParam param(rows, 0, 0);
  RstRead* mask = RstHalvex::create(raw(p.lab.data(), p.width, p.height, RstColorType::itu_lab()), &param, 0);
  pull_all(mask);
  return mask != nullptr;
}

// A field of /proc/self/status in kilobytes (VmRSS, VmHWM).
long status_kb(const char* field) {
  std::ifstream f("/proc/self/status");
  std::string key;
  long kb = 0;
  while (f >> key) {
    if (key == std::string(field) + ":") {
      f >> kb;
      return kb;
    }
    std::getline(f, key);
  }
  return 0;
}

// The resident kilobytes f adds at its peak, in a child process: the free
// heap is handed back and the high-water mark reset before f runs.
long added_peak_kb(const std::function<void()>& f) {
  int fds[2];
  if (pipe(fds) != 0) return 0;
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    malloc_trim(0);
    { std::ofstream("/proc/self/clear_refs") << "5"; }
    const long base = status_kb("VmRSS");
    f();
    const long added = status_kb("VmHWM") - base;
    (void)!write(fds[1], &added, sizeof added);
    _exit(0);
  }
  close(fds[1]);
  long added = 0;
  if (pid > 0) {
    if (read(fds[0], &added, sizeof added) != ssize_t(sizeof added)) added = 0;
    waitpid(pid, nullptr, 0);
  }
  close(fds[0]);
  return added;
}

void Halvex(benchmark::State& state) {
  const Page& p = page();
  if (!p.binary) {
    state.SkipWithError("no page (ImageMagick missing)");
    return;
  }
  const int32_t rows = int32_t(state.range(0));
  if (!segment(p, rows)) {
    state.SkipWithError("the segmentation was refused");
    return;
  }
  run_pair(
      state, [&] { segment(p, rows); },
      [&] {
        PIX *hm = nullptr, *tm = nullptr, *tb = nullptr;
        pixGetRegionsBinary(p.binary, &hm, &tm, &tb, nullptr);
        pixDestroy(&hm);
        pixDestroy(&tm);
        pixDestroy(&tb);
      });
  state.counters["peak_MB"] = double(added_peak_kb([&] { segment(p, rows); })) / 1024.0;
  state.SetLabel("rows per stripe " + std::to_string(rows));
}
BENCHMARK(Halvex)->Arg(0)->Arg(1000)->Arg(300)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
