#include "raster/color/rst_transform_color_to.h"

#include <memory>
#include <new>

#include "raster/color/rst_append_channel_max_value.h"
#include "raster/color/rst_transform_color_matrix.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"

namespace {
const char* const kYCbCrToRGB = "RstTransformColorTo::ycbcr_to_rgb()";
}

const RstMatrix<double>& RstTransformColorTo::rgb_to_ycbcr_matrix() {
  static const double e[16] = {0.298819,
                               0.586814,
                               0.114367,
                               0,
                               -0.1687036278006804,
                               -0.33129637219931957,
                               0.5,
                               0.5,
                               0.5,
                               -0.4184468774824189,
                               -0.08155312251758104,
                               0.5,
                               0,
                               0,
                               0,
                               1};
  static const RstMatrix<double> m(4, 4, e, true);
  return m;
}

const RstMatrix<double>& RstTransformColorTo::rgb_to_cmyk_matrix() {
  static const double e[25] = {-1, 0,  0,  1,  0,  //
                               0,  -1, 0,  1,  0,  //
                               0,  0,  -1, 1,  0,  //
                               0,  0,  0,  -1, 1,  //
                               0,  0,  0,  0,  1};
  static const RstMatrix<double> m(5, 5, e, true);
  return m;
}

RstRead* RstTransformColorTo::rgb_to_ycbcr(RstRead* source, RstColorType* color_type) {
  return RstTransformColorMatrix::create(source, rgb_to_ycbcr_matrix(), color_type);
}

RstRead* RstTransformColorTo::ycbcr_to_rgb(RstRead* source, RstColorType* color_type) {
  std::unique_ptr<RstMatrix<double>> inverse;
  try {
    inverse.reset(rgb_to_ycbcr_matrix().inverse());
  } catch (const std::bad_alloc&) {
    RstCreateGuard guard(source);
    rst_report(RstCode::no_memory, kYCbCrToRGB);
    return nullptr;
  }
  // Computed afresh at each call: the cached inverse would hand back the
  // forward matrix when inverted again, which no caller does here.
  return RstTransformColorMatrix::create(source, *inverse, color_type);
}

RstRead* RstTransformColorTo::rgb_to_cmyk(RstRead* source, RstColorType* color_type) {
  RstCreateGuard guard(source);
  RstRead* with_max = RstAppendChannelMaxValue::create(source, color_type);
  if (!with_max) return nullptr;
  RstRead* cmyk = RstTransformColorMatrix::create(with_max, rgb_to_cmyk_matrix(), color_type);
  if (!cmyk) {
    with_max->end();  // the source stays the caller's: the guard holds it
    return nullptr;
  }
  return rst_create_end(cmyk, guard);
}
