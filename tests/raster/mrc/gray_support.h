// Test support for the gray segmentation filters: an 8-bit one-channel
// image given pixel by pixel, its source, and a node's output as one vector.
#pragma once

#include <cstdint>
#include <vector>

#include "mask_support.h"

struct Gray {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> px;  // row by row
  int at(int32_t x, int32_t y) const { return px[size_t(y) * size_t(width) + size_t(x)]; }
};

inline RstRead* gray_source(const Gray& g) {
  std::vector<Bytes> lines;
  for (int32_t y = 0; y < g.height; ++y)
    lines.emplace_back(g.px.begin() + y * g.width, g.px.begin() + (y + 1) * g.width);
  return new LineSource(image_header(g.width, g.height, 8, 1, RstColorType::s_gray()), lines);
}

// Every line of a node, row by row in one vector.
inline std::vector<uint8_t> pixels(RstRead* node) {
  std::vector<uint8_t> out;
  for (const Bytes& l : pull(node)) out.insert(out.end(), l.begin(), l.end());
  return out;
}
