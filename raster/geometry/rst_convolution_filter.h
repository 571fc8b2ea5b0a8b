// Convolution of 8-bit images with an integer kernel, one output line per
// read. Each channel is filtered on its own with the same kernel, applied as
// stored (weight 0 meets the window's top-left pixel, no mirroring), over a
// border that copies the image's outermost pixels. The sum of a window is
// rounded from 12 fraction bits and clamped to 0..255, or with the absolute
// flag its magnitude is taken first.
#pragma once

#include <cstdint>

#include "raster/geometry/rst_filter.h"
#include "raster/geometry/rst_kernel.h"

template <int N>
class RstConvolutionFilterN : public RstFilter<N> {
 public:
  // Source null, a kernel without weights, or one whose sums can leave the
  // signed 32-bit range (255 x sum of |weight| + 2048 >= 2^31): -2; a 1 x 1
  // kernel of 4096: the source itself, unlooked at; a colormap, coded data,
  // other than 8 bits or N samples per pixel: -3; all
  // "RstConvolutionFilterN::create()". Null on failure, the source left to
  // the caller.
  static RstRead* create(RstRead* source, const RstKernel& kernel, bool absolute);

  RstConvolutionFilterN(RstRead* source, const RstKernel& kernel, bool absolute);
  // Also needs the kernel's copy.
  bool initiate() override;
  // width x N bytes, or 0 at the end or on a short source line.
  int read(uint8_t* line) override;

  const RstKernel& kernel() const { return kernel_; }
  bool absolute() const { return absolute_; }

 private:
  bool absolute_;
  RstKernel kernel_;
};

extern template class RstConvolutionFilterN<1>;
extern template class RstConvolutionFilterN<3>;
extern template class RstConvolutionFilterN<4>;

class RstConvolutionFilter {
 public:
  // Source null, a kernel without weights or with sums that can leave the
  // signed 32-bit range: -2; a colormap or other than 8 bits: -3; other than
  // 1, 3 or 4 samples per pixel: -50; all "RstConvolutionFilter::create()".
  // Otherwise what the instance of the sample count makes.
  static RstRead* create(RstRead* source, const RstKernel& kernel, bool absolute);
};
