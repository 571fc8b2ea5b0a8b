// Whole TIFF pages read line by line through format detection (the page
// reader, the strip chain and a decoder per strip, run lines painted into
// rows) beside libtiff's TIFFReadEncodedStrip over the same files in memory,
// in the same run: the eight ITU charts as G4, G3 2-D, PackBits and LZW pages
// in strips of 128 rows. Each benchmark times both in turn and reports the
// best of each and their ratio ("x_libtiff", ours over libtiff's), beside it
// the ratio of our decoder alone on the same strips ("codec_x_libtiff": what
// the page road adds is the difference), and the largest line buffer our
// chain asked for (strip-sized buffers only: it does not grow with the page's
// height).
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <vector>

#include "bench_charts.h"
#include "bench_tiff_memory.h"
#include "raster/codecs/rst_coding_option.h"
#include "raster/codecs/rst_decode_ccitt.h"
#include "raster/codecs/rst_pack_bits.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/codecs/rst_read_lzw.h"
#include "raster/color/rst_color_creators.h"
#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_read.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/geometry/rst_geometry_creators.h"

namespace {

constexpr uint32_t kRowsPerStrip = 128;

struct Page {
  int32_t width = 0;
  int32_t height = 0;
  MemoryTiff tiff;
  std::vector<std::vector<uint8_t>> strips;  // the coded strips, as stored
};

// The charts as pages of one compression (and T4Options), written by libtiff.
std::vector<Page> pages(uint16_t compression, uint32_t t4_options) {
  std::vector<Page> out;
  for (const BenchChart& chart : bench_charts()) {
    Page p;
    p.height = chart.height;
    TIFF* t = p.tiff.open("w");
    if (!t) continue;
    const BenchTiff& lib = bench_tiff();
    lib.set_field(t, TIFFTAG_IMAGEWIDTH, uint32_t(chart.width));
    lib.set_field(t, TIFFTAG_IMAGELENGTH, uint32_t(chart.height));
    lib.set_field(t, TIFFTAG_BITSPERSAMPLE, 1);
    lib.set_field(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    lib.set_field(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    lib.set_field(t, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_CCITTFAX3) lib.set_field(t, TIFFTAG_GROUP3OPTIONS, t4_options);
    lib.set_field(t, TIFFTAG_ROWSPERSTRIP, kRowsPerStrip);
    lib.set_field(t, TIFFTAG_XRESOLUTION, 200.0);
    lib.set_field(t, TIFFTAG_YRESOLUTION, 200.0);
    size_t row = size_t((chart.width + 7) / 8);
    for (uint32_t s = 0; s * kRowsPerStrip < uint32_t(chart.height); ++s) {
      uint32_t rows = std::min<uint32_t>(kRowsPerStrip, uint32_t(chart.height) - s * kRowsPerStrip);
      std::vector<uint8_t> strip(chart.rows.begin() + long(s * kRowsPerStrip * row),
                                 chart.rows.begin() + long((s * kRowsPerStrip + rows) * row));
      lib.write_encoded_strip(t, s, strip.data(), tmsize_t(strip.size()));
    }
    lib.close(t);
    p.width = chart.width;
    if (TIFF* r = p.tiff.open("r")) {
      uint64_t* counts = nullptr;
      lib.get_field(r, TIFFTAG_STRIPBYTECOUNTS, &counts);
      for (uint32_t s = 0; counts && s < lib.number_of_strips(r); ++s) {
        std::vector<uint8_t> raw(size_t(counts[s]));
        lib.read_raw_strip(r, s, raw.data(), tmsize_t(raw.size()));
        p.strips.push_back(std::move(raw));
      }
      lib.close(r);
    }
    out.push_back(std::move(p));
  }
  return out;
}

// Our read of every page, line by line; the largest line size seen.
int ours(std::vector<Page>& list) {
  int largest = 0;
  for (Page& p : list) {
    ByteArrayInputStorage in(p.tiff.bytes.data(), int32_t(p.tiff.bytes.size()));
    RstRead* reader = RstReadRaster::create(&in, 1);
    if (!reader) continue;
    int size = reader->line_size();
    largest = std::max(largest, size);
    std::vector<uint8_t> line(size_t(size > 0 ? size : 1));
    for (int32_t y = 0; y < p.height; ++y) benchmark::DoNotOptimize(reader->read(line.data()));
    reader->end();
  }
  return largest;
}

// Our decoder alone on every strip of every page, lines as the decoder
// gives them (run lines for the CCITT codings), no page reader around it.
void codec(std::vector<Page>& list, uint16_t compression, uint32_t t4_options) {
  for (Page& p : list) {
    for (size_t s = 0; s < p.strips.size(); ++s) {
      const std::vector<uint8_t>& strip = p.strips[s];
      ByteArrayInputStorage in(strip.data(), int32_t(strip.size()));
      RstHeader h;
      h.width = p.width;
      h.height = std::min<int32_t>(int32_t(kRowsPerStrip), p.height - int32_t(s * kRowsPerStrip));
      h.bits_per_sample = 1;
      h.samples_per_pixel = 1;
      h.color_type = RstColorType::s_gray_reverse();  // min-is-white pages
      int32_t line_bytes = (p.width + 7) / 8;
      RstRead* node = nullptr;
      RstMROption mr(1, 0, 0, (t4_options & GROUP3OPT_FILLBITS) ? 1 : 0, 4);
      if (compression == COMPRESSION_LZW) {
        h.data_form = RstDataForm::lzw_2;
        node = RstReadLZW23::create(&in, h, line_bytes, 8, 0, 1);
      } else {
        h.data_form = compression == COMPRESSION_CCITTFAX4   ? RstDataForm::mmr
                      : compression == COMPRESSION_CCITTFAX3 ? RstDataForm::mr
                                                             : RstDataForm::packbits;
        RstRead* code = RstReadCode::create(&in, h, false);
        if (h.data_form == RstDataForm::mmr) node = RstDecodeMMR::create(code, nullptr);
        else if (h.data_form == RstDataForm::mr) node = RstDecodeMR::create(code, &mr);
        else node = RstUnPackBits::create(code);
      }
      if (!node) continue;
      std::vector<uint8_t> line(size_t(std::max(1, node->line_size())));
      while (node->read(line.data()) > 0) benchmark::DoNotOptimize(line.data());
      node->end();
    }
  }
}

void peer(std::vector<Page>& list, std::vector<uint8_t>& buffer) {
  const BenchTiff& lib = bench_tiff();
  for (Page& p : list) {
    TIFF* t = p.tiff.open("r");
    if (!t) continue;
    buffer.resize(size_t(lib.strip_size(t)));
    for (uint32_t s = 0; s * kRowsPerStrip < uint32_t(p.height); ++s)
      benchmark::DoNotOptimize(lib.read_encoded_strip(t, s, buffer.data(), tmsize_t(buffer.size())));
    lib.close(t);
  }
}

double timed(const std::function<void()>& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void run(benchmark::State& state, uint16_t compression, uint32_t t4_options) {
  rst_register_color_creators();
  rst_register_geometry_creators();
  if (bench_charts().size() != 8 || !bench_tiff().ok) {
    state.SkipWithError("charts or libtiff not available");
    return;
  }
  std::vector<Page> list = pages(compression, t4_options);
  std::vector<uint8_t> buffer;
  int largest = 0;
  double best = 1e9, best_libtiff = 1e9, best_codec = 1e9;
  for (auto _ : state) {
    best = std::min(best, timed([&] { largest = ours(list); }));
    best_libtiff = std::min(best_libtiff, timed([&] { peer(list, buffer); }));
    best_codec = std::min(best_codec, timed([&] { codec(list, compression, t4_options); }));
  }
  state.counters["ours_ms"] = best * 1e3;
  state.counters["libtiff_ms"] = best_libtiff * 1e3;
  state.counters["x_libtiff"] = best / best_libtiff;
  state.counters["codec_x_libtiff"] = best_codec / best_libtiff;
  state.counters["line_bytes"] = largest;
}

void BM_ReadG4Pages(benchmark::State& s) { run(s, COMPRESSION_CCITTFAX4, 0); }
void BM_ReadG3TwoDPages(benchmark::State& s) { run(s, COMPRESSION_CCITTFAX3, 1); }
void BM_ReadPackBitsPages(benchmark::State& s) { run(s, COMPRESSION_PACKBITS, 0); }
void BM_ReadLZWPages(benchmark::State& s) { run(s, COMPRESSION_LZW, 0); }

BENCHMARK(BM_ReadG4Pages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadG3TwoDPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPackBitsPages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadLZWPages)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
