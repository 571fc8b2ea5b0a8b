// RstWindow: the neighbourhood a windowed filter computes one output pixel
// from: width x height source pixels, the output pixel at (anchor x, anchor y)
// inside it. Filter kernels begin with the same four fields.
#pragma once

#include <cstdint>

struct RstWindow {
  int32_t width;
  int32_t height;
  int32_t anchor_x;
  int32_t anchor_y;
};
static_assert(sizeof(RstWindow) == 16);
