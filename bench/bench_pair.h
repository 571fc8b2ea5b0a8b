// Side-by-side timing of our raster nodes and a peer library in one run: a
// node is pulled to its end, both sides run once per iteration, and the ratio
// of the totals is the benchmark's "x_peer" counter.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "raster/core/rst_read.h"

// Pulls every line of a node into one line buffer and ends it; no node (a
// refused create) pulls nothing.
inline void pull_all(RstRead* node) {
  if (!node) return;
  std::vector<uint8_t> line(size_t(node->line_size()) + 8);
  while (node->read(line.data()) > 0) benchmark::DoNotOptimize(line.data());
  node->end();
}

inline double seconds(const std::function<void()>& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Both sides once per iteration; our time is the benchmark's, the ratio of
// the totals its counter.
inline void run_pair(benchmark::State& state, const std::function<void()>& ours, const std::function<void()>& peer) {
  double total_ours = 0, total_peer = 0;
  for (auto _ : state) {
    double t = seconds(ours);
    total_ours += t;
    total_peer += seconds(peer);
    state.SetIterationTime(t);
  }
  state.counters["x_peer"] = total_ours / total_peer;
}
