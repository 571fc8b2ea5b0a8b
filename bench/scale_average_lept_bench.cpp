// The averaging scalers beside Leptonica on the same pages in the same run,
// pulled line by line: an A4 300-dpi RGB page (2480 x 3508) and an A4
// 600-dpi gray page (4960 x 7016). RstScaleLI to 0.7 and 1.6 against
// pixScaleLI; RstScalePP to 0.35 against pixScaleAreaMap; RstScaleIAR by 2
// against pixScaleAreaMap2 and by 4 against pixScaleAreaMap(pix, 0.25,
// 0.25). Each benchmark's counter "x_peer" is our time over the peer's
// (below 1: ours is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <random>
#include <vector>

#include "bench_pair.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_scale.h"

namespace {

// A Leptonica page (8 or 32 bpp) and the same pixels as packed rows of ours
// (gray, or RGB of 3 bytes). Smooth shapes with noise, so that averages are
// not of constant runs.
struct Page {
  PIX* pix = nullptr;
  std::vector<uint8_t> bytes;
  int32_t width = 0, height = 0, samples = 1, stride = 0;
};

Page make_page(int32_t width, int32_t height, int depth) {
  Page p;
  p.width = width;
  p.height = height;
  p.samples = depth == 32 ? 3 : 1;
  p.stride = width * p.samples;
  p.pix = pixCreate(width, height, depth);
  p.bytes.resize(size_t(p.stride) * size_t(height));
  std::mt19937 rng{uint32_t(depth)};
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < height; ++y) {
    l_uint32* line = data + size_t(y) * size_t(wpl);
    uint8_t* out = p.bytes.data() + size_t(y) * size_t(p.stride);
    for (int32_t x = 0; x < width; ++x) {
      uint8_t v[3];
      for (int q = 0; q < 3; ++q) v[q] = uint8_t(((x * (q + 1) + y * (3 - q)) >> 3) + (rng() & 31));
      if (depth == 32) {
        composeRGBPixel(v[0], v[1], v[2], line + x);
        out[3 * x] = v[0];
        out[3 * x + 1] = v[1];
        out[3 * x + 2] = v[2];
      } else {
        SET_DATA_BYTE(line, x, v[0]);
        out[x] = v[0];
      }
    }
  }
  return p;
}

const Page& rgb_page() {
  static Page page = make_page(2480, 3508, 32);
  return page;
}

const Page& gray_page() {
  static Page page = make_page(4960, 7016, 8);
  return page;
}

RstRead* raw_source(const Page& p) {
  RstHeader h;
  h.width = p.width;
  h.height = p.height;
  h.bits_per_sample = 8;
  h.samples_per_pixel = p.samples;
  h.color_type = p.samples == 3 ? RstColorType::s_rgb() : RstColorType::s_gray();
  return RstReadRawFromByteArray::create(p.bytes.data(), h, p.stride, false, false);
}

void destroy(PIX* pix) { pixDestroy(&pix); }

int32_t scaled(int32_t size, double factor) { return int32_t(size * factor + 0.5); }

void linear(benchmark::State& state, const Page& page, double factor) {
  int32_t w = scaled(page.width, factor), h = scaled(page.height, factor);
  run_pair(
      state, [&] { pull_all(RstScaleLI::create(raw_source(page), w, h)); },
      // 0.7 as a float is just below 0.7, where pixScaleLI hands over to
      // another method.
      [&] { destroy(pixScaleLI(page.pix, float(factor) + 1e-6f, float(factor) + 1e-6f)); });
}

void area(benchmark::State& state, const Page& page, double factor) {
  int32_t w = scaled(page.width, factor), h = scaled(page.height, factor);
  run_pair(
      state, [&] { pull_all(RstScalePP::create(raw_source(page), w, h)); },
      [&] { destroy(pixScaleAreaMap(page.pix, float(factor), float(factor))); });
}

void factor2(benchmark::State& state, const Page& page) {
  run_pair(
      state, [&] { pull_all(RstScaleIAR::create(raw_source(page), 2, 2)); },
      [&] { destroy(pixScaleAreaMap2(page.pix)); });
}

void factor4(benchmark::State& state, const Page& page) {
  run_pair(
      state, [&] { pull_all(RstScaleIAR::create(raw_source(page), 4, 4)); },
      [&] { destroy(pixScaleAreaMap(page.pix, 0.25f, 0.25f)); });
}

void BM_LinearRGB07(benchmark::State& s) { linear(s, rgb_page(), 0.7); }
void BM_LinearRGB16(benchmark::State& s) { linear(s, rgb_page(), 1.6); }
void BM_LinearGray07(benchmark::State& s) { linear(s, gray_page(), 0.7); }
void BM_LinearGray16(benchmark::State& s) { linear(s, gray_page(), 1.6); }
void BM_AreaRGB035(benchmark::State& s) { area(s, rgb_page(), 0.35); }
void BM_AreaGray035(benchmark::State& s) { area(s, gray_page(), 0.35); }
void BM_FactorRGB2(benchmark::State& s) { factor2(s, rgb_page()); }
void BM_FactorGray2(benchmark::State& s) { factor2(s, gray_page()); }
void BM_FactorRGB4(benchmark::State& s) { factor4(s, rgb_page()); }
void BM_FactorGray4(benchmark::State& s) { factor4(s, gray_page()); }

BENCHMARK(BM_LinearRGB07)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearRGB16)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearGray07)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinearGray16)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AreaRGB035)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AreaGray035)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactorRGB2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactorGray2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactorRGB4)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FactorGray4)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
