// Palette reduction of an A4 page at 300 dpi (2480 x 3508 RGB) onto a 256-
// and a 16-entry colormap, the inverse colour map built in every run, beside
// Leptonica's pixOctcubeQuantFromCmap (level-5 octcubes, Euclidean distance),
// which builds the same map. The counter "x_peer" is our time over the
// peer's (below 1: ours is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <random>
#include <vector>

#include "bench_pair.h"
#include "raster/color/rst_reduce_color.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"

namespace {

constexpr int32_t kWidth = 2480, kHeight = 3508;

// The same smooth-with-noise pixels as Leptonica's 32-bit page and as our
// packed RGB rows.
struct Page {
  PIX* pix = nullptr;
  std::vector<uint8_t> bytes;
};

const Page& page() {
  static Page p = [] {
    Page q;
    q.pix = pixCreate(kWidth, kHeight, 32);
    q.bytes.resize(size_t(kWidth) * kHeight * 3);
    std::mt19937 rng(1);
    l_uint32* data = pixGetData(q.pix);
    int32_t wpl = pixGetWpl(q.pix);
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x) {
        uint8_t r = uint8_t(x * 255 / kWidth + (rng() & 15)), g = uint8_t(y * 255 / kHeight + (rng() & 15)),
                b = uint8_t((x + y) & 0xFF);
        uint8_t* o = &q.bytes[3 * (size_t(y) * kWidth + size_t(x))];
        o[0] = r, o[1] = g, o[2] = b;
        l_uint32 v;
        composeRGBPixel(r, g, b, &v);
        data[size_t(y) * size_t(wpl) + size_t(x)] = v;
      }
    return q;
  }();
  return p;
}

struct Palette {
  RstColormap* ours = nullptr;
  PIXCMAP* peer = nullptr;
};

Palette palette(int entries) {
  std::mt19937 rng{uint32_t(entries)};
  Palette p;
  p.ours = new RstColormap(8, 3, entries);
  p.peer = pixcmapCreate(8);
  for (int e = 0; e < entries; ++e) {
    uint8_t* c = p.ours->data() + 3 * e;
    c[0] = uint8_t(rng()), c[1] = uint8_t(rng()), c[2] = uint8_t(rng());
    pixcmapAddColor(p.peer, c[0], c[1], c[2]);
  }
  return p;
}

RstRead* raw_source() {
  RstHeader h;
  h.width = kWidth;
  h.height = kHeight;
  h.bits_per_sample = 8;
  h.samples_per_pixel = 3;
  h.color_type = RstColorType::s_rgb();
  return RstReadRawFromByteArray::create(page().bytes.data(), h, kWidth * 3, false, false);
}

void reduce_pair(benchmark::State& state, const Palette& p) {
  page();  // made before the clock runs
  run_pair(
      state, [&] { pull_all(RstReduceColor8x3To8CCmap::create(raw_source(), *p.ours)); },
      [&] {
        PIX* out = pixOctcubeQuantFromCmap(page().pix, p.peer, 8, 5, L_EUCLIDEAN_DISTANCE);
        pixDestroy(&out);
      });
}

void BM_Reduce256(benchmark::State& state) {
  static Palette p = palette(256);
  reduce_pair(state, p);
}

void BM_Reduce16(benchmark::State& state) {
  static Palette p = palette(16);
  reduce_pair(state, p);
}

BENCHMARK(BM_Reduce256)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce16)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
