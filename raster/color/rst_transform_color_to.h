// RstTransformColorTo: conversions between colour types. create is the one
// entry: every source colour type has a route of direct conversions to its
// neighbours and, for every other target, a detour through s_rgb (s_gray for
// the gray family and L*). Indexed images go to RstTransformColormapTo. This
// also holds the fixed-matrix conversions.
#pragma once
#include "raster/color/rst_lab_range.h"
#include "raster/color/rst_matrix.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_read.h"

class RstTransformColorTo {
 public:
  // The node whose header carries target, the source itself when it is
  // already of that type, or null after a report "RstTransformColorTo::create()":
  // -2 no source, no target or target none; -304 no route; -50 gray <-> L*
  // on other than 8-bit unsigned samples; -1 no memory; else the reports of
  // the nodes a route makes. A null range is the default range; it matters
  // for itu_lab only.
  static RstRead* create(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create(RstRead* source, RstColorType* target);

  // The routes, one per source colour type.
  static RstRead* create_from_rgb(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create_from_gray(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create_from_gray_reverse(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create_from_ycbcr(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create_from_hsl(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create_from_cmy(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create_from_cmyk(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create_from_itu_lab(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create_from_icc_lab(RstRead* source, RstColorType* target, const RstLabRange* range);
  static RstRead* create_from_lstar(RstRead* source, RstColorType* target, const RstLabRange* range);

  // Gray = the Y row of the sRGB-to-XYZ matrix over the samples as they are
  // (1 x 3); R = G = B = gray (3 x 1); R = 1 - C - K, ... (affine 4 x 5).
  static const RstMatrix<double>& rgb_to_gray_matrix();
  static const RstMatrix<double>& gray_to_rgb_matrix();
  static const RstMatrix<double>& cmyk_to_rgb_matrix();
  static RstRead* rgb_to_gray(RstRead* source, RstColorType* target);
  static RstRead* gray_to_rgb(RstRead* source, RstColorType* target);
  static RstRead* cmyk_to_rgb(RstRead* source, RstColorType* target);

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
