// Box means: every channel of an 8-bit image averaged over a rectangular
// window, rounded half up. Outside the image the window sees a constant
// border value, or copies of the outermost pixels when none is given. The
// column sums run down the image, so a line costs one subtraction and one
// addition per column whatever the window's height.
#pragma once

#include <cstdint>

#include "raster/core/rst_window.h"
#include "raster/geometry/rst_filter.h"

template <int N>
class RstAverageFilterN : public RstFilter<N> {
 public:
  // No source: -2; a 1 x 1 window: the source itself; a window whose sums
  // could leave 32 bits (width x height above 2^24): -2; not raw 8 bits of N
  // samples without colormap: -3; all "RstAverageFilterN::create()". border:
  // one byte for every channel, or null for outline copies.
  static RstRead* create(RstRead* source, const RstWindow& window, const uint8_t* border);

  RstAverageFilterN(RstRead* source, const RstWindow& window, const uint8_t* border);
  ~RstAverageFilterN() override;
  // No memory for the column sums: -1 "RstAverageFilterN::initiate()".
  bool initiate() override;
  // N x width bytes, or 0 at the end or on a short source line.
  int read(uint8_t* line) override;
  // Reads through a scratch line: the sums must follow every line. No memory
  // for it: -1 "RstAverageFilterN::skip()", 0.
  int skip(int n) override;

 private:
  uint32_t* sums_ = nullptr;  // one per sample of a widened ring row
  int32_t samples_ = 0;       // (width + window width - 1) x N
  RstWindow window_;
};

extern template class RstAverageFilterN<1>;
extern template class RstAverageFilterN<3>;
extern template class RstAverageFilterN<4>;

class RstAverageFilter {
 public:
  // No source: -2; a colormap or other than 8 bits: -3; other than 1, 3 or 4
  // samples per pixel: -50; all "RstAverageFilter::create()". Otherwise what
  // the instance of the channel count makes.
  static RstRead* create(RstRead* source, const RstWindow& window, const uint8_t* border);
};
