// Per-channel lookup tables: CtUpperBoundLUT holds a table per channel and
// applies it, CtLUT is one whose table covers every input value, and
// CtTablizedLUT fills its table by running another transformer over every
// input value once, keeping that transformer so that it can build the
// tabulated inverse. Tables are channel-major: channel c, input v at
// c x entries + v.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "raster/color/color_transformer.h"
#include "raster/core/rst_alloc.h"

template <class Tin, class Tout>
class CtUpperBoundLUT : public CtColorTransformer1To1xM<Tin, Tout> {
 public:
  using typename CtColorTransformer<Tin, Tout>::in_run;
  using typename CtColorTransformer<Tin, Tout>::out_run;
  using value_type = typename Tout::value_type;

  // channels x entries values copied from table, or left zero for null (a
  // subclass fills them). Throws std::bad_alloc when memory runs out.
  CtUpperBoundLUT(uint32_t entries, int channels, const value_type* table)
      : CtColorTransformer1To1xM<Tin, Tout>(channels), entries_(entries), table_(allocate(count())) {
    if (table) std::memcpy(table_, table, count() * sizeof(value_type));
  }
  CtUpperBoundLUT(const CtUpperBoundLUT& other)
      : CtColorTransformer1To1xM<Tin, Tout>(other), entries_(other.entries_), table_(allocate(count())) {
    std::memcpy(table_, other.table_, count() * sizeof(value_type));
  }
  CtUpperBoundLUT& operator=(const CtUpperBoundLUT&) = delete;
  ~CtUpperBoundLUT() override { rst_free(table_); }

  ColorTransformer* clone() const override { return rst_new<CtUpperBoundLUT>(*this); }
  // A plain table has no inverse.
  ColorTransformerInverse inverse() const override { return {nullptr, CtInverseStatus::lookup_table}; }
  bool usable() const override { return entries_ > 0; }
  void transform_samples(in_run in, out_run out, unsigned pixels) override {
    const int m = this->channels();
    if (entries_ == 0 || m <= 0) return;
    // An input past a short table takes its last entry.
    const uint32_t top = entries_ - 1;
    const bool full = uint64_t(entries_) > uint64_t(Tin::max());
    for (int c = 0; c < m; ++c) {
      const value_type* t = table_ + size_t(c) * entries_;
      if (full)
        for (unsigned p = 0; p < pixels; ++p) out[size_t(p) * m + c] = t[in[size_t(p) * m + c]];
      else
        for (unsigned p = 0; p < pixels; ++p)
          out[size_t(p) * m + c] = t[std::min<uint32_t>(in[size_t(p) * m + c], top)];
    }
  }

  uint32_t entries() const { return entries_; }
  const value_type* table() const { return table_; }

 protected:
  size_t count() const { return size_t(this->channels() > 0 ? this->channels() : 0) * entries_; }
  static value_type* allocate(size_t n) {
    void* block = rst_calloc((n > 0 ? n : 1) * sizeof(value_type));
    if (!block) throw std::bad_alloc();
    return static_cast<value_type*>(block);
  }

  uint32_t entries_;
  value_type* table_;
};

template <class Tin, class Tout>
class CtLUT : public CtUpperBoundLUT<Tin, Tout> {
 public:
  using value_type = typename Tout::value_type;
  static constexpr uint32_t full_entries = uint32_t(Tin::max()) + 1;

  CtLUT(int channels, const value_type* table) : CtUpperBoundLUT<Tin, Tout>(full_entries, channels, table) {}
  ColorTransformer* clone() const override { return rst_new<CtLUT>(*this); }
};

template <class Tin, class Tout>
class CtTablizedLUT : public CtLUT<Tin, Tout> {
 public:
  // Keeps a clone of transformer (the caller keeps its own) and tabulates
  // it. A transformer that does not read Tin and write Tout, one channel
  // count for both, gives an unusable table. Throws std::bad_alloc when
  // memory runs out.
  explicit CtTablizedLUT(const ColorTransformer& transformer)
      : CtLUT<Tin, Tout>(transformer.input_channels(), nullptr), held_(transformer.clone()) {
    if (!held_) throw std::bad_alloc();
    try {
      tabulate();
    } catch (...) {
      delete held_;
      throw;
    }
  }
  CtTablizedLUT(const CtTablizedLUT& other)
      : CtLUT<Tin, Tout>(other), held_(other.held_->clone()), matches_(other.matches_) {
    if (!held_) throw std::bad_alloc();
  }
  ~CtTablizedLUT() override { delete held_; }

  ColorTransformer* clone() const override { return rst_new<CtTablizedLUT>(*this); }
  bool usable() const override { return matches_ && CtLUT<Tin, Tout>::usable(); }
  // The tabulated inverse of the held transformer, or its status when it has
  // none; {null, 0} when memory ran out.
  ColorTransformerInverse inverse() const override {
    ColorTransformerInverse inv = held_->inverse();
    if (!inv.transformer) return inv;
    ColorTransformer* table = rst_new<CtTablizedLUT<Tout, Tin>>(*inv.transformer);
    delete inv.transformer;
    return {table, CtInverseStatus::made};
  }
  const ColorTransformer& held() const { return *held_; }

 private:
  void tabulate() {
    const ColorTransformer& t = *held_;
    const int m = this->channels();
    matches_ = m > 0 && t.channels() == m && t.input_bits() == CtSampleTraits<Tin>::bits &&
               t.bits() == CtSampleTraits<Tout>::bits && t.input_sample_kind() == 0 && t.sample_kind() == 0;
    if (!matches_) return;
    using in_value = typename Tin::value_type;
    using out_value = typename Tout::value_type;
    const uint32_t entries = this->entries_;
    size_t n = size_t(m) * entries;
    in_value* ramp = static_cast<in_value*>(rst_malloc(n * sizeof(in_value)));
    out_value* result = static_cast<out_value*>(rst_malloc(n * sizeof(out_value)));
    if (!ramp || !result) {
      rst_free(ramp);
      rst_free(result);
      throw std::bad_alloc();
    }
    // M copies of the ramp, run as entries pixels of M samples: each table
    // block becomes curve(0) ... curve(entries - 1) for a curve that treats
    // every channel alike.
    for (size_t i = 0; i < n; ++i) ramp[i] = in_value(i % entries);
    held_->transform(ramp, result, entries);
    std::memcpy(this->table_, result, n * sizeof(out_value));
    rst_free(ramp);
    rst_free(result);
  }

  ColorTransformer* held_;
  bool matches_ = false;
};

#define CT_LUT_INSTANCES(EXT, T)                   \
  EXT template class T<UIntNBit<8>, UIntNBit<8>>;  \
  EXT template class T<UIntNBit<8>, UIntNBit<16>>; \
  EXT template class T<UIntNBit<16>, UIntNBit<8>>; \
  EXT template class T<UIntNBit<16>, UIntNBit<16>>;

CT_LUT_INSTANCES(extern, CtUpperBoundLUT)
CT_LUT_INSTANCES(extern, CtLUT)
CT_LUT_INSTANCES(extern, CtTablizedLUT)
