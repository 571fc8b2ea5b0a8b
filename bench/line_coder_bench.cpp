// The driver's line coder beside zlib's compress2 (levels 1 and 6) on the same
// bytes: a 2,400 x 3,300 8-bit scan of a text page and a 1,600 x 1,200 24-bit
// photo. Each benchmark times all three in turn and reports the best time of
// each, the time ratios (ours over zlib's) and the sizes relative to the
// input.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "graphics_driver/job_output/line_coder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A scanned page: white paper with a little noise, lines of dark glyph-like
// strokes.
Bytes Scan() {
  const int w = 2400, h = 3300;
  Bytes image(size_t(w) * h);
  std::mt19937 random(1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t v = uint8_t(250 - random() % 4);
      const bool textLine = (y % 60) > 20 && (y % 60) < 48 && x > 200 && x < 2200;
      if (textLine && ((x / 7 + y / 5) % 5 == 0 || (x % 23) < 3)) v = uint8_t(20 + random() % 30);
      image[size_t(y) * w + x] = v;
    }
  return image;
}

// A photo: smooth colour fields with fine noise.
Bytes Photo() {
  const int w = 1600, h = 1200;
  Bytes image(size_t(w) * h * 3);
  std::mt19937 random(2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int k = 0; k < 3; ++k) {
        const double v = 128 + 90 * std::sin(x / (150.0 + 40 * k)) * std::cos(y / (110.0 + 30 * k));
        image[(size_t(y) * w + x) * 3 + k] = uint8_t(std::lround(v) + int(random() % 3));
      }
  return image;
}

size_t LineCode(const Bytes& image, uint32_t width, uint32_t height, uint32_t bits, Bytes& out) {
  LineCoder* c = CreateLineCoder(width, height, bits);
  const size_t rowSize = size_t(width) * bits / 8;
  size_t total = 0;
  for (uint32_t y = 0; y < height; ++y)
    total += size_t(CodeLineCoderRow(c, image.data() + y * rowSize, out.data() + total, uint32_t(out.size() - total)));
  total += size_t(FinishLineCoder(c, out.data() + total, uint32_t(out.size() - total)));
  return total;
}

size_t Zlib(const Bytes& image, int level, Bytes& out) {
  uLongf size = uLongf(out.size());
  compress2(out.data(), &size, image.data(), uLong(image.size()), level);
  return size;
}

template <class F>
double Time(F f, size_t* size) {
  const auto t0 = std::chrono::steady_clock::now();
  *size = f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void Run(benchmark::State& state, const Bytes& image, uint32_t width, uint32_t height, uint32_t bits) {
  Bytes out(image.size() * 2 + 4096);
  double best = 1e9, best1 = 1e9, best6 = 1e9;
  size_t ours = 0, z1 = 0, z6 = 0;
  for (auto _ : state) {
    best = std::min(best, Time([&] { return LineCode(image, width, height, bits, out); }, &ours));
    best1 = std::min(best1, Time([&] { return Zlib(image, 1, out); }, &z1));
    best6 = std::min(best6, Time([&] { return Zlib(image, 6, out); }, &z6));
  }
  const double n = double(image.size());
  state.counters["ours_ms"] = best * 1e3;
  state.counters["zlib1_ms"] = best1 * 1e3;
  state.counters["zlib6_ms"] = best6 * 1e3;
  state.counters["x_zlib1"] = best / best1;
  state.counters["x_zlib6"] = best / best6;
  state.counters["ours_size"] = double(ours) / n;
  state.counters["zlib1_size"] = double(z1) / n;
  state.counters["zlib6_size"] = double(z6) / n;
}

void BM_Scan8(benchmark::State& s) {
  static const Bytes image = Scan();
  Run(s, image, 2400, 3300, 8);
}
void BM_Photo24(benchmark::State& s) {
  static const Bytes image = Photo();
  Run(s, image, 1600, 1200, 24);
}

BENCHMARK(BM_Scan8)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Photo24)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
