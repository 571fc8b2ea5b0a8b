// The colour transformer interface: an object that turns a run of pixels of
// one sample layout into a run of another, knowing nothing of images. It says
// what it reads and writes, copies itself and can usually give its inverse.
// CtColorTransformer<I,O> wraps the raw buffers as typed runs of the sample
// types I and O; the MToN and 1To1xM bases add the channel counts. The output
// policies (clip, round, compose) serve the computing transformers.
#pragma once

#include <algorithm>
#include <cstdint>

#include "raster/color/rst_color_attributes.h"
#include "raster/color/rst_sample_types.h"

template <class T>
class Cloneable {
 public:
  virtual ~Cloneable() = default;
  // A new, independent copy owned by the caller; null when memory ran out.
  virtual T* clone() const = 0;
};

class ColorTransformer;

// Result of ColorTransformer::inverse: the new transformer (caller's) and a
// status: 0 made (null only when memory ran out), 2 no inverse exists, 3 the
// transformer is a plain lookup table.
struct ColorTransformerInverse {
  ColorTransformer* transformer = nullptr;
  int status = 0;
};

namespace CtInverseStatus {
inline constexpr int made = 0;
inline constexpr int none = 2;
inline constexpr int lookup_table = 3;
}  // namespace CtInverseStatus

class ColorTransformer : public ColorOutputAttributes, public Cloneable<ColorTransformer> {
 public:
  ~ColorTransformer() override = default;
  virtual int input_bits() const = 0;
  virtual int input_channels() const = 0;
  virtual int input_sample_kind() const = 0;
  virtual ColorTransformerInverse inverse() const = 0;
  // pixels x input_channels samples from in become pixels x channels samples
  // in out (distinct buffers, whole pixels, interleaved). No state is kept
  // between calls.
  virtual void transform(const void* in, void* out, unsigned pixels) = 0;
  virtual bool usable() const = 0;
};

template <class I, class O>
class CtColorTransformer : public ColorTransformer {
 public:
  using in_run = typename CtSampleTraits<I>::in_run;
  using out_run = typename CtSampleTraits<O>::out_run;

  int bits() const override { return CtSampleTraits<O>::bits; }
  int sample_kind() const override { return CtSampleTraits<O>::sample_kind; }
  int input_bits() const override { return CtSampleTraits<I>::bits; }
  int input_sample_kind() const override { return CtSampleTraits<I>::sample_kind; }

  void transform(const void* in, void* out, unsigned pixels) override;
  virtual void transform_samples(in_run in, out_run out, unsigned pixels) = 0;
};

template <class I, class O>
class CtColorTransformerMToN : public CtColorTransformer<I, O> {
 public:
  CtColorTransformerMToN(int m, int n) : m_(m), n_(n) {}
  int input_channels() const override { return m_; }
  int channels() const override { return n_; }

 private:
  int m_;
  int n_;
};

// One function of one sample applied to each of M channels.
template <class I, class O>
class CtColorTransformer1To1xM : public CtColorTransformer<I, O> {
 public:
  explicit CtColorTransformer1To1xM(int m) : m_(m) {}
  int input_channels() const override { return m_; }
  int channels() const override { return m_; }

 private:
  int m_;
};

// The eight sample pairs in use, instantiated in color_transformer.cpp.
extern template class CtColorTransformer<UIntNBit<1>, UIntNBit<1>>;
extern template class CtColorTransformer<UIntNBit<8>, UIntNBit<8>>;
extern template class CtColorTransformer<UIntNBit<16>, UIntNBit<16>>;
extern template class CtColorTransformer<UIntNBit<16>, UIntNBit<8>>;
extern template class CtColorTransformer<UIntNBit<8>, UIntNBit<16>>;
extern template class CtColorTransformer<float, float>;
extern template class CtColorTransformer<double, double>;
extern template class CtColorTransformer<CtFixed, CtFixed>;

// Output policies. Clipper<R,O> clamps a value of the computing type R to the
// range of O (0 .. O::max(), in R's units); NearestRounder<R,O> rounds it to
// the nearest O; UnaryFunctionComposer2 applies the first, then the second.
template <class R, class O>
struct Clipper {
  R operator()(R v) const {
    R top = R(O::max());
    return v < R(0) ? R(0) : (top < v ? top : v);
  }
};

template <class O>
struct Clipper<CtFixed, O> {
  CtFixed operator()(CtFixed v) const {
    constexpr int32_t top = int32_t(O::max()) << CtFixed::fraction_bits;
    return CtFixed::from_raw(std::clamp(v.raw(), int32_t(0), top));
  }
};

template <class R, class O>
struct NearestRounder {
  typename O::value_type operator()(R v) const { return typename O::value_type(v + R(0.5)); }
};

template <class O>
struct NearestRounder<CtFixed, O> {
  typename O::value_type operator()(CtFixed v) const {
    return typename O::value_type((int64_t(v.raw()) + (CtFixed::one >> 1)) >> CtFixed::fraction_bits);
  }
};

template <class F1, class F2>
struct UnaryFunctionComposer2 {
  F1 first;
  F2 second;
  template <class X>
  auto operator()(X x) const {
    return second(first(x));
  }
};
