// Reading a 100 MB file: byte-wise through an input buffer over a file
// storage, in 8 KB chunks through the buffer and through the bare file
// storage, beside a plain read(2) loop. Each benchmark reports its time
// relative to the read(2) loop ("x_read2").
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench_read_file.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/input_storage_buffer.h"

namespace {

constexpr int32_t kChunk = 8192;

BenchReadFile& file_bench() {
  static BenchReadFile bench("pk-storage-bench", 7, 9, 1);
  return bench;
}

const std::string& test_file() { return file_bench().path(); }

template <class Body>
void run(benchmark::State& state, Body body) {
  file_bench().run(state, body);
}

void BM_PlainRead2(benchmark::State& state) {
  run(state, [] { return file_bench().plain_read_loop(); });
}

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
