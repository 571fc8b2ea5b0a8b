// LZW decoding beside its peers, on the same input in the same run:
// RstReadLZW23 over TIFF strips beside libtiff's TIFFReadEncodedStrip (the
// eight ITU test charts, and an RGB page with the horizontal predictor, whose
// undoing is counted on our side too), and the GIF stage beside giflib's
// DGifSlurp over the same file in memory. Each of our benchmarks reports its
// time relative to the peer's ("x_libtiff", "x_giflib").
// Needs jbgtopbm, ppm2tiff, tiffcp and convert (scripts/deps.sh installs them).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <gif_lib.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bench_tiff_memory.h"
#include "raster/codecs/rst_brenvold_stream.h"
#include "raster/codecs/rst_lzw_decoder.h"
#include "raster/codecs/rst_read_lzw.h"
#include "raster/core/byte_array_storage.h"

namespace {

using Bytes = std::vector<uint8_t>;

template <class F>
void load(void* lib, const char* name, F& f) {
  f = lib ? reinterpret_cast<F>(dlsym(lib, name)) : nullptr;
}

struct Gif {
  decltype(&DGifOpen) open;
  decltype(&DGifSlurp) slurp;
  decltype(&DGifCloseFile) close;
  bool ok = false;
};

const Gif& gif() {
  static Gif g = [] {
    Gif x;
    void* lib = dlopen("libgif.so.7", RTLD_NOW);
    load(lib, "DGifOpen", x.open);
    load(lib, "DGifSlurp", x.slurp);
    load(lib, "DGifCloseFile", x.close);
    x.ok = x.open && x.slurp && x.close;
    return x;
  }();
  return g;
}

const std::string& work_dir() {
  static std::string dir = [] {
    std::string d = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) +
                    "/pk-lzw-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(d);
    std::atexit([] { std::filesystem::remove_all(work_dir()); });
    return d;
  }();
  return dir;
}

bool run(const std::string& cmd) { return std::system((cmd + " 2>/dev/null").c_str()) == 0; }

// One TIFF open in libtiff, and its raw strips for us.
struct Strips {
  TIFF* t = nullptr;
  uint32_t width = 0, height = 0, rows = 0;
  uint16_t bits = 1, samples = 1, predictor = 1;
  std::vector<Bytes> raw;
};

struct Set {
  std::vector<Strips> files;
  int64_t lines = 0;
};

bool open_strips(const std::string& path, Strips& s) {
  s.t = bench_tiff().open(path.c_str(), "r");
  if (!s.t) return false;
  bench_tiff().get_field(s.t, TIFFTAG_IMAGEWIDTH, &s.width);
  bench_tiff().get_field(s.t, TIFFTAG_IMAGELENGTH, &s.height);
  bench_tiff().get_field_defaulted(s.t, TIFFTAG_ROWSPERSTRIP, &s.rows);
  bench_tiff().get_field_defaulted(s.t, TIFFTAG_BITSPERSAMPLE, &s.bits);
  bench_tiff().get_field_defaulted(s.t, TIFFTAG_SAMPLESPERPIXEL, &s.samples);
  bench_tiff().get_field_defaulted(s.t, TIFFTAG_PREDICTOR, &s.predictor);
  uint64_t* counts = nullptr;
  bench_tiff().get_field(s.t, TIFFTAG_STRIPBYTECOUNTS, &counts);
  for (uint32_t i = 0; i < bench_tiff().number_of_strips(s.t); ++i) {
    Bytes raw(counts ? counts[i] : 0);
    bench_tiff().read_raw_strip(s.t, i, raw.data(), static_cast<tmsize_t>(raw.size()));
    s.raw.push_back(std::move(raw));
  }
  return true;
}

// The eight charts, LZW in strips of 64 rows.
const Set& charts() {
  static Set set = [] {
    Set c;
    for (int n = 1; n <= 8 && bench_tiff().ok; ++n) {
      std::string base = work_dir() + "/c" + std::to_string(n);
      if (!run("jbgtopbm /usr/share/jbigkit-testdata/ccitt" + std::to_string(n) + ".jbg " + base +
               ".pbm && ppm2tiff -c none " + base + ".pbm " + base + ".tif && tiffcp -r 64 -c lzw " + base + ".tif " +
               base + "-lzw.tif"))
        return Set{};
      Strips s;
      if (!open_strips(base + "-lzw.tif", s)) return Set{};
      c.lines += s.height;
      c.files.push_back(std::move(s));
    }
    return c;
  }();
  return set;
}

// A 1240 x 1754 RGB page (A4 at 150 dpi): soft gradients, a photo-like
// noisy area and text-like blocks; LZW with the horizontal predictor.
const Set& rgb_page() {
  static Set set = [] {
    Set c;
    if (!bench_tiff().ok) return c;
    const int w = 1240, h = 1754;
    std::mt19937 rng(5);
    Bytes p;
    p.reserve(size_t{w} * h * 3);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        bool text = y > 900 && (y / 4) % 6 < 3 && (x / 7) % 9 < 7 && x > 100 && x < 1140;
        bool photo = y > 150 && y < 800 && x > 150 && x < 1090;
        for (int ch = 0; ch < 3; ++ch) {
          int v = 255 - (x * (ch + 1) / 16 + y / 12) % 64;
          if (photo) v = (x * (3 - ch) + y * (ch + 1)) / 11 % 256 + static_cast<int>(rng() % 9) - 4;
          if (text) v = 20 * ch;
          p.push_back(static_cast<uint8_t>(std::clamp(v, 0, 255)));
        }
      }
    std::string base = work_dir() + "/page";
    std::ofstream f(base + ".ppm", std::ios::binary);
    f << "P6 " << w << " " << h << " 255\n";
    f.write(reinterpret_cast<const char*>(p.data()), static_cast<std::streamsize>(p.size()));
    f.close();
    if (!run("ppm2tiff -c none " + base + ".ppm " + base + ".tif && tiffcp -r 16 -c lzw:2 " + base + ".tif " + base +
             "-lzw.tif"))
      return c;
    Strips s;
    if (!open_strips(base + "-lzw.tif", s)) return c;
    c.lines = s.height;
    c.files.push_back(std::move(s));
    return c;
  }();
  return set;
}

double libtiff_pass(const Set& set) {
  auto t0 = std::chrono::steady_clock::now();
  for (const Strips& s : set.files) {
    Bytes buf(static_cast<size_t>(bench_tiff().strip_size(s.t)));
    for (uint32_t i = 0; i < s.raw.size(); ++i)
      benchmark::DoNotOptimize(bench_tiff().read_encoded_strip(s.t, i, buf.data(), static_cast<tmsize_t>(buf.size())));
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Horizontal differencing undone, as libtiff does it: running sums per
// sample of the pixel.
void undo_predictor(uint8_t* p, int32_t bytes, int32_t samples) {
  if (samples == 3) {
    uint8_t r = p[0], g = p[1], b = p[2];
    for (int32_t k = 3; k + 2 < bytes; k += 3) {
      p[k] = r = static_cast<uint8_t>(r + p[k]);
      p[k + 1] = g = static_cast<uint8_t>(g + p[k + 1]);
      p[k + 2] = b = static_cast<uint8_t>(b + p[k + 2]);
    }
    return;
  }
  for (int32_t k = samples; k < bytes; ++k) p[k] = static_cast<uint8_t>(p[k] + p[k - samples]);
}

// Decodes every strip through the reader node (and undoes the predictor);
// the lines decoded.
int64_t our_pass(const Set& set) {
  int64_t lines = 0;
  for (const Strips& s : set.files) {
    int32_t line_bytes = static_cast<int32_t>((uint64_t{s.width} * s.bits * s.samples + 7) / 8);
    Bytes line(static_cast<size_t>(line_bytes));
    for (size_t i = 0; i < s.raw.size(); ++i) {
      ByteArrayInputStorage storage(s.raw[i].data(), static_cast<int32_t>(s.raw[i].size()));
      RstHeader h;
      h.width = static_cast<int32_t>(s.width);
      h.height = static_cast<int32_t>(std::min<uint32_t>(s.rows, s.height - static_cast<uint32_t>(i) * s.rows));
      h.bits_per_sample = s.bits;
      h.samples_per_pixel = s.samples;
      h.data_form = RstDataForm::lzw;
      h.color_type = s.samples == 3 ? RstColorType::default_rgb() : RstColorType::default_gray();
      RstReadLZW23* node = RstReadLZW23::create(&storage, h, line_bytes, 8, 0, 1);
      if (!node) return -1;
      while (node->read(line.data()) == line_bytes) {
        if (s.predictor == 2) undo_predictor(line.data(), line_bytes, s.samples);
        ++lines;
      }
      node->end();
    }
  }
  return lines;
}

template <class Pass>
void timed(benchmark::State& state, Pass pass, double peer, const char* counter) {
  double best = 1e9;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (!pass()) {
      state.SkipWithError("decoding failed");
      return;
    }
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  state.counters[counter] = best / peer;
}

void tiff_run(benchmark::State& state, const Set& set, bool ours) {
  if (set.files.empty()) {
    state.SkipWithError("input not available (libtiff, jbgtopbm, ppm2tiff, tiffcp)");
    return;
  }
  double peer = 1e9;
  for (int i = 0; i < 5; ++i) peer = std::min(peer, libtiff_pass(set));
  if (ours)
    timed(
        state, [&] { return our_pass(set) == set.lines; }, peer, "x_libtiff");
  else
    timed(
        state, [&] { return libtiff_pass(set) >= 0; }, peer, "x_libtiff");
}

// GIFs made by ImageMagick from the RGB page and from the first chart.
struct GifFile {
  Bytes bytes;
  size_t first_block = 0;
  int min_bits = 0, width = 0, height = 0;
};

bool walk(GifFile& g) {
  const Bytes& b = g.bytes;
  if (b.size() < 13) return false;
  size_t p = 13;
  if (b[10] & 0x80) p += 3u << ((b[10] & 7) + 1);
  while (p < b.size()) {
    if (b[p] == 0x21) {
      p += 2;
      while (p < b.size() && b[p]) p += size_t{b[p]} + 1;
      ++p;
    } else if (b[p] == 0x2C && p + 11 <= b.size()) {
      g.width = b[p + 5] | b[p + 6] << 8;
      g.height = b[p + 7] | b[p + 8] << 8;
      uint8_t flags = b[p + 9];
      p += 10;
      if (flags & 0x80) p += 3u << ((flags & 7) + 1);
      if ((flags & 0x40) || p >= b.size()) return false;
      g.min_bits = b[p];
      g.first_block = p + 1;
      return true;
    } else {
      return false;
    }
  }
  return false;
}

const std::vector<GifFile>& gifs() {
  static std::vector<GifFile> files = [] {
    std::vector<GifFile> out;
    if (rgb_page().files.empty() || charts().files.empty()) return out;
    for (const std::string& src : {work_dir() + "/page.ppm", work_dir() + "/c1.pbm"}) {
      std::string dst = src + ".gif";
      if (!run("convert " + src + " -colors 256 " + dst)) return std::vector<GifFile>{};
      std::ifstream f(dst, std::ios::binary);
      GifFile g;
      g.bytes.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
      if (!walk(g)) return std::vector<GifFile>{};
      out.push_back(std::move(g));
    }
    return out;
  }();
  return files;
}

struct MemoryReader {
  const Bytes* bytes;
  size_t at;
};

int read_memory(GifFileType* g, GifByteType* buf, int n) {
  auto* m = static_cast<MemoryReader*>(g->UserData);
  size_t k = std::min(static_cast<size_t>(n), m->bytes->size() - m->at);
  std::memcpy(buf, m->bytes->data() + m->at, k);
  m->at += k;
  return static_cast<int>(k);
}

double giflib_pass() {
  auto t0 = std::chrono::steady_clock::now();
  for (const GifFile& f : gifs()) {
    MemoryReader m{&f.bytes, 0};
    int error = 0;
    GifFileType* g = gif().open(&m, read_memory, &error);
    benchmark::DoNotOptimize(gif().slurp(g));
    gif().close(g, &error);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

bool our_gif_pass() {
  for (const GifFile& f : gifs()) {
    ByteArrayInputStorage storage(f.bytes.data(), static_cast<int32_t>(f.bytes.size()));
    storage.seek(static_cast<int32_t>(f.first_block));
    BrenvoldStream* stream = rstCreateStreamByBrenvoldInputStorage(&storage);
    TolvaneImageInfo info;
    info.width = f.width;
    info.height = f.height;
    info.format = (8u << 16) | 0xFFFF;
    RstInstanceTolvane* stage =
        rst_lzw_create_decoder(stream, 0, f.height, &info, f.width, f.min_bits, RstLzwVariant::gif, 0);
    Bytes raster(static_cast<size_t>(f.width) * f.height);
    bool ok = stage->status == 1;
    for (int y = 0; ok && y < f.height; ++y) ok = stage->line(raster.data() + static_cast<size_t>(y) * f.width) == 1;
    benchmark::DoNotOptimize(raster.data());
    stage->close();
    stream->close();
    if (!ok) return false;
  }
  return true;
}

void gif_run(benchmark::State& state, bool ours) {
  if (gifs().empty() || !gif().ok) {
    state.SkipWithError("input not available (giflib, convert)");
    return;
  }
  double peer = 1e9;
  for (int i = 0; i < 5; ++i) peer = std::min(peer, giflib_pass());
  if (ours) timed(state, our_gif_pass, peer, "x_giflib");
  else
    timed(
        state, [] { return giflib_pass() >= 0; }, peer, "x_giflib");
}

void BM_ChartsLZW_Ours(benchmark::State& s) { tiff_run(s, charts(), true); }
void BM_ChartsLZW_Libtiff(benchmark::State& s) { tiff_run(s, charts(), false); }
void BM_RGBPageLZWPredictor_Ours(benchmark::State& s) { tiff_run(s, rgb_page(), true); }
void BM_RGBPageLZWPredictor_Libtiff(benchmark::State& s) { tiff_run(s, rgb_page(), false); }
void BM_GIF_Ours(benchmark::State& s) { gif_run(s, true); }
void BM_GIF_Giflib(benchmark::State& s) { gif_run(s, false); }

BENCHMARK(BM_ChartsLZW_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChartsLZW_Libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGBPageLZWPredictor_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RGBPageLZWPredictor_Libtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GIF_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GIF_Giflib)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
