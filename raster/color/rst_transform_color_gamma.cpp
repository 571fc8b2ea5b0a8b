// The curve instances and the factories that tabulate them.
#include "raster/color/rst_transform_color_gamma.h"

#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

template class CtGamma<UIntNBit<16>, UIntNBit<16>>;
template class CtGamma<UIntNBit<16>, UIntNBit<8>>;
template class CtGamma<UIntNBit<8>, UIntNBit<16>>;
template class CtGammaToLstar<UIntNBit<8>, UIntNBit<8>>;
template class CtLstarToGamma<UIntNBit<8>, UIntNBit<8>>;
template class CtBrightnessToLightness<UIntNBit<8>, UIntNBit<8>>;
template class CtBrightnessToLightness<UIntNBit<16>, UIntNBit<16>>;
template class CtLightnessToBrightness<UIntNBit<8>, UIntNBit<8>>;
template class CtLightnessToBrightness<UIntNBit<16>, UIntNBit<16>>;

namespace {

// The table over curve; the curve itself stays on the stack.
template <class Tin, class Tout, class Curve>
ColorTransformer* tabulated(const Curve& curve) {
  return rst_new<CtTablizedLUT<Tin, Tout>>(curve);
}

template <class T>
ColorTransformer* lightness(int channels, bool to_brightness) {
  if (to_brightness) return tabulated<T, T>(CtLightnessToBrightness<T, T>(channels));
  return tabulated<T, T>(CtBrightnessToLightness<T, T>(channels));
}

}  // namespace

ColorTransformer* RstTransformColorGamma::create(const ColorOutputAttributes& attributes, double gamma) {
  int channels = attributes.channels();
  if (attributes.sample_kind() == RstSampleKind::unsigned_int && channels > 0) {
    if (attributes.bits() == 8)
      return tabulated<UIntNBit<8>, UIntNBit<16>>(CtGamma<UIntNBit<8>, UIntNBit<16>>(channels, gamma));
    if (attributes.bits() == 16)
      return tabulated<UIntNBit<16>, UIntNBit<16>>(CtGamma<UIntNBit<16>, UIntNBit<16>>(channels, gamma));
  }
  rst_report(RstCode::unsupported_option, "RstTransformColorGamma::create()");
  return nullptr;
}

ColorTransformer* RstTransformColorLightness::create(const ColorOutputAttributes& attributes, bool to_brightness) {
  int channels = attributes.channels();
  if (attributes.sample_kind() == RstSampleKind::unsigned_int && channels > 0) {
    if (attributes.bits() == 8) return lightness<UIntNBit<8>>(channels, to_brightness);
    if (attributes.bits() == 16) return lightness<UIntNBit<16>>(channels, to_brightness);
  }
  rst_report(RstCode::unsupported_option, "RstTransformColorLightness::create()");
  return nullptr;
}
