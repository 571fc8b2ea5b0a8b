// Coding the eight ITU test charts as MMR (T.6) and MH (TIFF Compression 2):
// our encoder nodes over a raw source beside libtiff's TIFFWriteEncodedStrip
// into memory, in the same run. Each benchmark times both in turn and
// reports the best of each and their ratio ("x_libtiff", ours over libtiff's).
// Needs jbgtopbm (scripts/deps.sh installs it).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <tiffio.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_charts.h"
#include "bench_tiff_memory.h"
#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/core/rst_read_raw_from_byte_array.h"

namespace {

using Chart = BenchChart;

const std::vector<Chart>& charts() { return bench_charts(); }

// Codes every chart once with our encoder; the bytes coded.
int64_t our_pass(int32_t form) {
  int64_t bytes = 0;
  for (const Chart& c : charts()) {
    RstHeader h;
    h.width = c.width;
    h.height = c.height;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.color_type = RstColorType::s_gray_reverse();
    RstRead* raw = RstReadRawFromByteArray::create(c.rows.data(), h, (c.width + 7) / 8, false, false);
    RstRead* node = nullptr;
    RstMHOption c2(0, 0, 0, 0, 1);
    if (form == 1) node = RstEncodeMH::create(raw, &c2);
    if (form == 3) node = RstEncodeMMR::create(raw, nullptr);
    std::vector<uint8_t> line(static_cast<size_t>(node->line_size()));
    for (int n; (n = node->read(line.data())) > 0;) bytes += n;
    node->end();
  }
  return bytes;
}

double libtiff_pass(uint16_t compression) {
  auto t0 = std::chrono::steady_clock::now();
  for (const Chart& c : charts()) {
    MemoryTiff m;
    TIFF* t = m.open("w");
    bench_tiff().set_field(t, TIFFTAG_IMAGEWIDTH, c.width);
    bench_tiff().set_field(t, TIFFTAG_IMAGELENGTH, c.height);
    bench_tiff().set_field(t, TIFFTAG_BITSPERSAMPLE, 1);
    bench_tiff().set_field(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    bench_tiff().set_field(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    bench_tiff().set_field(t, TIFFTAG_COMPRESSION, compression);
    bench_tiff().set_field(t, TIFFTAG_ROWSPERSTRIP, c.height);
    std::vector<uint8_t> copy = c.rows;  // libtiff may code in place
    benchmark::DoNotOptimize(bench_tiff().write_encoded_strip(t, 0, copy.data(), static_cast<tmsize_t>(copy.size())));
    bench_tiff().close(t);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Times our pass and libtiff's in turn on every iteration; the best of each.
void run(benchmark::State& state, int32_t form, uint16_t compression) {
  if (charts().size() != 8 || !bench_tiff().ok) {
    state.SkipWithError("charts or libtiff not available");
    return;
  }
  double best = 1e9, best_libtiff = 1e9;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(our_pass(form));
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    best_libtiff = std::min(best_libtiff, libtiff_pass(compression));
  }
  state.counters["ours_ms"] = best * 1e3;
  state.counters["libtiff_ms"] = best_libtiff * 1e3;
  state.counters["x_libtiff"] = best / best_libtiff;
}

void BM_EncodeMMR(benchmark::State& s) { run(s, 3, COMPRESSION_CCITTFAX4); }
void BM_EncodeMH(benchmark::State& s) { run(s, 1, COMPRESSION_CCITTRLE); }

BENCHMARK(BM_EncodeMMR)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeMH)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
