// The paste dispatcher and its variants.
#include "raster/geometry/rst_paste.h"

RstRead* RstPaste::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  static const RstPixelFamily family{
      "RstPaste::create()", true, nullptr, &RstPasteN::create, &RstPaste1xoff8::create, &RstPaste1xoffnon8::create};
  return rst_dispatch_pixel_pair(inputs, x, y, family);
}

RstRead* RstPaste1xoff8::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  return rst_create_pixel_variant<RstPaste1xoff8>(inputs, x, y, "RstPaste1xoff8::create()", RstPairRoute::aligned_1bit,
                                                  true, nullptr);
}

RstRead* RstPaste1xoffnon8::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  return rst_create_pixel_variant<RstPaste1xoffnon8>(inputs, x, y, "RstPaste1xoffnon8::create()",
                                                     RstPairRoute::shifted_1bit, true, nullptr);
}

RstRead* RstPasteN::create(const std::vector<RstRead*>& inputs, int32_t x, int32_t y) {
  return rst_create_pixel_variant<RstPasteN>(inputs, x, y, "RstPasteN::create()", RstPairRoute::depth_8bit, true,
                                             nullptr);
}
