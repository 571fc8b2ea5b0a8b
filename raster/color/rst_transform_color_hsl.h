// RGB to HSL and back in integer arithmetic, 8 and 16 bits. Hue is a
// fraction of a full turn scaled to 2^bits (red 0, green a third, blue two
// thirds); saturation and lightness follow the double-cone definitions.
// Every division rounds in one fixed way, so results are the same on every
// machine.
#pragma once

#include "raster/color/color_transformer.h"
#include "raster/color/rst_transform_color.h"

template <class I, class O>
class CtRGBToHSL;
template <class I, class O>
class CtHSLToRGB;

template <class T>
class CtRGBToHSL<T, T> : public CtColorTransformerMToN<T, T> {
 public:
  using typename CtColorTransformer<T, T>::in_run;
  using typename CtColorTransformer<T, T>::out_run;

  CtRGBToHSL() : CtColorTransformerMToN<T, T>(3, 3) {}
  ColorTransformer* clone() const override;
  ColorTransformerInverse inverse() const override;
  bool usable() const override { return true; }
  void transform_samples(in_run in, out_run out, unsigned pixels) override;
};

template <class T>
class CtHSLToRGB<T, T> : public CtColorTransformerMToN<T, T> {
 public:
  using typename CtColorTransformer<T, T>::in_run;
  using typename CtColorTransformer<T, T>::out_run;

  CtHSLToRGB() : CtColorTransformerMToN<T, T>(3, 3) {}
  ColorTransformer* clone() const override;
  ColorTransformerInverse inverse() const override;
  bool usable() const override { return true; }
  void transform_samples(in_run in, out_run out, unsigned pixels) override;
};

class RstTransformColorRGBToHSL : public RstTransformColor {
 public:
  // The node over source labelled color_type; its layout is judged when it
  // is initiated (a wrong one ends in null after the reports).
  static RstTransformColorRGBToHSL* create(RstRead* source, RstColorType* color_type);
  // Three unsigned 8- or 16-bit samples: a new transformer (null without a
  // report when memory ran out); otherwise null after -50
  // "RstTransformColorRGBToHSL::create_color_transformer()".
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& attributes);

  RstTransformColorRGBToHSL(RstRead* source, RstColorType* color_type);
};

class RstTransformColorHSLToRGB : public RstTransformColor {
 public:
  static RstTransformColorHSLToRGB* create(RstRead* source, RstColorType* color_type);
  // As RstTransformColorRGBToHSL's, with the where-text
  // "RstTransformColorHSLToRGB::create_color_transformer()".
  static ColorTransformer* create_color_transformer(const ColorOutputAttributes& attributes);

  RstTransformColorHSLToRGB(RstRead* source, RstColorType* color_type);
};

extern template class CtRGBToHSL<UIntNBit<8>, UIntNBit<8>>;
extern template class CtRGBToHSL<UIntNBit<16>, UIntNBit<16>>;
extern template class CtHSLToRGB<UIntNBit<8>, UIntNBit<8>>;
extern template class CtHSLToRGB<UIntNBit<16>, UIntNBit<16>>;
