// Small transformers for the framework tests. Each counts its live objects,
// so that a test can show that no transformer outlives its owner.
#pragma once

#include <cstdint>

#include "raster/color/color_transformer.h"
#include "raster/core/rst_alloc.h"

struct LiveCount {
  static inline int live = 0;
  LiveCount() { ++live; }
  LiveCount(const LiveCount&) { ++live; }
  ~LiveCount() { --live; }
};

// One 8-bit channel: out = in x 2 + tag (mod 256), so the order of several
// steps shows in the result. Its inverse is a Step with tag -tag, or none
// with the configured status.
class Step : public CtColorTransformerMToN<UIntNBit<8>, UIntNBit<8>> {
 public:
  explicit Step(int tag, int inverse_status = CtInverseStatus::made, bool usable = true)
      : CtColorTransformerMToN(1, 1), tag(tag), inverse_status(inverse_status), is_usable(usable) {}
  ColorTransformer* clone() const override { return rst_new<Step>(*this); }
  ColorTransformerInverse inverse() const override {
    if (inverse_status != CtInverseStatus::made) return {nullptr, inverse_status};
    return {rst_new<Step>(-tag), CtInverseStatus::made};
  }
  bool usable() const override { return is_usable; }
  void transform_samples(const uint8_t* in, uint8_t* out, unsigned pixels) override {
    ++calls;
    for (unsigned i = 0; i < pixels; ++i) out[i] = uint8_t(in[i] * 2 + tag);
  }

  int tag;
  int inverse_status;
  bool is_usable;
  int calls = 0;
  LiveCount live;
};

// Three 8-bit samples to one: their mean.
class Mean3 : public CtColorTransformerMToN<UIntNBit<8>, UIntNBit<8>> {
 public:
  Mean3() : CtColorTransformerMToN(3, 1) {}
  ColorTransformer* clone() const override { return rst_new<Mean3>(*this); }
  ColorTransformerInverse inverse() const override { return {nullptr, CtInverseStatus::none}; }
  bool usable() const override { return true; }
  void transform_samples(const uint8_t* in, uint8_t* out, unsigned pixels) override {
    ++calls;
    for (unsigned p = 0; p < pixels; ++p, in += 3) out[p] = uint8_t((in[0] + in[1] + in[2]) / 3);
  }
  int calls = 0;
  LiveCount live;
};

// 1-bit samples inverted through the bit cursors; counts the pixels asked.
class BitNot : public CtColorTransformer1To1xM<UIntNBit<1>, UIntNBit<1>> {
 public:
  BitNot() : CtColorTransformer1To1xM(1) {}
  ColorTransformer* clone() const override { return rst_new<BitNot>(*this); }
  ColorTransformerInverse inverse() const override { return {clone(), CtInverseStatus::made}; }
  bool usable() const override { return true; }
  void transform_samples(CtBitCursor in, CtBitCursor out, unsigned pixels) override {
    last_pixels = pixels;
    for (unsigned i = 0; i < pixels; ++i) out.set(i, uint8_t(!in.get(i)));
  }
  unsigned last_pixels = 0;
  LiveCount live;
};
