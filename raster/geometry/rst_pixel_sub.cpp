// The subtract dispatcher and the 8-bit subtract node.
#include "raster/geometry/rst_pixel_sub.h"

#include "raster/core/rst_owner.h"
#include "raster/geometry/rst_pixel_and.h"
#include "raster/geometry/rst_pixel_binary_dispatch.h"
#include "raster/geometry/rst_pixel_not.h"
#include "raster/geometry/rst_pixel_same_size.h"

namespace {

RstRead* same_size(const std::vector<RstRead*>& inputs) { return RstPixelSubSameSize::create(inputs); }

// Checked by the dispatcher already.
RstRead* subtract_bytes(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  RstCreateGuard guard(inputs);
  return rst_create_end_node_or_drop(rst_new<RstPixelSub>(inputs, x, y), guard);
}

// A AND NOT B.
RstRead* subtract_bits(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  RstCreateGuard guard(inputs);
  RstOwner<RstRead> inverted(RstPixelNot::create(inputs[1]));
  if (!inverted) return nullptr;
  RstRead* node = RstPixelAnd::create({inputs[0], inverted.get()}, x, y);
  if (!node) return nullptr;
  inverted.release();
  return rst_create_end(node, guard);
}

}  // namespace

RstRead* RstPixelSub::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  static const RstPixelFamily family{"RstPixelSub::create()", false,          &same_size,
                                     &subtract_bytes,         &subtract_bits, &subtract_bits};
  return rst_dispatch_pixel_pair(inputs, x, y, family);
}

void RstPixelSub::apply_line(uint8_t* line) { rst_bytes_subtract(line + byte_offset_, b_line_, byte_count_); }
