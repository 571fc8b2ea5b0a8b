// A 100 MB scratch file for the file-reading benchmarks, and the plain read(2)
// loop over it that their times are measured against ("x_read2").
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

class BenchReadFile {
 public:
  static constexpr int64_t kFileSize = 100 << 20;

  // The file is named after `stem` and filled with bytes i * mul + (i >> shift)
  // of each 1 MB block; the read(2) loop sums every `step`-th byte.
  BenchReadFile(const char* stem, unsigned mul, unsigned shift, size_t step)
      : stem_(stem), mul_(mul), shift_(shift), step_(step) {}
  ~BenchReadFile() {
    if (!path_.empty()) std::remove(path_.c_str());
  }

  // The file, written on first use and removed at exit.
  const std::string& path() {
    if (path_.empty()) {
      std::string p = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : std::string("/tmp")) + "/" + stem_ +
                      "-" + std::to_string(getpid()) + ".bin";
      std::FILE* f = std::fopen(p.c_str(), "wb");
      std::vector<uint8_t> block(1 << 20);
      for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * mul_ + (i >> shift_));
      for (int64_t n = 0; f && n < kFileSize; n += static_cast<int64_t>(block.size()))
        std::fwrite(block.data(), 1, block.size(), f);
      if (f) std::fclose(f);
      path_ = p;
    }
    return path_;
  }

  uint64_t plain_read_loop() {
    int fd = ::open(path().c_str(), O_RDONLY);
    std::vector<uint8_t> buf(8192);
    uint64_t sum = 0;
    ssize_t n;
    while ((n = ::read(fd, buf.data(), buf.size())) > 0)
      for (ssize_t i = 0; i < n; i += static_cast<ssize_t>(step_)) sum += buf[static_cast<size_t>(i)];
    ::close(fd);
    return sum;
  }

  // Seconds of one plain read(2) pass, the yardstick of the ratios.
  double baseline_seconds() {
    if (baseline_ < 0) {
      plain_read_loop();  // warm the page cache
      double best = 1e9;
      for (int i = 0; i < 3; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(plain_read_loop());
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
      }
      baseline_ = best;
    }
    return baseline_;
  }

  // Times `body` (one pass over the file) on every iteration and reports the
  // mean relative to the read(2) loop.
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

 private:
  std::string stem_;
  unsigned mul_, shift_;
  size_t step_;
  std::string path_;
  double baseline_ = -1;
};
