// Reading a 100 MB raw image line by line through RstReadRaw over a file
// storage, top-down and bottom-up, for a narrow image (stride 3000: buffered
// in whole strides) and a wide one (stride 12288: beyond the buffer), beside
// a plain read(2) loop over the same file. Each benchmark reports its time
// relative to that loop ("x_read2").
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "raster/core/file_input_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw.h"

namespace {

constexpr int64_t kFileSize = 100 << 20;

const std::string& test_file() {
  static const std::string path = [] {
    std::string p = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) +
                    "/pk-raw-lines-bench-" + std::to_string(getpid()) + ".bin";
    std::FILE* f = std::fopen(p.c_str(), "wb");
    std::vector<uint8_t> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 13 + (i >> 11));
    for (int64_t n = 0; f && n < kFileSize; n += static_cast<int64_t>(block.size()))
      std::fwrite(block.data(), 1, block.size(), f);
    if (f) std::fclose(f);
    std::atexit([] { std::remove(test_file().c_str()); });
    return p;
  }();
  return path;
}

uint64_t plain_read_loop() {
  int fd = ::open(test_file().c_str(), O_RDONLY);
  std::vector<uint8_t> buf(8192);
  uint64_t sum = 0;
  ssize_t n;
  while ((n = ::read(fd, buf.data(), buf.size())) > 0)
    for (ssize_t i = 0; i < n; i += 64) sum += buf[static_cast<size_t>(i)];
  ::close(fd);
  return sum;
}

double baseline_seconds() {
  static const double seconds = [] {
    plain_read_loop();  // warm the page cache
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
      auto t0 = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(plain_read_loop());
      best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
  }();
  return seconds;
}

template <class Body>
void run(benchmark::State& state, Body body) {
  baseline_seconds();
  double total = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(body());
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  }
  state.SetBytesProcessed(state.iterations() * kFileSize);
  state.counters["x_read2"] = total / static_cast<double>(state.iterations()) / baseline_seconds();
}

void BM_PlainRead2(benchmark::State& state) { run(state, plain_read_loop); }

// Arguments: RGB pixels per line, bottom-up (0 or 1).
void BM_RawLines(benchmark::State& state) {
  const int32_t width = static_cast<int32_t>(state.range(0));
  const bool bottom_up = state.range(1) != 0;
  run(state, [&] {
    FileInputStorage file;
    file.open(test_file());
    RstHeader h;
    h.width = width;
    h.bits_per_sample = 8;
    h.samples_per_pixel = 3;
    h.color_type = RstColorType::s_rgb();
    const int32_t stride = width * 3;
    h.height = static_cast<int32_t>(kFileSize / stride);
    RstReadRaw* reader = RstReadRaw::create(&file, h, stride, bottom_up, false);
    std::vector<uint8_t> line(static_cast<size_t>(stride));
    uint64_t sum = 0;
    while (reader && reader->read(line.data()) > 0)
      for (int32_t i = 0; i < stride; i += 64) sum += line[static_cast<size_t>(i)];
    if (reader) reader->end();
    return sum;
  });
}

BENCHMARK(BM_PlainRead2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawLines)->ArgsProduct({{1000, 4096}, {0, 1}})->ArgNames({"width", "bottom_up"})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
