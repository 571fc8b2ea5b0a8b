// RstTransformColorByMDLUT<T,MDLUT> converts an 8-bit three-channel image with
// a conversion T that is too costly per pixel: T runs once over a grid of
// N x N x N colours, and the image goes through the resulting table with the
// table node MDLUT. The one instance samples the Lab-to-sRGB node.
#pragma once

#include "raster/color/rst_colorimetry.h"
#include "raster/color/rst_lab_range.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_read.h"

// What the grid conversion hands T: the Lab range, the white point and the
// colour type of T's result.
struct RstLabConversionParam {
  RstLabRange range;
  RstXYZ white;
  RstColorType* color_type;
};

template <class T, class MDLUT>
class RstTransformColorByMDLUT {
 public:
  // The converted node, or null after a report
  // "RstTransformColorByMDLUT<T,MDLUT>::create()": -2 no source or N outside
  // 2 .. 255; -3 samples not unsigned or coded lines; -50 not 8 bits or not 3
  // channels; -1 no memory; -2 T's result not one line of the grid's width;
  // else T's and MDLUT's own reports. A source with a colormap goes through
  // T directly.
  static RstRead* create(RstRead* source, const RstLabConversionParam& param, int grid_points);
};

class RstTransformColorITULABToSRGB;
class RstTransformColorMDLUTLinear;
extern template class RstTransformColorByMDLUT<RstTransformColorITULABToSRGB, RstTransformColorMDLUTLinear>;
