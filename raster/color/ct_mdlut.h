// Multi-dimensional lookup tables: K input channels turned into M output
// channels by interpolation in a regular grid of N nodes per input axis.
// CtMDLUT holds the table (shared by clones); CtMDLUTLinear interpolates in
// double precision on the transformer grid (node i at i x (2^b - 1)/(N - 1),
// channel 0 varying fastest): linearly for one input, through the simplex
// around the pixel for three and four.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>

#include "raster/color/color_transformer.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_counted_ptr.h"

// The node samples of a table, N^K x M of them.
template <class V>
struct CtMDLUTSamples {
  V* samples = nullptr;
  ~CtMDLUTSamples() { rst_free(samples); }
};

template <class I, class O>
class CtMDLUT : public CtColorTransformerMToN<I, O> {
 public:
  using value_type = typename O::value_type;

  // N^K x M samples, copied from table or zero for null. Throws
  // std::bad_alloc when memory runs out.
  CtMDLUT(int k, int m, int n, const value_type* table) : CtColorTransformerMToN<I, O>(k, m), n_(n) {
    uint64_t count = sample_count(k, m, n);
    auto* held = rst_new<CtMDLUTSamples<value_type>>();
    if (!held) throw std::bad_alloc();
    held->samples = static_cast<value_type*>(rst_calloc(size_t(count ? count : 1) * sizeof(value_type)));
    if (!held->samples) {
      delete held;
      throw std::bad_alloc();
    }
    if (table) std::memcpy(held->samples, table, size_t(count) * sizeof(value_type));
    table_ = RstCountedPtr<CtMDLUTSamples<value_type>>(held);  // deleted with its count when none can be made
    if (!table_.has_count()) throw std::bad_alloc();
  }
  // Clones share the table.
  CtMDLUT(const CtMDLUT&) = default;
  CtMDLUT& operator=(const CtMDLUT&) = delete;

  ColorTransformerInverse inverse() const override { return {nullptr, CtInverseStatus::none}; }
  bool usable() const override { return true; }

  int grid_points() const { return n_; }
  const value_type* table() const { return table_->samples; }
  // References to the shared table.
  int32_t table_users() const { return table_.use_count(); }

  static uint64_t sample_count(int k, int m, int n) {
    uint64_t count = uint64_t(m);
    for (int i = 0; i < k; ++i) count *= uint64_t(n);
    return count;
  }

 protected:
  int n_;
  RstCountedPtr<CtMDLUTSamples<value_type>> table_;
};

template <class I, class O, int K>
class CtMDLUTLinear : public CtMDLUT<I, O> {
  static_assert(K == 1 || K == 3 || K == 4);

 public:
  using typename CtColorTransformer<I, O>::in_run;
  using typename CtColorTransformer<I, O>::out_run;
  using value_type = typename O::value_type;

  // Throws std::bad_alloc when memory runs out.
  CtMDLUTLinear(int m, int n, const value_type* table) : CtMDLUT<I, O>(K, m, n, table), scratch_(scratch(m)) {}
  // Shares the table; the scratch array is the clone's own.
  CtMDLUTLinear(const CtMDLUTLinear& other) : CtMDLUT<I, O>(other), scratch_(scratch(other.channels())) {}
  ~CtMDLUTLinear() override { rst_free(scratch_); }

  ColorTransformer* clone() const override { return rst_new<CtMDLUTLinear>(*this); }

  void transform_samples(in_run in, out_run out, unsigned pixels) override {
    const int m = this->channels();
    const int n = this->n_;
    const value_type* v = this->table();
    const double top = double(I::max());
    const double s = top / double(n - 1);
    const double r = 1.0 / s;
    int64_t strides[K];
    int64_t stride = m;
    for (int c = 0; c < K; ++c, stride *= n) strides[c] = stride;
    for (unsigned p = 0; p < pixels; ++p) {
      const auto* x = in + size_t(p) * K;
      double fraction[K];
      int64_t step[K];
      int order[K];
      int64_t base = 0;
      for (int c = 0; c < K; ++c) {
        double pos = double(x[c]) * r;
        int64_t d = int64_t(pos);
        fraction[c] = 0;
        step[c] = 0;
        if (double(x[c]) != s * double(d) && d < n - 1) {
          fraction[c] = pos - double(d);
          step[c] = strides[c];
        }
        if (d > n - 1) d = n - 1;
        base += d * strides[c];
        // Largest fraction first; equal fractions keep the channel order.
        int at = c;
        while (at > 0 && fraction[order[at - 1]] < fraction[c]) {
          order[at] = order[at - 1];
          --at;
        }
        order[at] = c;
      }
      for (int j = 0; j < m; ++j) {
        double q = double(v[base + j]);
        int64_t cur = base;
        for (int i = 0; i < K; ++i) {
          const int c = order[i];
          if (step[c] == 0) continue;
          q += fraction[c] * double(int64_t(v[cur + step[c] + j]) - int64_t(v[cur + j]));
          cur += step[c];
        }
        scratch_[j] = q;
      }
      value_type* o = out + size_t(p) * m;
      for (int j = 0; j < m; ++j) o[j] = value_type(scratch_[j] + 0.5);
    }
  }

 private:
  static double* scratch(int m) {
    auto* block = static_cast<double*>(rst_malloc(size_t(m > 0 ? m : 1) * sizeof(double)));
    if (!block) throw std::bad_alloc();
    return block;
  }

  double* scratch_;
};

#define CT_MDLUT_INSTANCES(EXT)                                    \
  EXT template class CtMDLUT<UIntNBit<8>, UIntNBit<8>>;            \
  EXT template class CtMDLUT<UIntNBit<16>, UIntNBit<16>>;          \
  EXT template class CtMDLUTLinear<UIntNBit<8>, UIntNBit<8>, 1>;   \
  EXT template class CtMDLUTLinear<UIntNBit<8>, UIntNBit<8>, 3>;   \
  EXT template class CtMDLUTLinear<UIntNBit<8>, UIntNBit<8>, 4>;   \
  EXT template class CtMDLUTLinear<UIntNBit<16>, UIntNBit<16>, 1>; \
  EXT template class CtMDLUTLinear<UIntNBit<16>, UIntNBit<16>, 3>; \
  EXT template class CtMDLUTLinear<UIntNBit<16>, UIntNBit<16>, 4>;

CT_MDLUT_INSTANCES(extern)
