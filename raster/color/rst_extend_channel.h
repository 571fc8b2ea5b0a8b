// Channel extension: RstExtendChannel widens every pixel to more channels,
// the source's channels at an offset and zeros around them (reversed gray
// into the K of CMYK). Its transformer's inverse is the selection of the
// channels it placed.
#pragma once

#include <cstdint>

#include "raster/color/color_transformer.h"
#include "raster/color/rst_select_channel.h"
#include "raster/color/rst_transform_color.h"
#include "raster/core/rst_alloc.h"

template <class T>
class CtExtendChannel : public CtColorTransformerMToN<T, T> {
 public:
  using typename CtColorTransformer<T, T>::in_run;
  using typename CtColorTransformer<T, T>::out_run;
  using value_type = typename CtSampleValue<T>::type;

  // m input channels written at offset of n output channels; every other
  // sample is fill.
  CtExtendChannel(int m, int n, int offset, value_type fill = value_type())
      : CtColorTransformerMToN<T, T>(m, n), offset_(offset), fill_(fill) {}
  ColorTransformer* clone() const override { return rst_new<CtExtendChannel>(*this); }
  ColorTransformerInverse inverse() const override {
    return {rst_new<CtSelectChannel<T>>(this->channels(), this->input_channels(), offset_), CtInverseStatus::made};
  }
  bool usable() const override {
    return this->input_channels() > 0 && offset_ >= 0 && offset_ + this->input_channels() <= this->channels();
  }
  void transform_samples(in_run in, out_run out, unsigned pixels) override {
    if (!usable()) return;
    const int m = this->input_channels(), n = this->channels(), after = m + offset_;
    if constexpr (std::is_same_v<T, UIntNBit<1>>) {
      for (uint64_t p = 0; p < pixels; ++p) {
        uint64_t o = p * n;
        for (int j = 0; j < offset_; ++j) out.set(o + j, fill_);
        for (int j = 0; j < m; ++j) out.set(o + offset_ + j, in.get(p * m + j));
        for (int j = after; j < n; ++j) out.set(o + j, fill_);
      }
    } else {
      for (unsigned p = 0; p < pixels; ++p, in += m, out += n) {
        for (int j = 0; j < offset_; ++j) out[j] = fill_;
        for (int j = 0; j < m; ++j) out[offset_ + j] = in[j];
        for (int j = after; j < n; ++j) out[j] = fill_;
      }
    }
  }
  int offset() const { return offset_; }

 private:
  int offset_;
  value_type fill_;
};

class RstExtendChannel : public RstTransformColor {
 public:
  // The node with channels output channels, the source's at offset; the
  // source itself when channels is the source's count and offset 0
  // (color_type then not applied); null after -2 "RstExtendChannel::create()"
  // for no source or channels that do not fit, or after -50 for samples
  // other than unsigned 1, 8, 16 bits or float and double (then -1
  // "RstTransformColor::initiate()").
  static RstRead* create(RstRead* source, int offset, int channels, RstColorType* color_type);
  // A new transformer, fill 0; null after -50 "RstExtendChannel::create()"
  // for other samples, -2 for channels that do not fit, or without a report
  // when memory ran out.
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& attributes, int offset, int channels);

  RstExtendChannel(RstRead* source, int offset, int channels, RstColorType* color_type);
};

extern template class CtExtendChannel<UIntNBit<1>>;
extern template class CtExtendChannel<UIntNBit<8>>;
extern template class CtExtendChannel<UIntNBit<16>>;
extern template class CtExtendChannel<float>;
extern template class CtExtendChannel<double>;
