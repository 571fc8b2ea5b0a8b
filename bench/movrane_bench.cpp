// Movrane's page geometry beside Leptonica on the same pixels in the same
// run: turning an A4 page at 600 dpi (4960 x 7016) a quarter turn against
// pixRotateOrth(pix, 1), and a 4-up sheet of four such pages (each reduced
// to a quadrant by OR reduction, centred and joined with white) against
// Leptonica's rank reduction of the four pages (pixReduceRankBinary2, level
// 1). Each benchmark's counter "x_peer" is our time over the peer's (below
// 1: ours is faster).
#include <benchmark/benchmark.h>
#include <leptonica/allheaders.h>

#include <random>
#include <vector>

#include "bench_pair.h"
#include "platform/outside/movrane/page_geometry.h"

namespace {

constexpr uint32_t kA4Width = 4960, kA4Height = 7016;

// A text-like page: short black runs on a fifth of the rows, in our rows
// and as a Leptonica PIX.
struct Page {
  PackedRows rows;
  PIX* pix = nullptr;
};

Page MakePage(uint32_t seed) {
  Page p;
  p.rows = WhiteRows(kA4Width, kA4Height);
  std::mt19937 rng(seed);
  for (uint32_t y = 200; y + 200 < kA4Height; ++y) {
    if (y % 60 > 12) continue;
    uint8_t* row = p.rows.bits.data() + size_t(y) * p.rows.rowBytes;
    for (uint32_t i = 25; i + 25 < p.rows.rowBytes; ++i) row[i] = uint8_t(rng() & rng());
  }
  p.pix = pixCreate(int(kA4Width), int(kA4Height), 1);
  l_uint32* data = pixGetData(p.pix);
  const int wpl = pixGetWpl(p.pix);
  for (uint32_t y = 0; y < kA4Height; ++y)
    for (uint32_t i = 0; i < p.rows.rowBytes; ++i)
      SET_DATA_BYTE(data + size_t(y) * size_t(wpl), int(i), p.rows.bits[size_t(y) * p.rows.rowBytes + i]);
  return p;
}

void BM_TurnA4(benchmark::State& state) {
  Page page = MakePage(1);
  run_pair(
      state,
      [&] {
        PackedRows turned;
        benchmark::DoNotOptimize(TurnRows(page.rows, 90, turned));
      },
      [&] {
        PIX* turned = pixRotateOrth(page.pix, 1);
        benchmark::DoNotOptimize(turned);
        pixDestroy(&turned);
      });
  pixDestroy(&page.pix);
}

void BM_FourUpSheetA4(benchmark::State& state) {
  std::vector<Page> pages;
  for (uint32_t i = 0; i < 4; ++i) pages.push_back(MakePage(10 + i));
  PackedRows rows[4];
  for (int i = 0; i < 4; ++i) rows[i] = pages[size_t(i)].rows;
  run_pair(
      state,
      [&] {
        PackedRows sheet;
        benchmark::DoNotOptimize(BuildNupSheet(rows, 4, 4, kA4Width, kA4Height, sheet));
      },
      [&] {
        for (Page& p : pages) {
          PIX* reduced = pixReduceRankBinary2(p.pix, 1, nullptr);
          benchmark::DoNotOptimize(reduced);
          pixDestroy(&reduced);
        }
      });
  for (Page& p : pages) pixDestroy(&p.pix);
}

}  // namespace

BENCHMARK(BM_TurnA4)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FourUpSheetA4)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
