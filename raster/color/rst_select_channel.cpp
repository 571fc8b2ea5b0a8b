// The channel selection node and its transformer instances.
#include "raster/color/rst_select_channel.h"

#include "raster/color/rst_color_attributes.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

template class CtSelectChannel<UIntNBit<1>>;
template class CtSelectChannel<UIntNBit<8>>;
template class CtSelectChannel<UIntNBit<16>>;
template class CtSelectChannel<float>;
template class CtSelectChannel<double>;
template class CtSelectChannel<CtFixed>;

namespace {
const char* const kWhere = "RstSelectChannel::create()";
}  // namespace

ColorTransformer* RstSelectChannel::create_color_transformer(const ColorOutputAttributes& attributes, int index,
                                                             int count) {
  int m = attributes.channels(), bits = attributes.bits();
  if (attributes.sample_kind() != RstSampleKind::unsigned_int || (bits != 1 && bits != 8 && bits != 16)) {
    rst_report(RstCode::unsupported_option, kWhere);
    return nullptr;
  }
  if (count < 1 || index < 0 || index > m - count) {
    rst_report(RstCode::bad_argument, kWhere);
    return nullptr;
  }
  if (bits == 1) return rst_new<CtSelectChannel<UIntNBit<1>>>(m, count, index);
  if (bits == 8) return rst_new<CtSelectChannel<UIntNBit<8>>>(m, count, index);
  return rst_new<CtSelectChannel<UIntNBit<16>>>(m, count, index);
}

RstSelectChannel::RstSelectChannel(RstRead* source, int index, int count, RstColorType* color_type)
    : RstTransformColor(source, create_color_transformer(RstColorAttributes(source), index, count), color_type) {}

RstRead* RstSelectChannel::create(RstRead* source, int index, RstColorType* color_type) {
  RstCreateGuard guard(source);
  int channels = source ? RstColorAttributes(source).channels() : 0;
  int status = RstCode::bad_argument;
  if (source && channels == 1 && index == 0) status = 0;
  else if (source && channels > 1 && index >= 0 && index <= channels - 1) status = 1;
  if (status == 0) return rst_create_end(source, guard);
  if (status < 0) {
    rst_report(status, kWhere);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstSelectChannel>(source, index, 1, color_type), guard);
}
