// Output decorator that writes multi-byte values in a chosen byte order
// (1 little-endian, other codes big-endian); plain writes pass bytes unchanged.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "raster/core/endian_conversion.h"
#include "raster/core/stream_decorator.h"

template <class S = OutputStorage, class D = StreamDecorator<S>>
class DataOutput : public D, public EndianConversion {
 public:
  DataOutput(S* inner, int32_t byte_order) : D(inner), EndianConversion(byte_order) {}

  // Writes the n bytes at `address` as one value, converted on a copy (the
  // caller's value is left as it is); true when all n bytes were written.
  bool write_value(const void* address, int32_t n) {
    if (n <= 0) return n == 0;
    const uint8_t* src = static_cast<const uint8_t*>(address);
    uint8_t chunk[64];
    int32_t done = 0;
    while (done < n) {
      int32_t k = std::min<int32_t>(n - done, sizeof(chunk));
      if (reverses()) {
        // Reversed, the value's last bytes come first.
        for (int32_t i = 0; i < k; ++i) chunk[i] = src[n - 1 - done - i];
      } else {
        std::memcpy(chunk, src + done, static_cast<size_t>(k));
      }
      int32_t w = this->write(chunk, k);
      if (w != k) return false;
      done += k;
    }
    return true;
  }
};
