// Input decorator that reads multi-byte values in a chosen byte order
// (1 little-endian, other codes big-endian); plain reads pass bytes unchanged.
#pragma once

#include <cstdint>

#include "raster/core/endian_conversion.h"
#include "raster/core/stream_decorator.h"

template <class S = InputStorage, class D = StreamDecorator<S>>
class DataInput : public D, public EndianConversion {
 public:
  DataInput(S* inner, int32_t byte_order) : D(inner), EndianConversion(byte_order) {}

  // Reads n bytes into `address` and converts them as one value; true when all
  // n bytes arrived (the conversion runs on whatever the buffer holds either way).
  bool read_value(void* address, int32_t n) {
    int32_t got = n > 0 ? this->read(address, n) : 0;
    if (n > 0) convert(address, n);
    return got == n;
  }
};
