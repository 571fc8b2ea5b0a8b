// The lookup-table instances and the node over a caller's table.
#include "raster/color/rst_transform_color_lut.h"

#include "raster/color/rst_color_attributes.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

CT_LUT_INSTANCES(, CtUpperBoundLUT)
CT_LUT_INSTANCES(, CtLUT)
CT_LUT_INSTANCES(, CtTablizedLUT)

namespace {

const char* const kWhere = "RstTransformColorLUT::create()";

template <class Tin, class Tout>
ColorTransformer* make_lut(int channels, const void* table) {
  return rst_new<CtLUT<Tin, Tout>>(channels, static_cast<const typename Tout::value_type*>(table));
}

}  // namespace

int RstTransformColorLUT::check(RstRead* source, const void* table) {
  if (!source || !table) return RstCode::bad_argument;
  RstHeader h(source);
  if (h.bits_per_sample == 0) return RstCode::bad_argument;
  if (h.sample_kind != RstSampleKind::unsigned_int) return RstCode::unsupported_form;
  return 1;
}

ColorTransformer* RstTransformColorLUT::create_color_transformer(const ColorOutputAttributes& input, const void* table,
                                                                 int output_sample_kind, int output_bits) {
  int in_bits = input.bits(), channels = input.channels();
  if (table && channels > 0 && input.sample_kind() == RstSampleKind::unsigned_int &&
      output_sample_kind == RstSampleKind::unsigned_int) {
    if (in_bits == 8 && output_bits == 8) return make_lut<UIntNBit<8>, UIntNBit<8>>(channels, table);
    if (in_bits == 8 && output_bits == 16) return make_lut<UIntNBit<8>, UIntNBit<16>>(channels, table);
    if (in_bits == 16 && output_bits == 8) return make_lut<UIntNBit<16>, UIntNBit<8>>(channels, table);
    if (in_bits == 16 && output_bits == 16) return make_lut<UIntNBit<16>, UIntNBit<16>>(channels, table);
  }
  rst_report(RstCode::unsupported_option, kWhere);
  return nullptr;
}

namespace {

ColorTransformer* same_depth_lut(RstRead* source, const void* table) {
  RstColorAttributes attributes(source);
  return RstTransformColorLUT::create_color_transformer(attributes, table, attributes.sample_kind(), attributes.bits());
}

}  // namespace

RstTransformColorLUT::RstTransformColorLUT(RstRead* source, const void* table, RstColorType* color_type)
    : RstTransformColor(source, same_depth_lut(source, table), color_type) {}

RstTransformColorLUT* RstTransformColorLUT::create(RstRead* source, const void* table, RstColorType* color_type) {
  RstCreateGuard guard(source);
  int status = check(source, table);
  if (status < 0) {
    rst_report(status, kWhere);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstTransformColorLUT>(source, table, color_type), guard);
}
