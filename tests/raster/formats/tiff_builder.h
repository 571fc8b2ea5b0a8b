// Builds small TIFF files in memory for the tests: an image file header, then
// directories whose entries keep their values inline or in a value area right
// after the directory, in either byte order. Offsets can be patched afterwards
// to make chains, loops and hostile layouts.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "raster/core/byte_array_storage.h"

struct TiffEntry {
  uint16_t tag = 0;
  uint16_t type = 4;
  uint32_t count = 0;
  std::vector<uint32_t> values;  // one per value; rationals as numerator, denominator
  std::string text;              // ASCII and byte data when not empty
  bool raw = false;              // value_word written as is, nothing in the value area
  uint32_t value_word = 0;

  static TiffEntry make(uint16_t tag, uint16_t type, uint32_t count, std::vector<uint32_t> values = {}) {
    TiffEntry e;
    e.tag = tag;
    e.type = type;
    e.count = count;
    e.values = std::move(values);
    return e;
  }
  static TiffEntry shorts(uint16_t tag, std::vector<uint32_t> v) { return make(tag, 3, uint32_t(v.size()), v); }
  static TiffEntry longs(uint16_t tag, std::vector<uint32_t> v) { return make(tag, 4, uint32_t(v.size()), v); }
  static TiffEntry typed(uint16_t tag, uint16_t type, std::vector<uint32_t> v) {
    uint32_t n = uint32_t(type == 5 || type == 10 ? v.size() / 2 : v.size());
    return make(tag, type, n, v);
  }
  static TiffEntry rational(uint16_t tag, uint32_t n, uint32_t d) { return make(tag, 5, 1, {n, d}); }
  static TiffEntry ascii(uint16_t tag, const std::string& s, uint16_t type = 2) {
    TiffEntry e = make(tag, type, uint32_t(s.size()));
    e.text = s;
    return e;
  }
  // An entry with the given count whose value field holds `word` unchanged.
  static TiffEntry raw_entry(uint16_t tag, uint16_t type, uint32_t count, uint32_t word) {
    TiffEntry e = make(tag, type, count);
    e.raw = true;
    e.value_word = word;
    return e;
  }
};

class TiffBuilder {
 public:
  explicit TiffBuilder(bool big_endian = false, uint32_t first_ifd = 8) : big_(big_endian) {
    bytes.push_back(big_ ? 'M' : 'I');
    bytes.push_back(big_ ? 'M' : 'I');
    put16(42);
    put32(first_ifd);
  }

  // Appends a directory (at an even offset) with its value area; returns its
  // offset. The position of its next-IFD field is kept in last_next_field.
  uint32_t add_ifd(const std::vector<TiffEntry>& entries, uint32_t next = 0) {
    if (bytes.size() % 2) bytes.push_back(0);
    uint32_t at = uint32_t(bytes.size());
    put16(uint16_t(entries.size()));
    uint32_t area = at + 2 + 12 * uint32_t(entries.size()) + 4;
    std::vector<uint8_t> values;
    std::vector<uint8_t> head;
    for (const TiffEntry& e : entries) {
      std::vector<uint8_t> data = encode(e);
      put16(e.tag);
      put16(e.type);
      put32(e.count);
      if (e.raw) {
        put32(e.value_word);
      } else if (data.size() <= 4) {
        data.resize(4, 0);
        bytes.insert(bytes.end(), data.begin(), data.end());
      } else {
        put32(area + uint32_t(values.size()));
        values.insert(values.end(), data.begin(), data.end());
        if (values.size() % 2) values.push_back(0);
      }
    }
    last_next_field = uint32_t(bytes.size());
    put32(next);
    bytes.insert(bytes.end(), values.begin(), values.end());
    return at;
  }

  // Appends raw bytes; returns their offset.
  uint32_t add_bytes(const std::vector<uint8_t>& data) {
    uint32_t at = uint32_t(bytes.size());
    bytes.insert(bytes.end(), data.begin(), data.end());
    return at;
  }

  void patch32(uint32_t position, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[position + i] = uint8_t(big_ ? value >> (24 - 8 * i) : value >> (8 * i));
  }
  void set_first_ifd(uint32_t offset) { patch32(4, offset); }
  uint32_t byte_order() const { return big_ ? 0x4D4D : 0x4949; }

  std::vector<uint8_t> bytes;
  uint32_t last_next_field = 0;

 private:
  static uint32_t width(uint16_t type) {
    static const uint8_t w[14] = {0, 1, 1, 2, 4, 4, 1, 1, 2, 4, 4, 4, 8, 4};
    return type < 14 ? w[type] : 4;
  }
  std::vector<uint8_t> encode(const TiffEntry& e) const {
    std::vector<uint8_t> out;
    if (!e.text.empty()) return std::vector<uint8_t>(e.text.begin(), e.text.end());
    uint32_t w = width(e.type);
    for (uint32_t v : e.values)
      for (uint32_t i = 0; i < w; ++i) out.push_back(uint8_t(big_ ? v >> (8 * (w - 1 - i)) : v >> (8 * i)));
    return out;
  }
  void put16(uint16_t v) {
    if (big_) {
      bytes.push_back(uint8_t(v >> 8));
      bytes.push_back(uint8_t(v));
    } else {
      bytes.push_back(uint8_t(v));
      bytes.push_back(uint8_t(v >> 8));
    }
  }
  void put32(uint32_t v) {
    size_t at = bytes.size();
    bytes.resize(at + 4);
    patch32(uint32_t(at), v);
  }

  bool big_;
};

// The minimal entries of a readable bilevel page: width, length, one strip.
inline std::vector<TiffEntry> basic_page(uint32_t width = 16, uint32_t length = 8) {
  return {TiffEntry::longs(256, {width}),   TiffEntry::longs(257, {length}),
          TiffEntry::longs(273, {8}),       TiffEntry::longs(279, {(width + 7) / 8 * length}),
          TiffEntry::rational(282, 200, 1), TiffEntry::rational(283, 200, 1)};
}
