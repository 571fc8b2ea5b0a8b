// A decoder of the line coder's stream written from its code tables alone,
// and helpers that code an image whole, for the tests that check what the
// coder writes.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics_driver/job_output/line_coder.h"

namespace pk::test {

using Bytes = std::vector<BYTE>;

inline std::string BitsOf(const Bytes& bytes) {
  std::string s;
  for (BYTE b : bytes)
    for (int i = 7; i >= 0; --i) s += (b >> i) & 1 ? '1' : '0';
  return s;
}

// Codes the rows (each width * bytesPerPixel bytes) with room enough; the
// whole stream.
inline Bytes Code(const Bytes& image, uint32_t width, uint32_t height, uint32_t bits) {
  LineCoder* c = CreateLineCoder(width, height, bits);
  EXPECT_NE(c, nullptr);
  if (!c) return {};
  const size_t rowSize = size_t(width) * bits / 8;
  Bytes out(image.size() * 2 + 4096);
  size_t total = 0;
  for (uint32_t y = 0; y < height; ++y) {
    const int n = CodeLineCoderRow(c, image.data() + y * rowSize, out.data() + total, uint32_t(out.size() - total));
    EXPECT_GE(n, 0);
    total += size_t(n);
  }
  const int end = FinishLineCoder(c, out.data() + total, uint32_t(out.size() - total));
  EXPECT_GE(end, 0);
  out.resize(total + size_t(end));
  return out;
}

// The decoder, from the code tables alone.
class LineDecoder {
 public:
  LineDecoder(const Bytes& code, uint32_t width, uint32_t height, uint32_t bits)
      : code_(code),
        width_(width),
        height_(height),
        bpp_(bits / 8),
        step_(bits == 8 ? 1 : 4),
        fill_(bits == 8 ? 0x00 : 0xFF) {}

  // The image, or empty on a code that does not decode to the end code.
  bool Decode(Bytes* image) {
    const size_t rowBytes = size_t(width_) * step_;
    Bytes a(rowBytes + 20, fill_), b(rowBytes + 20, fill_);
    BYTE* prev = a.data() + 8;
    BYTE* cur = b.data() + 8;
    uint32_t runLeft = 0, runEntry = 0;
    for (uint32_t y = 0; y < height_; ++y) {
      for (uint32_t x = 0; x < width_; ++x) {
        while (runLeft == 0) {
          int s = Symbol();
          if (s < 0) return false;
          if (s == 6) {
            if (Bit() != 0) return false;  // the end code in the middle of the image
            flag_ ^= 1;
            continue;
          }
          if (s == 0) {
            BYTE* p = cur + int64_t(x) * step_;
            for (uint32_t k = 0; k < bpp_; ++k) {
              int d;
              if (!Difference(&d)) return false;
              p[k] = BYTE(p[int64_t(k) - int64_t(step_)] + d);
            }
            continuation_ = 0;
            goto next_pixel;
          }
          const uint32_t position = uint32_t(s) + continuation_;
          if (position < 1 || position > 5) return false;
          int length = RunLength();
          if (length <= 0) return false;
          runEntry = list_[position - 1];
          std::memmove(list_ + 1, list_, position - 1);
          list_[0] = BYTE(runEntry);
          continuation_ = uint32_t(length) % kLineCoderMaxRun != 0;
          runLeft = uint32_t(length);
        }
        Predict(cur, prev, x, runEntry);
        --runLeft;
      next_pixel:;
      }
      for (uint32_t x = 0; x < width_; ++x)
        for (uint32_t k = 0; k < bpp_; ++k) image->push_back(cur[x * step_ + k]);
      std::swap(prev, cur);
      prev[rowBytes] = fill_;
    }
    if (runLeft) return false;
    int s = Symbol();
    while (s == 6 && Peek() == 0) {
      Bit();
      flag_ ^= 1;
      s = Symbol();
    }
    if (s != 6 || Bit() != 1 || Bit() != 1 || Bit() != 1) return false;
    // Only 1 bits fill the last byte, and nothing follows it.
    while (pos_ % 8)
      if (Bit() != 1) return false;
    return pos_ == code_.size() * 8;
  }

 private:
  int Peek() const { return pos_ < code_.size() * 8 ? (code_[pos_ / 8] >> (7 - pos_ % 8)) & 1 : -1; }
  int Bit() {
    const int b = Peek();
    if (b >= 0) ++pos_;
    return b;
  }
  int Bits(int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
      const int b = Bit();
      if (b < 0) return -1;
      v = v << 1 | b;
    }
    return v;
  }
  int Symbol() {
    const int b0 = Bit();
    if (b0 == 0) return flag_ ? 0 : 1;
    const int b1 = Bit();
    if (b1 == 0) return flag_ ? 1 : 0;
    if (b1 < 0) return -1;
    if (Bit() == 0) return 2;
    const int rest = Bits(2);
    return rest < 0 ? -1 : 3 + rest;
  }
  int RunLength() {
    struct Class {
      const char* prefix;
      int extra, base;
    };
    static const Class kClasses[] = {{"00", 0, 1},       {"010", 0, 2},      {"011", 0, 3},     {"100", 1, 4},
                                     {"101", 2, 6},      {"110", 4, 10},     {"111000", 3, 26}, {"111001", 3, 34},
                                     {"111010", 3, 42},  {"111011", 4, 50},  {"111100", 5, 66}, {"111101", 6, 98},
                                     {"111110", 9, 162}, {"111111", 14, 674}};
    std::string read;
    for (int i = 0; i < 6; ++i) {
      const int b = Bit();
      if (b < 0) return -1;
      read += char('0' + b);
      for (const Class& c : kClasses)
        if (read == c.prefix) {
          const int extra = Bits(c.extra);
          return extra < 0 ? -1 : c.base + extra;
        }
    }
    return -1;
  }
  bool Difference(int* d) {
    const int head = Bits(3);
    if (head < 0) return false;
    if (head == 0) *d = 0;
    if (head == 1) *d = 1;
    if (head == 2) *d = -1;
    if (head <= 2) return true;
    int extra = 0, base = 0;
    switch (head) {
      case 3: extra = 1, base = 2; break;
      case 4: extra = 2, base = 4; break;
      case 5: extra = 3, base = 8; break;
      case 6: extra = 5, base = 16; break;
      default: {
        const int b = Bit();
        if (b < 0) return false;
        extra = b ? 6 : 5;
        base = b ? 80 : 48;
      }
    }
    const int sign = Bit();
    const int m = Bits(extra);
    if (sign < 0 || m < 0) return false;
    *d = sign ? -(base + m) : base + m;
    return true;
  }
  void Predict(BYTE* cur, const BYTE* prev, uint32_t x, uint32_t entry) {
    const int64_t s = step_;
    BYTE* p = cur + x * s;
    const BYTE* from = nullptr;
    switch (entry) {
      case 1: from = p - s; break;
      case 2: from = prev + x * s; break;
      case 3: from = prev + (int64_t(x) - 1) * s; break;
      case 4: from = prev + (x + 1) * s; break;
      default: from = step_ == 1 ? p - 8 : prev + (x + 2) * s; break;
    }
    std::memcpy(p, from, step_ == 1 ? 1 : 3);
  }

  const Bytes& code_;
  uint32_t width_, height_, bpp_, step_;
  BYTE fill_;
  size_t pos_ = 0;
  uint32_t flag_ = 0, continuation_ = 0;
  BYTE list_[5] = {1, 2, 3, 4, 5};
};

}  // namespace pk::test
