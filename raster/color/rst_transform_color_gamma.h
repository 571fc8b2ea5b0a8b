// The factories of the tabulated curves: a gamma curve, and the CIE
// lightness function or its inverse. Each returns a CtTablizedLUT over the
// curve, so pow runs once per table entry and the table can give its
// tabulated inverse.
#pragma once

#include "raster/color/color_transformer.h"
#include "raster/color/ct_curves.h"
#include "raster/color/ct_lut.h"

class RstTransformColorGamma {
 public:
  // For samples described by attributes (usually the previous transformer of
  // a chain): 8-bit samples give 16-bit ones, 16-bit stay 16-bit. Null after
  // -50 "RstTransformColorGamma::create()" for other samples, or without a
  // report when memory ran out.
  static ColorTransformer* create(const ColorOutputAttributes& attributes, double gamma);
};

class RstTransformColorLightness {
 public:
  // Y/Yn to f(Y/Yn), or back when to_brightness, at the samples' depth (8 or
  // 16 bits). Null after -50 "RstTransformColorLightness::create()" for other
  // samples, or without a report when memory ran out.
  static ColorTransformer* create(const ColorOutputAttributes& attributes, bool to_brightness);
};
