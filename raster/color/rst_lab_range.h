// RstLabRange: how the three channels of an encoded Lab image map to CIE
// L*, a* and b*. With m = 2^bits - 1 a sample e stands for the CIE value v
// where e / m = v / range + offset / m.
#pragma once
#include <cstdint>

#include "raster/color/rst_matrix.h"

class RstLabRange {
 public:
  struct Channel {
    int32_t bits;
    uint32_t range;
    int32_t offset;
  };

  // All three channels get the same bits.
  RstLabRange(uint32_t l_range, int32_t l_offset, uint32_t a_range, int32_t a_offset, uint32_t b_range,
              int32_t b_offset, int32_t bits);

  // 0 L, 1 a, 2 b.
  Channel channel(int index) const { return channels_[index]; }

  // The 4 x 4 affine matrix from (L*/100, a*/100, b*/100) to the encoded
  // samples divided by their largest value; its inverse decodes. A range of
  // 0 gives an infinite element, which no consumer accepts.
  RstMatrix<double> matrix() const;

  // L 100/0, a 255/128, b 255/128 at 8 bits: the icc_lab encoding.
  static const RstLabRange& full_range();
  // L 100/0, a 170/128, b 200/96 at 8 bits: the default gamut of encoded
  // Lab images and the target of range conversion.
  static const RstLabRange& default_range();

 private:
  Channel channels_[3];
};
