// Packing helpers of the colour tests: samples of 1, 4, 8 or 16 bits into
// the library's line form (bits most significant first, 16-bit words in
// machine order), and indexed headers.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "../geometry/line_source.h"
#include "raster/core/rst_colormap.h"

inline Bytes pack(int bits, const std::vector<uint32_t>& samples) {
  if (bits == 16) {
    Bytes b(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
      uint16_t w = uint16_t(samples[i]);
      std::memcpy(&b[2 * i], &w, 2);
    }
    return b;
  }
  if (bits == 8) return Bytes(samples.begin(), samples.end());
  Bytes b((samples.size() * size_t(bits) + 7) / 8);
  for (size_t i = 0; i < samples.size(); ++i) {
    size_t bit = i * size_t(bits);
    uint32_t v = samples[i] & ((1u << bits) - 1);
    b[bit / 8] |= uint8_t(v << (8 - bits - bit % 8));
  }
  return b;
}

inline RstColormap* colormap_of(int bits, int channels, const std::vector<uint32_t>& samples) {
  Bytes data = pack(bits, samples);
  return new RstColormap(bits, channels, int(samples.size()) / channels, data.data());
}

inline RstHeader indexed_header(int32_t width, int32_t height, int32_t bits, RstColormap* map,
                                RstColorType* type = RstColorType::s_rgb()) {
  RstHeader h = image_header(width, height, bits, 1, type);
  h.colormap.reset(map);
  return h;
}
