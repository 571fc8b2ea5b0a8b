// RstAppendChannelMaxValue: keeps every channel and appends one holding the
// largest sample of the pixel (RGB to CMYK starts with max(R, G, B)). The
// comparison is unsigned for the integer samples, signed for fixed point, and
// an OR for bits.
#pragma once

#include <cstdint>
#include <functional>

#include "raster/color/color_transformer.h"
#include "raster/color/rst_select_channel.h"
#include "raster/color/rst_transform_color.h"
#include "raster/core/rst_alloc.h"

namespace ct_append_detail {

// What a sample compares as: its integer, or the raw value of fixed point.
inline uint32_t key(uint8_t v) { return v; }
inline uint32_t key(uint16_t v) { return v; }
inline int32_t key(CtFixed v) { return v.raw(); }

// The comparison of the class, applied to the samples' keys.
template <class Compare, class K>
struct OnKeys;
template <class T, class K>
struct OnKeys<std::greater<T>, K> {
  using type = std::greater<K>;
};

}  // namespace ct_append_detail

template <class T, class Compare>
class CtAppendChannelOperation : public CtColorTransformerMToN<T, T> {
 public:
  using typename CtColorTransformer<T, T>::in_run;
  using typename CtColorTransformer<T, T>::out_run;

  explicit CtAppendChannelOperation(int m) : CtColorTransformerMToN<T, T>(m, m + 1) {}
  ColorTransformer* clone() const override { return rst_new<CtAppendChannelOperation>(*this); }
  // Dropping the appended channel restores the input exactly.
  ColorTransformerInverse inverse() const override {
    return {rst_new<CtSelectChannel<T>>(this->channels(), this->input_channels(), 0), CtInverseStatus::made};
  }
  bool usable() const override { return this->input_channels() > 0; }
  void transform_samples(in_run in, out_run out, unsigned pixels) override {
    const int m = this->input_channels(), n = this->channels();
    if (m <= 0) return;
    if constexpr (std::is_same_v<T, UIntNBit<1>>) {
      // The largest of bits is their OR.
      for (uint64_t p = 0; p < pixels; ++p) {
        uint8_t top = 0;
        for (int j = 0; j < m; ++j) {
          uint8_t b = in.get(p * m + j);
          out.set(p * n + j, b);
          top |= b;
        }
        out.set(p * n + m, top);
      }
    } else {
      using K = decltype(ct_append_detail::key(in[0]));
      typename ct_append_detail::OnKeys<Compare, K>::type greater;
      for (unsigned p = 0; p < pixels; ++p, in += m, out += n) {
        auto top = in[0];
        out[0] = top;
        for (int j = 1; j < m; ++j) {
          auto s = in[j];
          out[j] = s;
          if (greater(ct_append_detail::key(s), ct_append_detail::key(top))) top = s;
        }
        out[m] = top;
      }
    }
  }
};

class RstAppendChannelMaxValue : public RstTransformColor {
 public:
  // The node, or null after -2 "RstAppendChannelMaxValue::create()" for no
  // source, or after -50 for samples other than unsigned 1, 8, 16 bits or
  // 32-bit fixed point (then -1 "RstTransformColor::initiate()").
  static RstAppendChannelMaxValue* create(RstRead* source, RstColorType* color_type);
  // A new transformer with one more output channel; null after -50
  // "RstAppendChannelMaxValue::create()" for other samples, or without a
  // report when memory ran out.
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& attributes);

  RstAppendChannelMaxValue(RstRead* source, RstColorType* color_type);
};

extern template class CtAppendChannelOperation<UIntNBit<1>, std::greater<UIntNBit<1>>>;
extern template class CtAppendChannelOperation<UIntNBit<8>, std::greater<UIntNBit<8>>>;
extern template class CtAppendChannelOperation<UIntNBit<16>, std::greater<UIntNBit<16>>>;
extern template class CtAppendChannelOperation<CtFixed, std::greater<CtFixed>>;
