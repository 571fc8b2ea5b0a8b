// Attribute conforming and the error-diffusion binarize command.
#include "raster/geometry/rst_conform_attribute.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_convert_bits8_to1.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_interim_node.h"

namespace {

const char kConform[] = "RstConformAttribute::conform()";

int channels_of(const RstColorType* type) { return type ? type->channels() : 0; }

// node replaced by next when one was made; false when none was.
bool step(RstRead*& node, RstRead* next) {
  if (!next) return false;
  node = next;
  return true;
}

}  // namespace

RstRead* RstBinarize::EDFloyd::binarize(RstRead* node) { return RstConvertBits8To1EDType1::create(node); }

RstBinarize::BinarizeCommand* RstBinarize::EDFloyd::clone() const { return rst_new<EDFloyd>(); }

RstConformAttribute::RstConformAttribute(RstBinarize::BinarizeCommand* binarize) : binarize_(binarize) {
  if (!binarize) rst_report(RstCode::bad_argument, "RstConformAttribute::RstConformAttribute()");
}

bool RstConformAttribute::same_colormap(const RstHeader& a, const RstHeader& b) {
  if (!a.colormap || !b.colormap || a.bits_per_sample != b.bits_per_sample) return false;
  return a.colormap.get() == b.colormap.get() || *a.colormap == *b.colormap;
}

void RstConformAttribute::merge_attribute(RstHeader& target, const RstHeader& h) {
  if (h.data_form == RstDataForm::raw) target.data_form = RstDataForm::raw;
  target.samples_per_pixel = channels_of(target.color_type);
  const int theirs = channels_of(h.color_type);
  if (h.bits_per_sample > target.bits_per_sample) {
    target.bits_per_sample = h.bits_per_sample;
    if (theirs >= channels_of(target.color_type)) {
      target.color_type = h.color_type;
      target.samples_per_pixel = theirs;
    }
  } else if (theirs > channels_of(target.color_type)) {
    target.color_type = h.color_type;
    target.samples_per_pixel = theirs;
  }
}

void RstConformAttribute::conform_all(std::vector<RstRead*>& nodes) {
  if (nodes.size() < 2) return;
  size_t first = 0;
  while (first < nodes.size() && !nodes[first]) ++first;
  if (first == nodes.size()) return;
  RstHeader target(nodes[first]);
  for (size_t i = first + 1; i < nodes.size(); ++i) {
    if (!nodes[i]) continue;
    RstHeader h(nodes[i]);
    if (target.colormap) {
      if (same_colormap(h, target)) continue;
      target.colormap.reset();
    }
    merge_attribute(target, h);
  }
  // Every image indexes the first one's colormap: the indices mean the same.
  if (target.colormap) return;
  for (RstRead*& node : nodes)
    if (node) conform(node, target);
}

void RstConformAttribute::conform(RstRead*& node, const RstHeader& target) {
  if (!node) return;
  RstHeader h(node);
  if (h.data_form == RstDataForm::rle) {
    // Run lines stay run lines where the target lets them.
    if (target.data_form == RstDataForm::rle) return;
    if (target.data_form == RstDataForm::raw && target.bits_per_sample == 1 && h.color_type == target.color_type)
      return;
  }
  // Already of the target's attribute: every conversion would pass it on.
  if (h.data_form != RstDataForm::rle && !h.colormap && h.bits_per_sample == target.bits_per_sample &&
      h.color_type == target.color_type)
    return;
  if (target.bits_per_sample != 1 && target.bits_per_sample != 8) {
    rst_report(RstCode::unsupported_option, kConform);
    return;
  }
  RstFormatCreators& creators = rst_format_creators();
  if (!creators.transform_color_to || !creators.apply_colormap || !creators.convert_bits_1_to_8) {
    rst_report(RstCode::unsupported_option, kConform);
    return;
  }
  // The chain is built over the pinned input; a failed step ends what was
  // built and leaves the input as it was.
  RstCreateGuard guard(node);
  RstRead* made = node;
  RstInterimNode interim(made);
  if (h.data_form == RstDataForm::rle && target.data_form == RstDataForm::raw &&
      !step(made, RstDecodeRLE::create(made)))
    return;
  if (target.bits_per_sample == 1) {
    if (!step(made, creators.transform_color_to(made, target.color_type))) return;
    if (!step(made, creators.apply_colormap(made))) return;
    if (binarize_ && !step(made, binarize_->binarize(made))) return;
  } else {
    if (!step(made, creators.convert_bits_1_to_8(made, 0, 255))) return;
    if (!step(made, creators.transform_color_to(made, target.color_type))) return;
    if (!step(made, creators.apply_colormap(made))) return;
  }
  interim.keep();
  guard.disarm();
  node = made;
}
