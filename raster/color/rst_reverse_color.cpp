// The counterpart inversions RGB <-> CMY and gray <-> reversed gray.
#include "raster/color/rst_reverse_color.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_reinterpret.h"
#include "raster/core/rst_status_context.h"

namespace {

// What tells the two inversions apart: their where-text, channel count,
// colour family and counterpart rule.
struct Counterparts {
  const char* where;
  int32_t channels;
  bool (*in_family)(const RstColorType*);
  // The counterpart of the source's colour type, or null after a report.
  RstColorType* (*counterpart)(const RstHeader& h, const char* where);
};

bool rgb_family(const RstColorType* t) { return t->is_rgb() || t->is_cmy(); }
bool gray_family(const RstColorType* t) { return t->is_gray() || t->is_gray_reverse(); }

RstColorType* rgb_counterpart(const RstHeader& h, const char* where) {
  if (h.color_type == RstColorType::s_rgb()) return RstColorType::cmy();
  if (h.color_type == RstColorType::cmy()) return RstColorType::s_rgb();
  rst_report(RstCode::tiff_color_type, where);
  return nullptr;
}

RstColorType* gray_counterpart(const RstHeader& h, const char* where) {
  if (h.color_type == RstColorType::s_gray()) return RstColorType::s_gray_reverse();
  if (h.color_type == RstColorType::s_gray_reverse()) return RstColorType::s_gray();
  if (h.color_type == RstColorType::icc_lstar()) {
    if (h.bits_per_sample == 1) return RstColorType::s_gray_reverse();
    rst_report(RstCode::unsupported_form, "RstReverseGray::create() L* is supported only 1bit");
    return nullptr;
  }
  rst_report(RstCode::tiff_color_type, where);
  return nullptr;
}

template <class Node>
RstRead* create_counterpart(RstRead* source, RstColorType* color_type, const Counterparts& c) {
  RstCreateGuard guard(source);
  if (!source || (color_type && !c.in_family(color_type))) {
    rst_report(RstCode::bad_argument, c.where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.samples_per_pixel != c.channels || !h.color_type || !c.in_family(h.color_type)) {
    rst_report(RstCode::unsupported_form, c.where);
    return nullptr;
  }
  if (!color_type && !(color_type = c.counterpart(h, c.where))) return nullptr;
  if (h.data_form != RstDataForm::raw) {
    // Coded lines (run lines) are inverted by the pixel inverter of their form
    // and relabelled; RstPixelNot::create refuses the forms it cannot invert.
    RstOwner<RstRead> inverted(RstPixelNot::create(source));
    if (!inverted) return nullptr;
    RstHeader relabelled = h;
    relabelled.color_type = color_type;
    RstRead* result = RstReinterpret::create(inverted.get(), relabelled);
    if (!result) return nullptr;
    inverted.release();
    return rst_create_end(result, guard);
  }
  if (h.colormap) {
    // Indices are not inverted.
    rst_report(RstCode::unsupported_option, c.where);
    return nullptr;
  }
  return rst_create_end(rst_new<Node>(source, color_type), guard);
}

}  // namespace

RstRead* RstReverseRGB::create(RstRead* source, RstColorType* color_type) {
  static const Counterparts rgb{"RstReverseRGB::create()", 3, rgb_family, rgb_counterpart};
  return create_counterpart<RstReverseRGB>(source, color_type, rgb);
}

void RstReverseRGB::header(RstHeader& h) {
  RstPixelNot::header(h);
  h.color_type = color_type_;
}

RstRead* RstReverseGray::create(RstRead* source, RstColorType* color_type) {
  static const Counterparts gray{"RstReverseGray::create()", 1, gray_family, gray_counterpart};
  return create_counterpart<RstReverseGray>(source, color_type, gray);
}

void RstReverseGray::header(RstHeader& h) {
  RstPixelNot::header(h);
  h.color_type = color_type_;
}
