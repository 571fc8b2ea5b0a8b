// The two nodes between gamma-encoded sRGB and encoded Lab. Each is a chain
// of four transformers: gamma, the matrix to white-relative XYZ (with the
// chromatic adaptation from D65 to the Lab white), the CIE function f, and
// the matrix to encoded Lab; Lab to sRGB is that chain's inverse. The Lab
// side is always 8 bits.
#pragma once
#include "raster/color/rst_colorimetry.h"
#include "raster/color/rst_lab_range.h"
#include "raster/color/rst_transform_color.h"

class RstTransformColorSRGBToITULAB : public RstTransformColor {
 public:
  // The node, or null after a report: -50 "RstTransformColorSRGBToITULAB::create()"
  // for a source other than three unsigned 8- or 16-bit samples. range and
  // white are read during create only; a null range is the full range.
  static RstTransformColorSRGBToITULAB* create(RstRead* source, const RstLabRange* range, const RstXYZ& white,
                                               RstColorType* color_type);
  static RstTransformColorSRGBToITULAB* create(RstRead* source, const RstXYZ& white, RstColorType* color_type);
  static RstTransformColorSRGBToITULAB* create(RstRead* source, RstColorType* color_type);

  // The four members for samples described by attributes, or an empty chain
  // after the failing member's report (or when memory ran out).
  static RstColorTransformerChain make_chain(const ColorOutputAttributes& attributes, const RstLabRange& range,
                                             const RstXYZ& white);

  RstTransformColorSRGBToITULAB(RstRead* source, const RstColorTransformerChain& chain, RstColorType* color_type)
      : RstTransformColor(source, chain, color_type) {}
};

class RstTransformColorITULABToSRGB : public RstTransformColor {
 public:
  // The node, or null after a report: -50 "RstTransformColorITULABToSRGB::create()"
  // for a source other than three unsigned 8-bit samples (16-bit Lab has no
  // path). Arguments as for RstTransformColorSRGBToITULAB.
  static RstTransformColorITULABToSRGB* create(RstRead* source, const RstLabRange* range, const RstXYZ& white,
                                               RstColorType* color_type);
  static RstTransformColorITULABToSRGB* create(RstRead* source, const RstXYZ& white, RstColorType* color_type);
  static RstTransformColorITULABToSRGB* create(RstRead* source, RstColorType* color_type);

  // The inverse of the sRGB-to-Lab chain built for 8-bit sRGB with the same
  // range and white, or an empty chain.
  static RstColorTransformerChain make_chain(const ColorOutputAttributes& attributes, const RstLabRange& range,
                                             const RstXYZ& white);

  RstTransformColorITULABToSRGB(RstRead* source, const RstColorTransformerChain& chain, RstColorType* color_type)
      : RstTransformColor(source, chain, color_type) {}
};
