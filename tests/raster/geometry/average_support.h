// Test models of the averaging scalers, written from their definitions
// rather than from the code: linear interpolation at the scalers' 20.12
// positions in double precision, overlap-weighted area means in 64-bit
// integers, and block means.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "turn_support.h"

// The 20.12 extended position of output pixel (or line) i of n over a
// source of `from`: the centre of its span, extended index j + 1 being
// source pixel j; from the right end for a mirror (n < 0).
inline int64_t li_position(int64_t from, int64_t to, int64_t i) {
  int64_t step = (from << 12) / to;
  int64_t p = step / 2 + 2048 + i * step;
  return to < 0 ? p + (from << 12) : p;
}

// Linear interpolation at that position in double precision, edges repeated.
inline double li_model_value(const uint8_t* samples, size_t stride, int64_t from, int64_t position) {
  double x = double(position) / 4096.0 - 1.0;
  double x0 = std::floor(x), f = x - x0;
  auto at = [&](double k) {
    int64_t j = int64_t(k);
    if (j < 0) j = 0;
    if (j > from - 1) j = from - 1;
    return double(samples[size_t(j) * stride]);
  };
  return at(x0) * (1.0 - f) + at(x0 + 1.0) * f;
}

// The linear model of a whole image at width w (negative: mirrored) and
// height h (the width first), rounded.
inline std::vector<std::vector<double>> li_model(const Image& in, int32_t w, int32_t h) {
  const size_t c = size_t(in.samples);
  const int32_t aw = w < 0 ? -w : w;
  std::vector<std::vector<double>> wide(size_t(in.height), std::vector<double>(size_t(aw) * c));
  for (int32_t y = 0; y < in.height; ++y)
    for (int32_t i = 0; i < aw; ++i)
      for (size_t q = 0; q < c; ++q)
        wide[size_t(y)][size_t(i) * c + q] =
            li_model_value(in.lines[size_t(y)].data() + q, c, in.width, li_position(in.width, w, i));
  std::vector<std::vector<double>> out(size_t(h), std::vector<double>(size_t(aw) * c));
  for (int32_t r = 0; r < h; ++r) {
    double x = double(li_position(in.height, h, r)) / 4096.0 - 1.0;
    double x0 = std::floor(x), f = x - x0;
    auto row = [&](double k) -> const std::vector<double>& {
      int64_t j = int64_t(k);
      if (j < 0) j = 0;
      if (j > in.height - 1) j = in.height - 1;
      return wide[size_t(j)];
    };
    for (size_t k = 0; k < out[0].size(); ++k) out[size_t(r)][k] = row(x0)[k] * (1.0 - f) + row(x0 + 1.0)[k] * f;
  }
  return out;
}

// The greatest difference between an image and a model; 1000 when the
// sizes differ.
inline double max_difference(const Image& got, const std::vector<std::vector<double>>& model) {
  if (got.lines.size() != model.size()) return 1000;
  double worst = 0;
  for (size_t y = 0; y < model.size(); ++y) {
    if (got.lines[y].size() != model[y].size()) return 1000;
    for (size_t k = 0; k < model[y].size(); ++k) worst = std::max(worst, std::fabs(got.lines[y][k] - model[y][k]));
  }
  return worst;
}

// The area mean of the cells [a, b) (20.12) over samples of the given
// stride, as the definition says: overlaps summed in 64 bits, then
// (floor(sum * 4096 / s) + 2048) >> 12.
inline uint8_t area_model_value(const uint8_t* samples, size_t stride, int64_t a, int64_t b) {
  int64_t sum = 0;
  for (int64_t cell = a >> 12; (cell << 12) < b; ++cell) {
    int64_t lo = std::max(a, cell << 12), hi = std::min(b, (cell + 1) << 12);
    sum += int64_t(samples[size_t(cell) * stride]) * (hi - lo);
  }
  __int128 scaled = __int128(sum) * 4096 / (b - a);
  return uint8_t((int64_t(scaled) + 2048) >> 12);
}

// Area means of a line at width w (negative: intervals from the right end).
inline Bytes area_model_line(const Bytes& in, int32_t from, int32_t samples, int32_t w) {
  const int64_t step = (int64_t(from) << 12) / w, s = step < 0 ? -step : step;
  const int32_t aw = w < 0 ? -w : w;
  Bytes out(size_t(aw) * size_t(samples));
  for (int32_t i = 0; i < aw; ++i) {
    int64_t a = w > 0 ? int64_t(i) * step : (int64_t(from) << 12) + int64_t(i + 1) * step;
    for (int32_t q = 0; q < samples; ++q)
      out[size_t(i) * size_t(samples) + size_t(q)] = area_model_value(in.data() + q, size_t(samples), a, a + s);
  }
  return out;
}

// Area means of the lines at height h (shorter than the source).
inline std::vector<Bytes> area_model_lines(const std::vector<Bytes>& in, int32_t h) {
  const int64_t from = int64_t(in.size()), step = (from << 12) / h;
  std::vector<Bytes> out(size_t(h), Bytes(in[0].size()));
  std::vector<uint8_t> column(in.size());
  for (size_t k = 0; k < in[0].size(); ++k) {
    for (size_t y = 0; y < in.size(); ++y) column[y] = in[y][k];
    for (int32_t r = 0; r < h; ++r)
      out[size_t(r)][k] = area_model_value(column.data(), 1, int64_t(r) * step, int64_t(r) * step + step);
  }
  return out;
}

// Block means in two passes, as the integer-factor reducers make them: the
// rounded means of ny lines, then of nx pixels, each (n / 2 + sum) / n;
// what is left after the last whole group is dropped.
inline Image block_means(const Image& in, int32_t nx, int32_t ny) {
  const int32_t c = in.samples;
  Image tall = blank_image(in.width, in.height / ny, 8, c);
  for (int32_t y = 0; y < tall.height; ++y)
    for (size_t k = 0; k < tall.line_bytes(); ++k) {
      uint32_t sum = 0;
      for (int32_t j = 0; j < ny; ++j) sum += in.lines[size_t(y * ny + j)][k];
      tall.lines[size_t(y)][k] = uint8_t((uint32_t(ny) / 2 + sum) / uint32_t(ny));
    }
  Image out = blank_image(in.width / nx, tall.height, 8, c);
  for (int32_t y = 0; y < out.height; ++y)
    for (int32_t x = 0; x < out.width; ++x)
      for (int32_t q = 0; q < c; ++q) {
        uint32_t sum = 0;
        for (int32_t i = 0; i < nx; ++i) sum += tall.px(x * nx + i, y)[q];
        out.px(x, y)[q] = uint8_t((uint32_t(nx) / 2 + sum) / uint32_t(nx));
      }
  return out;
}
