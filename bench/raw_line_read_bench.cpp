// Reading a 100 MB raw image line by line through RstReadRaw over a file
// storage, top-down and bottom-up, for a narrow image (stride 3000: buffered
// in whole strides) and a wide one (stride 12288: beyond the buffer), beside
// a plain read(2) loop over the same file. Each benchmark reports its time
// relative to that loop ("x_read2").
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench_read_file.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw.h"

namespace {

constexpr int64_t kFileSize = BenchReadFile::kFileSize;

BenchReadFile& file_bench() {
  static BenchReadFile bench("pk-raw-lines-bench", 13, 11, 64);
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
BENCHMARK(BM_RawLines)
    ->ArgsProduct({{1000, 4096}, {0, 1}})
    ->ArgNames({"width", "bottom_up"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
