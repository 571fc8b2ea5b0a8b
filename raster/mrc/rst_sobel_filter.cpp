// Sobel filters: the checks, the widening of bilevel sources and the line
// loop over the window's three rows.
#include "raster/mrc/rst_sobel_filter.h"

#include <cstdlib>

#include "raster/color/rst_convert_bits.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

const RstWindow kWindow{3, 3, 1, 1};

}  // namespace

bool RstSobelFilter3x3::accepts(RstRead* source, const char* where) {
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  RstHeader h(source);
  if ((h.bits_per_sample != 1 && h.bits_per_sample != 8) || h.samples_per_pixel != 1 ||
      h.sample_kind != RstSampleKind::unsigned_int || h.data_form != RstDataForm::raw || h.colormap) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}

template <class Filter>
RstRead* RstSobelFilter3x3::make(RstRead* source, const char* where) {
  if (!accepts(source, where)) return nullptr;
  RstCreateGuard guard(source);
  RstRead* gray = RstConvertBits1To8::create(source, 0, 255);
  if (!gray) return nullptr;
  // The widening node is pinned too: a filter that cannot be made leaves
  // it here, and it goes again.
  RstOwner<RstRead> held(gray != source ? gray : nullptr);
  RstCreateGuard over(gray);
  RstRead* filter = rst_create_end_node_or_drop(rst_new<Filter>(gray), over);
  if (!filter) return nullptr;
  held.release();
  return rst_create_end(filter, guard);
}

RstRead* RstSobelFilter3x3::create(RstRead* source, uint8_t direction) {
  if (!accepts(source, "RstSobelFilter3x3::create()")) return nullptr;
  if (direction == 1) return RstSobelFilter3x3Horizontal::create(source);
  return RstSobelFilter3x3Vertical::create(source);
}

RstRead* RstSobelFilter3x3Horizontal::create(RstRead* source) {
  return make<RstSobelFilter3x3Horizontal>(source, "RstSobelFilter3x3Horizontal::create()");
}

RstRead* RstSobelFilter3x3Vertical::create(RstRead* source) {
  return make<RstSobelFilter3x3Vertical>(source, "RstSobelFilter3x3Vertical::create()");
}

RstSobelFilter3x3::RstSobelFilter3x3(RstRead* source) : RstFilter<1>(source, kWindow, nullptr) {}

int RstSobelFilter3x3::read(uint8_t* line) {
  if (lines_produced_ >= uint32_t(height_)) return 0;
  if (!ring_->advance()) return 0;
  const uint8_t* top = ring_->line(0);
  const uint8_t* middle = ring_->line(1);
  const uint8_t* bottom = ring_->line(2);
  for (int32_t x = 0; x < width_; ++x) {
    // Magnitudes reach 1020: they saturate, so that the strongest edges stay
    // the strongest rather than wrapping round to weak ones.
    int v = apply(top + x, middle + x, bottom + x);
    line[x] = uint8_t(v > 255 ? 255 : v);
  }
  ++lines_produced_;
  return width_;
}

int RstSobelFilter3x3Horizontal::apply(const uint8_t* t, const uint8_t*, const uint8_t* b) {
  return std::abs((t[0] + 2 * t[1] + t[2]) - (b[0] + 2 * b[1] + b[2]));
}

int RstSobelFilter3x3Vertical::apply(const uint8_t* t, const uint8_t* m, const uint8_t* b) {
  return std::abs((t[0] + 2 * m[0] + b[0]) - (t[2] + 2 * m[2] + b[2]));
}
