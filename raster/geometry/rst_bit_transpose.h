// Transposition of an 8 x 8 bit matrix held in one 64-bit word: row r is
// byte r counted from the most significant end, column c is bit 7 - c of its
// byte (most significant bit first, as packed bilevel lines are). Three swap
// steps exchange 1 x 1, 2 x 2 and 4 x 4 blocks across the diagonal.
#pragma once

#include <cstdint>

inline uint64_t rst_transpose8x8(uint64_t x) {
  uint64_t t;
  t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x ^= t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x ^= t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  x ^= t ^ (t << 28);
  return x;
}
