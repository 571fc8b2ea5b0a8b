// The counterpart inversions RGB <-> CMY and gray <-> reversed gray.
#include "raster/color/rst_reverse_color.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

namespace {

// Run lines are inverted by the run-line inverter and relabelled by a header
// reinterpretation; the library has neither yet, so RstPixelNot::create
// refuses such a source with its own report and no node is made.
RstRead* refuse_coded(RstRead* source) {
  RstOwner<RstPixelNot> refused(RstPixelNot::create(source));
  return nullptr;
}

}  // namespace

RstRead* RstReverseRGB::create(RstRead* source, RstColorType* color_type) {
  const char* where = "RstReverseRGB::create()";
  RstCreateGuard guard(source);
  if (!source || (color_type && !color_type->is_rgb() && !color_type->is_cmy())) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.samples_per_pixel != 3 || !h.color_type || (!h.color_type->is_rgb() && !h.color_type->is_cmy())) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (!color_type) {
    if (h.color_type == RstColorType::s_rgb()) {
      color_type = RstColorType::cmy();
    } else if (h.color_type == RstColorType::cmy()) {
      color_type = RstColorType::s_rgb();
    } else {
      rst_report(RstCode::tiff_color_type, where);
      return nullptr;
    }
  }
  if (h.data_form != RstDataForm::raw) return refuse_coded(source);
  if (h.colormap) {
    // Indices are not inverted.
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  return rst_create_end(rst_new<RstReverseRGB>(source, color_type), guard);
}

void RstReverseRGB::header(RstHeader& h) {
  RstPixelNot::header(h);
  h.color_type = color_type_;
}

RstRead* RstReverseGray::create(RstRead* source, RstColorType* color_type) {
  const char* where = "RstReverseGray::create()";
  RstCreateGuard guard(source);
  if (!source || (color_type && !color_type->is_gray() && !color_type->is_gray_reverse())) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.samples_per_pixel != 1 || !h.color_type || (!h.color_type->is_gray() && !h.color_type->is_gray_reverse())) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (!color_type) {
    if (h.color_type == RstColorType::s_gray()) {
      color_type = RstColorType::s_gray_reverse();
    } else if (h.color_type == RstColorType::s_gray_reverse()) {
      color_type = RstColorType::s_gray();
    } else if (h.color_type == RstColorType::icc_lstar()) {
      if (h.bits_per_sample != 1) {
        rst_report(RstCode::unsupported_form, "RstReverseGray::create() L* is supported only 1bit");
        return nullptr;
      }
      color_type = RstColorType::s_gray_reverse();
    } else {
      rst_report(RstCode::tiff_color_type, where);
      return nullptr;
    }
  }
  if (h.data_form != RstDataForm::raw) return refuse_coded(source);
  if (h.colormap) {
    // Indices are not inverted.
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  return rst_create_end(rst_new<RstReverseGray>(source, color_type), guard);
}

void RstReverseGray::header(RstHeader& h) {
  RstPixelNot::header(h);
  h.color_type = color_type_;
}
