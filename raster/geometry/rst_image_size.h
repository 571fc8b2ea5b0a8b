// Sizes of whole-image buffers. Lines and heights come from headers that a
// file may set to anything, so products are taken in 64 bits and a size that
// does not fit is refused like a failed allocation, before any line is read.
#pragma once

#include <cstddef>
#include <cstdint>

// Largest buffer the geometry nodes ask for: 2^47 bytes, far beyond any
// page, and small enough that sums and offsets of such sizes stay exact.
inline constexpr uint64_t kRstMaxImageBytes = uint64_t(1) << 47;

// a * b when both are at least 0 and the product stays within the bound.
inline bool rst_image_bytes(int64_t a, int64_t b, size_t& bytes) {
  uint64_t product = 0;
  if (a < 0 || b < 0 || __builtin_mul_overflow(uint64_t(a), uint64_t(b), &product) || product > kRstMaxImageBytes)
    return false;
  bytes = size_t(product);
  return true;
}

// Bytes of a packed raw line, (width * bits * samples + 7) / 8, when it fits
// a read's int count.
inline bool rst_packed_line_bytes(int64_t width, int64_t bits, int64_t samples, int32_t& bytes) {
  if (width < 0 || bits < 0 || samples < 0 || bits > 64 || samples > 65535) return false;
  uint64_t total = 0;
  if (__builtin_mul_overflow(uint64_t(width), uint64_t(bits * samples), &total)) return false;
  total = (total + 7) >> 3;
  if (total > uint64_t(INT32_MAX)) return false;
  bytes = int32_t(total);
  return true;
}
