// PDF stream decoding beside its peers, on the same bytes in the same run:
// a 20 MB Flate stream read through PdfStream beside zlib's inflate over the
// same compressed bytes in memory, and an LZW strip decoded by our stage
// beside libtiff's TIFFReadEncodedStrip of that strip. Our side reads the
// data from a file through the reader's window (the file stays in the page
// cache). Each benchmark reports its time relative to the peer's ("x_peer").
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_pair.h"
#include "bench_tiff_memory.h"
#include "raster/mrc/pdf/pdf_core.h"
#include "raster/mrc/pdf/pdf_file.h"
#include "raster/mrc/pdf/pdf_pool.h"
#include "raster/mrc/pdf/pdf_stream_data.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string work_file(const char* name) {
  std::string dir = std::filesystem::temp_directory_path() / ("pk-pdf-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  static bool cleanup = (std::atexit([] {
                           std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                                       ("pk-pdf-bench-" + std::to_string(getpid())));
                         }),
                         true);
  (void)cleanup;
  return dir + "/" + name;
}

// A file holding one stream object with the data; returns the offset just
// after the keyword "stream".
int64_t write_stream_file(const std::string& path, const Bytes& data) {
  std::string head = "%PDF-1.7\n1 0 obj\n<< >>\nstream";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(head.data(), 1, head.size(), f);
  std::fputc('\n', f);
  std::fwrite(data.data(), 1, data.size(), f);
  std::fputs("\nendstream\nendobj\n", f);
  std::fclose(f);
  return int64_t(head.size());
}

// Our side: open the file and the core, read the stream data to its end.
size_t ours(const std::string& path, int64_t after_keyword, size_t length, const char* filter) {
  size_t total = 0;
  pdf_file_open(path.c_str());
  pdf_core_begin();
  pdf_core_run([&] {
    PdfList* d = pdf_dict_prepend(nullptr, "Filter", 6, pdf_new_name(filter));
    d = pdf_dict_prepend(d, "Length", 6, pdf_new_integer(int32_t(length)));
    PdfStream* s = pdf_open_stream_data(pdf_stream_new(after_keyword, -1), d);
    static uint8_t buf[65536];
    for (int32_t n; (n = pdf_stream_read(s, buf, sizeof buf)) > 0;) total += size_t(n);
    pdf_stream_close(s);
  });
  pdf_core_end();
  pdf_file_close();
  return total;
}

// Text-like lines with numbers and some noise: about 4:1 under zlib.
Bytes sample(size_t size) {
  Bytes out;
  out.reserve(size);
  uint32_t x = 12345;
  while (out.size() < size) {
    x = x * 1103515245u + 12345u;
    std::string line = "q " + std::to_string(x % 1000) + " 0 0 " + std::to_string((x >> 10) % 800) + " cm /Im" +
                       std::to_string((x >> 20) % 9) + " Do Q\n";
    out.insert(out.end(), line.begin(), line.end());
    if (x % 5 == 0) out.push_back(uint8_t(x >> 24));
  }
  out.resize(size);
  return out;
}

void BM_FlateThroughPdfStream(benchmark::State& state) {
  if (pdf_pool_create() != 0) return state.SkipWithError("no pool");
  Bytes plain = sample(20 << 20);
  uLongf zsize = compressBound(uLong(plain.size()));
  Bytes z(zsize);
  compress2(z.data(), &zsize, plain.data(), uLong(plain.size()), 6);
  z.resize(zsize);
  std::string path = work_file("flate.pdf");
  int64_t at = write_stream_file(path, z);
  if (ours(path, at, z.size(), "FlateDecode") != plain.size()) return state.SkipWithError("Flate data not decoded");
  Bytes out(65536);
  auto peer = [&] {
    z_stream s{};
    inflateInit(&s);
    s.next_in = z.data();
    s.avail_in = uInt(z.size());
    size_t total = 0;
    int ret = Z_OK;
    while (ret == Z_OK) {
      s.next_out = out.data();
      s.avail_out = uInt(out.size());
      ret = inflate(&s, Z_NO_FLUSH);
      total += out.size() - s.avail_out;
    }
    inflateEnd(&s);
    benchmark::DoNotOptimize(total);
  };
  run_pair(
      state, [&] { benchmark::DoNotOptimize(ours(path, at, z.size(), "FlateDecode")); }, peer);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plain.size()));
  pdf_pool_free();
}

void BM_LzwStripBesideLibtiff(benchmark::State& state) {
  const BenchTiff& t = bench_tiff();
  if (!t.ok) return state.SkipWithError("libtiff not available");
  if (pdf_pool_create() != 0) return state.SkipWithError("no pool");
  const uint32_t w = 2000, h = 1500;
  Bytes raster(size_t(w) * h * 3);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = &raster[(size_t(y) * w + x) * 3];
      p[0] = uint8_t(x / 8 + y / 16);
      p[1] = uint8_t((x * y) >> 9);
      p[2] = uint8_t((x ^ y) & 0xF0);
    }
  }
  MemoryTiff m;
  TIFF* out = m.open("w");
  t.set_field(out, TIFFTAG_IMAGEWIDTH, w);
  t.set_field(out, TIFFTAG_IMAGELENGTH, h);
  t.set_field(out, TIFFTAG_BITSPERSAMPLE, 8);
  t.set_field(out, TIFFTAG_SAMPLESPERPIXEL, 3);
  t.set_field(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  t.set_field(out, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  t.set_field(out, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  t.set_field(out, TIFFTAG_ROWSPERSTRIP, h);
  t.write_encoded_strip(out, 0, raster.data(), tmsize_t(raster.size()));
  t.close(out);
  TIFF* in = m.open("r");
  toff_t* counts = nullptr;
  t.get_field(in, TIFFTAG_STRIPBYTECOUNTS, &counts);
  Bytes strip(static_cast<size_t>(counts[0]));
  t.read_raw_strip(in, 0, strip.data(), tmsize_t(strip.size()));
  std::string path = work_file("lzw.pdf");
  int64_t at = write_stream_file(path, strip);
  if (ours(path, at, strip.size(), "LZWDecode") != raster.size()) return state.SkipWithError("LZW strip not decoded");
  Bytes decoded(raster.size());
  auto peer = [&] { benchmark::DoNotOptimize(t.read_encoded_strip(in, 0, decoded.data(), tmsize_t(decoded.size()))); };
  run_pair(
      state, [&] { benchmark::DoNotOptimize(ours(path, at, strip.size(), "LZWDecode")); }, peer);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(raster.size()));
  t.close(in);
  pdf_pool_free();
}

}  // namespace

BENCHMARK(BM_FlateThroughPdfStream)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwStripBesideLibtiff)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
