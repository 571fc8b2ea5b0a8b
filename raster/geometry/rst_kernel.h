// RstKernel: a convolution kernel, a window (so it can be passed wherever a
// window is expected) followed by width x height signed weights, row by row
// from the top, in 12-bit fixed point (4096 is 1.0). Weights are only stored
// through set(), so a kernel with weights always has its anchor inside it.
// Callers that share a kernel hold it in an RstCountedPtr<RstKernel>.
#pragma once

#include <cstdint>

#include "raster/core/rst_window.h"

struct RstKernel : RstWindow {
  // Empty: all four sizes 0, no weights.
  RstKernel() : RstWindow{0, 0, 0, 0} {}
  // A deep copy made through set(); an invalid or weightless kernel leaves an
  // empty one (with set()'s reports).
  RstKernel(const RstKernel& other);
  RstKernel& operator=(const RstKernel&) = delete;
  ~RstKernel();

  // Weights null, a size of 0 or above 2^31 - 1, or an anchor outside the
  // kernel: -2 "RstKernel::set()", the kernel unchanged. Otherwise the sizes
  // are stored and width x height weights copied; when they cannot be
  // allocated: -1 "RstKernel::set()", the sizes kept and no weights.
  void set(uint32_t width, uint32_t height, uint32_t anchor_x, uint32_t anchor_y, const int32_t* weights);

  const int32_t* weights() const { return weights_; }
  bool has_weights() const { return weights_ != nullptr; }
  // Whether every weighted sum of 8-bit samples, rounded, stays inside a
  // signed 32-bit integer: 255 x sum of |weight| + 2048 < 2^31.
  bool sums_fit() const;

 private:
  int32_t* weights_ = nullptr;
};
