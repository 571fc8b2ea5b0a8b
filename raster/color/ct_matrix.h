// The matrix transformers: every pixel times a colour matrix, in three kinds
// (linear; "reduce", the linear kind for matrices whose outputs cannot leave
// the range; affine, with an offset per output) and fixed-size forms for
// 3 -> 3, 3 -> 1 and 1 -> 3 channels. 16-bit sides compute in double; 8 -> 8
// computes in 20.12 fixed point with integer sums. The depth scale and the
// offsets' unit are applied once, at construction. inverse() inverts the
// unscaled source matrix, so inverting twice gives the first matrix back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <new>
#include <type_traits>

#include "raster/color/color_transformer.h"
#include "raster/color/rst_matrix.h"
#include "raster/core/rst_alloc.h"

template <class R, class O>
using CtMatrixConv = UnaryFunctionComposer2<Clipper<R, O>, NearestRounder<R, O>>;

namespace ct_matrix_detail {

// Owned array of n values through the library's allocator; throws
// std::bad_alloc when memory runs out.
template <class V>
V* allocate(size_t n) {
  void* block = rst_calloc((n > 0 ? n : 1) * sizeof(V));
  if (!block) throw std::bad_alloc();
  return static_cast<V*>(block);
}

template <class V>
struct Owned {
  V* p = nullptr;
  size_t n = 0;
  explicit Owned(size_t count) : p(allocate<V>(count)), n(count) {}
  Owned(const Owned& o) : p(allocate<V>(o.n)), n(o.n) { std::copy(o.p, o.p + n, p); }
  Owned& operator=(const Owned&) = delete;
  ~Owned() { rst_free(p); }
};

// The working matrix of a depth pair: L times the scale max(Out) / max(In).
// Fixed point runs only 8 -> 8, whose scale is 1: L times the FixedReal 1.0.
template <class In, class Out, class Real>
RstMatrix<Real> scaled(const RstMatrix<Real>& l) {
  RstMatrix<Real> w(l);
  if constexpr (std::is_same_v<Real, CtFixed>) w *= CtFixed::from_raw(CtFixed::one);
  else w *= double(Out::max()) / double(In::max());
  return w;
}

// The output sum of the fixed-point kinds is formed in 64 bits and brought
// back into the 32-bit range before the clip: a sum that would have wrapped
// clips instead (the factories refuse matrices where that could happen).
inline CtFixed fixed_sum(int64_t y) { return CtFixed::from_raw(int32_t(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX))); }

// The accumulator type and the product of a sample with a coefficient.
template <class Real>
struct Arith;
template <>
struct Arith<double> {
  using acc = double;
  static acc mul(double q, uint32_t x) { return q * double(x); }
  // Huge finite coefficients of both signs can still sum to NaN; it must
  // not reach the integer conversion.
  static double out(acc y) { return y == y ? y : 0.0; }
  static acc offset(double o) { return o; }
};
template <>
struct Arith<CtFixed> {
  using acc = int64_t;
  static acc mul(CtFixed q, uint32_t x) { return int64_t(q.raw()) * int64_t(x); }
  static CtFixed out(acc y) { return fixed_sum(y); }
  static acc offset(CtFixed o) { return o.raw(); }
};

}  // namespace ct_matrix_detail

// Whether a matrix can run in 20.12 fixed point on 8-bit samples: every
// element finite and below 2^19 in magnitude, and for every computed output
// 255 x the sum of |raw coefficient| plus |raw offset| below 2^31, so that no
// sum of a pixel can wrap.
bool ct_matrix_fits_fixed(const RstMatrix<double>& m);
bool ct_matrix_fits_fixed(const RstMatrix<CtFixed>& m);
// Every element finite.
bool ct_matrix_is_finite(const RstMatrix<double>& m);

template <class In, class Out, class Real, class Conv>
class CtMatrix : public CtColorTransformerMToN<In, Out> {
 public:
  using typename CtColorTransformer<In, Out>::in_run;
  using typename CtColorTransformer<In, Out>::out_run;

  bool usable() const override { return true; }
  const RstMatrix<Real>& working_matrix() const { return working_; }

 protected:
  // linear: the N x M linear coefficients, not yet scaled.
  explicit CtMatrix(const RstMatrix<Real>& linear)
      : CtColorTransformerMToN<In, Out>(int(linear.cols()), int(linear.rows())),
        working_(ct_matrix_detail::scaled<In, Out, Real>(linear)),
        accumulator_(linear.rows()) {}

  using acc = typename ct_matrix_detail::Arith<Real>::acc;

  RstMatrix<Real> working_;
  ct_matrix_detail::Owned<acc> accumulator_;
};

template <class In, class Out, class Real, class Conv>
class CtMatrixLinear : public CtMatrix<In, Out, Real, Conv> {
 public:
  using typename CtColorTransformer<In, Out>::in_run;
  using typename CtColorTransformer<In, Out>::out_run;
  using Inverse = CtMatrixLinear<Out, In, Real, CtMatrixConv<Real, In>>;

  explicit CtMatrixLinear(const RstMatrix<Real>& a) : CtMatrix<In, Out, Real, Conv>(a), source_(a) {}
  ColorTransformer* clone() const override { return rst_new<CtMatrixLinear>(*this); }
  ColorTransformerInverse inverse() const override { return invert<Inverse>(source_); }
  void transform_samples(in_run in, out_run out, unsigned pixels) override;
  const RstMatrix<Real>& source_matrix() const { return source_; }

 protected:
  // The transformer of class C over the inverse of a, or {null, 2} when a has
  // none; {null, 0} when memory ran out.
  template <class C>
  static ColorTransformerInverse invert(const RstMatrix<Real>& a);

  RstMatrix<Real> source_;
};

template <class In, class Out, int M, int N, class Real, class Conv>
class CtMatrixLinearMToN : public CtMatrixLinear<In, Out, Real, Conv> {
 public:
  using typename CtColorTransformer<In, Out>::in_run;
  using typename CtColorTransformer<In, Out>::out_run;
  using Inverse = CtMatrixLinearMToN<Out, In, N, M, Real, CtMatrixConv<Real, In>>;

  explicit CtMatrixLinearMToN(const RstMatrix<Real>& a) : CtMatrixLinear<In, Out, Real, Conv>(a) { load(); }
  ColorTransformer* clone() const override { return rst_new<CtMatrixLinearMToN>(*this); }
  ColorTransformerInverse inverse() const override { return this->template invert<Inverse>(this->source_); }
  // Only a matrix of N rows and M columns can run in this form.
  bool usable() const override { return fits_; }
  void transform_samples(in_run in, out_run out, unsigned pixels) override;

 private:
  void load() {
    const RstMatrix<Real>& w = this->working_;
    fits_ = w.rows() == uint32_t(N) && w.cols() == uint32_t(M);
    for (int j = 0; j < N; ++j)
      for (int k = 0; k < M; ++k) q_[j * M + k] = fits_ ? w(uint32_t(j), uint32_t(k)) : Real(0.0);
  }

  Real q_[M * N];
  bool fits_ = false;
};

template <class In, class Out, class Real, class Conv>
class CtReduceMatrixLinear : public CtMatrixLinear<In, Out, Real, Conv> {
 public:
  explicit CtReduceMatrixLinear(const RstMatrix<Real>& a) : CtMatrixLinear<In, Out, Real, Conv>(a) {}
  ColorTransformer* clone() const override { return rst_new<CtReduceMatrixLinear>(*this); }
};

template <class In, class Out, int M, int N, class Real, class Conv>
class CtReduceMatrixLinearMToN : public CtMatrixLinearMToN<In, Out, M, N, Real, Conv> {
 public:
  explicit CtReduceMatrixLinearMToN(const RstMatrix<Real>& a) : CtMatrixLinearMToN<In, Out, M, N, Real, Conv>(a) {}
  ColorTransformer* clone() const override { return rst_new<CtReduceMatrixLinearMToN>(*this); }
};

template <class In, class Out, class Real, class Conv>
class CtMatrixAffine : public CtMatrix<In, Out, Real, Conv> {
 public:
  using typename CtColorTransformer<In, Out>::in_run;
  using typename CtColorTransformer<In, Out>::out_run;
  using Inverse = CtMatrixAffine<Out, In, Real, CtMatrixConv<Real, In>>;

  // a: the augmented (N + 1) x (M + 1) matrix, offsets in its last column.
  explicit CtMatrixAffine(const RstMatrix<Real>& a)
      : CtMatrix<In, Out, Real, Conv>(a.linear_part()), offsets_(this->working_.rows()), source_(a) {
    for (uint32_t j = 0; j < this->working_.rows(); ++j) offsets_.p[j] = offset_of(a(j, a.cols() - 1));
  }
  ColorTransformer* clone() const override { return rst_new<CtMatrixAffine>(*this); }
  ColorTransformerInverse inverse() const override { return invert<Inverse>(source_); }
  void transform_samples(in_run in, out_run out, unsigned pixels) override;
  const RstMatrix<Real>& source_matrix() const { return source_; }
  // The offset of output j in output sample units (raw for fixed point).
  Real offset(int j) const { return offsets_.p[j]; }

 protected:
  template <class C>
  static ColorTransformerInverse invert(const RstMatrix<Real>& a);

  // The constant term in output sample units: for fixed point the truncated
  // raw element times 255 (the FixedReal product with 255.0).
  static Real offset_of(Real t) {
    if constexpr (std::is_same_v<Real, CtFixed>)
      return CtFixed::from_raw(int32_t(std::clamp<int64_t>(int64_t(t.raw()) * Out::max(), INT32_MIN, INT32_MAX)));
    else return t * double(Out::max());
  }

  ct_matrix_detail::Owned<Real> offsets_;
  RstMatrix<Real> source_;
};

template <class In, class Out, int M, int N, class Real, class Conv>
class CtMatrixAffineMToN : public CtMatrixAffine<In, Out, Real, Conv> {
 public:
  using typename CtColorTransformer<In, Out>::in_run;
  using typename CtColorTransformer<In, Out>::out_run;
  using Inverse = CtMatrixAffineMToN<Out, In, N, M, Real, CtMatrixConv<Real, In>>;

  explicit CtMatrixAffineMToN(const RstMatrix<Real>& a) : CtMatrixAffine<In, Out, Real, Conv>(a) { load(); }
  ColorTransformer* clone() const override { return rst_new<CtMatrixAffineMToN>(*this); }
  ColorTransformerInverse inverse() const override { return this->template invert<Inverse>(this->source_); }
  bool usable() const override { return fits_; }
  void transform_samples(in_run in, out_run out, unsigned pixels) override;

 private:
  void load() {
    const RstMatrix<Real>& w = this->working_;
    fits_ = w.rows() == uint32_t(N) && w.cols() == uint32_t(M);
    for (int j = 0; j < N; ++j) {
      t_[j] = fits_ ? this->offsets_.p[j] : Real(0.0);
      for (int k = 0; k < M; ++k) q_[j * M + k] = fits_ ? w(uint32_t(j), uint32_t(k)) : Real(0.0);
    }
  }

  Real q_[M * N];
  Real t_[N];
  bool fits_ = false;
};

// ---------------------------------------------------------------------------

template <class In, class Out, class Real, class Conv>
template <class C>
ColorTransformerInverse CtMatrixLinear<In, Out, Real, Conv>::invert(const RstMatrix<Real>& a) {
  RstMatrix<Real>* b = nullptr;
  try {
    b = a.inverse();
  } catch (const std::bad_alloc&) {
    return {nullptr, CtInverseStatus::made};
  }
  if (!b) return {nullptr, CtInverseStatus::none};
  ColorTransformerInverse result{nullptr, CtInverseStatus::made};
  if constexpr (std::is_same_v<Real, CtFixed>) {
    // The inverted coefficients must still fit the integer sums.
    if (!ct_matrix_fits_fixed(*b)) result.status = CtInverseStatus::none;
  }
  if (result.status == CtInverseStatus::made) result.transformer = rst_new<C>(*b);
  delete b;
  return result;
}

template <class In, class Out, class Real, class Conv>
template <class C>
ColorTransformerInverse CtMatrixAffine<In, Out, Real, Conv>::invert(const RstMatrix<Real>& a) {
  RstMatrix<Real>* b = nullptr;
  try {
    b = a.inverse();
  } catch (const std::bad_alloc&) {
    return {nullptr, CtInverseStatus::made};
  }
  if (!b) return {nullptr, CtInverseStatus::none};
  ColorTransformerInverse result{nullptr, CtInverseStatus::made};
  if constexpr (std::is_same_v<Real, CtFixed>) {
    if (!ct_matrix_fits_fixed(*b)) result.status = CtInverseStatus::none;
  }
  if (result.status == CtInverseStatus::made) result.transformer = rst_new<C>(*b);
  delete b;
  return result;
}

template <class In, class Out, class Real, class Conv>
void CtMatrixLinear<In, Out, Real, Conv>::transform_samples(in_run in, out_run out, unsigned pixels) {
  using A = ct_matrix_detail::Arith<Real>;
  const int m = this->input_channels(), n = this->channels();
  const RstMatrix<Real>& w = this->working_;
  const Real* q = w.elements();
  typename A::acc* acc = this->accumulator_.p;
  Conv conv;
  if (m <= 0) return;
  for (unsigned p = 0; p < pixels; ++p, in += m, out += n) {
    for (int j = 0; j < n; ++j) acc[j] = A::mul(q[j * m], in[0]);
    for (int k = 1; k < m; ++k)
      for (int j = 0; j < n; ++j) acc[j] += A::mul(q[j * m + k], in[k]);
    for (int j = 0; j < n; ++j) out[j] = conv(A::out(acc[j]));
  }
}

template <class In, class Out, int M, int N, class Real, class Conv>
void CtMatrixLinearMToN<In, Out, M, N, Real, Conv>::transform_samples(in_run in, out_run out, unsigned pixels) {
  using A = ct_matrix_detail::Arith<Real>;
  if (!fits_) return;
  Conv conv;
  const Real* q = q_;
  for (unsigned p = 0; p < pixels; ++p, in += M, out += N) {
    if constexpr (M == 3 && N == 3) {
      uint32_t x0 = in[0], x1 = in[1], x2 = in[2];
      out[0] = conv(A::out(A::mul(q[0], x0) + A::mul(q[1], x1) + A::mul(q[2], x2)));
      out[1] = conv(A::out(A::mul(q[3], x0) + A::mul(q[4], x1) + A::mul(q[5], x2)));
      out[2] = conv(A::out(A::mul(q[6], x0) + A::mul(q[7], x1) + A::mul(q[8], x2)));
    } else if constexpr (M == 3 && N == 1) {
      out[0] = conv(A::out(A::mul(q[0], in[0]) + A::mul(q[1], in[1]) + A::mul(q[2], in[2])));
    } else {
      static_assert(M == 1 && N == 3);
      uint32_t x = in[0];
      out[0] = conv(A::out(A::mul(q[0], x)));
      out[1] = conv(A::out(A::mul(q[1], x)));
      out[2] = conv(A::out(A::mul(q[2], x)));
    }
  }
}

template <class In, class Out, class Real, class Conv>
void CtMatrixAffine<In, Out, Real, Conv>::transform_samples(in_run in, out_run out, unsigned pixels) {
  using A = ct_matrix_detail::Arith<Real>;
  const int m = this->input_channels(), n = this->channels();
  const Real* q = this->working_.elements();
  const Real* t = offsets_.p;
  Conv conv;
  for (unsigned p = 0; p < pixels; ++p, in += m, out += n)
    for (int j = 0; j < n; ++j) {
      typename A::acc y = A::offset(t[j]);
      for (int k = 0; k < m; ++k) y += A::mul(q[j * m + k], in[k]);
      out[j] = conv(A::out(y));
    }
}

template <class In, class Out, int M, int N, class Real, class Conv>
void CtMatrixAffineMToN<In, Out, M, N, Real, Conv>::transform_samples(in_run in, out_run out, unsigned pixels) {
  using A = ct_matrix_detail::Arith<Real>;
  if (!fits_) return;
  Conv conv;
  const Real* q = q_;
  typename A::acc t[N];
  for (int j = 0; j < N; ++j) t[j] = A::offset(t_[j]);
  for (unsigned p = 0; p < pixels; ++p, in += M, out += N) {
    if constexpr (M == 3 && N == 3) {
      uint32_t x0 = in[0], x1 = in[1], x2 = in[2];
      out[0] = conv(A::out(t[0] + A::mul(q[0], x0) + A::mul(q[1], x1) + A::mul(q[2], x2)));
      out[1] = conv(A::out(t[1] + A::mul(q[3], x0) + A::mul(q[4], x1) + A::mul(q[5], x2)));
      out[2] = conv(A::out(t[2] + A::mul(q[6], x0) + A::mul(q[7], x1) + A::mul(q[8], x2)));
    } else if constexpr (M == 3 && N == 1) {
      out[0] = conv(A::out(t[0] + A::mul(q[0], in[0]) + A::mul(q[1], in[1]) + A::mul(q[2], in[2])));
    } else {
      static_assert(M == 1 && N == 3);
      uint32_t x = in[0];
      out[0] = conv(A::out(t[0] + A::mul(q[0], x)));
      out[1] = conv(A::out(t[1] + A::mul(q[1], x)));
      out[2] = conv(A::out(t[2] + A::mul(q[2], x)));
    }
  }
}

// The instances, made in ct_matrix.cpp: every kind for 8 -> 8 (fixed point),
// 16 -> 16 and 16 -> 8; 8 -> 16, made only as inverses, has no reduce kind.
#define CT_MATRIX_FAMILY(EXT, In, Out, Real, REDUCE)                                                \
  EXT template class CtMatrix<In, Out, Real, CtMatrixConv<Real, Out>>;                              \
  EXT template class CtMatrixLinear<In, Out, Real, CtMatrixConv<Real, Out>>;                        \
  EXT template class CtMatrixAffine<In, Out, Real, CtMatrixConv<Real, Out>>;                        \
  EXT template class CtMatrixLinearMToN<In, Out, 3, 3, Real, CtMatrixConv<Real, Out>>;              \
  EXT template class CtMatrixLinearMToN<In, Out, 3, 1, Real, CtMatrixConv<Real, Out>>;              \
  EXT template class CtMatrixLinearMToN<In, Out, 1, 3, Real, CtMatrixConv<Real, Out>>;              \
  EXT template class CtMatrixAffineMToN<In, Out, 3, 3, Real, CtMatrixConv<Real, Out>>;              \
  EXT template class CtMatrixAffineMToN<In, Out, 3, 1, Real, CtMatrixConv<Real, Out>>;              \
  EXT template class CtMatrixAffineMToN<In, Out, 1, 3, Real, CtMatrixConv<Real, Out>>;              \
  REDUCE(EXT template class CtReduceMatrixLinear<In, Out, Real, CtMatrixConv<Real, Out>>;           \
         EXT template class CtReduceMatrixLinearMToN<In, Out, 3, 3, Real, CtMatrixConv<Real, Out>>; \
         EXT template class CtReduceMatrixLinearMToN<In, Out, 3, 1, Real, CtMatrixConv<Real, Out>>; \
         EXT template class CtReduceMatrixLinearMToN<In, Out, 1, 3, Real, CtMatrixConv<Real, Out>>;)
#define CT_MATRIX_WITH(...) __VA_ARGS__
#define CT_MATRIX_WITHOUT(...)

CT_MATRIX_FAMILY(extern, UIntNBit<8>, UIntNBit<8>, CtFixed, CT_MATRIX_WITH)
CT_MATRIX_FAMILY(extern, UIntNBit<16>, UIntNBit<16>, double, CT_MATRIX_WITH)
CT_MATRIX_FAMILY(extern, UIntNBit<16>, UIntNBit<8>, double, CT_MATRIX_WITH)
CT_MATRIX_FAMILY(extern, UIntNBit<8>, UIntNBit<16>, double, CT_MATRIX_WITHOUT)
