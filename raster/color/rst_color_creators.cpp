// The colour nodes handed to the format readers and the geometry nodes:
// 1-bit to 8-bit widening, gray reversal, tables, Lab ranges, colour
// conversion and colormap expansion; and the channel selection of the JPEG
// writer's chroma filter.
#include "raster/color/rst_color_creators.h"

#include "raster/codecs/rst_codec_creators.h"
#include "raster/color/rst_apply_colormap.h"
#include "raster/color/rst_convert_bits.h"
#include "raster/color/rst_convert_color_range.h"
#include "raster/color/rst_lab_range.h"
#include "raster/color/rst_reverse_channel.h"
#include "raster/color/rst_reverse_color.h"
#include "raster/color/rst_select_channel.h"
#include "raster/color/rst_transform_color_lut.h"
#include "raster/color/rst_transform_color_to.h"
#include "raster/formats/rst_format_creators.h"

namespace {
RstRead* convert_bits_1_to_8(RstRead* source, uint8_t zero, uint8_t one) {
  return RstConvertBits1To8::create(source, zero, one);
}
RstRead* reverse_gray(RstRead* source) { return RstReverseGray::create(source, nullptr); }
RstRead* transform_color_lut(RstRead* source, const void* table) {
  return RstTransformColorLUT::create(source, table, nullptr);
}
RstRead* convert_lab_range(RstRead* source, const uint32_t range[3], const int32_t offset[3], int32_t bits) {
  RstLabRange from(range[0], offset[0], range[1], offset[1], range[2], offset[2], bits);
  return RstConvertColorRange::create(source, from.matrix(), RstLabRange::default_range().matrix(), nullptr);
}
RstRead* transform_color_to(RstRead* source, RstColorType* target) {
  return RstTransformColorTo::create(source, target);
}
RstRead* apply_colormap(RstRead* source) { return RstApplyColormap::create(source); }
RstRead* convert_bits_4_to_8(RstRead* source) { return RstConvertBits4To8NoRangeConversion::create(source); }
RstRead* reverse_channel(RstRead* source) { return RstReverseChannel::create(source, nullptr); }
RstRead* select_channel(RstRead* source, int32_t channel) {
  return RstSelectChannel::create(source, channel, RstColorType::s_gray());
}
}  // namespace

void rst_register_color_creators() {
  rst_format_creators().convert_bits_1_to_8 = &convert_bits_1_to_8;
  rst_format_creators().reverse_gray = &reverse_gray;
  rst_format_creators().transform_color_lut = &transform_color_lut;
  rst_format_creators().convert_lab_range = &convert_lab_range;
  rst_format_creators().transform_color_to = &transform_color_to;
  rst_format_creators().apply_colormap = &apply_colormap;
  rst_format_creators().convert_bits_4_to_8 = &convert_bits_4_to_8;
  rst_format_creators().reverse_channel = &reverse_channel;
  rst_codec_creators().select_channel = &select_channel;
}
