// RstTransformColorTo: conversions between colour types. This holds the
// fixed-matrix conversions: RGB to YCbCr and back, and RGB to CMYK.
#pragma once
#include "raster/color/rst_matrix.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_read.h"

class RstTransformColorTo {
 public:
  // The BT.601 luma weights; Cb and Cr centred at half the sample range.
  static const RstMatrix<double>& rgb_to_ycbcr_matrix();
  // Over (R, G, B, max(R, G, B)): C = X - R, M = X - G, Y = X - B, K = 1 - X.
  static const RstMatrix<double>& rgb_to_cmyk_matrix();

  // Each returns what RstTransformColorMatrix::create (and, for CMYK,
  // RstAppendChannelMaxValue::create) returns, null included.
  static RstRead* rgb_to_ycbcr(RstRead* source, RstColorType* color_type);
  static RstRead* ycbcr_to_rgb(RstRead* source, RstColorType* color_type);
  static RstRead* rgb_to_cmyk(RstRead* source, RstColorType* color_type);
};
