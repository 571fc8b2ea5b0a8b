// The commands of the binary pixel operations.
#include "raster/geometry/rst_pixel_binary_command.h"

#include "raster/core/rst_create.h"
#include "raster/core/rst_reinterpret.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_clip.h"
#include "raster/geometry/rst_interim_node.h"
#include "raster/geometry/rst_paste.h"
#include "raster/geometry/rst_pixel_and.h"
#include "raster/geometry/rst_pixel_not.h"
#include "raster/geometry/rst_pixel_or.h"
#include "raster/geometry/rst_pixel_sub.h"

namespace {

const char kUnify[] = "RstPixelBinaryOperationCommand::unify_attribute()";
const char kChange[] = "RstPixelBinaryOperationCommandBasic::change_depth_color()";
const char kExpand[] = "RstPixelBinaryOperationCommandBasic::expand_colormap()";

void expand(RstRead*& node) {
  if (!RstHeader(node).colormap) return;
  auto apply = rst_format_creators().apply_colormap;
  if (!apply) {
    rst_report(RstCode::unsupported_option, kExpand);
    return;
  }
  if (RstRead* expanded = apply(node)) node = expanded;
}

bool is_gray(const RstHeader& h) { return h.color_type && h.color_type->is_gray(); }
bool is_gray_reverse(const RstHeader& h) { return h.color_type && h.color_type->is_gray_reverse(); }

// The node in target's colour type in place of node; false when none came.
bool transform_to(RstRead*& node, RstColorType* target) {
  auto transform = rst_format_creators().transform_color_to;
  if (!transform) {
    rst_report(RstCode::unsupported_option, kUnify);
    return false;
  }
  RstRead* made = transform(node, target);
  if (!made) return false;
  node = made;
  return true;
}

// A bilevel node widened to bytes of 0 and 255, then in target's colour type.
bool widen_to(RstRead*& node, RstColorType* target) {
  auto widen = rst_format_creators().convert_bits_1_to_8;
  if (!widen) {
    rst_report(RstCode::unsupported_option, kUnify);
    return false;
  }
  RstRead* wide = widen(node, 0, 255);
  if (!wide) return false;
  node = wide;
  return transform_to(node, target);
}

}  // namespace

void RstPixelBinaryOperationCommandBasic::expand_colormap(RstRead*& a, RstRead*& b) {
  expand(a);
  expand(b);
}

bool RstPixelBinaryOperationCommandBasic::is_supported(RstHeader h) {
  bool depth =
      (h.bits_per_sample == 1 && h.samples_per_pixel == 1) ||
      (h.bits_per_sample == 8 && (h.samples_per_pixel == 1 || h.samples_per_pixel == 3 || h.samples_per_pixel == 4));
  return depth && h.sample_kind == RstSampleKind::unsigned_int &&
         (h.data_form == RstDataForm::raw || h.data_form == RstDataForm::rle);
}

bool RstPixelBinaryOperationCommandBasic::change_depth_color(RstRead*& a, RstRead*& b) {
  RstHeader ha(a), hb(b);
  if (!is_supported(ha) || !is_supported(hb)) {
    rst_report(RstCode::unsupported_form, kChange);
    return false;
  }
  if (ha.bits_per_sample != hb.bits_per_sample) {
    // The bilevel one is widened: A never loses depth or colour.
    if (ha.bits_per_sample == 1) return widen_to(a, hb.color_type);
    widen_to(b, ha.color_type);
    return false;
  }
  if (ha.color_type == hb.color_type) {
    if (ha.samples_per_pixel != hb.samples_per_pixel) rst_report(RstCode::unsupported_option, kUnify);
    return false;
  }
  if (ha.bits_per_sample == 8) {
    if (ha.samples_per_pixel < hb.samples_per_pixel) return transform_to(a, hb.color_type);
    transform_to(b, ha.color_type);
    return false;
  }
  // Bilevel: black must mean the same in both before B takes A's label.
  if ((is_gray(ha) && is_gray_reverse(hb)) || (is_gray_reverse(ha) && is_gray(hb))) {
    RstRead* inverted = RstPixelNot::create(b);
    if (!inverted) {
      rst_report(RstCode::no_memory, kUnify);
      return false;
    }
    b = inverted;
  }
  RstHeader relabel(b);
  relabel.color_type = ha.color_type;
  if (RstRead* relabelled = RstReinterpret::create(b, relabel)) b = relabelled;
  return false;
}

bool RstPixelBinaryOperationCommand::unify_attribute(RstRead*& a, RstRead*& b, int32_t& x, int32_t& y) {
  RstHeader ha(a), hb(b);
  if (!is_supported(ha) || !is_supported(hb)) {
    rst_report(RstCode::unsupported_form, kUnify);
    return false;
  }
  // The part of B on A; B at a negative offset loses its columns or rows
  // left of or above A.
  int64_t left = x < 0 ? -int64_t(x) : 0, top = y < 0 ? -int64_t(y) : 0;
  int64_t right = int64_t(x) + hb.width < ha.width ? int64_t(x) + hb.width : ha.width;
  int64_t bottom = int64_t(y) + hb.height < ha.height ? int64_t(y) + hb.height : ha.height;
  int64_t width = right - (x > 0 ? x : 0), height = bottom - (y > 0 ? y : 0);
  if (width <= 0 || height <= 0) {
    // B misses A: the offsets stay, and the dispatcher refuses them.
    rst_report(RstCode::bad_argument, kUnify);
    return false;
  }
  RstRead* clipped = RstClip::create(b, int32_t(left), int32_t(top), uint32_t(width), uint32_t(height));
  if (!clipped) return false;
  b = clipped;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  return change_depth_color(a, b);
}

RstRead* RstPixelBinaryOperationCommand::create_with(RstRead* a, RstRead* b, int32_t x, int32_t y, const char* where,
                                                     Dispatch dispatch) {
  RstCreateGuard guard(a, b);
  if (!a || !b) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstInterimNode interim_a(a), interim_b(b);
  expand_colormap(a, b);
  unify_attribute(a, b, x, y);
  RstRead* node = dispatch({a, b}, x, y);
  if (node) {
    interim_a.keep();
    interim_b.keep();
  }
  return rst_create_end(node, guard);
}

RstRead* RstPixelAndCommand::create(RstRead* a, RstRead* b, int32_t x, int32_t y) {
  return create_with(a, b, x, y, "RstPixelAndCommand::create()", &RstPixelAnd::create);
}

void RstPixelOpaqueCommand::expand_colormap(RstRead*& a, RstRead*& b) {
  RstHeader ha(a), hb(b);
  if (ha.bits_per_sample == hb.bits_per_sample && ha.samples_per_pixel == hb.samples_per_pixel && ha.colormap &&
      hb.colormap && (ha.colormap.get() == hb.colormap.get() || *ha.colormap == *hb.colormap))
    return;
  RstPixelBinaryOperationCommandBasic::expand_colormap(a, b);
}

RstRead* RstPixelOpaqueCommand::create(RstRead* a, RstRead* b, int32_t x, int32_t y) {
  return create_with(a, b, x, y, "RstPixelOpaqueCommand::create()", &RstPaste::create);
}

RstRead* RstPixelOrCommand::create(RstRead* a, RstRead* b, int32_t x, int32_t y) {
  return create_with(a, b, x, y, "RstPixelOrCommand::create()", &RstPixelOr::create);
}

RstRead* RstPixelSubCommand::create(RstRead* a, RstRead* b, int32_t x, int32_t y) {
  return create_with(a, b, x, y, "RstPixelSubCommand::create()", &RstPixelSub::create);
}
