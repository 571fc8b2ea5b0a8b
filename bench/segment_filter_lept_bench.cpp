// The segmentation filters beside Leptonica on an A4 400-dpi gray page
// (3307 x 4677) that Ghostscript renders from a page of text, rules and
// tinted boxes, in the same run. RstAverageFilterN<1> with the 121 x 121
// window (border 0) and the 3 x 3 window against pixBlockconvGray with
// half-widths 60 and 1; the seven line extractions of the segmentation
// ((factor, type) = (2, 1), (2, 2), (4, 2) .. (12, 2)) against the same
// steps in Leptonica: area reduction, a white top-hat of the stroke size, a
// 5 x 5 gray dilation and the scale back. Each benchmark's counter "x_peer"
// is our time over the peer's (below 1: ours is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_pair.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/mrc/rst_average_filter.h"
#include "raster/mrc/rst_extract_line.h"

namespace {

struct Page {
  PIX* pix = nullptr;
  std::vector<uint8_t> bytes;
  int32_t width = 0, height = 0;
};

// The page, or an empty one when Ghostscript is missing.
const Page& gray_page() {
  static Page page = [] {
    Page p;
    std::string dir = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::string ps = dir + "/pk-bench-segment.ps", pgm = dir + "/pk-bench-segment.pgm";
    {
      std::ofstream f(ps);
      f << "%!PS\n/Times-Roman findfont 10 scalefont setfont\n";
      for (int box = 0; box < 6; ++box)
        f << (0.55 + box * 0.07) << " setgray " << 60 + box * 80 << " 500 70 200 rectfill\n";
      f << "0 setgray 0.6 setlinewidth\n";
      for (int rule = 0; rule < 8; ++rule) f << "54 " << 300 + rule * 20 << " moveto 540 0 rlineto stroke\n";
      for (int line = 0; line < 60; ++line)
        f << "54 " << (790 - line * 12)
          << " moveto (Thin strokes, rules and the tone of text decide the mask of mixed raster pages.) show\n";
      f << "showpage\n";
    }
    std::string cmd =
        "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pgmraw -r400 -g3307x4677 -sOutputFile=" + pgm + " " + ps;
    if (std::system(cmd.c_str()) == 0) {
      std::ifstream f(pgm, std::ios::binary);
      std::string t[4];
      for (std::string& s : t) {
        f >> std::ws;
        while (f.peek() == '#') {
          std::string c;
          std::getline(f, c);
          f >> std::ws;
        }
        f >> s;
      }
      f.get();
      if (t[0] == "P5" && t[3] == "255") {
        p.width = std::stoi(t[1]);
        p.height = std::stoi(t[2]);
        p.bytes.resize(size_t(p.width) * size_t(p.height));
        f.read(reinterpret_cast<char*>(p.bytes.data()), std::streamsize(p.bytes.size()));
        if (!f) p.bytes.clear();
      }
    }
    std::remove(ps.c_str());
    std::remove(pgm.c_str());
    if (p.bytes.empty()) return Page{};
    p.pix = pixCreate(p.width, p.height, 8);
    l_uint32* data = pixGetData(p.pix);
    int32_t wpl = pixGetWpl(p.pix);
    for (int32_t y = 0; y < p.height; ++y)
      for (int32_t x = 0; x < p.width; ++x)
        SET_DATA_BYTE(data + size_t(y) * size_t(wpl), x, p.bytes[size_t(y) * size_t(p.width) + size_t(x)]);
    return p;
  }();
  return page;
}

RstRead* source(const Page& p) {
  RstHeader h;
  h.width = p.width;
  h.height = p.height;
  h.bits_per_sample = 8;
  h.samples_per_pixel = 1;
  h.color_type = RstColorType::s_gray();
  return RstReadRawFromByteArray::create(p.bytes.data(), h, p.width, false, false);
}

void BoxMean(benchmark::State& state) {
  const Page& p = gray_page();
  if (!p.pix) {
    state.SkipWithError("no page (gs missing)");
    return;
  }
  const int32_t half = int32_t(state.range(0));
  const RstWindow window{2 * half + 1, 2 * half + 1, half, half};
  const uint8_t zero = 0;
  // The wide window sees the border 0, the small one repeats the edges.
  const uint8_t* border = half > 1 ? &zero : nullptr;
  run_pair(
      state, [&] { pull_all(RstAverageFilter::create(source(p), window, border)); },
      [&] {
        PIX* out = pixBlockconvGray(p.pix, nullptr, half, half);
        pixDestroy(&out);
      });
  state.SetLabel(std::to_string(window.width) + " x " + std::to_string(window.height));
}
BENCHMARK(BoxMean)->Arg(60)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

const int kExtractions[7][2] = {{2, 1}, {2, 2}, {4, 2}, {6, 2}, {8, 2}, {10, 2}, {12, 2}};

void SevenLineExtractions(benchmark::State& state) {
  const Page& p = gray_page();
  if (!p.pix) {
    state.SkipWithError("no page (gs missing)");
    return;
  }
  run_pair(
      state,
      [&] {
        for (const auto& e : kExtractions)
          pull_all(RstExtractLine::create(source(p), uint32_t(e[0]), uint8_t(e[1]), 0));
      },
      [&] {
        for (const auto& e : kExtractions) {
          float f = 1.0f / float(e[0]);
          PIX* reduced = pixScaleAreaMap(p.pix, f, f);
          int size = e[1] == 1 ? 3 : 5;
          PIX* strokes = pixTophat(reduced, size, size, L_TOPHAT_WHITE);
          PIX* spread = pixDilateGray(strokes, 5, 5);
          PIX* back = pixScaleBySampling(spread, float(p.width) / float(pixGetWidth(spread)),
                                         float(p.height) / float(pixGetHeight(spread)));
          pixDestroy(&reduced);
          pixDestroy(&strokes);
          pixDestroy(&spread);
          pixDestroy(&back);
        }
      });
}
BENCHMARK(SevenLineExtractions)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
