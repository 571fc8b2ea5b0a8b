// The colour nodes handed to the format readers: 1-bit to 8-bit widening.
#include "raster/color/rst_color_creators.h"

#include "raster/color/rst_convert_bits.h"
#include "raster/color/rst_reverse_color.h"
#include "raster/formats/rst_format_creators.h"

namespace {
RstRead* convert_bits_1_to_8(RstRead* source, uint8_t zero, uint8_t one) {
  return RstConvertBits1To8::create(source, zero, one);
}
RstRead* reverse_gray(RstRead* source) { return RstReverseGray::create(source, nullptr); }
}  // namespace

void rst_register_color_creators() {
  rst_format_creators().convert_bits_1_to_8 = &convert_bits_1_to_8;
  rst_format_creators().reverse_gray = &reverse_gray;
}
