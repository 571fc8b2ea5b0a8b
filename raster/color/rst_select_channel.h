// Channel selection: RstSelectChannel keeps one channel of every pixel (Y of
// YCbCr as gray, L of Lab, single channels for the JPEG writer and the MRC
// layers). Its transformer CtSelectChannel keeps N consecutive channels of M;
// it also undoes channel extension and the appended maximum channel.
#pragma once

#include <cstdint>

#include "raster/color/color_transformer.h"
#include "raster/color/rst_transform_color.h"
#include "raster/core/rst_alloc.h"

// The stored value of a sample type: the integer of an UIntNBit, the type
// itself otherwise.
template <class T>
struct CtSampleValue {
  using type = T;
};
template <int N>
struct CtSampleValue<UIntNBit<N>> {
  using type = typename UIntNBit<N>::value_type;
};

template <class T>
class CtSelectChannel : public CtColorTransformerMToN<T, T> {
 public:
  using typename CtColorTransformer<T, T>::in_run;
  using typename CtColorTransformer<T, T>::out_run;

  // Of m input channels, n from first on.
  CtSelectChannel(int m, int n, int first) : CtColorTransformerMToN<T, T>(m, n), first_(first) {}
  ColorTransformer* clone() const override { return rst_new<CtSelectChannel>(*this); }
  // Dropped channels cannot be restored.
  ColorTransformerInverse inverse() const override { return {nullptr, CtInverseStatus::none}; }
  bool usable() const override {
    return this->channels() > 0 && first_ >= 0 && first_ + this->channels() <= this->input_channels();
  }
  void transform_samples(in_run in, out_run out, unsigned pixels) override {
    if (!usable()) return;
    const int m = this->input_channels(), n = this->channels();
    if constexpr (std::is_same_v<T, UIntNBit<1>>) {
      for (uint64_t p = 0; p < pixels; ++p)
        for (int j = 0; j < n; ++j) out.set(p * n + j, in.get(p * m + first_ + j));
    } else {
      in += first_;
      for (unsigned p = 0; p < pixels; ++p, in += m, out += n)
        for (int j = 0; j < n; ++j) out[j] = in[j];
    }
  }
  int first_channel() const { return first_; }

 private:
  int first_;
};

class RstSelectChannel : public RstTransformColor {
 public:
  // The node keeping channel index, the source itself for index 0 of a
  // one-channel source (color_type then not applied), or null after -2
  // "RstSelectChannel::create()" for no source or an index outside 0 .. C - 1,
  // or after -50 for samples other than unsigned 1, 8 or 16 bits (then -1
  // "RstTransformColor::initiate()").
  static RstRead* create(RstRead* source, int index, RstColorType* color_type);
  // count channels from index; null after -50 "RstSelectChannel::create()"
  // for other samples, -2 for channels outside the pixel, or without a report
  // when memory ran out.
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& attributes, int index, int count);

  RstSelectChannel(RstRead* source, int index, int count, RstColorType* color_type);
};

extern template class CtSelectChannel<UIntNBit<1>>;
extern template class CtSelectChannel<UIntNBit<8>>;
extern template class CtSelectChannel<UIntNBit<16>>;
extern template class CtSelectChannel<float>;
extern template class CtSelectChannel<double>;
extern template class CtSelectChannel<CtFixed>;
