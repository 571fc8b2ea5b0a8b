// Selection by mask: the checks of the create family, the dispatch and the
// line loops.
#include "raster/geometry/rst_select_plane_mask.h"

#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

bool three_inputs(const std::vector<RstRead*>& in) { return in.size() == 3 && in[0] && in[1] && in[2]; }

bool same_colormap(const RstHeader& a, const RstHeader& b) {
  if (!a.colormap && !b.colormap) return true;
  if (!a.colormap || !b.colormap) return false;
  return a.colormap.get() == b.colormap.get() || *a.colormap == *b.colormap;
}

// The checks every create of the family makes. mask_bits 0 accepts 1 or 8
// (the depth is dispatched on later); samples 0 accepts any count. False
// after the report.
bool check_inputs(const std::vector<RstRead*>& in, int32_t mask_bits, int32_t samples, bool color_type,
                  const char* where_missing, const char* where) {
  if (!three_inputs(in)) {
    rst_report(RstCode::bad_argument, where_missing);
    return false;
  }
  RstHeader m(in[0]), b(in[1]), p(in[2]);
  bool ok = m.width == b.width && m.width == p.width && m.height == b.height && m.height == p.height && m.width >= 0 &&
            b.bits_per_sample == 8 && p.bits_per_sample == 8 && m.samples_per_pixel == 1 &&
            b.samples_per_pixel == p.samples_per_pixel && (!color_type || b.color_type == p.color_type);
  // Coded lines are not pixels, and indices of two palettes must not mix.
  ok = ok && m.data_form == RstDataForm::raw && b.data_form == RstDataForm::raw && p.data_form == RstDataForm::raw &&
       !m.colormap && same_colormap(b, p);
  if (ok && mask_bits != 0) ok = m.bits_per_sample == mask_bits;
  if (ok && samples != 0) ok = b.samples_per_pixel == samples;
  // The lines must be the sizes the buffers are made for.
  if (ok && (mask_bits != 0 && samples != 0)) {
    int64_t line = int64_t(b.width) * samples;
    int64_t mask_line = mask_bits == 1 ? (int64_t(m.width) + 7) >> 3 : int64_t(m.width);
    ok = line <= INT32_MAX && in[1]->line_size() == line && in[2]->line_size() == line &&
         in[0]->line_size() == mask_line;
  }
  if (!ok) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}

template <class Node>
RstRead* make_node(const std::vector<RstRead*>& in, int32_t mask_bits, int32_t samples, const char* where) {
  if (!check_inputs(in, mask_bits, samples, false, where, where)) return nullptr;
  RstCreateGuard guard(in);
  return rst_create_end_node_or_drop(rst_new<Node>(in), guard);
}

}  // namespace

// --- the base ---

RstSelectPlaneMask::RstSelectPlaneMask(const std::vector<RstRead*>& inputs) : RstCompose(inputs) {
  if (!three_inputs(inputs)) return;
  RstHeader m(inputs[0]), b(inputs[1]);
  width_ = uint32_t(m.width);
  line_size_ = uint32_t(b.width) * uint32_t(b.samples_per_pixel);
  mask_line_size_ = uint32_t(inputs[0]->line_size());
}

RstSelectPlaneMask::~RstSelectPlaneMask() {
  rst_free(mask_line_);
  rst_free(plane_line_);
}

void RstSelectPlaneMask::header(RstHeader& h) { base()->header(h); }

bool RstSelectPlaneMask::initiate() {
  if (input_count() != 3) return false;
  mask_line_ = static_cast<uint8_t*>(rst_malloc(mask_line_size_ > 0 ? mask_line_size_ : 1));
  if (mask_line_) plane_line_ = static_cast<uint8_t*>(rst_malloc(line_size_ > 0 ? line_size_ : 1));
  if (!plane_line_) {
    rst_report(RstCode::no_memory, "RstSelectPlaneMask::initiate()");
    return false;
  }
  return true;
}

bool RstSelectPlaneMask::read_inputs(uint8_t* line) {
  if (mask()->read(mask_line_) != int(mask_line_size_)) return false;
  if (base()->read(line) != int(line_size_)) return false;
  return plane()->read(plane_line_) == int(line_size_);
}

int RstSelectPlaneMask::skip(int n) {
  if (n == 0) return 0;
  int k = mask()->skip(n);
  base()->skip(k);
  return plane()->skip(k);
}

void RstSelectPlaneMask::reset() {
  mask()->reset();
  base()->reset();
  plane()->reset();
}

RstRead* RstSelectPlaneMask::create(const std::vector<RstRead*>& inputs) {
  const char* where = "RstSelectPlaneMask::create()";
  if (!check_inputs(inputs, 0, 0, true, "RstSelectPlaneMask()", where)) return nullptr;
  RstHeader m(inputs[0]);
  if (m.bits_per_sample == 1) return RstSelectPlaneMask1::create(inputs);
  if (m.bits_per_sample == 8) return RstSelectPlaneMask8::create(inputs);
  rst_report(RstCode::unsupported_option, where);
  return nullptr;
}

// --- the dispatchers ---

RstSelectPlaneMask1::RstSelectPlaneMask1(const std::vector<RstRead*>& inputs) : RstSelectPlaneMask(inputs) {
  tail_ = width_ % 8;
}

RstRead* RstSelectPlaneMask1::create(const std::vector<RstRead*>& inputs) {
  const char* where = "RstSelectPlaneMask1::create()";
  if (!check_inputs(inputs, 1, 0, false, "RstSelectPlaneMask1()", where)) return nullptr;
  switch (RstHeader(inputs[1]).samples_per_pixel) {
    case 1: return RstSelectPlane8Mask1::create(inputs);
    case 3: return RstSelectPlane24Mask1::create(inputs);
    case 4: return RstSelectPlane32Mask1::create(inputs);
    default: rst_report(RstCode::unsupported_option, where); return nullptr;
  }
}

RstSelectPlaneMask8::RstSelectPlaneMask8(const std::vector<RstRead*>& inputs) : RstSelectPlaneMask(inputs) {
  if (!three_inputs(inputs)) rst_report(RstCode::bad_argument, "RstSelectPlaneMask8()");
}

RstRead* RstSelectPlaneMask8::create(const std::vector<RstRead*>& inputs) {
  const char* where = "RstSelectPlaneMask8::create()";
  if (!check_inputs(inputs, 8, 0, false, "RstSelectPlaneMask8()", where)) return nullptr;
  switch (RstHeader(inputs[1]).samples_per_pixel) {
    case 1: return RstSelectPlane8Mask8::create(inputs);
    case 3: return RstSelectPlane24Mask8::create(inputs);
    case 4: return RstSelectPlane32Mask8::create(inputs);
    default: rst_report(RstCode::unsupported_option, where); return nullptr;
  }
}

// --- the working nodes ---

template <int P>
int RstSelectPlaneMask1Of<P>::read(uint8_t* line) {
  if (!read_inputs(line)) return 0;
  const uint8_t* mask = mask_line_;
  const uint8_t* plane = plane_line_;
  const uint32_t whole = width_ / 8;
  constexpr size_t kByte = 8 * P;  // bytes of the eight pixels of a mask byte
  for (uint32_t q = 0; q < whole; ++q) {
    uint8_t m = mask[q];
    if (m == 0) continue;
    size_t at = size_t(q) * kByte;
    if (m == 0xFF) {
      std::memcpy(line + at, plane + at, kByte);
      continue;
    }
    for (int k = 0; k < 8; ++k)
      if (m & (0x80u >> k)) std::memcpy(line + at + size_t(k) * P, plane + at + size_t(k) * P, P);
  }
  if (tail_) {
    uint8_t m = mask[whole];
    size_t at = size_t(whole) * kByte;
    for (uint32_t k = 0; k < tail_; ++k)
      if (m & (0x80u >> k)) std::memcpy(line + at + size_t(k) * P, plane + at + size_t(k) * P, P);
  }
  return int(line_size_);
}

template <int P>
int RstSelectPlaneMask8Of<P>::read(uint8_t* line) {
  if (!read_inputs(line)) return 0;
  const uint8_t* mask = mask_line_;
  const uint8_t* plane = plane_line_;
  uint32_t x = 0;
  // Eight mask bytes of 0 leave eight base pixels as they are.
  for (; x + 8 <= width_; x += 8) {
    uint64_t word;
    std::memcpy(&word, mask + x, 8);
    if (word == 0) continue;
    for (uint32_t k = x; k < x + 8; ++k)
      if (mask[k]) std::memcpy(line + size_t(k) * P, plane + size_t(k) * P, P);
  }
  for (; x < width_; ++x)
    if (mask[x]) std::memcpy(line + size_t(x) * P, plane + size_t(x) * P, P);
  return int(line_size_);
}

template class RstSelectPlaneMask1Of<1>;
template class RstSelectPlaneMask1Of<3>;
template class RstSelectPlaneMask1Of<4>;
template class RstSelectPlaneMask8Of<1>;
template class RstSelectPlaneMask8Of<3>;
template class RstSelectPlaneMask8Of<4>;

RstRead* RstSelectPlane8Mask1::create(const std::vector<RstRead*>& inputs) {
  return make_node<RstSelectPlane8Mask1>(inputs, 1, 1, "RstSelectPlane8Mask1::create()");
}
RstRead* RstSelectPlane24Mask1::create(const std::vector<RstRead*>& inputs) {
  return make_node<RstSelectPlane24Mask1>(inputs, 1, 3, "RstSelectPlane24Mask1::create()");
}
RstRead* RstSelectPlane32Mask1::create(const std::vector<RstRead*>& inputs) {
  return make_node<RstSelectPlane32Mask1>(inputs, 1, 4, "RstSelectPlane32Mask1::create()");
}
RstRead* RstSelectPlane8Mask8::create(const std::vector<RstRead*>& inputs) {
  return make_node<RstSelectPlane8Mask8>(inputs, 8, 1, "RstSelectPlane8Mask8::create()");
}
RstRead* RstSelectPlane24Mask8::create(const std::vector<RstRead*>& inputs) {
  return make_node<RstSelectPlane24Mask8>(inputs, 8, 3, "RstSelectPlane24Mask8::create()");
}
RstRead* RstSelectPlane32Mask8::create(const std::vector<RstRead*>& inputs) {
  return make_node<RstSelectPlane32Mask8>(inputs, 8, 4, "RstSelectPlane32Mask8::create()");
}
