// The masked copy: the way in, the command, the dispatcher and the 1-bit and
// 8-bit nodes.
#include "raster/geometry/rst_pixel_conditional.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/geometry/rst_clip.h"
#include "raster/geometry/rst_conform_attribute.h"
#include "raster/geometry/rst_create_node.h"
#include "raster/geometry/rst_interim_node.h"

namespace {

const char kOperationCreate[] = "RstPixelConditionalOperation::create()";
const char kCommandCreate[] = "RstPixelConditionalOPCommand<OPBin>::create()";
const char kDispatchCreate[] = "RstPixelConditionalOP<OPBin>::create()";
const char kOp1Create[] = "RstPixelConditionalOP1<OPBin>::create()";
const char kOp8Create[] = "RstPixelConditionalOP8<OPBin>::create()";

uint32_t line_bytes(const RstHeader& h) {
  return uint32_t((uint64_t(uint32_t(h.width)) * uint32_t(h.samples_per_pixel) * uint32_t(h.bits_per_sample) + 7) / 8);
}

bool three_present(const std::vector<RstRead*>& inputs) {
  return inputs.size() == 3 && inputs[0] && inputs[1] && inputs[2];
}

// The part of M and S on D: left and top within M and S, width and height.
struct Rect {
  int64_t left = 0, top = 0, width = 0, height = 0;
};

Rect part_on(const RstHeader& d, const RstHeader& m, const RstHeader& s, int32_t x, int32_t y) {
  const int64_t w0 = std::min(uint32_t(m.width), uint32_t(s.width));
  const int64_t h0 = std::min(uint32_t(m.height), uint32_t(s.height));
  const int64_t dw = uint32_t(d.width), dh = uint32_t(d.height);
  Rect r;
  r.left = x < 0 ? -int64_t(x) : 0;
  r.top = y < 0 ? -int64_t(y) : 0;
  r.width = std::min(int64_t(x) + w0, dw) - std::max<int64_t>(x, 0);
  r.height = std::min(int64_t(y) + h0, dh) - std::max<int64_t>(y, 0);
  return r;
}

// Mask 1 bit, 1 sample; D and S of one depth, sample count and colour type;
// no colormaps; unsigned samples in raw lines.
bool inputs_fit(const RstHeader& d, const RstHeader& m, const RstHeader& s) {
  auto plain = [](const RstHeader& h) {
    return !h.colormap && h.sample_kind == RstSampleKind::unsigned_int && h.data_form == RstDataForm::raw;
  };
  return m.bits_per_sample == 1 && m.samples_per_pixel == 1 && d.bits_per_sample == s.bits_per_sample &&
         d.samples_per_pixel == s.samples_per_pixel && d.color_type == s.color_type && plain(d) && plain(m) && plain(s);
}

// M and S cut to their part on D, in place; false when a clip failed (both
// then as they were).
bool clip_to_destination(std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  RstHeader d(inputs[0]), m(inputs[1]), s(inputs[2]);
  Rect r = part_on(d, m, s, x, y);
  RstRead* mask = inputs[1];
  RstRead* source = inputs[2];
  RstInterimNode keep_mask(mask), keep_source(source);
  mask = RstClip::create(mask, int32_t(r.left), int32_t(r.top), uint32_t(r.width), uint32_t(r.height));
  if (!mask) return false;
  source = RstClip::create(source, int32_t(r.left), int32_t(r.top), uint32_t(r.width), uint32_t(r.height));
  if (!source) return false;
  keep_mask.keep();
  keep_source.keep();
  inputs[1] = mask;
  inputs[2] = source;
  return true;
}

// Node over inputs whose M and S are clipped here first; null after the
// reports, the clips ended.
template <class Node, class... Args>
Node* build_clipped(const std::vector<RstRead*>& inputs, int32_t x, int32_t y, Args... args) {
  std::vector<RstRead*> clipped;
  if (!rst_make_inputs(clipped, {inputs[0], inputs[1], inputs[2]}, "rst_create_end()")) return nullptr;
  if (!clip_to_destination(clipped, x, y)) return nullptr;
  RstRead* mask = clipped[1];
  RstRead* source = clipped[2];
  RstInterimNode keep_mask(mask), keep_source(source);
  RstCreateGuard guard(clipped);
  Node* node = rst_new<Node>(clipped, std::max(x, 0), std::max(y, 0), args...);
  Node* made = node ? rst_create_end_node_or_drop(node, guard) : rst_create_end(node, guard);
  if (made) {
    keep_mask.keep();
    keep_source.keep();
  }
  return made;
}

}  // namespace

// --- the way in ---

bool RstPixelConditionalOperation::overlaps(const RstHeader& d, const RstHeader& m, const RstHeader& s, int32_t x,
                                            int32_t y) {
  Rect r = part_on(d, m, s, x, y);
  return r.width > 0 && r.height > 0;
}

RstRead* RstPixelConditionalOperation::create(RstRead* d, RstRead* m, RstRead* s,
                                              RstPixelConditionalOperationCommand& command, int32_t x, int32_t y) {
  RstCreateGuard guard(d, m, s);
  if (!d || !m || !s) {
    rst_report(RstCode::bad_argument, kOperationCreate);
    return nullptr;
  }
  if (!overlaps(RstHeader(d), RstHeader(m), RstHeader(s), x, y)) {
    // Nothing of D changes.
    m->end();
    s->end();
    return rst_create_end(d, guard);
  }
  std::vector<RstRead*> inputs;
  if (!rst_make_inputs(inputs, {d, m, s}, kOperationCreate)) return nullptr;
  return rst_create_end(command.create(inputs, x, y, true), guard);
}

// --- the command ---

template <class OPBin>
RstRead* RstPixelConditionalOPCommand<OPBin>::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y,
                                                     bool conform) {
  if (!three_present(inputs)) {
    rst_report(RstCode::bad_argument, kCommandCreate);
    return nullptr;
  }
  RstCreateGuard guard(inputs);
  RstRead* d = inputs[0];
  RstRead* s = inputs[2];
  RstInterimNode keep_d(d), keep_s(s);
  if (conform) {
    std::vector<RstRead*> pair;
    if (!rst_make_inputs(pair, {d, s}, kCommandCreate)) return nullptr;
    RstBinarize::EDFloyd binarize;
    RstConformAttribute conformer(&binarize);
    conformer.conform_all(pair);
    d = pair[0];
    s = pair[1];
    // Both still index one colormap: the copy needs the colours.
    auto apply = rst_format_creators().apply_colormap;
    if (RstHeader(d).colormap && apply) {
      if (RstRead* expanded = apply(d)) d = expanded;
      if (RstRead* expanded = apply(s)) s = expanded;
    }
  }
  std::vector<RstRead*> three;
  if (!rst_make_inputs(three, {d, inputs[1], s}, kCommandCreate)) return nullptr;
  RstRead* node = RstPixelConditionalOP<OPBin>::create(three, x, y);
  if (node) {
    keep_d.keep();
    keep_s.keep();
  }
  return rst_create_end(node, guard);
}

// --- the dispatcher ---

template <class OPBin>
RstRead* RstPixelConditionalOP<OPBin>::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  if (!three_present(inputs)) {
    rst_report(RstCode::bad_argument, kDispatchCreate);
    return nullptr;
  }
  RstCreateGuard guard(inputs);
  RstHeader d(inputs[0]), m(inputs[1]), s(inputs[2]);
  if (!RstPixelConditionalOperation::overlaps(d, m, s, x, y)) {
    inputs[1]->end();
    inputs[2]->end();
    return rst_create_end(inputs[0], guard);
  }
  RstRead* node = nullptr;
  if (d.bits_per_sample == 1) {
    if (!inputs_fit(d, m, s)) {
      rst_report(RstCode::bad_argument, kOp1Create);
      return nullptr;
    }
    node = build_clipped<RstPixelConditionalOP1<OPBin>>(inputs, x, y);
    if (!node) return nullptr;
  } else if (d.bits_per_sample == 8) {
    node = RstPixelConditionalOP8<OPBin>::create(inputs, x, y, d.samples_per_pixel);
    if (!node) return nullptr;
  }
  return rst_create_end(node, guard);
}

template <class OPBin>
RstRead* RstPixelConditionalOP8<OPBin>::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y,
                                               int32_t samples) {
  if (!three_present(inputs)) {
    rst_report(RstCode::bad_argument, kOp8Create);
    return nullptr;
  }
  RstHeader d(inputs[0]), m(inputs[1]), s(inputs[2]);
  if (d.bits_per_sample != 8 || samples < 1 || samples != d.samples_per_pixel || !inputs_fit(d, m, s)) {
    rst_report(RstCode::bad_argument, kOp8Create);
    return nullptr;
  }
  RstCreateGuard guard(inputs);
  if (!RstPixelConditionalOperation::overlaps(d, m, s, x, y)) {
    inputs[1]->end();
    inputs[2]->end();
    return rst_create_end(inputs[0], guard);
  }
  RstRead* node = build_clipped<RstPixelConditionalOP8<OPBin>>(inputs, x, y, samples);
  if (!node) return nullptr;
  return rst_create_end(node, guard);
}

// --- the node base ---

RstPixelConditionalOperation::RstPixelConditionalOperation(const std::vector<RstRead*>& inputs, int32_t x, int32_t y)
    : RstCompose(inputs), x_(x), y_(y) {
  RstHeader d(input(0)), m(input(1)), s(input(2));
  dest_bytes_ = line_bytes(d);
  mask_bytes_ = line_bytes(m);
  source_bytes_ = line_bytes(s);
  mask_width_ = std::min(uint32_t(m.width), uint32_t(s.width));
  mask_height_ = std::min(uint32_t(m.height), uint32_t(s.height));
}

RstPixelConditionalOperation::~RstPixelConditionalOperation() {
  rst_free(mask_line_);
  rst_free(source_line_);
}

void RstPixelConditionalOperation::header(RstHeader& h) { input(0)->header(h); }

bool RstPixelConditionalOperation::initiate() {
  mask_line_ = static_cast<uint8_t*>(rst_malloc(std::max<size_t>(mask_bytes_, 1)));
  if (mask_line_) source_line_ = static_cast<uint8_t*>(rst_malloc(std::max<size_t>(source_bytes_, 1)));
  if (!mask_line_ || !source_line_) {
    rst_report(RstCode::no_memory, "RstPixelConditionalOperation::initiate()");
    return false;
  }
  return true;
}

int RstPixelConditionalOperation::read(uint8_t* line) {
  if (input(0)->read(line) != int(dest_bytes_)) return 0;
  if (row_ < y_ || int64_t(row_) >= int64_t(y_) + mask_height_) {
    ++row_;
    return int(dest_bytes_);
  }
  if (input(1)->read(mask_line_) != int(mask_bytes_) || input(2)->read(source_line_) != int(source_bytes_)) return 0;
  apply(line);
  ++row_;
  return int(dest_bytes_);
}

int RstPixelConditionalOperation::skip(int k) {
  if (k <= 0) return 0;
  const int r = input(0)->skip(k);
  // The rows of [row, row + r) that carry mask and source.
  const int64_t from = std::max<int64_t>(row_, y_);
  const int64_t to = std::min<int64_t>(int64_t(row_) + r, int64_t(y_) + mask_height_);
  if (to > from) {
    input(1)->skip(int(to - from));
    input(2)->skip(int(to - from));
  }
  row_ += r;
  return r;
}

void RstPixelConditionalOperation::reset() {
  input(0)->reset();
  input(1)->reset();
  input(2)->reset();
  row_ = 0;
}

// --- 1 bit ---

template <class OPBin>
RstPixelConditionalOP1<OPBin>::RstPixelConditionalOP1(const std::vector<RstRead*>& inputs, int32_t x, int32_t y)
    : RstPixelConditionalOperation(inputs, x, y),
      offset_(uint32_t(x) / 8),
      shift_(uint32_t(x) % 8),
      high_(uint8_t(255u >> (uint32_t(x) % 8))),
      tail_(mask_width_ % 8 ? uint8_t(255u << (8 - mask_width_ % 8)) : uint8_t(255)),
      spills_(uint64_t(mask_bytes_) * 8 < uint64_t(uint32_t(x) % 8) + mask_width_) {}

template <class OPBin>
void RstPixelConditionalOP1<OPBin>::apply(uint8_t* line) {
  const uint32_t n = mask_bytes_;
  if (n == 0) return;
  uint8_t* m = mask_line_;
  const uint8_t* src = source_line_;
  // Padding bits never select.
  m[n - 1] &= tail_;
  uint8_t* l = line + offset_;
  const uint32_t s = shift_, c = 8 - shift_;
  // Each destination byte takes the low bits of the previous mask and source
  // bytes in front of the high bits of the current ones.
  uint8_t carry_m = 0, carry_v = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t sel = uint8_t(carry_m | (m[i] >> s));
    const uint8_t val = uint8_t(carry_v | (src[i] >> s));
    l[i] = uint8_t((sel & val) | (l[i] & ~sel));
    carry_m = uint8_t(unsigned(m[i]) << c);
    carry_v = uint8_t(unsigned(src[i]) << c);
  }
  if (spills_) l[n] = uint8_t((carry_m & carry_v) | (l[n] & ~carry_m));
}

// --- 8 bits ---

template <class OPBin>
RstPixelConditionalOP8<OPBin>::RstPixelConditionalOP8(const std::vector<RstRead*>& inputs, int32_t x, int32_t y,
                                                      int32_t samples)
    : RstPixelConditionalOperation(inputs, x, y), samples_(uint32_t(samples)) {}

namespace {

template <uint32_t P>
void copy_masked(uint8_t* dst, const uint8_t* src, const uint8_t* m, uint32_t n, uint32_t width) {
  // Whole mask bytes but the last: 0 skips, 0xFF copies eight pixels at once.
  for (uint32_t i = 0; i + 1 < n; ++i, dst += 8 * P, src += 8 * P) {
    const uint8_t b = m[i];
    if (b == 0) continue;
    if (b == 0xFF) {
      std::memcpy(dst, src, 8 * P);
      continue;
    }
    for (uint32_t k = 0; k < 8; ++k)
      if (b & (0x80u >> k)) std::memcpy(dst + k * P, src + k * P, P);
  }
  const uint32_t last = width - 8 * (n - 1);
  const uint8_t b = m[n - 1];
  for (uint32_t k = 0; k < last; ++k)
    if (b & (0x80u >> k)) std::memcpy(dst + k * P, src + k * P, P);
}

}  // namespace

template <class OPBin>
void RstPixelConditionalOP8<OPBin>::apply(uint8_t* line) {
  const uint32_t n = mask_bytes_;
  if (n == 0) return;
  uint8_t* dst = line + size_t(uint32_t(x_)) * samples_;
  switch (samples_) {
    case 1: copy_masked<1>(dst, source_line_, mask_line_, n, mask_width_); break;
    case 3: copy_masked<3>(dst, source_line_, mask_line_, n, mask_width_); break;
    case 4: copy_masked<4>(dst, source_line_, mask_line_, n, mask_width_); break;
    default: {
      // Other sample counts, a pixel at a time.
      const uint32_t p = samples_;
      for (uint32_t k = 0; k < mask_width_; ++k)
        if (mask_line_[k / 8] & (0x80u >> (k % 8))) std::memcpy(dst + k * p, source_line_ + k * p, p);
    }
  }
}

template class RstPixelConditionalOPCommand<RstPixelOperator::Opaque>;
template class RstPixelConditionalOP<RstPixelOperator::Opaque>;
template class RstPixelConditionalOP1<RstPixelOperator::Opaque>;
template class RstPixelConditionalOP8<RstPixelOperator::Opaque>;
