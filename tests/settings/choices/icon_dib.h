// Icon images for the tests: a packed DIB whose header height counts the
// colour rows and the one-word mask rows that follow them.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi_palette_icon.h"

namespace pk::test {

// A bottom-up icon image of `width` x `height` pixels at `bits` per pixel
// (1, 4, 8 or 24) with a grey ramp colour table; pixel (x, y), y counted
// from the top, is `pixel(x, y)` (an index, or 0xRRGGBB at 24 bits); mask row
// y (from the top) is `mask(y)` as its 32-bit word.
template <typename Pixel, typename Mask>
std::vector<uint8_t> MakeIconDib(int width, int height, int bits, Pixel pixel, Mask mask) {
  const int colours = bits <= 8 ? 1 << bits : 0;
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + colours * 4 + stride * height + 4 * height);
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height * 2;
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(bits);
  std::memcpy(dib.data(), &h, sizeof h);
  uint8_t* table = dib.data() + sizeof h;
  for (int c = 0; c < colours; ++c) {
    const uint8_t v = static_cast<uint8_t>(colours > 1 ? c * 255 / (colours - 1) : 0);
    table[c * 4] = v;                                         // blue
    table[c * 4 + 1] = static_cast<uint8_t>(255 - v);         // green
    table[c * 4 + 2] = static_cast<uint8_t>((v * 7) & 0xFF);  // red
  }
  uint8_t* rows = table + colours * 4;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = rows + stride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixel(x, y);
      switch (bits) {
        case 1: row[x / 8] |= static_cast<uint8_t>((p & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<uint8_t>((p & 15) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = static_cast<uint8_t>(p); break;
        default:
          row[x * 3] = static_cast<uint8_t>(p);
          row[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
          row[x * 3 + 2] = static_cast<uint8_t>(p >> 16);
          break;
      }
    }
  }
  uint8_t* masks = rows + stride * height;
  for (int y = 0; y < height; ++y) {
    const uint32_t word = mask(y);
    std::memcpy(masks + 4 * (height - 1 - y), &word, 4);
  }
  return dib;
}

// The same with a diagonal pattern and a mask that marks the first column.
inline std::vector<uint8_t> PatternIconDib(int width, int height, int bits) {
  return MakeIconDib(
      width, height, bits,
      [bits](int x, int y) -> uint32_t {
        if (bits == 24) return static_cast<uint32_t>(x * 8) | static_cast<uint32_t>(y * 8) << 8 | 0x400000u;
        return static_cast<uint32_t>(x + y) % (1u << bits);
      },
      [](int y) -> uint32_t { return 0x80u | static_cast<uint32_t>(y) << 8; });
}

}  // namespace pk::test
