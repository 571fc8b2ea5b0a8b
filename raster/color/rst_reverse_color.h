// Inversion between counterpart colour types: RGB and CMY, gray and reversed
// gray are each other with every sample inverted. These nodes invert like
// RstPixelNot and relabel the header with the counterpart (or the given)
// colour type.
#pragma once

#include "raster/core/rst_color_type.h"
#include "raster/geometry/rst_pixel_not.h"

class RstReverseRGB : public RstPixelNot {
 public:
  // color_type: an RGB or CMY type, or null for the counterpart of the
  // source's (s_rgb <-> cmy). Errors: -2 (no source, wrong family), -3 (not
  // 3 channels of an RGB or CMY type), -304 (no counterpart), all
  // "RstReverseRGB::create()".
  static RstRead* create(RstRead* source, RstColorType* color_type);

  RstReverseRGB(RstRead* source, RstColorType* color_type) : RstPixelNot(source), color_type_(color_type) {}
  void header(RstHeader& h) override;

 private:
  RstColorType* color_type_;
};

class RstReverseGray : public RstPixelNot {
 public:
  // color_type: a gray or reversed-gray type, or null for the counterpart of
  // the source's (s_gray <-> s_gray_reverse; 1-bit icc_lstar ->
  // s_gray_reverse). Errors as RstReverseRGB with "RstReverseGray::create()";
  // L* of more than 1 bit without a colour type: -3
  // "RstReverseGray::create() L* is supported only 1bit".
  static RstRead* create(RstRead* source, RstColorType* color_type);

  RstReverseGray(RstRead* source, RstColorType* color_type) : RstPixelNot(source), color_type_(color_type) {}
  void header(RstHeader& h) override;

 private:
  RstColorType* color_type_;
};
