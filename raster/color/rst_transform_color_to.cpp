#include "raster/color/rst_transform_color_to.h"

#include <memory>
#include <new>

#include "raster/color/ct_curves.h"
#include "raster/color/ct_lut.h"
#include "raster/color/rst_append_channel_max_value.h"
#include "raster/color/rst_colorimetry.h"
#include "raster/color/rst_extend_channel.h"
#include "raster/color/rst_reverse_color.h"
#include "raster/color/rst_select_channel.h"
#include "raster/color/rst_transform_color_by_mdlut.h"
#include "raster/color/rst_transform_color_hsl.h"
#include "raster/color/rst_transform_color_lab.h"
#include "raster/color/rst_transform_color_matrix.h"
#include "raster/color/rst_transform_color_mdlut.h"
#include "raster/color/rst_transform_colormap_to.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
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

// The dispatcher and its routes.

namespace {

const char* const kCreate = "RstTransformColorTo::create()";

RstRead* finish(RstRead* node, RstCreateGuard& guard) { return node ? rst_create_end(node, guard) : nullptr; }

// first, then next over it; on a failure of next, first is ended and no
// partial chain comes back.
template <class F>
RstRead* then(RstRead* first, F next) {
  if (!first) return nullptr;
  RstRead* second = next(first);
  if (!second) first->end();
  return second;
}

RstRead* no_route() {
  rst_report(RstCode::tiff_color_type, kCreate);
  return nullptr;
}

bool eight_bit_unsigned(RstRead* source) {
  RstHeader h(source);
  return h.bits_per_sample == 8 && h.sample_kind == RstSampleKind::unsigned_int;
}

// D19 and D20: a 256-entry table of the curve, gamma 2.2.
template <class Curve>
RstRead* lstar_table(RstRead* source, RstColorType* target) {
  if (!eight_bit_unsigned(source)) {
    rst_report(RstCode::unsupported_option, kCreate);
    return nullptr;
  }
  Curve curve(1, 2.2);
  ColorTransformer* table = rst_new<CtTablizedLUT<UIntNBit<8>, UIntNBit<8>>>(curve);
  if (!table) {
    rst_report(RstCode::no_memory, kCreate);
    return nullptr;
  }
  return RstTransformColor::create(source, table, target);
}

RstRead* gray_to_lstar(RstRead* source) {
  return lstar_table<CtGammaToLstar<UIntNBit<8>, UIntNBit<8>>>(source, RstColorType::icc_lstar());
}
RstRead* lstar_to_gray(RstRead* source) {
  return lstar_table<CtLstarToGamma<UIntNBit<8>, UIntNBit<8>>>(source, RstColorType::s_gray());
}

// D11: the luminance of the RGB that CMYK stands for, as gray or reversed gray.
RstRead* cmyk_to_gray(RstRead* source, RstColorType* target) {
  std::unique_ptr<RstMatrix<double>> m;
  try {
    RstMatrix<double> gray = RstTransformColorTo::rgb_to_gray_matrix().augmented();
    gray.set_affine(true);
    if (target == RstColorType::s_gray_reverse()) {
      for (uint32_t c = 0; c < 3; ++c) gray.set(0, c, -gray(0, c));
      gray.set(0, 3, 1 - gray(0, 3));
    }
    m = std::make_unique<RstMatrix<double>>(gray * RstTransformColorTo::cmyk_to_rgb_matrix());
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, kCreate);
    return nullptr;
  }
  return RstTransformColorMatrix::create(source, *m, target);
}

RstRead* srgb_to_icc_lab(RstRead* source) {
  return RstTransformColorSRGBToITULAB::create(source, &RstLabRange::full_range(), white_point_d50,
                                               RstColorType::icc_lab());
}

RstRead* icc_lab_to_srgb(RstRead* source) {
  return RstTransformColorITULABToSRGB::create(source, &RstLabRange::full_range(), white_point_d50,
                                               RstColorType::s_rgb());
}

RstRead* itu_lab_to_srgb(RstRead* source, const RstLabRange* range) {
  RstLabConversionParam param{*range, white_point_d50, RstColorType::s_rgb()};
  return RstTransformColorByMDLUT<RstTransformColorITULABToSRGB, RstTransformColorMDLUTLinear>::create(source, param,
                                                                                                       17);
}

RstRead* lab_lstar(RstRead* source) { return RstSelectChannel::create(source, 0, RstColorType::icc_lstar()); }

}  // namespace

const RstMatrix<double>& RstTransformColorTo::rgb_to_gray_matrix() {
  static const RstMatrix<double> m = [] {
    RstMatrix<double> xyz = rst_srgb_to_xyz_matrix();
    double y[3] = {xyz(1, 0), xyz(1, 1), xyz(1, 2)};
    return RstMatrix<double>(1, 3, y, false);
  }();
  return m;
}

const RstMatrix<double>& RstTransformColorTo::gray_to_rgb_matrix() {
  static const double e[3] = {1, 1, 1};
  static const RstMatrix<double> m(3, 1, e, false);
  return m;
}

const RstMatrix<double>& RstTransformColorTo::cmyk_to_rgb_matrix() {
  static const double e[20] = {-1, 0,  0,  -1, 1,  //
                               0,  -1, 0,  -1, 1,  //
                               0,  0,  -1, -1, 1,  //
                               0,  0,  0,  0,  1};
  static const RstMatrix<double> m(4, 5, e, true);
  return m;
}

RstRead* RstTransformColorTo::rgb_to_gray(RstRead* source, RstColorType* target) {
  return RstTransformColorMatrix::create(source, rgb_to_gray_matrix(), target);
}

RstRead* RstTransformColorTo::gray_to_rgb(RstRead* source, RstColorType* target) {
  return RstTransformColorMatrix::create(source, gray_to_rgb_matrix(), target);
}

RstRead* RstTransformColorTo::cmyk_to_rgb(RstRead* source, RstColorType* target) {
  return RstTransformColorMatrix::create(source, cmyk_to_rgb_matrix(), target);
}

RstRead* RstTransformColorTo::create(RstRead* source, RstColorType* target) {
  return create(source, target, &RstLabRange::default_range());
}

RstRead* RstTransformColorTo::create(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  if (!source || !target || target == RstColorType::none()) {
    rst_report(RstCode::bad_argument, kCreate);
    return nullptr;
  }
  if (!range) range = &RstLabRange::default_range();
  RstHeader h(source);
  if (h.color_type == target) return rst_create_end(source, guard);
  if (h.colormap) return finish(RstTransformColormapTo::create(source, target, range), guard);
  using Route = RstRead* (*)(RstRead*, RstColorType*, const RstLabRange*);
  const struct {
    RstColorType* type;
    Route route;
  } routes[] = {
      {RstColorType::s_rgb(), &create_from_rgb},
      {RstColorType::s_ycbcr(), &create_from_ycbcr},
      {RstColorType::hsl(), &create_from_hsl},
      {RstColorType::s_gray(), &create_from_gray},
      {RstColorType::s_gray_reverse(), &create_from_gray_reverse},
      {RstColorType::cmy(), &create_from_cmy},
      {RstColorType::s_cmyk(), &create_from_cmyk},
      {RstColorType::itu_lab(), &create_from_itu_lab},
      {RstColorType::icc_lab(), &create_from_icc_lab},
      {RstColorType::icc_lstar(), &create_from_lstar},
  };
  for (const auto& r : routes)
    if (h.color_type == r.type) return finish(r.route(source, target, range), guard);
  return no_route();
}

RstRead* RstTransformColorTo::create_from_rgb(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = nullptr;
  if (target == RstColorType::s_ycbcr()) made = rgb_to_ycbcr(source, target);
  else if (target == RstColorType::hsl()) made = RstTransformColorRGBToHSL::create(source, target);
  else if (target == RstColorType::s_gray()) made = rgb_to_gray(source, target);
  else if (target == RstColorType::s_gray_reverse())
    made = then(rgb_to_gray(source, RstColorType::s_gray()),
                [&](RstRead* gray) { return RstReverseGray::create(gray, target); });
  else if (target == RstColorType::cmy()) made = RstReverseRGB::create(source, target);
  else if (target == RstColorType::s_cmyk()) made = rgb_to_cmyk(source, target);
  else if (target == RstColorType::itu_lab())
    made = RstTransformColorSRGBToITULAB::create(source, range, white_point_d50, target);
  else if (target == RstColorType::icc_lab()) made = srgb_to_icc_lab(source);
  else if (target == RstColorType::icc_lstar()) made = then(srgb_to_icc_lab(source), lab_lstar);
  else return no_route();
  return finish(made, guard);
}

RstRead* RstTransformColorTo::create_from_gray(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = nullptr;
  if (target == RstColorType::s_rgb()) made = gray_to_rgb(source, target);
  else if (target == RstColorType::s_gray_reverse()) made = RstReverseGray::create(source, target);
  else if (target == RstColorType::s_cmyk())
    made = then(RstReverseGray::create(source, RstColorType::s_gray_reverse()),
                [&](RstRead* reverse) { return RstExtendChannel::create(reverse, 3, 4, target); });
  else if (target == RstColorType::icc_lstar()) made = gray_to_lstar(source);
  else
    made = then(gray_to_rgb(source, RstColorType::s_rgb()),
                [&](RstRead* rgb) { return create_from_rgb(rgb, target, range); });
  return finish(made, guard);
}

RstRead* RstTransformColorTo::create_from_gray_reverse(RstRead* source, RstColorType* target,
                                                       const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = nullptr;
  if (target == RstColorType::s_gray()) made = RstReverseGray::create(source, target);
  else if (target == RstColorType::s_cmyk()) made = RstExtendChannel::create(source, 3, 4, target);
  else
    made = then(RstReverseGray::create(source, RstColorType::s_gray()),
                [&](RstRead* gray) { return create_from_gray(gray, target, range); });
  return finish(made, guard);
}

RstRead* RstTransformColorTo::create_from_ycbcr(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = nullptr;
  if (target == RstColorType::s_rgb()) made = ycbcr_to_rgb(source, target);
  else if (target == RstColorType::s_gray()) made = RstSelectChannel::create(source, 0, target);
  else
    made = then(ycbcr_to_rgb(source, RstColorType::s_rgb()),
                [&](RstRead* rgb) { return create_from_rgb(rgb, target, range); });
  return finish(made, guard);
}

RstRead* RstTransformColorTo::create_from_hsl(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = RstTransformColorHSLToRGB::create(source, RstColorType::s_rgb());
  if (target != RstColorType::s_rgb())
    made = then(made, [&](RstRead* rgb) { return create_from_rgb(rgb, target, range); });
  return finish(made, guard);
}

RstRead* RstTransformColorTo::create_from_cmy(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = RstReverseRGB::create(source, RstColorType::s_rgb());
  if (target != RstColorType::s_rgb())
    made = then(made, [&](RstRead* rgb) { return create_from_rgb(rgb, target, range); });
  return finish(made, guard);
}

RstRead* RstTransformColorTo::create_from_cmyk(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = nullptr;
  if (target == RstColorType::s_rgb()) made = cmyk_to_rgb(source, target);
  else if (target == RstColorType::s_gray() || target == RstColorType::s_gray_reverse())
    made = cmyk_to_gray(source, target);
  else
    made = then(cmyk_to_rgb(source, RstColorType::s_rgb()),
                [&](RstRead* rgb) { return create_from_rgb(rgb, target, range); });
  return finish(made, guard);
}

RstRead* RstTransformColorTo::create_from_itu_lab(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = itu_lab_to_srgb(source, range);
  if (target != RstColorType::s_rgb())
    made = then(made, [&](RstRead* rgb) { return create_from_rgb(rgb, target, range); });
  return finish(made, guard);
}

RstRead* RstTransformColorTo::create_from_icc_lab(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = nullptr;
  if (target == RstColorType::icc_lstar()) made = lab_lstar(source);
  else if (target == RstColorType::s_rgb()) made = icc_lab_to_srgb(source);
  else made = then(icc_lab_to_srgb(source), [&](RstRead* rgb) { return create_from_rgb(rgb, target, range); });
  return finish(made, guard);
}

RstRead* RstTransformColorTo::create_from_lstar(RstRead* source, RstColorType* target, const RstLabRange* range) {
  RstCreateGuard guard(source);
  RstRead* made = lstar_to_gray(source);
  if (target != RstColorType::s_gray())
    made = then(made, [&](RstRead* gray) { return create_from_gray(gray, target, range); });
  return finish(made, guard);
}

namespace {

// The fixed matrices are built at program start, so that no conversion meets
// their first-use allocation.
[[maybe_unused]] const bool kFixedMatricesBuilt = [] {
  RstTransformColorTo::rgb_to_ycbcr_matrix();
  RstTransformColorTo::rgb_to_cmyk_matrix();
  RstTransformColorTo::rgb_to_gray_matrix();
  RstTransformColorTo::gray_to_rgb_matrix();
  RstTransformColorTo::cmyk_to_rgb_matrix();
  return true;
}();

}  // namespace
