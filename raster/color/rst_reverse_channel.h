// Channel order reversal: RGB becomes BGR, CMYK becomes KYMC. Three 8-bit
// samples, the display case, have a node of their own that swaps bytes in
// place; every other layout runs a reversal transformer in an
// RstTransformColor.
#pragma once

#include "raster/color/color_transformer.h"
#include "raster/color/rst_transform_color.h"
#include "raster/core/rst_process.h"

template <class T>
class CtReverseChannel : public CtColorTransformerMToN<T, T> {
 public:
  using typename CtColorTransformer<T, T>::in_run;
  using typename CtColorTransformer<T, T>::out_run;

  explicit CtReverseChannel(int channels) : CtColorTransformerMToN<T, T>(channels, channels) {}
  ColorTransformer* clone() const override;
  // Reversal is its own inverse.
  ColorTransformerInverse inverse() const override { return {clone(), CtInverseStatus::made}; }
  bool usable() const override { return true; }
  void transform_samples(in_run in, out_run out, unsigned pixels) override;
};

// The same with the channel count fixed, for an unrolled loop.
template <class T, int N>
class CtReverseChannelN : public CtReverseChannel<T> {
 public:
  using typename CtReverseChannel<T>::in_run;
  using typename CtReverseChannel<T>::out_run;

  CtReverseChannelN() : CtReverseChannel<T>(N) {}
  ColorTransformer* clone() const override;
  void transform_samples(in_run in, out_run out, unsigned pixels) override;
};

class RstReverseChannel : public RstTransformColor {
 public:
  // The source itself for 1 sample per pixel; an RstReverseChannel3UInt8 for
  // three unsigned 8-bit samples (color_type unused there); otherwise a
  // transformer node. null color_type keeps the source's.
  static RstRead* create(RstRead* source, RstColorType* color_type);
  // A new reversal transformer for the layout, or null after reporting -50
  // "RstReverseChannel::create()".
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& attributes);

  RstReverseChannel(RstRead* source, RstColorType* color_type);
};

// Swaps bytes 0 and 2 of every 3-byte pixel in the caller's line.
class RstReverseChannel3UInt8 : public RstProcess {
 public:
  // Not 3 unsigned 8-bit samples: -2 "RstReverseChannel3UInt8::create()".
  static RstReverseChannel3UInt8* create(RstRead* source);

  explicit RstReverseChannel3UInt8(RstRead* source) : RstProcess(source) {}
  int read(uint8_t* line) override;
  int skip(int n) override { return source()->skip(n); }
  void reset() override { source()->reset(); }
};

extern template class CtReverseChannel<UIntNBit<8>>;
extern template class CtReverseChannel<UIntNBit<16>>;
extern template class CtReverseChannel<float>;
extern template class CtReverseChannel<double>;
extern template class CtReverseChannelN<UIntNBit<8>, 3>;
extern template class CtReverseChannelN<UIntNBit<8>, 4>;
extern template class CtReverseChannelN<UIntNBit<16>, 3>;
extern template class CtReverseChannelN<UIntNBit<16>, 4>;
extern template class CtReverseChannelN<float, 3>;
extern template class CtReverseChannelN<float, 4>;
extern template class CtReverseChannelN<double, 3>;
extern template class CtReverseChannelN<double, 4>;
