// The line kernels of the binary pixel operations: the operation on bytes and
// 64-bit words, the byte-aligned and shifted 1-bit blends with their edge
// masks, and the 8-bit and same-size byte loops. Words are moved with memcpy,
// so that no access depends on the alignment of a line.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

// A keep mask K holds the bits of a byte that stay A's. Each operation stores
// its masks in the form its rule uses: And and Paste keep K in the tail byte,
// Or keeps NOT K (B's bits); at the head byte Paste keeps K and the others
// keep B's bits.
struct RstBitAnd {
  static constexpr bool head_keeps = false, tail_keeps = true;
  static uint64_t word(uint64_t l, uint64_t b) { return l & b; }
};
struct RstBitOr {
  static constexpr bool head_keeps = false, tail_keeps = false;
  static uint64_t word(uint64_t l, uint64_t b) { return l | b; }
};
struct RstBitPaste {
  static constexpr bool head_keeps = true, tail_keeps = true;
  static uint64_t word(uint64_t, uint64_t b) { return b; }
};

inline uint64_t rst_load_word(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}
inline void rst_store_word(uint8_t* p, uint64_t w) { std::memcpy(p, &w, 8); }
// Eight bytes as one number, the first byte highest: bits in pixel order.
inline uint64_t rst_load_pixels(const uint8_t* p) {
  uint64_t w = rst_load_word(p);
  if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
  return w;
}
inline uint64_t rst_pixels_to_word(uint64_t w) {
  if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
  return w;
}

// One byte: the operation where the mask gives B's bits, A's bits elsewhere.
template <class Op>
inline uint8_t rst_bit_masked(uint8_t l, uint8_t b, uint8_t mask, bool keeps) {
  uint8_t keep = keeps ? mask : uint8_t(~mask);
  return uint8_t((uint8_t(Op::word(l, b)) & ~keep) | (l & keep));
}

// n bytes of d into l by the operation, words first.
template <class Op>
inline void rst_bytes_apply(uint8_t* l, const uint8_t* d, int32_t n) {
  if constexpr (std::is_same_v<Op, RstBitPaste>) {
    if (n > 0) std::memcpy(l, d, size_t(n));
  } else {
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) rst_store_word(l + i, Op::word(rst_load_word(l + i), rst_load_word(d + i)));
    for (; i < n; ++i) l[i] = uint8_t(Op::word(l[i], d[i]));
  }
}

// 1-bit, B starting on a byte boundary of l: n whole bytes, then the r
// pixels of d[n] under the tail mask.
template <class Op>
inline void rst_bits_aligned(uint8_t* l, const uint8_t* d, int32_t n, int32_t r, uint8_t tail_mask) {
  rst_bytes_apply<Op>(l, d, n);
  if (r > 0) l[n] = rst_bit_masked<Op>(l[n], d[n], tail_mask, Op::tail_keeps);
}

// 1-bit, B's pixel j on bit s + j of l (s = 1 .. 7, c = 8 - s): touched
// bytes of l, b_bytes bytes of d. A single touched byte takes its head mask
// for both edges.
template <class Op>
inline void rst_bits_shifted(uint8_t* l, const uint8_t* d, int32_t touched, int32_t b_bytes, int32_t s, int32_t c,
                             uint8_t head_mask, uint8_t tail_mask) {
  l[0] = rst_bit_masked<Op>(l[0], uint8_t(d[0] >> s), head_mask, Op::head_keeps);
  if (touched == 1) return;
  int32_t last = touched - 1, i = 1;
  // Whole words inside: byte i takes the low s bits of d[i - 1] and the high
  // c bits of d[i].
  for (; i + 7 < last; i += 8) {
    uint64_t b = (rst_load_pixels(d + i - 1) << c) | uint64_t(d[i + 7] >> s);
    rst_store_word(l + i, Op::word(rst_load_word(l + i), rst_pixels_to_word(b)));
  }
  for (; i < last; ++i) l[i] = uint8_t(Op::word(l[i], uint8_t((d[i - 1] << c) | (d[i] >> s))));
  uint8_t b = uint8_t(d[last - 1] << c);
  if (last < b_bytes) b = uint8_t(b | (d[last] >> s));
  l[last] = rst_bit_masked<Op>(l[last], b, tail_mask, Op::tail_keeps);
}

// 8-bit subtract, 0 where b is not below l.
inline void rst_bytes_subtract(uint8_t* l, const uint8_t* d, int32_t n) {
  for (int32_t i = 0; i < n; ++i) l[i] = d[i] < l[i] ? uint8_t(l[i] - d[i]) : uint8_t(0);
}
