// The PNG and GIF readers beside their peers, on the same input in the same
// run: a 2480 x 3508 RGB PNG (plain and interlaced) read row by row through
// RstReadPNG beside libpng's png_read_row with the same transformations
// ("x_libpng", only our glue differs), and a 2480 x 3508 256-colour GIF
// through RstReadGIF23 beside giflib's DGifSlurp ("x_giflib").
// Needs convert (scripts/deps.sh installs it).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <gif_lib.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_gif.h"
#include "raster/formats/rst_read_png.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kWidth = 2480, kHeight = 3508;

// A page-like picture: smooth areas, edges and some noise.
uint8_t sample(uint32_t x, uint32_t y, uint32_t c) {
  uint32_t v = (x * (c + 1) / 11 + y / 7 + ((x / 64 + y / 64) % 2) * 90 + ((x * 2654435761u) >> (27 + c))) & 0xFF;
  return uint8_t(v);
}

Bytes png_file(bool interlaced) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep d, size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), d, d + n);
      },
      nullptr);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  int passes = png_set_interlace_handling(png);
  Bytes row(kWidth * 3);
  for (int p = 0; p < passes; ++p)
    for (uint32_t y = 0; y < kHeight; ++y) {
      for (uint32_t i = 0; i < kWidth * 3; ++i) row[i] = sample(i / 3, y, i % 3);
      png_write_row(png, row.data());
    }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

const Bytes& png_bytes(bool interlaced) {
  static Bytes plain = png_file(false), laced = png_file(true);
  return interlaced ? laced : plain;
}

// libpng alone: the reader's transformations, one row at a time (all passes
// for an interlaced file).
double libpng_pass(const Bytes& file) {
  auto t0 = std::chrono::steady_clock::now();
  struct Src {
    const Bytes* b;
    size_t at;
  } src{&file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 1e9;
  }
  png_set_read_fn(png, &src, [](png_structp p, png_bytep d, size_t n) {
    auto* s = static_cast<Src*>(png_get_io_ptr(p));
    std::copy_n(s->b->data() + s->at, n, d);
    s->at += n;
  });
  png_read_info(png, info);
  png_set_strip_16(png);
  png_color_16 white{0, 255, 255, 255, 255};
  png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
  png_set_gamma(png, 2.2, 0.45455);
  int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (passes > 1) {
    std::vector<Bytes> rows(kHeight, Bytes(png_get_rowbytes(png, info)));
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    png_read_image(png, pointers.data());
    benchmark::DoNotOptimize(rows.back().data());
  } else {
    Bytes row(png_get_rowbytes(png, info));
    for (uint32_t y = 0; y < kHeight; ++y) png_read_row(png, row.data(), nullptr);
    benchmark::DoNotOptimize(row.data());
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

template <class Make>
bool our_pass(Make make) {
  RstOwner<RstRead> node(make());
  if (!node) return false;
  Bytes line(size_t(node->line_size()));
  int n = 0;
  while (node->read(line.data()) > 0) ++n;
  benchmark::DoNotOptimize(line.data());
  return n == int(kHeight);
}

template <class Pass>
void timed(benchmark::State& state, Pass pass, double peer, const char* counter) {
  double best = 1e9;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (!pass()) {
      state.SkipWithError("read failed");
      return;
    }
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  state.counters[counter] = best / peer;
}

double best_of(double (*pass)(const Bytes&), const Bytes& file) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) best = std::min(best, pass(file));
  return best;
}

void png_run(benchmark::State& state, bool interlaced, bool ours) {
  const Bytes& file = png_bytes(interlaced);
  if (file.empty()) return state.SkipWithError("no PNG");
  double peer = best_of(libpng_pass, file);
  if (!ours)
    return timed(
        state, [&] { return libpng_pass(file) < 1e9; }, peer, "x_libpng");
  timed(
      state,
      [&] {
        // The storage outlives the reader, which reads through it.
        ByteArrayInputStorage in(file.data(), int32_t(file.size()));
        return our_pass([&] { return RstReadPNG::create(&in, nullptr); });
      },
      peer, "x_libpng");
}

// The GIF: 256 gray levels of the picture, written by ImageMagick.
const Bytes& gif_bytes() {
  static Bytes file = [] {
    std::string dir = "/tmp/pk-png-gif-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    {
      std::ofstream f(dir + "/page.pgm", std::ios::binary);
      f << "P5\n" << kWidth << ' ' << kHeight << "\n255\n";
      Bytes row(kWidth);
      for (uint32_t y = 0; y < kHeight; ++y) {
        for (uint32_t x = 0; x < kWidth; ++x) row[x] = sample(x, y, 1);
        f.write(reinterpret_cast<const char*>(row.data()), std::streamsize(row.size()));
      }
    }
    Bytes bytes;
    if (std::system(("convert " + dir + "/page.pgm " + dir + "/page.gif 2>/dev/null").c_str()) == 0) {
      std::ifstream in(dir + "/page.gif", std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::remove_all(dir);
    return bytes;
  }();
  return file;
}

struct Gif {
  decltype(&DGifOpen) open = nullptr;
  decltype(&DGifSlurp) slurp = nullptr;
  decltype(&DGifCloseFile) close = nullptr;
  bool ok = false;
};

const Gif& giflib() {
  static Gif g = [] {
    Gif x;
    void* lib = dlopen("libgif.so.7", RTLD_NOW);
    if (lib) {
      x.open = reinterpret_cast<decltype(&DGifOpen)>(dlsym(lib, "DGifOpen"));
      x.slurp = reinterpret_cast<decltype(&DGifSlurp)>(dlsym(lib, "DGifSlurp"));
      x.close = reinterpret_cast<decltype(&DGifCloseFile)>(dlsym(lib, "DGifCloseFile"));
    }
    x.ok = x.open && x.slurp && x.close;
    return x;
  }();
  return g;
}

double giflib_pass(const Bytes& file) {
  auto t0 = std::chrono::steady_clock::now();
  struct Src {
    const Bytes* b;
    size_t at;
  } src{&file, 0};
  int error = 0;
  GifFileType* g = giflib().open(
      &src,
      [](GifFileType* f, GifByteType* d, int n) {
        auto* s = static_cast<Src*>(f->UserData);
        int k = int(std::min<size_t>(size_t(n), s->b->size() - s->at));
        std::copy_n(s->b->data() + s->at, k, d);
        s->at += size_t(k);
        return k;
      },
      &error);
  if (!g) return 1e9;
  bool ok = giflib().slurp(g) == GIF_OK;
  giflib().close(g, &error);
  if (!ok) return 1e9;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void gif_run(benchmark::State& state, bool ours) {
  const Bytes& file = gif_bytes();
  if (file.empty() || !giflib().ok) return state.SkipWithError("no GIF or no giflib");
  double peer = best_of(giflib_pass, file);
  if (!ours)
    return timed(
        state, [&] { return giflib_pass(file) < 1e9; }, peer, "x_giflib");
  timed(
      state,
      [&] {
        // The storage outlives the reader, which reads through it.
        ByteArrayInputStorage in(file.data(), int32_t(file.size()));
        return our_pass([&] { return RstReadGIF23::create(&in, nullptr); });
      },
      peer, "x_giflib");
}

void BM_PNG_Ours(benchmark::State& s) { png_run(s, false, true); }
void BM_PNG_Libpng(benchmark::State& s) { png_run(s, false, false); }
void BM_PNGInterlaced_Ours(benchmark::State& s) { png_run(s, true, true); }
void BM_PNGInterlaced_Libpng(benchmark::State& s) { png_run(s, true, false); }
void BM_GIF256_Ours(benchmark::State& s) { gif_run(s, true); }
void BM_GIF256_Giflib(benchmark::State& s) { gif_run(s, false); }

}  // namespace

BENCHMARK(BM_PNG_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PNG_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PNGInterlaced_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PNGInterlaced_Libpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GIF256_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GIF256_Giflib)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
