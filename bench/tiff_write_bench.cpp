// Writing the eight ITU test charts as G4 TIFF pages: our TIFF writer node
// (RstEncodeAndWriteTIFF through RstWriteTIFF::create) into a memory storage
// beside libtiff's TIFFWriteEncodedStrip into memory, in the same run. Each
// iteration times both in turn; the best of each and their ratio
// ("x_libtiff", ours over libtiff's). Needs jbgtopbm (scripts/deps.sh).
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <chrono>
#include <vector>

#include "bench_charts.h"
#include "bench_tiff_memory.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/formats/rst_write_tiff.h"

namespace {

// Writes every chart as a one-page G4 file; the bytes written.
int64_t our_pass() {
  int64_t bytes = 0;
  RstWriteTIFFOption option(200, 200, 3, 0, nullptr);
  for (const BenchChart& c : bench_charts()) {
    RstHeader h;
    h.width = c.width;
    h.height = c.height;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.color_type = RstColorType::s_gray_reverse();
    RstRead* raw = RstReadRawFromByteArray::create(c.rows.data(), h, (c.width + 7) / 8, false, false);
    MemoryOutputStorage out;
    RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949);
    RstWrite* writer = RstWriteTIFF::create(raw, manager, &option);
    while (writer && writer->write() != 0) {
    }
    if (writer) writer->end();
    manager->close();
    bytes += out.size();
  }
  return bytes;
}

double libtiff_pass() {
  auto t0 = std::chrono::steady_clock::now();
  for (const BenchChart& c : bench_charts()) {
    MemoryTiff m;
    TIFF* t = m.open("w");
    bench_tiff().set_field(t, TIFFTAG_IMAGEWIDTH, c.width);
    bench_tiff().set_field(t, TIFFTAG_IMAGELENGTH, c.height);
    bench_tiff().set_field(t, TIFFTAG_BITSPERSAMPLE, 1);
    bench_tiff().set_field(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    bench_tiff().set_field(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    bench_tiff().set_field(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    bench_tiff().set_field(t, TIFFTAG_ROWSPERSTRIP, c.height);
    std::vector<uint8_t> copy = c.rows;  // libtiff may code in place
    benchmark::DoNotOptimize(bench_tiff().write_encoded_strip(t, 0, copy.data(), static_cast<tmsize_t>(copy.size())));
    bench_tiff().close(t);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_WriteG4Pages(benchmark::State& state) {
  if (bench_charts().size() != 8 || !bench_tiff().ok) {
    state.SkipWithError("charts or libtiff not available");
    return;
  }
  double best = 1e9, best_libtiff = 1e9;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(our_pass());
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    best_libtiff = std::min(best_libtiff, libtiff_pass());
  }
  state.counters["ours_ms"] = best * 1e3;
  state.counters["libtiff_ms"] = best_libtiff * 1e3;
  state.counters["x_libtiff"] = best / best_libtiff;
}

BENCHMARK(BM_WriteG4Pages)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
