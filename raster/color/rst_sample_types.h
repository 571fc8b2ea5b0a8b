// Sample types of the colour transformers and how a raw buffer is seen as a
// run of them: unsigned integers of 1, 8 and 16 bits (kind 0), the 20.12
// fixed-point real (kind 2), float and double (kind 3). 1-bit samples are
// addressed through bit cursors, most significant bit first.
#pragma once

#include <cstdint>
#include <limits>

template <int N>
struct UIntNBit;

template <>
struct UIntNBit<1> {
  using value_type = uint8_t;  // 0 or 1
  static constexpr value_type max() { return 1; }
};

template <>
struct UIntNBit<8> {
  using value_type = uint8_t;
  static constexpr value_type max() { return 255; }
};

template <>
struct UIntNBit<16> {
  using value_type = uint16_t;  // machine byte order
  static constexpr value_type max() { return 65535; }
};

// A real number v / 2^F held in a signed 32-bit integer v. Only FixedReal<long,
// 12> exists: 4096 stands for 1.0. It is 32 bits wide although long is 64 bits
// here, because image samples of kind 2 are 32 bits.
template <class T, int F>
class FixedReal;

template <>
class FixedReal<long, 12> {
 public:
  static constexpr int fraction_bits = 12;
  static constexpr int32_t one = 1 << fraction_bits;

  constexpr FixedReal() = default;
  // x x 4096 truncated toward zero (clamped to the 32-bit range).
  constexpr FixedReal(double x) : raw_(from_double(x)) {}  // NOLINT: implicit like a number
  static constexpr FixedReal from_raw(int32_t raw) {
    FixedReal f;
    f.raw_ = raw;
    return f;
  }

  constexpr int32_t raw() const { return raw_; }
  constexpr double to_double() const { return raw_ / double(one); }

  // floor(a x b / 4096), exact whenever it fits in 32 bits. Built from the
  // 16-bit halves of both operands in unsigned 32-bit arithmetic, so that a
  // wrapping partial product is well defined.
  friend constexpr FixedReal operator*(FixedReal a, FixedReal b) {
    uint32_t ua = uint32_t(a.raw_), ub = uint32_t(b.raw_);
    uint32_t ah = uint32_t(a.raw_ >> 16), bh = uint32_t(b.raw_ >> 16);  // arithmetic shift
    uint32_t al = ua & 0xFFFFu, bl = ub & 0xFFFFu;
    uint32_t r = ((ua * bh + ah * bl) << 4) + ((al * bl) >> 12);
    return from_raw(int32_t(r));
  }
  FixedReal& operator*=(FixedReal b) { return *this = *this * b; }
  friend constexpr FixedReal operator+(FixedReal a, FixedReal b) {
    return from_raw(int32_t(uint32_t(a.raw_) + uint32_t(b.raw_)));
  }
  FixedReal& operator+=(FixedReal b) { return *this = *this + b; }
  friend constexpr FixedReal operator-(FixedReal a) { return from_raw(int32_t(0u - uint32_t(a.raw_))); }
  friend constexpr bool operator==(FixedReal a, FixedReal b) { return a.raw_ == b.raw_; }
  friend constexpr bool operator<(FixedReal a, FixedReal b) { return a.raw_ < b.raw_; }

 private:
  static constexpr int32_t from_double(double x) {
    double v = x * one;
    if (!(v > -2147483648.0)) return v != v ? 0 : std::numeric_limits<int32_t>::min();
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    return int32_t(v);
  }

  int32_t raw_ = 0;
};

using CtFixed = FixedReal<long, 12>;
static_assert(sizeof(CtFixed) == 4);

// A run of 1-bit samples over bytes it does not own: sample i is bit 7 - i % 8
// of byte i / 8.
struct CtBitRun {
  uint8_t* bytes = nullptr;
  uint64_t bit_count = 0;
  uint64_t byte_count() const { return bit_count >> 3; }
};

// A position in a bit run; the transformers of 1-bit samples read and write
// through it.
class CtBitCursor {
 public:
  CtBitCursor(CtBitRun run, uint64_t index = 0) : run_(run), index_(index) {}
  uint8_t get(uint64_t i = 0) const {
    uint64_t k = index_ + i;
    return uint8_t((run_.bytes[k >> 3] >> (7 - (k & 7))) & 1);
  }
  void set(uint64_t i, uint8_t v) const {
    uint64_t k = index_ + i;
    uint8_t mask = uint8_t(0x80 >> (k & 7));
    if (v) run_.bytes[k >> 3] |= mask;
    else run_.bytes[k >> 3] &= uint8_t(~mask);
  }
  CtBitCursor operator+(uint64_t n) const { return CtBitCursor(run_, index_ + n); }
  uint64_t index() const { return index_; }
  const CtBitRun& run() const { return run_; }

 private:
  CtBitRun run_;
  uint64_t index_;
};

// What each sample type is: bits, kind, and the typed view of a raw buffer
// (in: read-only, out: writable) that transform_samples receives.
template <class T>
struct CtSampleTraits;

template <>
struct CtSampleTraits<UIntNBit<1>> {
  static constexpr int bits = 1;
  static constexpr int sample_kind = 0;
  using in_run = CtBitCursor;
  using out_run = CtBitCursor;
  static in_run in(const void* p, uint64_t samples) {
    return CtBitCursor(CtBitRun{const_cast<uint8_t*>(static_cast<const uint8_t*>(p)), samples});
  }
  static out_run out(void* p, uint64_t samples) { return CtBitCursor(CtBitRun{static_cast<uint8_t*>(p), samples}); }
};

// Samples stored as plain values of type V.
template <class V, int Bits, int Kind>
struct CtPlainSampleTraits {
  static constexpr int bits = Bits;
  static constexpr int sample_kind = Kind;
  using in_run = const V*;
  using out_run = V*;
  static in_run in(const void* p, uint64_t) { return static_cast<const V*>(p); }
  static out_run out(void* p, uint64_t) { return static_cast<V*>(p); }
};

template <>
struct CtSampleTraits<UIntNBit<8>> : CtPlainSampleTraits<uint8_t, 8, 0> {};
template <>
struct CtSampleTraits<UIntNBit<16>> : CtPlainSampleTraits<uint16_t, 16, 0> {};
template <>
struct CtSampleTraits<CtFixed> : CtPlainSampleTraits<CtFixed, 32, 2> {};
template <>
struct CtSampleTraits<float> : CtPlainSampleTraits<float, 32, 3> {};
template <>
struct CtSampleTraits<double> : CtPlainSampleTraits<double, 64, 3> {};
