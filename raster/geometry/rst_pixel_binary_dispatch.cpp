// The dispatcher shared by the binary pixel operation families.
#include "raster/geometry/rst_pixel_binary_dispatch.h"

#include "raster/core/rst_status_context.h"

RstRead* rst_pixel_pair_cover(const std::vector<RstRead*>& inputs, RstCreateGuard& guard, bool paste,
                              RstPixelSameSizeCreate same_size) {
  if (paste) {
    // Every pixel of A is replaced.
    inputs[0]->end();
    return rst_create_end(inputs[1], guard);
  }
  RstRead* node = same_size(inputs);
  if (!node) return nullptr;
  return rst_create_end(node, guard);
}

RstRead* rst_dispatch_pixel_pair(const std::vector<RstRead*>& inputs, int32_t x, int32_t y,
                                 const RstPixelFamily& family) {
  RstCreateGuard guard(inputs);
  RstHeader a, b;
  RstPairVerdict verdict = rst_check_pixel_pair(inputs, x, y, family.where, RstPairRoute::dispatch, family.paste, a, b);
  if (verdict == RstPairVerdict::refused) return nullptr;
  if (verdict == RstPairVerdict::covers) return rst_pixel_pair_cover(inputs, guard, family.paste, family.same_size);
  RstRead* node = nullptr;
  if (a.bits_per_sample == 8) {
    node = family.depth_8bit(inputs, x, y);
  } else if (a.bits_per_sample == 1) {
    node = x % 8 == 0 ? family.aligned_1bit(inputs, x, y) : family.shifted_1bit(inputs, x, y);
  } else {
    rst_report(RstCode::bad_argument, family.where);
    return nullptr;
  }
  if (!node) return nullptr;
  return rst_create_end(node, guard);
}
