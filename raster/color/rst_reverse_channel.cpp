// Channel order reversal: the transformers, the node that picks one, and the
// in-place byte swap of 3 x 8-bit pixels.
#include "raster/color/rst_reverse_channel.h"

#include <bit>
#include <cstring>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

template <class T>
ColorTransformer* CtReverseChannel<T>::clone() const {
  return rst_new<CtReverseChannel<T>>(*this);
}

template <class T>
void CtReverseChannel<T>::transform_samples(in_run in, out_run out, unsigned pixels) {
  int m = this->channels();
  for (unsigned p = 0; p < pixels; ++p, in += m, out += m)
    for (int j = 0; j < m; ++j) out[j] = in[m - 1 - j];
}

template <class T, int N>
ColorTransformer* CtReverseChannelN<T, N>::clone() const {
  return rst_new<CtReverseChannelN<T, N>>(*this);
}

template <class T, int N>
void CtReverseChannelN<T, N>::transform_samples(in_run in, out_run out, unsigned pixels) {
  for (unsigned p = 0; p < pixels; ++p, in += N, out += N) {
    if constexpr (N == 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    } else {
      out[0] = in[3];
      out[1] = in[2];
      out[2] = in[1];
      out[3] = in[0];
    }
  }
}

template class CtReverseChannel<UIntNBit<8>>;
template class CtReverseChannel<UIntNBit<16>>;
template class CtReverseChannel<float>;
template class CtReverseChannel<double>;
template class CtReverseChannelN<UIntNBit<8>, 3>;
template class CtReverseChannelN<UIntNBit<8>, 4>;
template class CtReverseChannelN<UIntNBit<16>, 3>;
template class CtReverseChannelN<UIntNBit<16>, 4>;
template class CtReverseChannelN<float, 3>;
template class CtReverseChannelN<float, 4>;
template class CtReverseChannelN<double, 3>;
template class CtReverseChannelN<double, 4>;

namespace {
template <class T>
ColorTransformer* make_reversal(int channels) {
  if (channels == 3) return rst_new<CtReverseChannelN<T, 3>>();
  if (channels == 4) return rst_new<CtReverseChannelN<T, 4>>();
  return rst_new<CtReverseChannel<T>>(channels);
}
}  // namespace

ColorTransformer* RstReverseChannel::create_color_transformer(const ColorOutputAttributes& attributes) {
  int kind = attributes.sample_kind(), bits = attributes.bits(), channels = attributes.channels();
  // Floating-point samples are those of kind 3, the kind the float and
  // double transformers announce.
  if (channels > 0) {
    if (kind == RstSampleKind::unsigned_int && bits == 8) return make_reversal<UIntNBit<8>>(channels);
    if (kind == RstSampleKind::unsigned_int && bits == 16) return make_reversal<UIntNBit<16>>(channels);
    if (kind == RstSampleKind::floating_point && bits == 32) return make_reversal<float>(channels);
    if (kind == RstSampleKind::floating_point && bits == 64) return make_reversal<double>(channels);
  }
  rst_report(RstCode::unsupported_option, "RstReverseChannel::create()");
  return nullptr;
}

RstReverseChannel::RstReverseChannel(RstRead* source, RstColorType* color_type)
    : RstTransformColor(source, create_color_transformer(RstColorAttributes(source)), color_type) {}

RstRead* RstReverseChannel::create(RstRead* source, RstColorType* color_type) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, "RstReverseChannel::create()");
    return nullptr;
  }
  RstHeader h(source);
  if (h.samples_per_pixel == 1) return rst_create_end(source, guard);
  if (h.samples_per_pixel == 3 && h.bits_per_sample == 8 && h.sample_kind == RstSampleKind::unsigned_int)
    return rst_create_end(static_cast<RstRead*>(RstReverseChannel3UInt8::create(source)), guard);
  return rst_create_end_node_or_drop(rst_new<RstReverseChannel>(source, color_type), guard);
}

RstReverseChannel3UInt8* RstReverseChannel3UInt8::create(RstRead* source) {
  RstCreateGuard guard(source);
  RstHeader h(source);
  if (!source || h.samples_per_pixel != 3 || h.bits_per_sample != 8 || h.sample_kind != RstSampleKind::unsigned_int) {
    rst_report(RstCode::bad_argument, "RstReverseChannel3UInt8::create()");
    return nullptr;
  }
  return rst_create_end(rst_new<RstReverseChannel3UInt8>(source), guard);
}

namespace {

// Eight pixels (24 bytes, three little-endian words) at a time: within each
// word bytes move by two places, and three bytes cross into the next or
// previous word.
void swap_eight_pixels(uint8_t* p) {
  uint64_t w0, w1, w2;
  std::memcpy(&w0, p, 8);
  std::memcpy(&w1, p + 8, 8);
  std::memcpy(&w2, p + 16, 8);
  uint64_t o0 = (w0 & 0xFF0000FF0000FF00u) | ((w0 >> 16) & 0x00000000FF0000FFu) | ((w0 << 16) & 0x0000FF0000FF0000u) |
                ((w1 << 48) & 0x00FF000000000000u);
  uint64_t o1 = ((w0 >> 48) & 0xFFu) | ((w1 >> 16) & 0x000000FF0000FF00u) | (w1 & 0x0000FF0000FF0000u) |
                ((w1 << 16) & 0x00FF0000FF000000u) | ((w2 << 48) & 0xFF00000000000000u);
  uint64_t o2 = (w2 & 0x00FF0000FF0000FFu) | ((w1 >> 48) & 0xFF00u) | ((w2 >> 16) & 0x0000FF0000FF0000u) |
                ((w2 << 16) & 0xFF0000FF00000000u);
  std::memcpy(p, &o0, 8);
  std::memcpy(p + 8, &o1, 8);
  std::memcpy(p + 16, &o2, 8);
}

}  // namespace

int RstReverseChannel3UInt8::read(uint8_t* line) {
  int n = source()->read(line);
  if (n <= 0) return 0;
  int pixels = n / 3;
  uint8_t* p = line;
  uint8_t* end = line + 3 * size_t(pixels);
  if constexpr (std::endian::native == std::endian::little)
    for (; end - p >= 24; p += 24) swap_eight_pixels(p);
  for (; p != end; p += 3) {
    uint8_t t = p[0];
    p[0] = p[2];
    p[2] = t;
  }
  return pixels * 3;
}
