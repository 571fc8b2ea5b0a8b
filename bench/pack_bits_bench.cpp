// PackBits both ways: our RstPackBits and RstUnPackBits nodes beside
// libtiff's PackBits coding (TIFFWriteEncodedStrip and TIFFReadEncodedStrip
// on a TIFF in memory), on the same images in the same run: the eight ITU
// charts (1 bit) and a synthetic 8-bit page of runs and noise. Each of our
// benchmarks times both in turn and reports the best of each and their ratio
// ("x_libtiff", ours over libtiff's).
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench_charts.h"
#include "bench_tiff_memory.h"
#include "raster/codecs/rst_pack_bits.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_read_raw_from_byte_array.h"

namespace {

struct Image {
  int32_t width = 0, height = 0, bits = 1;
  std::vector<uint8_t> rows;
  int32_t row_bytes() const { return (width * bits + 7) / 8; }
  std::vector<uint8_t> packed;  // our code of all rows
  MemoryTiff tiff;              // libtiff's PackBits file
};

std::vector<Image>& images() {
  static std::vector<Image> list = [] {
    std::vector<Image> out;
    for (const BenchChart& chart : bench_charts()) {
      Image c;
      c.width = chart.width;
      c.height = chart.height;
      c.rows = chart.rows;
      out.push_back(std::move(c));
    }
    Image g;
    g.width = 2400;
    g.height = 1600;
    g.bits = 8;
    std::mt19937 rng(7);
    g.rows.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.height));
    for (size_t i = 0; i < g.rows.size();) {
      size_t run = 1 + rng() % 40;
      bool noise = rng() % 3 == 0;
      uint8_t v = static_cast<uint8_t>(rng());
      for (size_t k = 0; k < run && i < g.rows.size(); ++k, ++i) g.rows[i] = noise ? static_cast<uint8_t>(rng()) : v;
    }
    out.push_back(std::move(g));
    return out;
  }();
  return list;
}

RstHeader header_of(const Image& im, int32_t form) {
  RstHeader h;
  h.width = im.width;
  h.height = im.height;
  h.bits_per_sample = im.bits;
  h.samples_per_pixel = 1;
  h.data_form = form;
  return h;
}

int64_t our_pack(Image& im, bool keep) {
  RstRead* raw = RstReadRawFromByteArray::create(im.rows.data(), header_of(im, 0), im.row_bytes(), false, false);
  RstRead* node = RstPackBits::create(raw);
  std::vector<uint8_t> line(static_cast<size_t>(node->line_size()));
  int64_t bytes = 0;
  if (keep) im.packed.clear();
  for (int n; (n = node->read(line.data())) > 0;) {
    bytes += n;
    if (keep) im.packed.insert(im.packed.end(), line.begin(), line.begin() + n);
  }
  node->end();
  return bytes;
}

int64_t our_unpack(const Image& im) {
  ByteArrayInputStorage storage(im.packed.data(), static_cast<int32_t>(im.packed.size()));
  RstRead* code = RstReadCode::create(&storage, header_of(im, 10), false);
  RstRead* node = RstUnPackBits::create(code);
  std::vector<uint8_t> line(static_cast<size_t>(node->line_size()));
  int64_t lines = 0;
  while (node->read(line.data()) > 0) ++lines;
  node->end();
  return lines;
}

void libtiff_pack(Image& im) {
  im.tiff.bytes.clear();
  TIFF* t = im.tiff.open("w");
  bench_tiff().set_field(t, TIFFTAG_IMAGEWIDTH, im.width);
  bench_tiff().set_field(t, TIFFTAG_IMAGELENGTH, im.height);
  bench_tiff().set_field(t, TIFFTAG_BITSPERSAMPLE, im.bits);
  bench_tiff().set_field(t, TIFFTAG_SAMPLESPERPIXEL, 1);
  bench_tiff().set_field(t, TIFFTAG_PHOTOMETRIC, im.bits == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
  bench_tiff().set_field(t, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
  bench_tiff().set_field(t, TIFFTAG_ROWSPERSTRIP, im.height);
  benchmark::DoNotOptimize(
      bench_tiff().write_encoded_strip(t, 0, im.rows.data(), static_cast<tmsize_t>(im.rows.size())));
  bench_tiff().close(t);
}

void libtiff_unpack(Image& im, std::vector<uint8_t>& buf) {
  TIFF* t = im.tiff.open("r");
  buf.resize(static_cast<size_t>(bench_tiff().strip_size(t)));
  benchmark::DoNotOptimize(bench_tiff().read_encoded_strip(t, 0, buf.data(), static_cast<tmsize_t>(buf.size())));
  bench_tiff().close(t);
}

double timed(const std::function<void()>& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Times our pass and libtiff's in turn on every iteration; the best of each.
void run(benchmark::State& state, bool decode) {
  std::vector<Image>& list = images();
  if (list.size() != 9 || !bench_tiff().ok) {
    state.SkipWithError("charts or libtiff not available");
    return;
  }
  std::vector<uint8_t> buf;
  for (Image& im : list) {
    our_pack(im, true);
    libtiff_pack(im);
  }
  auto peer = [&] {
    for (Image& im : list) decode ? libtiff_unpack(im, buf) : libtiff_pack(im);
  };
  auto mine = [&] {
    for (Image& im : list) benchmark::DoNotOptimize(decode ? our_unpack(im) : our_pack(im, false));
  };
  double best = 1e9, best_libtiff = 1e9;
  for (auto _ : state) {
    best = std::min(best, timed(mine));
    best_libtiff = std::min(best_libtiff, timed(peer));
  }
  state.counters["ours_ms"] = best * 1e3;
  state.counters["libtiff_ms"] = best_libtiff * 1e3;
  state.counters["x_libtiff"] = best / best_libtiff;
}

void BM_PackBitsEncode(benchmark::State& s) { run(s, false); }
void BM_PackBitsDecode(benchmark::State& s) { run(s, true); }

BENCHMARK(BM_PackBitsEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackBitsDecode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
