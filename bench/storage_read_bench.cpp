// Reading a 100 MB file: byte-wise through an input buffer over a file
// storage, in 8 KB chunks through the buffer and through the bare file
// storage, beside a plain read(2) loop. Each benchmark reports its time
// relative to the read(2) loop ("x_read2").
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
#include "raster/core/input_storage_buffer.h"

namespace {

constexpr int64_t kFileSize = 100 << 20;
constexpr int32_t kChunk = 8192;

// The test file, written once and removed at exit.
const std::string& test_file() {
  static const std::string path = [] {
    std::string p = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) +
                    "/pk-storage-bench-" + std::to_string(getpid()) + ".bin";
    std::FILE* f = std::fopen(p.c_str(), "wb");
    std::vector<uint8_t> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7 + (i >> 9));
    for (int64_t n = 0; f && n < kFileSize; n += static_cast<int64_t>(block.size())) std::fwrite(block.data(), 1, block.size(), f);
    if (f) std::fclose(f);
    std::atexit([] { std::remove(test_file().c_str()); });
    return p;
  }();
  return path;
}

uint64_t plain_read_loop() {
  int fd = ::open(test_file().c_str(), O_RDONLY);
  std::vector<uint8_t> buf(kChunk);
  uint64_t sum = 0;
  ssize_t n;
  while ((n = ::read(fd, buf.data(), buf.size())) > 0)
    for (ssize_t i = 0; i < n; ++i) sum += buf[static_cast<size_t>(i)];
  ::close(fd);
  return sum;
}

// Seconds of one plain read(2) pass, the yardstick of the ratios.
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

void BM_BufferByteWise(benchmark::State& state) {
  run(state, [] {
    FileInputStorage file;
    file.open(test_file());
    InputStorageBuffer<> buf(&file, kChunk);
    uint64_t sum = 0;
    for (int32_t b; (b = buf.get()) != -1;) sum += static_cast<uint64_t>(b);
    return sum;
  });
}

template <bool kBuffered>
void BM_Chunks(benchmark::State& state) {
  run(state, [] {
    FileInputStorage file;
    file.open(test_file());
    InputStorageBuffer<> buf(&file, kChunk);
    InputStorage& in = kBuffered ? static_cast<InputStorage&>(buf) : file;
    std::vector<uint8_t> chunk(kChunk);
    uint64_t sum = 0;
    for (int32_t n; (n = in.read(chunk.data(), kChunk)) > 0;)
      for (int32_t i = 0; i < n; ++i) sum += chunk[static_cast<size_t>(i)];
    return sum;
  });
}

BENCHMARK(BM_PlainRead2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BufferByteWise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Chunks<true>)->Name("BM_BufferChunks8K")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Chunks<false>)->Name("BM_FileChunks8K")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
