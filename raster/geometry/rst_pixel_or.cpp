// The Or dispatcher and its variants.
#include "raster/geometry/rst_pixel_or.h"

#include "raster/geometry/rst_pixel_same_size.h"

namespace {
RstRead* same_size(const std::vector<RstRead*>& inputs) { return RstPixelOrSameSize::create(inputs); }
}  // namespace

RstRead* RstPixelOr::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  static const RstPixelFamily family{
      "RstPixelOr::create()",      false, &same_size, &RstPixelOrN::create, &RstPixelOr1xoff8::create,
      &RstPixelOr1xoffnon8::create};
  return rst_dispatch_pixel_pair(inputs, x, y, family);
}

RstRead* RstPixelOr1xoff8::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  return rst_create_pixel_variant<RstPixelOr1xoff8>(inputs, x, y, "RstPixelOr1xoff8::create()",
                                                    RstPairRoute::aligned_1bit, false, &same_size);
}

RstRead* RstPixelOr1xoffnon8::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  return rst_create_pixel_variant<RstPixelOr1xoffnon8>(inputs, x, y, "RstPixelOr1xoffnon8::create()",
                                                       RstPairRoute::shifted_1bit, false, &same_size);
}

RstRead* RstPixelOrN::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  return rst_create_pixel_variant<RstPixelOrN>(inputs, x, y, "RstPixelOrN::create()", RstPairRoute::depth_8bit, false,
                                               &same_size);
}
