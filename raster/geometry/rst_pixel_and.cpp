// The And dispatcher and its variants.
#include "raster/geometry/rst_pixel_and.h"

#include "raster/geometry/rst_pixel_same_size.h"

namespace {
RstRead* same_size(const std::vector<RstRead*>& inputs) { return RstPixelAndSameSize::create(inputs); }
}  // namespace

RstRead* RstPixelAnd::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  static const RstPixelFamily family{
      "RstPixelAnd::create()",      false, &same_size, &RstPixelAndN::create, &RstPixelAnd1xoff8::create,
      &RstPixelAnd1xoffnon8::create};
  return rst_dispatch_pixel_pair(inputs, x, y, family);
}

RstRead* RstPixelAnd1xoff8::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  return rst_create_pixel_variant<RstPixelAnd1xoff8>(inputs, x, y, "RstPixelAnd1xoff8::create()",
                                                     RstPairRoute::aligned_1bit, false, &same_size);
}

RstRead* RstPixelAnd1xoffnon8::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  return rst_create_pixel_variant<RstPixelAnd1xoffnon8>(inputs, x, y, "RstPixelAnd1xoffnon8::create()",
                                                        RstPairRoute::shifted_1bit, false, &same_size);
}

RstRead* RstPixelAndN::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  return rst_create_pixel_variant<RstPixelAndN>(inputs, x, y, "RstPixelAndN::create()", RstPairRoute::depth_8bit, false,
                                                &same_size);
}
