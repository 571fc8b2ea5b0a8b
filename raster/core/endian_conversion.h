// Byte-order conversion of one value in place: code 1 (little-endian data)
// keeps the bytes, any other code (big-endian data) reverses them. Values in
// memory are little-endian on every host this library runs on.
#pragma once

#include <bit>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "values are converted for a little-endian host");

class EndianConversion {
 public:
  explicit EndianConversion(int32_t byte_order) : reverse_(byte_order != 1) {}

  void set_byte_order(int32_t byte_order) { reverse_ = byte_order != 1; }
  int32_t byte_order() const { return reverse_ ? 0 : 1; }
  bool reverses() const { return reverse_; }

  // Applies the conversion to the n bytes at `value`.
  void convert(void* value, int32_t n) const {
    if (!reverse_) return;
    uint8_t* b = static_cast<uint8_t*>(value);
    for (int32_t i = 0, j = n - 1; i < j; ++i, --j) {
      uint8_t t = b[i];
      b[i] = b[j];
      b[j] = t;
    }
  }

 private:
  bool reverse_;
};
