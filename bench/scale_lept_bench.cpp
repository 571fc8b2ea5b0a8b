// Scaling of raw lines beside Leptonica on the same pages in the same run:
// an A4 600-dpi bilevel text page (4960 x 7016) through RstScaleOR to 1/2
// and 1/4 and RstScaleAND to 1/2 (against pixReduceRankBinary2 at levels 1
// and 4, and pixReduceRankBinaryCascade(pix, 1, 1, 0, 0) for 1/4), RstScaleOR
// to 1/4 also beside pixScaleToGray4, the usual 4x reduction of a bilevel
// page; RstScaleNN of that page to 1/4 against pixScaleBinary, and of A4
// 8-bit gray and RGB pages to 0.3 against pixScaleBySampling. Each
// benchmark's counter "x_peer" is our time over the peer's (below 1: ours
// is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <chrono>
#include <functional>
#include <random>
#include <vector>

#include "bench_pair.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/geometry/rst_scale.h"

namespace {

constexpr int32_t kWidth = 4960, kHeight = 7016;

// A Leptonica page and the same pixels as packed rows of ours.
struct Page {
  PIX* pix = nullptr;
  std::vector<uint8_t> bytes;
  int32_t stride = 0, samples = 1, bits = 1;
};

Page make_page(int depth) {
  Page p;
  p.pix = pixCreate(kWidth, kHeight, depth);
  std::mt19937 rng(static_cast<uint32_t>(depth));
  l_uint32* data = pixGetData(p.pix);
  int32_t wpl = pixGetWpl(p.pix);
  for (int32_t y = 0; y < kHeight; ++y) {
    l_uint32* line = data + size_t(y) * size_t(wpl);
    if (depth == 1) {
      // Text-like rows: short strokes in lines of text, white between.
      if ((y / 50) % 2 == 1) continue;
      for (int32_t x = int32_t(rng() % 20); x < kWidth; x += 8 + int32_t(rng() % 30)) {
        int32_t len = 2 + int32_t(rng() % 6);
        for (int32_t k = x; k < x + len && k < kWidth; ++k) line[k >> 5] |= 0x80000000u >> (k & 31);
      }
    } else {
      for (int32_t i = 0; i < wpl; ++i) line[i] = l_uint32(rng());
    }
  }
  p.samples = depth == 32 ? 3 : 1;
  p.bits = depth == 32 ? 8 : depth;
  p.stride = (kWidth * p.samples * p.bits + 7) / 8;
  p.bytes.resize(size_t(p.stride) * kHeight);
  for (int32_t y = 0; y < kHeight; ++y) {
    l_uint32* line = data + size_t(y) * size_t(wpl);
    uint8_t* out = p.bytes.data() + size_t(y) * size_t(p.stride);
    if (depth == 32) {
      for (int32_t x = 0; x < kWidth; ++x) {
        out[3 * x] = uint8_t(GET_DATA_BYTE(line + x, COLOR_RED));
        out[3 * x + 1] = uint8_t(GET_DATA_BYTE(line + x, COLOR_GREEN));
        out[3 * x + 2] = uint8_t(GET_DATA_BYTE(line + x, COLOR_BLUE));
      }
    } else {
      for (int32_t i = 0; i < p.stride; ++i) out[i] = uint8_t(GET_DATA_BYTE(line, i));
    }
  }
  return p;
}

RstRead* raw_source(const Page& p) {
  RstHeader h;
  h.width = kWidth;
  h.height = kHeight;
  h.bits_per_sample = p.bits;
  h.samples_per_pixel = p.samples;
  h.color_type = p.samples == 3 ? RstColorType::s_rgb()
                 : p.bits == 1  ? RstColorType::s_gray_reverse()
                                : RstColorType::s_gray();
  return RstReadRawFromByteArray::create(p.bytes.data(), h, p.stride, false, false);
}

void destroy(PIX* pix) { pixDestroy(&pix); }

const Page& bilevel() {
  static Page page = make_page(1);
  return page;
}

void BM_OrHalf(benchmark::State& state) {
  run_pair(
      state, [] { pull_all(RstScaleOR::create(raw_source(bilevel()), kWidth / 2, kHeight / 2)); },
      [] { destroy(pixReduceRankBinary2(bilevel().pix, 1, nullptr)); });
}

void BM_AndHalf(benchmark::State& state) {
  run_pair(
      state, [] { pull_all(RstScaleAND::create(raw_source(bilevel()), kWidth / 2, kHeight / 2)); },
      [] { destroy(pixReduceRankBinary2(bilevel().pix, 4, nullptr)); });
}

void BM_OrQuarter(benchmark::State& state) {
  run_pair(
      state, [] { pull_all(RstScaleOR::create(raw_source(bilevel()), kWidth / 4, kHeight / 4)); },
      [] { destroy(pixReduceRankBinaryCascade(bilevel().pix, 1, 1, 0, 0)); });
}

void BM_OrQuarterBesideGray4(benchmark::State& state) {
  run_pair(
      state, [] { pull_all(RstScaleOR::create(raw_source(bilevel()), kWidth / 4, kHeight / 4)); },
      [] { destroy(pixScaleToGray4(bilevel().pix)); });
}

void BM_NearestQuarterBilevel(benchmark::State& state) {
  run_pair(
      state, [] { pull_all(RstScaleNN::create(raw_source(bilevel()), kWidth / 4, kHeight / 4)); },
      [] { destroy(pixScaleBinary(bilevel().pix, 0.25f, 0.25f)); });
}

void BM_NearestGray(benchmark::State& state) {
  static Page page = make_page(8);
  int32_t w = int32_t(kWidth * 0.3), h = int32_t(kHeight * 0.3);
  run_pair(
      state, [&] { pull_all(RstScaleNN::create(raw_source(page), w, h)); },
      [] { destroy(pixScaleBySampling(page.pix, 0.3f, 0.3f)); });
}

void BM_NearestRGB(benchmark::State& state) {
  static Page page = make_page(32);
  int32_t w = int32_t(kWidth * 0.3), h = int32_t(kHeight * 0.3);
  run_pair(
      state, [&] { pull_all(RstScaleNN::create(raw_source(page), w, h)); },
      [] { destroy(pixScaleBySampling(page.pix, 0.3f, 0.3f)); });
}

BENCHMARK(BM_OrHalf)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AndHalf)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrQuarter)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrQuarterBesideGray4)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NearestQuarterBilevel)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NearestGray)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NearestRGB)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
