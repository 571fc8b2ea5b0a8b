// The one-dimensional curves: a power-law gamma, the CIE lightness function
// f and its inverse, and gamma-encoded gray to and from L*/100. They call pow
// per sample, so they are only run to fill a CtTablizedLUT, never on pixels.
// Each result y (0 to 1) is stored as y x max clamped and rounded half up.
#pragma once

#include <cmath>

#include "raster/color/color_transformer.h"
#include "raster/core/rst_alloc.h"

namespace ct_curve_detail {

template <class T>
constexpr double reciprocal_max();
template <>
constexpr double reciprocal_max<UIntNBit<8>>() {
  return 0.00392156862745098;  // 1 / 255
}
template <>
constexpr double reciprocal_max<UIntNBit<16>>() {
  return 1.5259021896696422e-05;  // 1 / 65535
}

// y x max clamped to 0 .. max (NaN gives 0), then + 0.5 truncated.
template <class Tout>
typename Tout::value_type store(double y) {
  double v = y * double(Tout::max());
  if (!(v > 0.0)) v = 0.0;
  if (v > double(Tout::max())) v = double(Tout::max());
  return typename Tout::value_type(v + 0.5);
}

}  // namespace ct_curve_detail

// Applies curve(t) to every sample of every channel; Derived::curve maps
// t = in / max(Tin) to y in 0 .. 1.
template <class Tin, class Tout, class Derived>
class CtCurve : public CtColorTransformer1To1xM<Tin, Tout> {
 public:
  using typename CtColorTransformer<Tin, Tout>::in_run;
  using typename CtColorTransformer<Tin, Tout>::out_run;

  explicit CtCurve(int channels) : CtColorTransformer1To1xM<Tin, Tout>(channels) {}
  ColorTransformer* clone() const override { return rst_new<Derived>(static_cast<const Derived&>(*this)); }
  bool usable() const override { return true; }
  void transform_samples(in_run in, out_run out, unsigned pixels) override {
    const Derived& d = static_cast<const Derived&>(*this);
    size_t n = size_t(pixels) * size_t(this->channels() > 0 ? this->channels() : 0);
    for (size_t i = 0; i < n; ++i)
      out[i] = ct_curve_detail::store<Tout>(d.curve(in[i] * ct_curve_detail::reciprocal_max<Tin>()));
  }
};

template <class Tin, class Tout>
class CtGamma : public CtCurve<Tin, Tout, CtGamma<Tin, Tout>> {
 public:
  CtGamma(int channels, double gamma) : CtCurve<Tin, Tout, CtGamma>(channels), gamma_(gamma) {}
  // The curve with 1 / gamma, the depths swapped.
  ColorTransformerInverse inverse() const override {
    return {rst_new<CtGamma<Tout, Tin>>(this->channels(), 1.0 / gamma_), CtInverseStatus::made};
  }
  double curve(double t) const { return std::pow(t, gamma_); }
  double gamma() const { return gamma_; }

 private:
  double gamma_;
};

template <class Tin, class Tout>
class CtLstarToGamma;

// Gamma-encoded gray to L*/100 (L* 100 is the largest sample).
template <class Tin, class Tout>
class CtGammaToLstar : public CtCurve<Tin, Tout, CtGammaToLstar<Tin, Tout>> {
 public:
  CtGammaToLstar(int channels, double gamma)
      : CtCurve<Tin, Tout, CtGammaToLstar>(channels),
        gamma_(gamma),
        gamma_third_(gamma * 0.3333333333333333),
        // The gray value whose linear luminance is (6/29)^3.
        threshold_(std::pow(0.20689655172413793, 3.0 / gamma)) {}
  ColorTransformerInverse inverse() const override {
    return {rst_new<CtLstarToGamma<Tout, Tin>>(this->channels(), gamma_), CtInverseStatus::made};
  }
  double curve(double t) const {
    if (t > threshold_) return (std::pow(t, gamma_third_) * 29.0 - 4.0) * 0.04;
    return std::pow(t, gamma_) * 24389.0 * 0.00037037037037037035;
  }
  double gamma() const { return gamma_; }
  double threshold() const { return threshold_; }

 private:
  double gamma_;
  double gamma_third_;
  double threshold_;
};

// L*/100 to gamma-encoded gray.
template <class Tin, class Tout>
class CtLstarToGamma : public CtCurve<Tin, Tout, CtLstarToGamma<Tin, Tout>> {
 public:
  CtLstarToGamma(int channels, double gamma)
      : CtCurve<Tin, Tout, CtLstarToGamma>(channels),
        gamma_(gamma),
        reciprocal_(1.0 / gamma),
        three_over_(3.0 / gamma) {}
  ColorTransformerInverse inverse() const override {
    return {rst_new<CtGammaToLstar<Tout, Tin>>(this->channels(), gamma_), CtInverseStatus::made};
  }
  double curve(double t) const {
    if (t > threshold_) return std::pow(t * 25.0 * 0.034482758620689655 + 0.13793103448275862, three_over_);
    return std::pow(t * 2700.0 * 4.1002091106646436e-05, reciprocal_);
  }
  double gamma() const { return gamma_; }

 private:
  double gamma_;
  double reciprocal_;
  double three_over_;
  double threshold_ = 0.08;  // L*/100 at luminance (6/29)^3
};

template <class Tin, class Tout>
class CtLightnessToBrightness;

// Relative luminance Y/Yn to f(Y/Yn) = (L* + 16) / 116.
template <class Tin, class Tout>
class CtBrightnessToLightness : public CtCurve<Tin, Tout, CtBrightnessToLightness<Tin, Tout>> {
 public:
  explicit CtBrightnessToLightness(int channels) : CtCurve<Tin, Tout, CtBrightnessToLightness>(channels) {}
  ColorTransformerInverse inverse() const override {
    return {rst_new<CtLightnessToBrightness<Tout, Tin>>(this->channels()), CtInverseStatus::made};
  }
  double curve(double t) const {
    if (t > 0.008856451679035631) return std::pow(t, 0.3333333333333333);
    return t * 7.787037037037037 + 0.13793103448275862;
  }
};

// f back to relative luminance.
template <class Tin, class Tout>
class CtLightnessToBrightness : public CtCurve<Tin, Tout, CtLightnessToBrightness<Tin, Tout>> {
 public:
  explicit CtLightnessToBrightness(int channels) : CtCurve<Tin, Tout, CtLightnessToBrightness>(channels) {}
  ColorTransformerInverse inverse() const override {
    return {rst_new<CtBrightnessToLightness<Tout, Tin>>(this->channels()), CtInverseStatus::made};
  }
  double curve(double t) const {
    if (t > 0.20689655172413793) return t * (t * t);
    return (t - 0.13793103448275862) * 0.12841854934601665;
  }
};

extern template class CtGamma<UIntNBit<16>, UIntNBit<16>>;
extern template class CtGamma<UIntNBit<16>, UIntNBit<8>>;
extern template class CtGamma<UIntNBit<8>, UIntNBit<16>>;
extern template class CtGammaToLstar<UIntNBit<8>, UIntNBit<8>>;
extern template class CtLstarToGamma<UIntNBit<8>, UIntNBit<8>>;
extern template class CtBrightnessToLightness<UIntNBit<8>, UIntNBit<8>>;
extern template class CtBrightnessToLightness<UIntNBit<16>, UIntNBit<16>>;
extern template class CtLightnessToBrightness<UIntNBit<8>, UIntNBit<8>>;
extern template class CtLightnessToBrightness<UIntNBit<16>, UIntNBit<16>>;
