// The channel extension node and its transformer instances.
#include "raster/color/rst_extend_channel.h"

#include "raster/color/rst_color_attributes.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

template class CtExtendChannel<UIntNBit<1>>;
template class CtExtendChannel<UIntNBit<8>>;
template class CtExtendChannel<UIntNBit<16>>;
template class CtExtendChannel<float>;
template class CtExtendChannel<double>;

namespace {

const char* const kWhere = "RstExtendChannel::create()";

template <class T>
ColorTransformer* make(int m, int n, int offset) {
  return rst_new<CtExtendChannel<T>>(m, n, offset);
}

}  // namespace

ColorTransformer* RstExtendChannel::create_color_transformer(const ColorOutputAttributes& attributes, int offset,
                                                             int channels) {
  int kind = attributes.sample_kind(), bits = attributes.bits(), m = attributes.channels();
  ColorTransformer* (*maker)(int, int, int) = nullptr;
  // Floating-point samples are those of kind 3, the kind the float and
  // double transformers announce.
  if (kind == RstSampleKind::unsigned_int && bits == 1) maker = &make<UIntNBit<1>>;
  if (kind == RstSampleKind::unsigned_int && bits == 8) maker = &make<UIntNBit<8>>;
  if (kind == RstSampleKind::unsigned_int && bits == 16) maker = &make<UIntNBit<16>>;
  if (kind == RstSampleKind::floating_point && bits == 32) maker = &make<float>;
  if (kind == RstSampleKind::floating_point && bits == 64) maker = &make<double>;
  if (!maker) {
    rst_report(RstCode::unsupported_option, kWhere);
    return nullptr;
  }
  if (m < 1 || offset < 0 || offset > channels - m) {
    rst_report(RstCode::bad_argument, kWhere);
    return nullptr;
  }
  return maker(m, channels, offset);
}

RstExtendChannel::RstExtendChannel(RstRead* source, int offset, int channels, RstColorType* color_type)
    : RstTransformColor(source, create_color_transformer(RstColorAttributes(source), offset, channels), color_type) {}

RstRead* RstExtendChannel::create(RstRead* source, int offset, int channels, RstColorType* color_type) {
  RstCreateGuard guard(source);
  int c = source ? RstColorAttributes(source).channels() : 0;
  int status = RstCode::bad_argument;
  if (source && channels == c && offset == 0) status = 0;
  else if (source && c > 0 && c < channels && offset >= 0 && offset <= channels - c) status = 1;
  if (status == 0) return rst_create_end(source, guard);
  if (status < 0) {
    rst_report(status, kWhere);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<RstExtendChannel>(source, offset, channels, color_type), guard);
}
