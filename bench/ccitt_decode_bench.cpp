// Decoding the eight ITU test charts coded as MH (T.4 one-dimensional), MR
// (T.4 two-dimensional) and MMR (T.6): our code reader and decoder beside
// libtiff's TIFFReadEncodedStrip on the same strips, in the same run. Each of
// our benchmarks reports its time relative to libtiff's ("x_libtiff").
// Needs jbgtopbm, ppm2tiff and tiffcp (scripts/deps.sh installs them).
#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench_tiff_memory.h"
#include "raster/codecs/rst_decode_ccitt.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/byte_array_storage.h"

namespace {

// The charts in one coding: TIFF paths and their raw strips.
struct Coded {
  std::vector<std::string> paths;
  std::vector<std::vector<uint8_t>> strips;
};

const std::string& work_dir() {
  static std::string dir = [] {
    std::string d = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) +
                    "/pk-ccitt-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(d);
    std::atexit([] { std::filesystem::remove_all(work_dir()); });
    return d;
  }();
  return dir;
}

const Coded& charts(const std::string& coding) {
  static std::map<std::string, Coded> cache;
  auto it = cache.find(coding);
  if (it != cache.end()) return it->second;
  Coded c;
  for (int n = 1; n <= 8 && bench_tiff().ok; ++n) {
    std::string base = work_dir() + "/c" + std::to_string(n);
    std::string name = coding;
    for (char& ch : name)
      if (ch == ':') ch = '_';
    std::string out = base + "-" + name + ".tif";
    std::string cmd = "test -f " + base + ".tif || (jbgtopbm /usr/share/jbigkit-testdata/ccitt" + std::to_string(n) +
                      ".jbg " + base + ".pbm && ppm2tiff -c none " + base + ".pbm " + base +
                      ".tif); tiffcp -r 2376 -c " + coding + " " + base + ".tif " + out;
    if (std::system(cmd.c_str()) != 0) continue;
    TIFF* t = bench_tiff().open(out.c_str(), "r");
    if (!t) continue;
    uint64_t* counts = nullptr;
    bench_tiff().get_field(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
    std::vector<uint8_t> raw(counts ? counts[0] : 0);
    bench_tiff().read_raw_strip(t, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
    bench_tiff().close(t);
    c.paths.push_back(out);
    c.strips.push_back(std::move(raw));
  }
  return cache[coding] = c;
}

double libtiff_pass(const Coded& c) {
  auto t0 = std::chrono::steady_clock::now();
  for (const std::string& p : c.paths) {
    TIFF* t = bench_tiff().open(p.c_str(), "r");
    std::vector<uint8_t> buf(static_cast<size_t>(bench_tiff().strip_size(t)));
    benchmark::DoNotOptimize(bench_tiff().read_encoded_strip(t, 0, buf.data(), static_cast<tmsize_t>(buf.size())));
    bench_tiff().close(t);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Decodes every chart once; the lines decoded.
int64_t our_pass(const Coded& c, int32_t form, uint32_t t4) {
  int64_t lines = 0;
  for (const auto& strip : c.strips) {
    ByteArrayInputStorage storage(strip.data(), static_cast<int32_t>(strip.size()));
    RstHeader h;
    h.width = 1728;
    h.height = 2376;
    h.bits_per_sample = 1;
    h.samples_per_pixel = 1;
    h.data_form = form;
    RstRead* src = RstReadCode::create(&storage, h, false);
    RstRead* node = nullptr;
    RstMHOption mh(1, 0, 1, 0, (t4 & GROUP3OPT_FILLBITS) ? 1 : 0);
    RstMROption mr(1, 0, 0, (t4 & GROUP3OPT_FILLBITS) ? 1 : 0, 4);
    if (form == 1) node = RstDecodeMH::create(src, &mh);
    if (form == 2) node = RstDecodeMR::create(src, &mr);
    if (form == 3) node = RstDecodeMMR::create(src, nullptr);
    std::vector<uint8_t> line(static_cast<size_t>(node->line_size()));
    while (node->read(line.data())) ++lines;
    node->end();
  }
  return lines;
}

void run(benchmark::State& state, const std::string& coding, int32_t form, uint32_t t4, bool ours) {
  const Coded& c = charts(coding);
  if (c.paths.size() != 8) {
    state.SkipWithError("charts not available (libtiff, jbgtopbm, ppm2tiff, tiffcp)");
    return;
  }
  // The peer's time per pass, measured in this run.
  double best_libtiff = 1e9;
  for (int i = 0; i < 5; ++i) best_libtiff = std::min(best_libtiff, libtiff_pass(c));
  double best = 1e9;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (ours) {
      int64_t lines = our_pass(c, form, t4);
      if (lines != 8 * 2376) {
        state.SkipWithError("decoding failed");
        return;
      }
    } else benchmark::DoNotOptimize(libtiff_pass(c));
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  state.counters["x_libtiff"] = best / best_libtiff;
}

void BM_MH_Ours(benchmark::State& s) { run(s, "g3:1d", 1, 0, true); }
void BM_MH_Libtiff(benchmark::State& s) { run(s, "g3:1d", 1, 0, false); }
void BM_MR_Ours(benchmark::State& s) { run(s, "g3:2d", 2, GROUP3OPT_2DENCODING, true); }
void BM_MR_Libtiff(benchmark::State& s) { run(s, "g3:2d", 2, GROUP3OPT_2DENCODING, false); }
void BM_MMR_Ours(benchmark::State& s) { run(s, "g4", 3, 0, true); }
void BM_MMR_Libtiff(benchmark::State& s) { run(s, "g4", 3, 0, false); }

BENCHMARK(BM_MH_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MH_Libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MR_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MR_Libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MMR_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MMR_Libtiff)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
