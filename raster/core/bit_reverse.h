// Decorators that reverse the bit order inside every byte that passes (bit 7
// becomes bit 0 and so on), for data stored least significant bit first.
#pragma once

#include <cstdint>

#include "raster/core/stream_decorator.h"

// The 256-entry table: byte b with its bits in reverse order.
extern const uint8_t kBitReverseTable[256];

template <class S = InputStorage, class D = StreamDecorator<S>>
class BitReverseInput : public D {
 public:
  explicit BitReverseInput(S* inner) : D(inner) {}

  int32_t get() override {
    int32_t b = D::get();
    return b < 0 ? b : kBitReverseTable[b & 0xFF];
  }
  int32_t read(void* buffer, int32_t count) override {
    int32_t n = D::read(buffer, count);
    uint8_t* p = static_cast<uint8_t*>(buffer);
    for (int32_t i = 0; i < n; ++i) p[i] = kBitReverseTable[p[i]];
    return n;
  }
};

template <class S = OutputStorage, class D = StreamDecorator<S>>
class BitReverseOutput : public D {
 public:
  explicit BitReverseOutput(S* inner) : D(inner) {}

  // Returns what the inner put returned: the reversed byte, or -1.
  int32_t put(int32_t byte) override { return D::put(kBitReverseTable[byte & 0xFF]); }
  // Puts byte by byte; stops at the first byte not taken.
  int32_t write(const void* buffer, int32_t count) override {
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    int32_t n = 0;
    while (n < count && put(p[n]) != -1) ++n;
    return n;
  }
};
