// The foreground and background layer makers and the dark-neutral selection.
#include "raster/mrc/rst_make_layers.h"

#include <vector>

#include "raster/color/rst_convert_bits.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/core/rst_window.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_decode_rle.h"
#include "raster/geometry/rst_expansion_filter1.h"
#include "raster/mrc/rst_create_chain.h"
#include "raster/mrc/rst_generate_back_from_mask.h"
#include "raster/mrc/rst_generate_block_back_from_mask.h"
#include "raster/mrc/rst_generate_fore_from_mask.h"

namespace {

const char kFore[] = "RstMakeFore::create()";
const char kBack[] = "RstMakeBack::create()";
const char k24To8[] = "RstConvertBits24To8::create()";

bool unsigned_plain(const RstHeader& h) { return h.sample_kind == RstSampleKind::unsigned_int && !h.colormap; }

bool same_size(const RstHeader& a, const RstHeader& b) { return a.width == b.width && a.height == b.height; }

uint32_t fore_block(int32_t mode) {
  if (mode == 1) return 8;
  if (mode == 8) return 32;
  return 16;
}

}  // namespace

// The foreground.

RstRead* RstMakeFore::create(RstRead* image, RstRead* mask, int32_t mode) {
  if (!image || !mask) {
    rst_report(RstCode::bad_argument, kFore);
    return nullptr;
  }
  const RstHeader i(image), m(mask);
  const bool image_ok = unsigned_plain(i) && i.data_form == RstDataForm::raw && i.bits_per_sample == 8 &&
                        i.samples_per_pixel == 3 && i.color_type &&
                        (i.color_type->is_lab() || i.color_type->is_ycbcr());
  const bool mask_ok =
      unsigned_plain(m) && m.data_form == RstDataForm::raw && m.bits_per_sample == 1 && m.samples_per_pixel == 1;
  if (!image_ok || !mask_ok || !same_size(i, m)) {
    rst_report(RstCode::unsupported_form, kFore);
    return nullptr;
  }
  RstCreateGuard guard(image, mask);

  // The mask as 0 and 255 over a five-line fan-out: the thinning window is
  // five lines high.
  RstCreateChain mask8;
  if (!mask8.step(RstConvertBits1To8::create(mask, 0, 255))) return nullptr;
  RstOwner<RstDivide> d(RstDivide::create(mask8.node.get(), 2, 5));
  if (!d) return nullptr;
  mask8.node.release();
  RstDivide* fan = d.get();
  RstCreateChain thin, middle;
  if (!thin.step(fan->create_reader())) return nullptr;
  d.release();
  if (!thin.step(RstShrinkMask::create(thin.node.get()))) return nullptr;
  if (!middle.step(fan->create_reader())) return nullptr;
  if (!middle.step(RstMoveMid::create(middle.node.get()))) return nullptr;

  std::vector<RstRead*> inputs;
  if (!rst_make_inputs(inputs, {image, thin.node.get(), middle.node.get()}, kFore)) return nullptr;
  const uint32_t b = fore_block(mode);
  RstRead* layer = RstGenerateForeFromMask::create(inputs, b, b);
  if (!layer) return nullptr;
  thin.node.release();
  middle.node.release();
  guard.disarm();
  return layer;
}

// The background.

RstRead* RstMakeBack::create(RstRead* image, RstRead* mask, int32_t mode) {
  if (!image || !mask) {
    rst_report(RstCode::bad_argument, kBack);
    return nullptr;
  }
  const RstHeader i(image), m(mask);
  // Any data form passes here: run lines are decoded below, the nodes that
  // read the mask judge the rest.
  if (!unsigned_plain(m) || m.bits_per_sample != 1 || m.samples_per_pixel != 1 || !same_size(i, m)) {
    rst_report(RstCode::unsupported_form, kBack);
    return nullptr;
  }
  const bool runs = m.data_form == RstDataForm::rle;
  if (mode == 1) {
    const RstColorType* t = i.color_type;
    const bool image_ok = unsigned_plain(i) && i.bits_per_sample == 8 && t &&
                          (t->is_gray() || t == RstColorType::itu_lab() || t->is_ycbcr());
    if (!image_ok) {
      rst_report(RstCode::unsupported_form, kBack);
      return nullptr;
    }
    RstCreateGuard guard(image, mask);
    // The mask dilated by one pixel, so that the anti-aliased edges of text
    // stay out of the colour picks.
    RstCreateChain grown;
    if (!grown.step(RstExpansionFilter1::create(mask, 1))) return nullptr;
    if (runs && !grown.step(RstDecodeRLE::create(grown.node.get()))) return nullptr;
    if (!grown.step(RstConvertBits1To8::create(grown.node.get(), 0, 255))) return nullptr;
    RstRead* layer = RstGenerateBlockBackFromMask::create(image, grown.node.get(), 16, 16);
    if (!layer) return nullptr;
    grown.node.release();
    guard.disarm();
    return layer;
  }
  if (mode == 0) {
    RstCreateGuard guard(image, mask);
    RstCreateChain mask8;
    if (runs && !mask8.step(RstDecodeRLE::create(mask))) return nullptr;
    if (!(unsigned_plain(i) && i.bits_per_sample == 8 && i.color_type == RstColorType::itu_lab())) {
      rst_report(RstCode::unsupported_form, kBack);
      return nullptr;
    }
    if (!mask8.step(RstConvertBits1To8::create(mask8.node ? mask8.node.get() : mask, 0, 255))) return nullptr;
    // Sixteen lines cover the expansion's nine-line window read ahead of the
    // generator's five.
    RstOwner<RstDivide> d(RstDivide::create(mask8.node.get(), 2, 16));
    if (!d) return nullptr;
    mask8.node.release();
    RstDivide* fan = d.get();
    RstCreateChain expanded, plain;
    if (!expanded.step(fan->create_reader())) return nullptr;
    d.release();
    if (!expanded.step(RstExpandMask::create(expanded.node.get()))) return nullptr;
    if (!plain.step(fan->create_reader())) return nullptr;
    const RstWindow window{5, 5, 2, 2};
    RstRead* layer = RstGenerateBackFromMask::create(image, expanded.node.get(), plain.node.get(), window);
    if (!layer) return nullptr;
    expanded.node.release();
    plain.node.release();
    guard.disarm();
    return layer;
  }
  rst_report(RstCode::bad_argument, kBack);
  return nullptr;
}

// The dark-neutral selection.

RstRead* RstConvertBits24To8::create(RstRead* source, uint8_t limit, int32_t radius, uint8_t other, uint8_t selected) {
  if (!source) {
    rst_report(RstCode::bad_argument, k24To8);
    return nullptr;
  }
  const RstHeader h(source);
  if (!unsigned_plain(h) || h.data_form != RstDataForm::raw || h.bits_per_sample != 8 || h.samples_per_pixel != 3 ||
      !h.color_type || !h.color_type->is_lab()) {
    rst_report(RstCode::unsupported_form, k24To8);
    return nullptr;
  }
  RstCreateGuard guard(source);
  return rst_create_end_node_or_drop(rst_new<RstConvertBits24To8>(source, limit, radius, other, selected), guard);
}

RstConvertBits24To8::RstConvertBits24To8(RstRead* source, uint8_t limit, int32_t radius, uint8_t other,
                                         uint8_t selected)
    : RstProcess(source),
      limit_(limit),
      radius2_(uint32_t(radius) * uint32_t(radius)),
      other_(other),
      selected_(selected),
      source_line_(source->line_size()),
      width_(RstHeader(source).width) {}

RstConvertBits24To8::~RstConvertBits24To8() { rst_free(buffer_); }

void RstConvertBits24To8::header(RstHeader& h) {
  source()->header(h);
  h.samples_per_pixel = 1;
  h.color_type = RstColorType::icc_lstar();
}

bool RstConvertBits24To8::initiate() {
  buffer_ = static_cast<uint8_t*>(rst_malloc(size_t(source_line_) + 1));
  if (!buffer_) {
    rst_report(RstCode::no_memory, "RstConvertBits24To8::initiate()");
    return false;
  }
  return true;
}

int RstConvertBits24To8::read(uint8_t* line) {
  if (source()->read(buffer_) != source_line_) return 0;
  const uint8_t* p = buffer_;
  for (int32_t x = 0; x < width_; ++x, p += 3) {
    const int32_t a = int32_t(p[1]) - 128, b = int32_t(p[2]) - 96;
    const uint32_t d = uint32_t(a * a + b * b);
    line[x] = p[0] < limit_ && d < radius2_ ? selected_ : other_;
  }
  return width_;
}
