// Small BMP, DIB and Sun raster files built byte by byte for the reader tests.
#pragma once

#include <cstdint>
#include <vector>

#include "page_support.h"

inline void put_le(std::vector<uint8_t>& out, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
inline void put_be(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 3; i >= 0; --i) out.push_back(uint8_t(v >> (8 * i)));
}

struct BmpSpec {
  int32_t width = 4, height = 2;
  uint16_t bits = 8;
  uint32_t compression = 0;
  uint32_t header_size = 40;
  uint32_t colors_used = 0;
  int32_t ppm = 3780;
  std::vector<uint32_t> palette;  // 0xRRGGBB
  std::vector<uint8_t> data;      // pixel data as stored
  bool file_header = true;
};

// The file: file header (when asked), info header of the declared size (the
// fields past 40 bytes zero), colour table, pixel data.
inline std::vector<uint8_t> bmp_bytes(const BmpSpec& s) {
  std::vector<uint8_t> info;
  put_le(info, s.header_size, 4);
  if (s.header_size == 12) {
    put_le(info, uint32_t(s.width), 2);
    put_le(info, uint32_t(s.height), 2);
    put_le(info, 1, 2);
    put_le(info, s.bits, 2);
  } else {
    put_le(info, uint32_t(s.width), 4);
    put_le(info, uint32_t(s.height), 4);
    put_le(info, 1, 2);
    put_le(info, s.bits, 2);
    uint32_t fields[6] = {s.compression, uint32_t(s.data.size()), uint32_t(s.ppm), uint32_t(s.ppm), s.colors_used, 0};
    for (uint32_t i = 0; i < 6 && 16 + 4 * i < s.header_size; ++i) put_le(info, fields[i], 4);
    while (info.size() < s.header_size) info.push_back(0);
  }
  for (uint32_t c : s.palette) {
    info.push_back(uint8_t(c));
    info.push_back(uint8_t(c >> 8));
    info.push_back(uint8_t(c >> 16));
    if (s.header_size != 12) info.push_back(0);
  }
  std::vector<uint8_t> out;
  if (s.file_header) {
    out = {'B', 'M'};
    put_le(out, uint32_t(14 + info.size() + s.data.size()), 4);
    put_le(out, 0, 4);
    put_le(out, uint32_t(14 + info.size()), 4);
  }
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), s.data.begin(), s.data.end());
  return out;
}

struct SunSpec {
  uint32_t width = 3, height = 2, depth = 8, length = 0, type = 1, map_type = 0, map_length = 0;
  std::vector<uint8_t> map, data;
};

inline std::vector<uint8_t> sun_bytes(const SunSpec& s) {
  std::vector<uint8_t> out;
  for (uint32_t w : {0x59a66a95u, s.width, s.height, s.depth, s.length, s.type, s.map_type, s.map_length})
    put_be(out, w);
  out.insert(out.end(), s.map.begin(), s.map.end());
  out.insert(out.end(), s.data.begin(), s.data.end());
  return out;
}
