// The appended maximum channel: its node and transformer instances.
#include "raster/color/rst_append_channel_max_value.h"

#include "raster/color/rst_color_attributes.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

template class CtAppendChannelOperation<UIntNBit<1>, std::greater<UIntNBit<1>>>;
template class CtAppendChannelOperation<UIntNBit<8>, std::greater<UIntNBit<8>>>;
template class CtAppendChannelOperation<UIntNBit<16>, std::greater<UIntNBit<16>>>;
template class CtAppendChannelOperation<CtFixed, std::greater<CtFixed>>;

namespace {
const char* const kWhere = "RstAppendChannelMaxValue::create()";

template <class T>
ColorTransformer* make(int m) {
  return rst_new<CtAppendChannelOperation<T, std::greater<T>>>(m);
}
}  // namespace

ColorTransformer* RstAppendChannelMaxValue::create_color_transformer(const ColorOutputAttributes& attributes) {
  int kind = attributes.sample_kind(), bits = attributes.bits(), m = attributes.channels();
  if (m > 0) {
    if (kind == RstSampleKind::unsigned_int && bits == 1) return make<UIntNBit<1>>(m);
    if (kind == RstSampleKind::unsigned_int && bits == 8) return make<UIntNBit<8>>(m);
    if (kind == RstSampleKind::unsigned_int && bits == 16) return make<UIntNBit<16>>(m);
    if (kind == RstSampleKind::fixed_point && bits == 32) return make<CtFixed>(m);
  }
  rst_report(RstCode::unsupported_option, kWhere);
  return nullptr;
}

RstAppendChannelMaxValue::RstAppendChannelMaxValue(RstRead* source, RstColorType* color_type)
    : RstTransformColor(source, create_color_transformer(RstColorAttributes(source)), color_type) {}

RstAppendChannelMaxValue* RstAppendChannelMaxValue::create(RstRead* source, RstColorType* color_type) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, kWhere);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstAppendChannelMaxValue>(source, color_type), guard);
}
