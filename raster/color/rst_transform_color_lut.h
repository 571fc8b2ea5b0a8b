// RstTransformColorLUT: the node that maps every sample of an image through
// a caller's table, one table per channel (for example to re-centre the
// signed a and b samples of CIELab files).
#pragma once

#include "raster/color/ct_lut.h"
#include "raster/color/rst_transform_color.h"

class RstTransformColorLUT : public RstTransformColor {
 public:
  // table holds channels x 2^N values of the source's N-bit samples (bytes
  // or 16-bit words), channel-major; it is copied. The node maps N-bit
  // samples to N-bit samples. Null after a report
  // "RstTransformColorLUT::create()": check's codes; -50 for samples other
  // than 8 or 16 bits (then -1 "RstTransformColor::initiate()").
  static RstTransformColorLUT* create(RstRead* source, const void* table, RstColorType* color_type);
  // No source, no table or 0 bits per sample: -2; samples not unsigned
  // integers: -3; otherwise 1.
  static int check(RstRead* source, const void* table);
  // A CtLUT for input samples of the given layout and the output kind and
  // bits, owned by the caller; null after -50 "RstTransformColorLUT::create()"
  // for other layouts, or without a report when memory ran out.
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& input, const void* table,
                                                    int output_sample_kind, int output_bits);

  RstTransformColorLUT(RstRead* source, const void* table, RstColorType* color_type);
};
