// Mix-in of the storages that buffer another one, so that a user handed an
// already buffered storage resizes its buffer instead of stacking a second one.
#pragma once

#include <cstdint>

class Bufferable {
 public:
  virtual ~Bufferable() = default;
  // Buffer size in bytes.
  virtual int32_t capacity() const = 0;
  // Replaces the buffer by one of n bytes; returns n (0 when it cannot be made).
  virtual int32_t set_capacity(int32_t n) = 0;
  virtual bool flush() = 0;
};
