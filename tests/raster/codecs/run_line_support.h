// Test helpers for run lines: the invariants every decoded line must keep, a
// painter from runs to packed rows and a naive row scanner.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

using Runs = std::vector<std::pair<int32_t, int32_t>>;

// The runs of a run line of a given byte count (terminator excluded).
inline Runs runs_of(const void* line, int32_t bytes) {
  Runs r;
  const auto* p = static_cast<const int32_t*>(line);
  for (int32_t i = 0; i + 1 < bytes / 8; ++i) r.emplace_back(p[2 * i], p[2 * i + 1]);
  return r;
}

// Byte count a multiple of 8 within the bound, runs maximal, ordered, inside
// the width, terminator last.
inline ::testing::AssertionResult run_line_ok(const void* line, int32_t bytes, int32_t width) {
  int32_t bound = ((width + 1) / 2) * 8 + 8;
  if (bytes < 8 || bytes % 8 != 0 || bytes > bound)
    return ::testing::AssertionFailure() << "byte count " << bytes << " (bound " << bound << ")";
  const auto* p = static_cast<const int32_t*>(line);
  int32_t n = bytes / 8 - 1;
  if (p[2 * n] != -1 || p[2 * n + 1] != -1) return ::testing::AssertionFailure() << "no terminator";
  int32_t prev_last = -2;
  for (int32_t i = 0; i < n; ++i) {
    int32_t f = p[2 * i], l = p[2 * i + 1];
    if (f < 0 || l < f || l > width - 1 || f <= prev_last + 1)
      return ::testing::AssertionFailure()
             << "run " << i << " (" << f << ", " << l << ") after last " << prev_last << " width " << width;
    prev_last = l;
  }
  return ::testing::AssertionSuccess();
}

// Packed row (most significant bit first) with the given runs set.
inline std::vector<uint8_t> paint_row(const Runs& runs, int32_t width) {
  std::vector<uint8_t> row(static_cast<size_t>((width + 7) / 8));
  for (auto [f, l] : runs) {
    int32_t x = f;
    for (; x <= l && x % 8 != 0; ++x) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    for (; x + 7 <= l; x += 8) row[static_cast<size_t>(x / 8)] = 0xFF;
    for (; x <= l; ++x) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
  }
  return row;
}

// Runs of a packed row found pixel by pixel.
inline Runs naive_runs(const uint8_t* row, int32_t width) {
  Runs r;
  int32_t start = -1;
  for (int32_t x = 0; x <= width; ++x) {
    bool set = x < width && (row[x / 8] & (0x80 >> (x % 8)));
    if (set && start < 0) start = x;
    if (!set && start >= 0) {
      r.emplace_back(start, x - 1);
      start = -1;
    }
  }
  return r;
}
